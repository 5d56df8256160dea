// Which key means which frame command, given where the keyboard focus is. Virtual-key codes
// are the platform's numbers; the frame's message loop asks before anything else sees a key.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace kv {

enum class FrameCommand {
    None, // not the frame's: the key goes on to the menu, the MDI, the page or the control
    FocusAddress,
    NextWindow,
    PreviousWindow,
    CloseWindow,
    Refresh,
    Stop,
    Back,
    Forward,
    ReopenClosed,
};

// Where the key was typed.
enum class KeyFocus {
    Page,       // the engine's window: it keeps F5, Esc, Alt+Left and Alt+Right
    AddressBox, // a browser window's address box
    SearchBox,  // the frame's search word
    Window,     // a browser window itself: its own key handler has Alt+Left and Alt+Right
    Other,      // the tab strip, the bars, the frame
};

struct KeyPress {
    unsigned virtualKey = 0;
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    // The address box shows its drop-down list: Esc closes the list.
    bool listOpen = false;
};

FrameCommand FrameKeyCommand(const KeyPress& key, KeyFocus focus);

// Addresses (ANSI) of the windows closed last, most recent first, at most kCapacity.
class RecentlyClosed {
public:
    static constexpr std::size_t kCapacity = 10;
    void Push(std::string address);
    // The most recent one, removed from the list; nothing when the list is empty.
    std::optional<std::string> Pop();
    std::size_t Size() const { return addresses_.size(); }

private:
    std::deque<std::string> addresses_;
};

} // namespace kv
