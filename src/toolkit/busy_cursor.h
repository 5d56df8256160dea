// The busy cursor over a top-level window while the program waits inside a command.
#pragma once

#include <windows.h>

namespace tk {

// While a scope lives, the pointer over the top-level window of `window` (the frame) shows the
// busy cursor; the window's own cursors come back when the last scope ends. Scopes nest.
class BusyCursorScope {
public:
    explicit BusyCursorScope(HWND window) noexcept;
    ~BusyCursorScope();
    BusyCursorScope(const BusyCursorScope&) = delete;
    BusyCursorScope& operator=(const BusyCursorScope&) = delete;

private:
    HWND root_ = nullptr;
};

} // namespace tk
