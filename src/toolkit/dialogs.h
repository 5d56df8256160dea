// Message boxes owned by the application's active window.
#pragma once

#include <windows.h>

#include <string>

namespace tk {

// Shows a message box (MB_... flags) and returns the button pressed (IDOK, IDCANCEL ...).
// An empty caption uses the application's title.
int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

// Marks the time the program itself shows a dialog box (its message boxes, its file dialogs,
// the shell's favorites dialogs it asks for): whoever watches for the engine's dialogs leaves
// the boxes of that time alone.
class OwnDialogScope {
public:
    OwnDialogScope();
    ~OwnDialogScope();
    OwnDialogScope(const OwnDialogScope&) = delete;
    OwnDialogScope& operator=(const OwnDialogScope&) = delete;
    static bool Active();
};

} // namespace tk
