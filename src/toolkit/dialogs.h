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
