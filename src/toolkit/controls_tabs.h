// Tab control: a strip of text tabs.
#pragma once

#include "toolkit/window.h"

#include <commctrl.h>

#include <functional>
#include <string>

namespace tk {

class TabControl : public Control {
public:
    void Create(HWND parent, int left, int top, int width, int height, HFONT font);
    int Count() const;
    void AddTab(const std::wstring& text);
    void DeleteTab(int index);
    std::wstring TabText(int index) const;
    void SetTabText(int index, const std::wstring& text);
    int TabIndex() const;
    void SetTabIndex(int index);
    // Height that shows one row of tabs and the line under them, without the page area.
    int IdealHeight() const;

    std::function<void()> OnChange;
    // Any mouse button released over the strip.
    std::function<void(int button, int x, int y)> OnMouseUp;

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

} // namespace tk
