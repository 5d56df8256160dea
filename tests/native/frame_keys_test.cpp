#include <gtest/gtest.h>

#include "app/core/frame_keys.h"

namespace {

using kv::FrameCommand;
using kv::KeyFocus;

struct KeyCase {
    unsigned vk;
    const char* mods; // any of "c", "s", "a"; "l": the address box's list is open
    KeyFocus focus;
    FrameCommand expected;
};

kv::KeyPress Press(unsigned vk, const std::string& mods) {
    kv::KeyPress k;
    k.virtualKey = vk;
    k.ctrl = mods.find('c') != std::string::npos;
    k.shift = mods.find('s') != std::string::npos;
    k.alt = mods.find('a') != std::string::npos;
    k.listOpen = mods.find('l') != std::string::npos;
    return k;
}

TEST(FrameKeyCommand, KeysByFocus) {
    const KeyCase cases[] = {
        // Alt+D and F6 from anywhere; not with other modifiers; Ctrl+F6 is the MDI's.
        {0x44, "a", KeyFocus::Page, FrameCommand::FocusAddress},
        {0x44, "a", KeyFocus::AddressBox, FrameCommand::FocusAddress},
        {0x44, "a", KeyFocus::Other, FrameCommand::FocusAddress},
        {0x44, "", KeyFocus::SearchBox, FrameCommand::None},
        {0x44, "ca", KeyFocus::Other, FrameCommand::None},
        {0x44, "sa", KeyFocus::Other, FrameCommand::None},
        {0x75, "", KeyFocus::Page, FrameCommand::FocusAddress},
        {0x75, "", KeyFocus::SearchBox, FrameCommand::FocusAddress},
        {0x75, "c", KeyFocus::Page, FrameCommand::None},
        {0x75, "cs", KeyFocus::Other, FrameCommand::None},
        // Ctrl+Tab, Ctrl+Shift+Tab; a plain Tab moves the focus as always.
        {0x09, "c", KeyFocus::Page, FrameCommand::NextWindow},
        {0x09, "c", KeyFocus::AddressBox, FrameCommand::NextWindow},
        {0x09, "cs", KeyFocus::Other, FrameCommand::PreviousWindow},
        {0x09, "", KeyFocus::Page, FrameCommand::None},
        {0x09, "s", KeyFocus::AddressBox, FrameCommand::None},
        {0x09, "ca", KeyFocus::Other, FrameCommand::None},
        // Ctrl+W; Ctrl+Shift+T.
        {0x57, "c", KeyFocus::Page, FrameCommand::CloseWindow},
        {0x57, "c", KeyFocus::SearchBox, FrameCommand::CloseWindow},
        {0x57, "cs", KeyFocus::Page, FrameCommand::None},
        {0x57, "", KeyFocus::AddressBox, FrameCommand::None},
        {0x54, "cs", KeyFocus::Page, FrameCommand::ReopenClosed},
        {0x54, "cs", KeyFocus::Window, FrameCommand::ReopenClosed},
        {0x54, "c", KeyFocus::Other, FrameCommand::None},
        // The page keeps F5, Esc, Alt+Left and Alt+Right; elsewhere they are the frame's.
        {0x74, "", KeyFocus::Page, FrameCommand::None},
        {0x74, "", KeyFocus::AddressBox, FrameCommand::Refresh},
        {0x74, "", KeyFocus::Other, FrameCommand::Refresh},
        {0x74, "c", KeyFocus::AddressBox, FrameCommand::None},
        {0x1B, "", KeyFocus::Page, FrameCommand::None},
        {0x1B, "", KeyFocus::AddressBox, FrameCommand::Stop},
        {0x1B, "l", KeyFocus::AddressBox, FrameCommand::None},
        {0x1B, "", KeyFocus::SearchBox, FrameCommand::Stop},
        {0x1B, "s", KeyFocus::Other, FrameCommand::None},
        {0x25, "a", KeyFocus::Page, FrameCommand::None},
        {0x25, "a", KeyFocus::AddressBox, FrameCommand::Back},
        {0x27, "a", KeyFocus::SearchBox, FrameCommand::Forward},
        {0x27, "a", KeyFocus::Other, FrameCommand::Forward},
        {0x25, "a", KeyFocus::Window, FrameCommand::None},
        {0x25, "", KeyFocus::AddressBox, FrameCommand::None},
        {0x25, "sa", KeyFocus::AddressBox, FrameCommand::None},
        {0x27, "ca", KeyFocus::Other, FrameCommand::None},
        // The menu's shortcuts and the edit fields' keys are never the frame's.
        {0x43, "c", KeyFocus::AddressBox, FrameCommand::None},
        {0x41, "c", KeyFocus::SearchBox, FrameCommand::None},
        {0x4E, "c", KeyFocus::Page, FrameCommand::None},
        {0x46, "c", KeyFocus::Other, FrameCommand::None},
        {0x73, "c", KeyFocus::Other, FrameCommand::None},
        {0x0D, "", KeyFocus::AddressBox, FrameCommand::None},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(kv::FrameKeyCommand(Press(c.vk, c.mods), c.focus), c.expected)
            << "vk " << c.vk << " mods '" << c.mods << "' focus " << static_cast<int>(c.focus);
    }
}

TEST(RecentlyClosed, KeepsTheLastTenMostRecentFirst) {
    kv::RecentlyClosed closed;
    EXPECT_EQ(closed.Pop(), std::nullopt);
    for (int i = 1; i <= 12; ++i) {
        closed.Push("http://w" + std::to_string(i) + ".example/");
    }
    EXPECT_EQ(closed.Size(), 10u);
    EXPECT_EQ(closed.Pop(), "http://w12.example/");
    EXPECT_EQ(closed.Pop(), "http://w11.example/");
    closed.Push("http://again.example/");
    EXPECT_EQ(closed.Pop(), "http://again.example/");
    std::string last;
    while (auto a = closed.Pop()) {
        last = *a;
    }
    EXPECT_EQ(last, "http://w3.example/"); // 1 and 2 fell off the end
}

} // namespace
