#include "app/core/frame_keys.h"

#include <utility>

namespace kv {
namespace {

constexpr unsigned kTab = 0x09;
constexpr unsigned kEscape = 0x1B;
constexpr unsigned kLeft = 0x25;
constexpr unsigned kRight = 0x27;
constexpr unsigned kD = 0x44;
constexpr unsigned kT = 0x54;
constexpr unsigned kW = 0x57;
constexpr unsigned kF5 = 0x74;
constexpr unsigned kF6 = 0x75;

enum class Mods { None, Ctrl, CtrlShift, Alt, Other };

Mods ModsOf(const KeyPress& k) {
    if (!k.ctrl && !k.shift && !k.alt) {
        return Mods::None;
    }
    if (k.ctrl && !k.shift && !k.alt) {
        return Mods::Ctrl;
    }
    if (k.ctrl && k.shift && !k.alt) {
        return Mods::CtrlShift;
    }
    if (k.alt && !k.ctrl && !k.shift) {
        return Mods::Alt;
    }
    return Mods::Other;
}

} // namespace

FrameCommand FrameKeyCommand(const KeyPress& key, KeyFocus focus) {
    const Mods mods = ModsOf(key);
    // Keys that mean the same wherever the focus is, the page included.
    switch (key.virtualKey) {
    case kD:
        if (mods == Mods::Alt) {
            return FrameCommand::FocusAddress;
        }
        break;
    case kF6:
        // Ctrl+F6 stays the MDI's.
        if (mods == Mods::None) {
            return FrameCommand::FocusAddress;
        }
        break;
    case kTab:
        if (mods == Mods::Ctrl) {
            return FrameCommand::NextWindow;
        }
        if (mods == Mods::CtrlShift) {
            return FrameCommand::PreviousWindow;
        }
        break;
    case kW:
        if (mods == Mods::Ctrl) {
            return FrameCommand::CloseWindow;
        }
        break;
    case kT:
        if (mods == Mods::CtrlShift) {
            return FrameCommand::ReopenClosed;
        }
        break;
    default:
        break;
    }
    // The page's own navigation keys are the engine's while it has the focus.
    if (focus == KeyFocus::Page) {
        return FrameCommand::None;
    }
    switch (key.virtualKey) {
    case kF5:
        return mods == Mods::None ? FrameCommand::Refresh : FrameCommand::None;
    case kEscape:
        if (mods != Mods::None || (focus == KeyFocus::AddressBox && key.listOpen)) {
            return FrameCommand::None;
        }
        return FrameCommand::Stop;
    case kLeft:
    case kRight:
        if (mods != Mods::Alt || focus == KeyFocus::Window) {
            return FrameCommand::None;
        }
        return key.virtualKey == kLeft ? FrameCommand::Back : FrameCommand::Forward;
    default:
        return FrameCommand::None;
    }
}

void RecentlyClosed::Push(std::string address) {
    addresses_.push_front(std::move(address));
    if (addresses_.size() > kCapacity) {
        addresses_.pop_back();
    }
}

std::optional<std::string> RecentlyClosed::Pop() {
    if (addresses_.empty()) {
        return std::nullopt;
    }
    std::string a = std::move(addresses_.front());
    addresses_.pop_front();
    return a;
}

} // namespace kv
