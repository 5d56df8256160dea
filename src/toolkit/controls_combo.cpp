#include "toolkit/controls_combo.h"

#include "toolkit/controls_internal.h"
#include "toolkit/text.h"

#include <algorithm>

namespace tk {

namespace {

std::wstring ComboItemText(HWND combo, int index) {
    LRESULT n = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n == CB_ERR || n < 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(n == CB_ERR ? 0 : static_cast<size_t>(n));
    return text;
}

} // namespace

// ---- ComboBox

void ComboBox::Create(HWND parent, Kind kind, int left, int top, int width, int dropHeight,
                      HFONT font) {
    kind_ = kind;
    DWORD style =
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP |
        (kind == Kind::DropDownList ? CBS_DROPDOWNLIST : (CBS_DROPDOWN | CBS_AUTOHSCROLL));
    CreateControl(0, WC_COMBOBOXW, L"", style, left, top, width, dropHeight, parent);
    SetFont(font);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (GetComboBoxInfo(hwnd_, &info)) {
        list_ = info.hwndList;
        if (kind == Kind::DropDown && info.hwndItem != nullptr && info.hwndItem != hwnd_) {
            edit_ = info.hwndItem;
            Subclass(edit_, 1);
        }
    }
}

void ComboBox::SetItems(kv::LineList items) {
    items_ = std::move(items);
    ResetList();
}

void ComboBox::ResetList() {
    listFilled_ = false;
    browsed_ = -1;
    if (hwnd_ == nullptr) {
        return;
    }
    // Emptying the list may empty an editable box's text too (the system documents that it
    // does); the user's text and selection stay.
    const bool dropped = SendMessageW(hwnd_, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
    std::wstring text;
    DWORD selStart = 0;
    DWORD selEnd = 0;
    if (kind_ == Kind::DropDown) {
        text = detail::WindowText(hwnd_);
        SendMessageW(hwnd_, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&selStart),
                     reinterpret_cast<LPARAM>(&selEnd));
    }
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    if (!text.empty() && detail::WindowText(hwnd_) != text) {
        SetWindowTextW(hwnd_, text.c_str());
        SendMessageW(hwnd_, CB_SETEDITSEL, 0, MAKELPARAM(selStart, selEnd));
    }
    if (dropped || (kind_ == Kind::DropDownList && GetFocus() == hwnd_)) {
        FillList(); // its keys work on the list right away; an open list shows the new items
    }
}

void ComboBox::FillList() {
    if (listFilled_ || hwnd_ == nullptr) {
        return;
    }
    listFilled_ = true;
    const kv::LineList& items = items_;
    std::wstring text = kind_ == Kind::DropDown ? detail::WindowText(hwnd_) : std::wstring();
    // The drop-down list is a window of its own: it stops drawing too while it fills.
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    if (list_ != nullptr) {
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    }
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    size_t bytes = 0;
    for (std::string_view s : items) {
        bytes += (s.size() + 1) * sizeof(wchar_t);
    }
    // Straight to the list window: a message through the box's subclass costs a round trip to
    // the window server under some systems, far too many for a long list.
    if (list_ != nullptr) {
        SendMessageW(list_, LB_INITSTORAGE, items.size(), static_cast<LPARAM>(bytes));
        for (std::string_view s : items) {
            std::wstring w = FromAnsi(s);
            SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
        }
    } else {
        SendMessageW(hwnd_, CB_INITSTORAGE, items.size(), static_cast<LPARAM>(bytes));
        for (std::string_view s : items) {
            std::wstring w = FromAnsi(s);
            SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
        }
    }
    if (list_ != nullptr) {
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    }
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    if (kind_ == Kind::DropDown) {
        SetWindowTextW(hwnd_, text.c_str());
    }
}

void ComboBox::InsertItem(size_t position, std::string ansi) {
    if (position > items_.size()) {
        position = items_.size();
    }
    std::wstring w = listFilled_ ? FromAnsi(ansi) : std::wstring();
    items_.insert(position, ansi);
    browsed_ = -1;
    if (listFilled_) {
        SendMessageW(hwnd_, CB_INSERTSTRING, position, reinterpret_cast<LPARAM>(w.c_str()));
    }
}

void ComboBox::MoveItemToFront(size_t index) {
    if (index == 0 || index >= Items().size()) {
        return;
    }
    items_.move_to_front(index);
    browsed_ = -1;
    if (listFilled_) {
        std::wstring w = ComboItemText(hwnd_, static_cast<int>(index));
        SendMessageW(hwnd_, CB_DELETESTRING, index, 0);
        SendMessageW(hwnd_, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
    }
}

void ComboBox::Browse(int step) {
    const kv::LineList& items = items_;
    if (items.empty()) {
        return;
    }
    // Up/Down go on from the item in the box, as the control's own list would: the one last
    // browsed to while the text is still its, else the first item with the box's text.
    std::wstring text = detail::WindowText(hwnd_);
    int current = -1;
    if (browsed_ >= 0 && static_cast<size_t>(browsed_) < items.size() &&
        FromAnsi(items[static_cast<size_t>(browsed_)]) == text) {
        current = browsed_;
    } else if (!text.empty()) {
        std::string ansi = ToAnsi(text);
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i] == ansi && FromAnsi(items[i]) == text) {
                current = static_cast<int>(i);
                break;
            }
        }
    }
    int last = static_cast<int>(items.size()) - 1;
    int next = current < 0 ? 0 : std::max(0, std::min(last, current + step));
    if (next == current) {
        return;
    }
    std::wstring w = FromAnsi(items[static_cast<size_t>(next)]);
    SetWindowTextW(hwnd_, w.c_str());
    browsed_ = next;
    if (edit_ != nullptr) {
        SendMessageW(edit_, EM_SETSEL, 0, -1);
    }
    if (OnChange) {
        OnChange();
    }
}

int ComboBox::ListCount() const {
    return static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0));
}

int ComboBox::ItemIndex() const {
    LRESULT i = SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
    return i == CB_ERR ? -1 : static_cast<int>(i);
}

void ComboBox::SetItemIndex(int index) {
    if (index >= 0) {
        FillList();
    }
    SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::wstring ComboBox::Text() const {
    if (hwnd_ == nullptr) {
        return {};
    }
    if (kind_ == Kind::DropDownList) {
        int i = ItemIndex();
        return i < 0 ? std::wstring() : ComboItemText(hwnd_, i);
    }
    return detail::WindowText(hwnd_);
}

void ComboBox::SetText(const std::wstring& text) {
    if (hwnd_ == nullptr) {
        return;
    }
    if (kind_ == Kind::DropDownList) {
        FillList();
        LRESULT i = SendMessageW(hwnd_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(hwnd_, CB_SETCURSEL,
                     i == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(i), 0);
        return;
    }
    SetWindowTextW(hwnd_, text.c_str());
}

void ComboBox::SetItemHeight(int height) {
    SendMessageW(hwnd_, CB_SETITEMHEIGHT, 0, height);
}

namespace {

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// True when item begins with typed, letter case ignored.
bool BeginsWith(const std::wstring& item, const std::wstring& typed) {
    if (item.size() < typed.size()) {
        return false;
    }
    return CompareStringOrdinal(item.c_str(), static_cast<int>(typed.size()), typed.c_str(),
                                static_cast<int>(typed.size()), TRUE) == CSTR_EQUAL;
}

// The same for an ASCII item stored as ANSI bytes, without converting it.
bool AsciiBeginsWith(std::string_view item, const std::wstring& typed) {
    if (item.size() < typed.size()) {
        return false;
    }
    for (size_t i = 0; i < typed.size(); ++i) {
        if (FoldAscii(static_cast<wchar_t>(static_cast<unsigned char>(item[i]))) !=
            FoldAscii(typed[i])) {
            return false;
        }
    }
    return true;
}

bool IsAsciiText(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool IsAsciiText(const std::wstring& s) {
    for (wchar_t c : s) {
        if (c >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

void ComboBox::Complete() {
    const kv::LineList& items = items_;
    if (edit_ == nullptr || items.empty()) {
        return;
    }
    std::wstring typed = detail::WindowText(edit_);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    // Only while typing at the end of the text.
    if (typed.empty() || start != end || end != typed.size()) {
        return;
    }
    bool asciiTyped = IsAsciiText(typed);
    for (std::string_view item : items) {
        std::wstring wide;
        if (IsAsciiText(item)) {
            if (!asciiTyped || !AsciiBeginsWith(item, typed)) {
                continue;
            }
            wide.assign(item.begin(), item.end());
        } else {
            wide = FromAnsi(item);
            if (!BeginsWith(wide, typed)) {
                continue;
            }
        }
        if (wide.size() > typed.size()) {
            SetWindowTextW(edit_, wide.c_str());
            SendMessageW(edit_, EM_SETSEL, typed.size(), static_cast<LPARAM>(wide.size()));
        }
        return; // the first entry that begins with the text decides
    }
}

bool ComboBox::HandleMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg == CN_COMMAND) {
        switch (HIWORD(wParam)) {
        case CBN_DROPDOWN:
            FillList();
            break;
        case CBN_CLOSEUP:
            if (OnCloseUp) {
                OnCloseUp();
            }
            break;
        case CBN_EDITCHANGE:
        case CBN_SELCHANGE:
            if (OnChange) {
                OnChange();
            }
            break;
        default:
            break;
        }
        result = 0;
        return true;
    }
    if (msg == WM_SETFOCUS && kind_ == Kind::DropDownList) {
        // A focused drop-down list changes its selection with keys and the wheel without
        // dropping down: its items must be there from now on.
        FillList();
    }
    if ((msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && edit_ == nullptr && OnKeyDown) {
        OnKeyDown(static_cast<WORD>(wParam));
    }
    return false;
}

bool ComboBox::HandleChildMessage(UINT_PTR, HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                  LRESULT& result) {
    switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: // keys with Alt held
        deleting_ = wParam == VK_BACK || wParam == VK_DELETE;
        if (OnKeyDown) {
            OnKeyDown(static_cast<WORD>(wParam));
        }
        // Alt+Down stays the box's own: it opens the list.
        if (msg == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN) && !listFilled_ &&
            IsWindow(window)) {
            Browse(wParam == VK_UP ? -1 : 1);
            result = 0;
            return true;
        }
        return false; // the key is not consumed
    case WM_CHAR:
        if (wParam == L'\r' || wParam == L'\n') {
            result = 0; // Enter is a command here, not text (and no beep)
            return true;
        }
        result = DefaultMessage(window, msg, wParam, lParam);
        if (AutoComplete && !deleting_ && wParam >= 0x20 && wParam != 0x7F) {
            Complete();
        }
        deleting_ = false;
        return true;
    default:
        return false;
    }
}

} // namespace tk
