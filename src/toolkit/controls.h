// Wrapped controls: image lists, cool bar, tool bar, tab control, combo boxes, edit, status
// bar, progress bar, buttons, panels, and actions with idle updates.
#pragma once

#include "toolkit/window.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace tk {

class ImageList {
public:
    ImageList() = default;
    ImageList(int width, int height, int initialCount);
    ImageList(ImageList&& other) noexcept;
    ImageList& operator=(ImageList&& other) noexcept;
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;
    ~ImageList();
    HIMAGELIST Handle() const { return list_; }
    int Count() const;
    // Adds a 32-bit top-down picture with alpha (width*height pixels, 0xAARRGGBB).
    int AddPixels(const std::vector<UINT32>& pixels);

private:
    HIMAGELIST list_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// An action: caption, image, enabled state and a command, shared by the controls bound to it.
class Action {
public:
    Action() = default;
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;

    std::wstring Caption;
    int ImageIndex = -1;
    std::function<void()> OnExecute;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Runs OnExecute (whatever the enabled state: callers check it, as a button does).
    void Execute();
    // Called with the new state whenever it changes.
    void AddEnabledObserver(std::function<void(bool)> observer);

private:
    bool enabled_ = true;
    std::vector<std::function<void(bool)>> observers_;
};

// Runs OnUpdate each time the application becomes idle, while the list lives.
class ActionList {
public:
    ActionList() = default;
    ActionList(const ActionList&) = delete;
    ActionList& operator=(const ActionList&) = delete;
    ~ActionList();
    void Start();
    void Stop();
    std::function<void()> OnUpdate;

private:
    int idleId_ = 0;
};

// A container child window without a border; its size changes are reported to OnResize.
class Panel : public Window {
public:
    void Create(HWND parent, int left, int top, int width, int height);
    std::function<void(int width, int height)> OnResize;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

class CoolBar : public Control {
public:
    // A rebar that sizes itself to its bands, with band borders and variable heights.
    void Create(HWND parent, UINT id = 0);
    // Appends a band holding child; returns its index.
    int AddBand(HWND child, const std::wstring& text, int minWidth, int minHeight, int width,
                bool visible = true);
    int BandCount() const;
    void ShowBand(int index, bool visible);
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
    // Height that shows one row of tabs.
    int IdealHeight() const;

    std::function<void()> OnChange;
    // Any mouse button released over the strip.
    std::function<void(int button, int x, int y)> OnMouseUp;

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// Combo box: a drop-down list (selection only) or an editable box with auto-completion.
// Items are ANSI lines as stored; the control shows them converted.
class ComboBox : public Control {
public:
    enum class Kind { DropDownList, DropDown };
    void Create(HWND parent, Kind kind, int left, int top, int width, int dropHeight, HFONT font);

    const std::vector<std::string>& Items() const { return items_; }
    void SetItems(std::vector<std::string> items);
    void InsertItem(size_t position, std::string ansi);
    void MoveItemToFront(size_t index);
    int ItemIndex() const;
    void SetItemIndex(int index);
    // Drop-down list: the selected item's text; editable: the edit text.
    std::wstring Text() const;
    void SetText(const std::wstring& text);
    void SetItemHeight(int height);
    HWND EditHandle() const { return edit_; }
    // Entries shown by the control's list (filled when it first drops down).
    int ListCount() const;

    // Completion from the first item that begins with the typed text, ignoring case.
    bool AutoComplete = true;
    std::function<void()> OnCloseUp;
    std::function<void()> OnChange;
    // Key pressed in the box (not consumed).
    std::function<void(WORD key)> OnKeyDown;

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool HandleChildMessage(UINT_PTR part, HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                            LRESULT& result) override;

private:
    void Complete();
    void FillList();
    std::vector<std::string> items_;
    bool listFilled_ = false;
    HWND edit_ = nullptr;
    Kind kind_ = Kind::DropDownList;
    bool deleting_ = false; // last key removed text: no completion for it
};

class Edit : public Control {
public:
    void Create(HWND parent, int left, int top, int width, int height, HFONT font);
    std::wstring Text() const;
    void SetText(const std::wstring& text);
};

class StatusBar : public Control {
public:
    // widths: one per panel; the last panel always reaches the right end.
    void Create(HWND parent, const std::vector<int>& widths, int height, HFONT font);
    void SetPanelText(int panel, const std::wstring& text);
    std::wstring PanelText(int panel) const;
    int PanelCount() const { return static_cast<int>(widths_.size()); }
    int Height() const;
    // Follows the parent's size (call from the parent's layout).
    void Resize();

private:
    std::vector<int> widths_;
    std::vector<std::wstring> texts_;
};

class ProgressBar : public Control {
public:
    void Create(HWND parent, int left, int top, int width, int height);
    void SetRange(int low, int high);
    // The bar clamps the position to its range.
    void SetPosition(int position);
    int Position() const;
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
