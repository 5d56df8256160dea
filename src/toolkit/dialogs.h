// Message boxes owned by the application's active window.
#pragma once

#include <windows.h>

#include <string>

namespace tk {

// Shows a message box (MB_... flags) and returns the button pressed (IDOK, IDCANCEL ...).
// An empty caption uses the application's title.
int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

} // namespace tk
