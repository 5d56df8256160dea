#include "win32/support/file_dialog.h"

#include "win32/support/modal.h"

#include <commdlg.h>
#include <dlgs.h>

#include <deque>

namespace kvtest {
namespace {

std::deque<FileDialogAnswer> g_answers;
std::vector<SeenFileDialog> g_seen;
UINT_PTR g_timer = 0;

std::wstring TextOf(HWND w) {
    if (w == nullptr) {
        return {};
    }
    int n = GetWindowTextLengthW(w);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(w, s.data(), n + 1);
    s.resize(static_cast<size_t>(n));
    return s;
}

struct Find {
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK FindProc(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<Find*>(lp);
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId() && lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w) &&
        TextOf(w) == *f->caption) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

// The name box: a combo box with an edit field in newer dialogs, an edit in older ones.
HWND NameBox(HWND dialog) {
    HWND box = GetDlgItem(dialog, cmb13);
    return box != nullptr ? box : GetDlgItem(dialog, edt1);
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_answers.empty()) {
        KillTimer(nullptr, g_timer);
        g_timer = 0;
        return;
    }
    FileDialogAnswer a = g_answers.front();
    Find f{&a.caption, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&f));
    if (f.found == nullptr) {
        return;
    }
    g_answers.pop_front();
    HWND dialog = f.found;
    SeenFileDialog seen;
    seen.caption = a.caption;
    seen.fileName = TextOf(NameBox(dialog));
    seen.owner = GetWindow(dialog, GW_OWNER);
    GetWindowRect(dialog, &seen.bounds);
    HWND types = GetDlgItem(dialog, cmb1);
    if (types != nullptr) {
        int n = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            int len = static_cast<int>(SendMessageW(types, CB_GETLBTEXTLEN, i, 0));
            std::wstring t(static_cast<size_t>(len < 0 ? 0 : len) + 1, L'\0');
            SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(t.data()));
            t.resize(static_cast<size_t>(len < 0 ? 0 : len));
            seen.filters.push_back(t);
        }
        seen.selectedFilter = static_cast<int>(SendMessageW(types, CB_GETCURSEL, 0, 0));
        if (a.filter > 0) {
            SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(a.filter - 1), 0);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(types));
        }
    }
    if (!a.browseTo.empty()) {
        SetWindowTextW(NameBox(dialog), a.browseTo.c_str());
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    }
    if (a.whileOpen) {
        a.whileOpen();
    }
    g_seen.push_back(seen);
    if (a.fileName.empty()) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        return;
    }
    SetWindowTextW(NameBox(dialog), a.fileName.c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    if (a.thenMessageBox != 0) {
        ExpectModal(a.thenMessageBox, a.thenMessageText);
    }
}

} // namespace

void AnswerFileDialog(FileDialogAnswer answer) {
    g_answers.push_back(std::move(answer));
    if (g_timer == 0) {
        g_timer = SetTimer(nullptr, 0, 30, Tick);
    }
}

size_t PendingFileDialogs() {
    return g_answers.size();
}

std::vector<SeenFileDialog> SeenFileDialogs() {
    return g_seen;
}

void ResetFileDialogs() {
    g_answers.clear();
    g_seen.clear();
}

} // namespace kvtest
