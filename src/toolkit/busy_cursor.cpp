#include "toolkit/busy_cursor.h"

#include <commctrl.h>

#include <map>

namespace tk {
namespace {

constexpr UINT_PTR kSubclassId = 0x4B564243; // one subclass per window, whatever the depth

std::map<HWND, int>& Depths() {
    static std::map<HWND, int> depths; // UI thread only
    return depths;
}

// Children pass WM_SETCURSOR up to their parents first, so the top-level window answers for
// all of them.
LRESULT CALLBACK BusyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                          DWORD_PTR) {
    if (msg == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
    }
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &BusyProc, id);
        Depths().erase(hwnd);
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// Asks the window under the pointer for its cursor again, when it is one of this thread's.
void RefreshCursor() {
    POINT pt{};
    if (!GetCursorPos(&pt)) {
        return;
    }
    HWND under = WindowFromPoint(pt);
    if (under == nullptr || GetWindowThreadProcessId(under, nullptr) != GetCurrentThreadId()) {
        return;
    }
    LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                 MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
}

} // namespace

BusyCursorScope::BusyCursorScope(HWND window) noexcept {
    HWND root = window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
    if (root == nullptr || GetWindowThreadProcessId(root, nullptr) != GetCurrentThreadId()) {
        return;
    }
    try {
        int& depth = Depths()[root];
        if (depth == 0 && !SetWindowSubclass(root, &BusyProc, kSubclassId, 0)) {
            Depths().erase(root);
            return;
        }
        ++depth;
        root_ = root;
    } catch (...) {
        return; // no busy cursor then
    }
    RefreshCursor();
}

BusyCursorScope::~BusyCursorScope() {
    if (root_ == nullptr) {
        return;
    }
    auto it = Depths().find(root_);
    if (it == Depths().end()) {
        return; // the window is gone
    }
    if (--it->second > 0) {
        return;
    }
    Depths().erase(it);
    RemoveWindowSubclass(root_, &BusyProc, kSubclassId);
    RefreshCursor();
}

} // namespace tk
