#include "toolkit/controls_combo.h"

#include "toolkit/controls_internal.h"
#include "toolkit/text.h"

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
    if (kind == Kind::DropDown && GetComboBoxInfo(hwnd_, &info) && info.hwndItem != nullptr &&
        info.hwndItem != hwnd_) {
        edit_ = info.hwndItem;
        Subclass(edit_, 1);
    }
}

void ComboBox::SetItems(std::vector<std::string> items) {
    items_ = std::move(items);
    listFilled_ = false;
    if (kind_ == Kind::DropDownList) {
        FillList();
    } else {
        // An address box's list can hold a long history; it is filled when it first drops
        // down, so that opening a window does not wait for it.
        SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    }
}

void ComboBox::FillList() {
    if (listFilled_ || hwnd_ == nullptr) {
        return;
    }
    listFilled_ = true;
    std::wstring text = kind_ == Kind::DropDown ? detail::WindowText(hwnd_) : std::wstring();
    // The drop-down list is a window of its own: it stops drawing too while it fills.
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    HWND list = GetComboBoxInfo(hwnd_, &info) ? info.hwndList : nullptr;
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    if (list != nullptr) {
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    }
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    size_t bytes = 0;
    for (const auto& s : items_) {
        bytes += (s.size() + 1) * sizeof(wchar_t);
    }
    SendMessageW(hwnd_, CB_INITSTORAGE, items_.size(), bytes);
    for (const auto& s : items_) {
        std::wstring w = FromAnsi(s);
        SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
    }
    if (list != nullptr) {
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
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
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), std::move(ansi));
    if (listFilled_) {
        SendMessageW(hwnd_, CB_INSERTSTRING, position, reinterpret_cast<LPARAM>(w.c_str()));
    }
}

void ComboBox::MoveItemToFront(size_t index) {
    if (index == 0 || index >= items_.size()) {
        return;
    }
    std::string s = std::move(items_[index]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    items_.insert(items_.begin(), std::move(s));
    if (listFilled_) {
        std::wstring w = ComboItemText(hwnd_, static_cast<int>(index));
        SendMessageW(hwnd_, CB_DELETESTRING, index, 0);
        SendMessageW(hwnd_, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
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
bool AsciiBeginsWith(const std::string& item, const std::wstring& typed) {
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

bool IsAsciiText(const std::string& s) {
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
    if (edit_ == nullptr || items_.empty()) {
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
    for (const std::string& item : items_) {
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
    if (msg == WM_KEYDOWN && edit_ == nullptr && OnKeyDown) {
        OnKeyDown(static_cast<WORD>(wParam));
    }
    return false;
}

bool ComboBox::HandleChildMessage(UINT_PTR, HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                  LRESULT& result) {
    switch (msg) {
    case WM_KEYDOWN:
        deleting_ = wParam == VK_BACK || wParam == VK_DELETE;
        if (OnKeyDown) {
            OnKeyDown(static_cast<WORD>(wParam));
        }
        return false; // the key is not consumed
    case WM_CHAR:
        if (wParam == L'\r' || wParam == L'\n') {
            result = 0; // Enter is a command here, not text (and no beep)
            return true;
        }
        result = DefSubclassProc(window, msg, wParam, lParam);
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
