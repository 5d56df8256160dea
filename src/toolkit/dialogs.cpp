#include "toolkit/dialogs.h"

#include "toolkit/application.h"
#include "toolkit/dialog_origin.h"

#include <algorithm>

namespace tk {
namespace {
int ownDialogs = 0;         // the UI thread's own dialogs now open, nested
HWND centerOwner = nullptr; // the owner whose next dialog is centred; null once done
HHOOK centerHook = nullptr;

bool IsDialogBox(HWND w) {
    wchar_t name[16] = {};
    return GetClassNameW(w, name, 16) > 0 && lstrcmpW(name, L"#32770") == 0;
}

// Nothing here can throw: only window functions.
LRESULT CALLBACK CenterOnActivate(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && centerOwner != nullptr) {
        HWND w = reinterpret_cast<HWND>(wParam);
        if (GetWindow(w, GW_OWNER) == centerOwner && IsDialogBox(w)) {
            HWND owner = centerOwner;
            centerOwner = nullptr;
            CenterWindowOver(w, owner);
        }
    }
    return CallNextHookEx(centerHook, code, wParam, lParam);
}
} // namespace

CenterDialogOver::CenterDialogOver(HWND owner) : previousOwner_(centerOwner) {
    if (owner == nullptr) {
        return;
    }
    hook_ = SetWindowsHookExW(WH_CBT, CenterOnActivate, nullptr, GetCurrentThreadId());
    if (hook_ != nullptr) {
        centerHook = hook_;
        centerOwner = owner;
    }
}

CenterDialogOver::~CenterDialogOver() {
    if (hook_ != nullptr) {
        UnhookWindowsHookEx(hook_);
        centerHook = nullptr;
        centerOwner = previousOwner_;
    }
}

void CenterWindowOver(HWND window, HWND over) {
    RECT r{};
    RECT o{};
    if (!GetWindowRect(window, &r) || !GetWindowRect(over, &o)) {
        return;
    }
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    int left = o.left + ((o.right - o.left) - width) / 2;
    int top = o.top + ((o.bottom - o.top) - height) / 2;
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(MonitorFromWindow(over, MONITOR_DEFAULTTONEAREST), &mi)) {
        const RECT& a = mi.rcWork;
        left = std::max<int>(a.left, std::min<int>(left, a.right - width));
        top = std::max<int>(a.top, std::min<int>(top, a.bottom - height));
    }
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

OwnDialogScope::OwnDialogScope(bool everyBox) {
    ++ownDialogs;
    detail::BeginOwnDialogs(everyBox);
}
OwnDialogScope::~OwnDialogScope() {
    detail::EndOwnDialogs();
    --ownDialogs;
}
bool OwnDialogScope::Active() {
    return ownDialogs > 0;
}

std::wstring CurrentFolder() {
    std::wstring folder;
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    while (n > 0) {
        folder.assign(n, L'\0');
        DWORD got = GetCurrentDirectoryW(n, folder.data());
        if (got == 0) {
            return std::wstring();
        }
        if (got < n) { // it fitted: got is the length without the NUL
            folder.resize(got);
            break;
        }
        n = got; // the folder changed meanwhile and grew
    }
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') {
        folder += L'\\';
    }
    return folder;
}

KeepCurrentFolder::KeepCurrentFolder() : folder_(CurrentFolder()) {}

KeepCurrentFolder::~KeepCurrentFolder() {
    if (!folder_.empty()) {
        SetCurrentDirectoryW(folder_.c_str());
    }
}

// windows.h maps the name to MessageBoxW; the platform's function is called explicitly.
int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
    const std::wstring& title = caption.empty() ? Application::Title() : caption;
    OwnDialogScope own;
    return ::MessageBoxW(Application::ActiveOwner(), text.c_str(), title.c_str(), flags);
}

} // namespace tk
