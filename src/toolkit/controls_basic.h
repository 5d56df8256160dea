// Plain controls: panel, edit, push button and check box.
#pragma once

#include "toolkit/window.h"

#include <commctrl.h>

#include <functional>
#include <string>

namespace tk {

// A container child window without a border; its size changes are reported to OnResize.
class Panel : public Window {
public:
    void Create(HWND parent, int left, int top, int width, int height);
    std::function<void(int width, int height)> OnResize;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

class Edit : public Control {
public:
    void Create(HWND parent, int left, int top, int width, int height, HFONT font);
    std::wstring Text() const;
    void SetText(const std::wstring& text);
};

// A push button with a caption and an optional glyph, drawn flat.
class SpeedButton : public Control {
public:
    void Create(HWND parent, const std::wstring& caption, int left, int top, int width, int height,
                HFONT font);
    // Takes ownership of the bitmap.
    void SetGlyph(HBITMAP glyph);
    void Click();
    std::function<void()> OnClick;
    ~SpeedButton() override;

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    HBITMAP glyph_ = nullptr;
};

class CheckBox : public Control {
public:
    void Create(HWND parent, const std::wstring& caption, int left, int top, int width, int height,
                HFONT font);
    bool Checked() const;
};

} // namespace tk
