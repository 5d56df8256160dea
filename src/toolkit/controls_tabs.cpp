#include "toolkit/controls_tabs.h"

#include "toolkit/error.h"

namespace tk {

// ---- TabControl

void TabControl::Create(HWND parent, int left, int top, int width, int height, HFONT font) {
    CreateControl(0, WC_TABCONTROLW, L"",
                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_FOCUSNEVER | TCS_TABS, left, top,
                  width, height, parent);
    SetFont(font);
}

int TabControl::Count() const {
    return static_cast<int>(SendMessageW(hwnd_, TCM_GETITEMCOUNT, 0, 0));
}

void TabControl::AddTab(const std::wstring& text) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    std::wstring t = text;
    item.pszText = t.data();
    if (SendMessageW(hwnd_, TCM_INSERTITEMW, static_cast<WPARAM>(Count()),
                     reinterpret_cast<LPARAM>(&item)) < 0) {
        throw Error(L"Could not add a tab");
    }
}

void TabControl::DeleteTab(int index) {
    SendMessageW(hwnd_, TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
}

std::wstring TabControl::TabText(int index) const {
    wchar_t buffer[512] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 512;
    SendMessageW(hwnd_, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return item.pszText != nullptr ? std::wstring(item.pszText) : std::wstring();
}

void TabControl::SetTabText(int index, const std::wstring& text) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    std::wstring t = text;
    item.pszText = t.data();
    SendMessageW(hwnd_, TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

int TabControl::TabIndex() const {
    return static_cast<int>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0));
}

void TabControl::SetTabIndex(int index) {
    SendMessageW(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int TabControl::IdealHeight() const {
    // Down to the line under the row of tabs: any taller and the empty page area shows as a
    // flat box under the tabs. The row's height is known once there is a tab to measure.
    const bool empty = Count() == 0;
    if (empty) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        wchar_t text[] = L"M";
        item.pszText = text;
        SendMessageW(hwnd_, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    RECT r{};
    BOOL measured =
        static_cast<BOOL>(SendMessageW(hwnd_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)));
    if (empty) {
        SendMessageW(hwnd_, TCM_DELETEITEM, 0, 0);
    }
    return measured && r.bottom > 0 ? r.bottom + 1 : Scale(hwnd_, 24);
}

bool TabControl::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case CN_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(TCN_SELCHANGE) &&
            OnChange) {
            OnChange();
        }
        result = 0;
        return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        result = DefaultMessage(hwnd_, msg, wParam, lParam);
        if (OnMouseUp) {
            int button = msg == WM_LBUTTONUP ? 0 : (msg == WM_RBUTTONUP ? 1 : 2);
            OnMouseUp(button, static_cast<short>(LOWORD(lParam)),
                      static_cast<short>(HIWORD(lParam)));
        }
        return true;
    }
    default:
        return false;
    }
}

} // namespace tk
