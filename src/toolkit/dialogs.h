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

// While it lasts, the first dialog box that this thread activates for owner is put over the
// middle of owner (kept on owner's monitor). The platform's file dialogs do not always centre
// themselves: under Wine they open near the screen's corner.
class CenterDialogOver {
public:
    explicit CenterDialogOver(HWND owner);
    ~CenterDialogOver();
    CenterDialogOver(const CenterDialogOver&) = delete;
    CenterDialogOver& operator=(const CenterDialogOver&) = delete;

private:
    HHOOK hook_ = nullptr;
    HWND previousOwner_ = nullptr;
};

// Moves window so that its middle is over the middle of over, inside over's monitor's work area.
void CenterWindowOver(HWND window, HWND over);

// The process's current folder with a trailing separator (empty if the system cannot say).
std::wstring CurrentFolder();

// Puts the process's current folder back when the scope ends. The common file dialogs move
// it when the user browses to another folder (under Wine even when asked not to, and even
// when the dialog is cancelled), and whatever is opened by a relative name would follow.
class KeepCurrentFolder {
public:
    KeepCurrentFolder();
    ~KeepCurrentFolder();
    KeepCurrentFolder(const KeepCurrentFolder&) = delete;
    KeepCurrentFolder& operator=(const KeepCurrentFolder&) = delete;

private:
    std::wstring folder_;
};

} // namespace tk
