#include "toolkit/controls_basic.h"

#include "toolkit/controls_internal.h"

namespace tk {

namespace {

constexpr const wchar_t* kPanelClass = L"tkPanel";

} // namespace

// ---- Panel

void Panel::Create(HWND parent, int left, int top, int width, int height) {
    RegisterWindowClass(kPanelClass, 0, GetSysColorBrush(COLOR_BTNFACE));
    CreateHandle(WS_EX_CONTROLPARENT, kPanelClass, L"",
                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, left, top, width,
                 height, parent, nullptr);
}

LRESULT Panel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SIZE && OnResize) {
        OnResize(LOWORD(lParam), HIWORD(lParam));
    }
    return Window::WndProc(msg, wParam, lParam);
}

// ---- Edit

void Edit::Create(HWND parent, int left, int top, int width, int height, HFONT font) {
    CreateControl(WS_EX_CLIENTEDGE, WC_EDITW, L"",
                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, left, top, width, height,
                  parent);
    SetFont(font);
}

std::wstring Edit::Text() const {
    return hwnd_ == nullptr ? std::wstring() : detail::WindowText(hwnd_);
}

void Edit::SetText(const std::wstring& text) {
    if (hwnd_ != nullptr) {
        SetWindowTextW(hwnd_, text.c_str());
    }
}

// ---- SpeedButton

SpeedButton::~SpeedButton() {
    DestroyControl();
    if (glyph_ != nullptr) {
        DeleteObject(glyph_);
    }
}

void SpeedButton::Create(HWND parent, const std::wstring& caption, int left, int top, int width,
                         int height, HFONT font) {
    CreateControl(0, WC_BUTTONW, caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_FLAT, left,
                  top, width, height, parent);
    SetFont(font);
}

void SpeedButton::SetGlyph(HBITMAP glyph) {
    HBITMAP old = glyph_;
    glyph_ = glyph;
    SendMessageW(hwnd_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph_));
    if (old != nullptr) {
        DeleteObject(old);
    }
}

void SpeedButton::Click() {
    if (OnClick && Enabled()) {
        auto handler = OnClick;
        handler();
    }
}

bool SpeedButton::HandleMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg == CN_COMMAND) {
        if (HIWORD(wParam) == BN_CLICKED && OnClick) {
            auto handler = OnClick;
            handler();
        }
        result = 0;
        return true;
    }
    return false;
}

// ---- CheckBox

void CheckBox::Create(HWND parent, const std::wstring& caption, int left, int top, int width,
                      int height, HFONT font) {
    CreateControl(0, WC_BUTTONW, caption, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, left, top, width,
                  height, parent);
    SetFont(font);
}

bool CheckBox::Checked() const {
    return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

} // namespace tk
