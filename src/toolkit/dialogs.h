// Message boxes owned by the application's active window.
#pragma once

#include <windows.h>

#include <string>

namespace tk {

// Shows a message box (MB_... flags) and returns the button pressed (IDOK, IDCANCEL ...).
// An empty caption uses the application's title.
int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

// Marks the dialog box the program itself shows now (its message boxes, its file dialogs, the
// shell's favorites dialogs it asks for): whoever watches for the engine's dialogs leaves it,
// and the boxes it owns, alone. Only the first box made in the scope is marked, since others
// may come from elsewhere while it is open; with everyBox (a call into the shell that may show
// several unowned boxes), all boxes made meanwhile are.
class OwnDialogScope {
public:
    explicit OwnDialogScope(bool everyBox = false);
    ~OwnDialogScope();
    OwnDialogScope(const OwnDialogScope&) = delete;
    OwnDialogScope& operator=(const OwnDialogScope&) = delete;
    static bool Active();
};

} // namespace tk
