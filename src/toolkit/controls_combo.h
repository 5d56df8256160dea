// Combo boxes: a drop-down list or an editable box with auto-completion.
#pragma once

#include "common/core/line_list.h"
#include "toolkit/window.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tk {

// Combo box: a drop-down list (selection only) or an editable box with auto-completion.
// Items are ANSI lines as stored; the control shows them converted. The list can be long (a
// whole address history or site list), so the control's own list is filled only when it is
// first needed; until then the editable box browses the stored items with Up and Down itself.
class ComboBox : public Control {
public:
    enum class Kind { DropDownList, DropDown };
    // How a real editable box with a given font is laid out, for the stand-ins after it.
    struct Measures;
    void Create(HWND parent, Kind kind, int left, int top, int width, int dropHeight, HFONT font);

    const kv::LineList& Items() const { return items_; }
    // The list is shared with its other copies until one of them changes.
    void SetItems(kv::LineList items);
    void InsertItem(size_t position, std::string ansi);
    void MoveItemToFront(size_t index);
    int ItemIndex() const;
    void SetItemIndex(int index);
    // Drop-down list: the selected item's text; editable: the edit text.
    std::wstring Text() const;
    void SetText(const std::wstring& text);
    void SetItemHeight(int height);
    HWND EditHandle() const { return edit_; }
    // Entries shown by the control's list (filled when it is first needed: dropped down,
    // focused as a drop-down list, or an item selected).
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
    // An editable box first shows a stand-in with the real box's measures: an edit field and a
    // drawn drop button. The real box makes its drop-down list window at once, which costs many
    // times the edit field, and most boxes never drop down; it replaces the stand-in when its
    // list is first needed.
    void CreateReal(HWND parent, int left, int top, int width);
    void CreateStandIn(HWND parent, int left, int top, int width, const Measures& m);
    void BecomeReal();
    bool HandleStandInMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void PlaceStandInEdit();
    void PaintStandIn();
    bool standIn_ = false;
    int standInHeight_ = 0;
    RECT standInEdit_{};   // left, top, distance from the right edge, bottom
    RECT standInButton_{}; // the same
    int dropHeight_ = 0;
    int listItemHeight_ = -1; // for the list, given to the real box when it is made
    HFONT font_ = nullptr;
    void Complete();
    void FillList();
    void ResetList();
    // Up or Down in the editable box before its list is filled: the neighbouring stored item.
    void Browse(int step);
    kv::LineList items_;
    bool listFilled_ = false;
    HWND list_ = nullptr;
    int browsed_ = -1; // the item Up/Down last put into the box
    HWND edit_ = nullptr;
    Kind kind_ = Kind::DropDownList;
    bool deleting_ = false; // last key removed text: no completion for it
};

} // namespace tk
