// Bars: cool bar (rebar), tool bar, status bar and progress bar.
#pragma once

#include "toolkit/window.h"
#include "toolkit/controls_actions.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace tk {

class CoolBar : public Control {
public:
    // A rebar that sizes itself to its bands, with band borders and variable heights.
    void Create(HWND parent, UINT id = 0, bool visible = true);
    // Appends a band holding child; returns its index.
    int AddBand(HWND child, const std::wstring& text, int minWidth, int minHeight, int width,
                bool visible = true);
    int BandCount() const;
    void ShowBand(int index, bool visible);
    // New sizes for a band, as in AddBand (a change of scale); order and visibility stay.
    void SetBandSizes(int index, int minWidth, int minHeight, int width);
    bool BandVisible(int index) const;
    // Height of the bar (0 when hidden).
    int Height() const;
    // Position of a band's child in the bar's client coordinates.
    POINT ChildPosition(int index) const;
    // Moves the band so that its child lands at left, top: the row is chosen by top, the
    // order and width of the bands before it by left.
    void SetChildPosition(int index, int left, int top);
    // Lays the bar out across its parent's width.
    void Resize(int parentWidth);
    std::function<void()> OnHeightChange;

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    int IndexOfChild(HWND child) const;
    std::vector<HWND> bandChildren_;
};

class ToolBar : public Control {
public:
    struct Options {
        int buttonWidth = 0; // 0: the bar's default
        int buttonHeight = 0;
        bool flat = true;
        bool transparent = false;
        bool wrapable = false;
        bool list = false; // text beside the images
        bool tooltips = true;
    };
    void Create(HWND parent, const Options& options);
    void SetImages(HIMAGELIST images, HIMAGELIST hotImages);
    // Appends a button; returns its command id.
    int AddButton(int imageIndex, std::function<void()> onClick, const std::wstring& hint = {},
                  bool autoSize = false);
    // A button that shows the action's image, follows its enabled state and executes it.
    int AddActionButton(Action& action, bool autoSize = false);
    void AddSeparator(int width);
    // Places a control over a separator of the given width; the bar keeps it in place.
    void AddControl(Control& control, int width);
    void AddControl(HWND control, int width);
    void SetButtonImage(int id, int imageIndex);
    int ButtonImage(int id) const;
    bool ButtonEnabled(int id) const;
    void SetButtonEnabled(int id, bool enabled);
    // A click on the button as the user makes it: nothing when it is disabled.
    void ClickButton(int id);
    SIZE IdealSize() const;

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct Item {
        int id;
        std::function<void()> onClick;
        std::wstring hint;
        HWND control = nullptr;
    };
    void PlaceControls();
    Item* FindItem(int id);
    std::vector<Item> items_;
};

class StatusBar : public Control {
public:
    // widths: one per panel; the last panel always reaches the right end. Widths and height
    // are design pixels at 96 DPI, drawn for dpi (0: the screen of the parent).
    void Create(HWND parent, const std::vector<int>& widths, int height, HFONT font, UINT dpi = 0);
    // Panel widths and height for a screen of dpi dots per inch.
    void ApplyDpi(UINT dpi);
    void SetPanelText(int panel, const std::wstring& text);
    std::wstring PanelText(int panel) const;
    int PanelCount() const { return static_cast<int>(widths_.size()); }
    int Height() const;
    // Follows the parent's size (call from the parent's layout).
    void Resize();

private:
    std::vector<int> widths_;
    std::vector<std::wstring> texts_;
    int height_ = 0;
};

class ProgressBar : public Control {
public:
    void Create(HWND parent, int left, int top, int width, int height);
    void SetRange(int low, int high);
    // The bar clamps the position to its range.
    void SetPosition(int position);
    int Position() const;
};

} // namespace tk
