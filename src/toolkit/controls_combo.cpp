#include "toolkit/controls_combo.h"

#include "toolkit/controls_internal.h"
#include "toolkit/system_library.h"
#include "toolkit/text.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <cstring>
#include <vector>

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

// What a real editable box looks like with a given font: its closed height, the place of its
// edit field and of its drop button (right edges as distances from the right edge of the
// client area), its border styles and its edit field's style and margins.
struct ComboBox::Measures {
    LOGFONTW font{};
    int height = 0;
    RECT edit{};
    RECT button{};
    DWORD borderStyle = 0;
    DWORD borderExStyle = 0;
    DWORD editStyle = 0;
    DWORD editExStyle = 0;
    LRESULT editMargins = 0;
};

namespace {

constexpr const wchar_t* kStandInClass = L"tkComboStandIn";

std::vector<ComboBox::Measures>& MeasuresCache() {
    static std::vector<ComboBox::Measures> cache;
    return cache;
}

bool FontOf(HFONT font, LOGFONTW& lf) {
    lf = LOGFONTW{};
    return font != nullptr && GetObjectW(font, sizeof(lf), &lf) == sizeof(lf);
}

const ComboBox::Measures* FindMeasures(HFONT font) {
    LOGFONTW lf{};
    if (!FontOf(font, lf)) {
        return nullptr;
    }
    for (const ComboBox::Measures& m : MeasuresCache()) {
        if (std::memcmp(&m.font, &lf, sizeof(lf)) == 0) {
            return &m;
        }
    }
    return nullptr;
}

// The right edge turned into a distance from the right edge of a client area `width` wide, and
// back: the stand-in's field and button keep their distance from the right as the box widens.
RECT MirrorRight(RECT r, int width) {
    r.right = width - r.right;
    return r;
}

// Both edges so: the button keeps its place at the right end.
RECT MirrorBoth(RECT r, int width) {
    r.left = width - r.left;
    r.right = width - r.right;
    return r;
}

void RegisterStandInClass() {
    static bool done = false;
    if (done) {
        return;
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = Application::Instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kStandInClass;
    RegisterClassW(&wc);
    done = true;
}

} // namespace

void ComboBox::Create(HWND parent, Kind kind, int left, int top, int width, int dropHeight,
                      HFONT font) {
    kind_ = kind;
    dropHeight_ = dropHeight;
    font_ = font;
    const Measures* m = kind == Kind::DropDown ? FindMeasures(font) : nullptr;
    if (m != nullptr) {
        CreateStandIn(parent, left, top, width, *m);
    } else {
        CreateReal(parent, left, top, width);
    }
}

void ComboBox::CreateReal(HWND parent, int left, int top, int width) {
    DWORD style =
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP |
        (kind_ == Kind::DropDownList ? CBS_DROPDOWNLIST : (CBS_DROPDOWN | CBS_AUTOHSCROLL));
    CreateControl(0, WC_COMBOBOXW, L"", style, left, top, width, dropHeight_, parent);
    SetFont(font_);
    if (listItemHeight_ >= 0) {
        SendMessageW(hwnd_, CB_SETITEMHEIGHT, 0, listItemHeight_);
    }
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (GetComboBoxInfo(hwnd_, &info)) {
        list_ = info.hwndList;
        if (kind_ == Kind::DropDown && info.hwndItem != nullptr && info.hwndItem != hwnd_) {
            edit_ = info.hwndItem;
            Subclass(edit_, 1);
            // The first real box with this font gives the measures of the stand-ins after it.
            Measures m{};
            RECT client{};
            RECT box{};
            RECT field{};
            if (FindMeasures(font_) == nullptr && FontOf(font_, m.font) &&
                GetClientRect(hwnd_, &client) && GetWindowRect(hwnd_, &box) &&
                GetWindowRect(edit_, &field)) {
                MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&field), 2);
                m.height = box.bottom - box.top;
                m.edit = MirrorRight(field, client.right);
                m.button = MirrorBoth(info.rcButton, client.right);
                m.borderStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)) &
                                (WS_BORDER | WS_DLGFRAME);
                m.borderExStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)) &
                                  (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE);
                m.editStyle = static_cast<DWORD>(GetWindowLongPtrW(edit_, GWL_STYLE)) &
                              ~static_cast<DWORD>(WS_DISABLED | WS_TABSTOP);
                m.editExStyle = static_cast<DWORD>(GetWindowLongPtrW(edit_, GWL_EXSTYLE));
                m.editMargins = SendMessageW(edit_, EM_GETMARGINS, 0, 0);
                MeasuresCache().push_back(m);
            }
        }
    }
}

void ComboBox::CreateStandIn(HWND parent, int left, int top, int width, const Measures& m) {
    RegisterStandInClass();
    standIn_ = true;
    standInHeight_ = m.height;
    standInEdit_ = m.edit;
    standInButton_ = m.button;
    CreateControl(m.borderExStyle | WS_EX_NOPARENTNOTIFY, kStandInClass, L"",
                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | m.borderStyle, left, top,
                  width, m.height, parent);
    RECT client{};
    GetClientRect(hwnd_, &client);
    RECT e = MirrorRight(m.edit, client.right);
    edit_ = CreateWindowExW(m.editExStyle, WC_EDITW, L"", m.editStyle | WS_CHILD | WS_VISIBLE,
                            e.left, e.top, e.right - e.left, e.bottom - e.top, hwnd_, nullptr,
                            Application::Instance(), nullptr);
    if (edit_ == nullptr) {
        // Without its field the stand-in is of no use: the real box it is, then.
        HWND standIn = hwnd_;
        hwnd_ = nullptr;
        standIn_ = false;
        CreateReal(parent, left, top, width);
        DestroyWindow(standIn);
        return;
    }
    SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageW(edit_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, m.editMargins);
    Subclass(edit_, 1);
}

void ComboBox::PlaceStandInEdit() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    RECT e = MirrorRight(standInEdit_, client.right);
    SetWindowPos(edit_, nullptr, e.left, e.top, e.right - e.left, e.bottom - e.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ComboBox::PaintStandIn() {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client{};
    GetClientRect(hwnd_, &client);
    const bool enabled = IsWindowEnabled(hwnd_) != FALSE;
    FillRect(dc, &client, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    RECT button = MirrorBoth(standInButton_, client.right);
    using OpenFn = HTHEME(WINAPI*)(HWND, LPCWSTR);
    using DrawFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
    using CloseFn = HRESULT(WINAPI*)(HTHEME);
    static const auto open = SystemFunction<OpenFn>(L"uxtheme.dll", "OpenThemeData");
    static const auto draw = SystemFunction<DrawFn>(L"uxtheme.dll", "DrawThemeBackground");
    static const auto close = SystemFunction<CloseFn>(L"uxtheme.dll", "CloseThemeData");
    HTHEME theme =
        open != nullptr && draw != nullptr && close != nullptr ? open(hwnd_, L"COMBOBOX") : nullptr;
    if (theme != nullptr) {
        // The frame around the whole box, then its button, as the visual style draws the box.
        draw(theme, dc, 0, enabled ? CBXS_NORMAL : CBXS_DISABLED, &client, nullptr);
        draw(theme, dc, CP_DROPDOWNBUTTON, enabled ? CBXS_NORMAL : CBXS_DISABLED, &button, nullptr);
        close(theme);
    } else {
        DrawFrameControl(dc, &button, DFC_SCROLL,
                         DFCS_SCROLLCOMBOBOX | (enabled ? 0u : static_cast<UINT>(DFCS_INACTIVE)));
    }
    EndPaint(hwnd_, &ps);
}

void ComboBox::BecomeReal() {
    if (!standIn_) {
        return;
    }
    HWND standIn = hwnd_;
    HWND field = edit_;
    const bool focused = GetFocus() == field;
    std::wstring text = detail::WindowText(field);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    const bool visible = (GetWindowLongPtrW(standIn, GWL_STYLE) & WS_VISIBLE) != 0;
    const bool enabled = IsWindowEnabled(standIn) != FALSE;
    RECT r = BoundsInParent();
    HWND parent = GetParent(standIn);
    hwnd_ = nullptr;
    edit_ = nullptr;
    standIn_ = false;
    try {
        CreateReal(parent, r.left, r.top, r.right - r.left);
    } catch (...) {
        hwnd_ = standIn; // the stand-in stays, as it was
        edit_ = field;
        standIn_ = true;
        throw;
    }
    // In the stand-in's place among its siblings (the order the Tab key follows).
    SetWindowPos(hwnd_, standIn, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!visible) {
        ShowWindow(hwnd_, SW_HIDE);
    }
    if (!enabled) {
        EnableWindow(hwnd_, FALSE);
    }
    if (!text.empty()) {
        SetWindowTextW(hwnd_, text.c_str());
    }
    SendMessageW(hwnd_, CB_SETEDITSEL, 0, MAKELPARAM(start, end));
    if (focused && edit_ != nullptr) {
        ::SetFocus(edit_);
    }
    DestroyWindow(standIn);
}

bool ComboBox::HandleStandInMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_PAINT:
        PaintStandIn();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1; // all of it is painted by WM_PAINT
        return true;
    case WM_WINDOWPOSCHANGING: {
        // The height given is the dropped-down list's, as for the real box; closed, the box
        // keeps its own.
        auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
        if ((wp->flags & SWP_NOSIZE) == 0) {
            dropHeight_ = wp->cy;
            wp->cy = standInHeight_;
        }
        return false;
    }
    case WM_SIZE:
        PlaceStandInEdit();
        InvalidateRect(hwnd_, nullptr, FALSE);
        return false;
    case WM_SETFOCUS:
        ::SetFocus(edit_);
        result = 0;
        return true;
    case WM_ENABLE:
        EnableWindow(edit_, static_cast<BOOL>(wParam));
        InvalidateRect(hwnd_, nullptr, FALSE);
        return false;
    case WM_SETFONT:
        if (reinterpret_cast<HFONT>(wParam) != font_) {
            // Another font has other measures: the real box takes it.
            BecomeReal();
            result = SendMessageW(hwnd_, msg, wParam, lParam);
        } else {
            result = 0;
        }
        return true;
    case WM_GETFONT:
        result = reinterpret_cast<LRESULT>(font_);
        return true;
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        result = SendMessageW(edit_, msg, wParam, lParam);
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        RECT client{};
        GetClientRect(hwnd_, &client);
        RECT button = MirrorBoth(standInButton_, client.right);
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (!PtInRect(&button, at)) {
            ::SetFocus(edit_);
            result = 0;
            return true;
        }
        // The real box takes the click as its own: it opens its list and follows the mouse.
        BecomeReal();
        result = SendMessageW(hwnd_, msg, wParam, lParam);
        return true;
    }
    // What a box without its list answers itself.
    case CB_GETDROPPEDSTATE:
    case CB_GETCOUNT:
    case CB_RESETCONTENT:
        result = 0;
        return true;
    case CB_GETCURSEL:
        result = CB_ERR;
        return true;
    case CB_GETEDITSEL:
        result = SendMessageW(edit_, EM_GETSEL, wParam, lParam);
        return true;
    case CB_SETEDITSEL: {
        const short from = static_cast<short>(LOWORD(lParam));
        const short to = static_cast<short>(HIWORD(lParam));
        SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(from), static_cast<LPARAM>(to));
        result = TRUE;
        return true;
    }
    case CB_SETITEMHEIGHT:
        if (static_cast<int>(wParam) >= 0) {
            listItemHeight_ = static_cast<int>(lParam);
            result = 0;
            return true;
        }
        break;
    default:
        break;
    }
    if (msg >= CB_GETEDITSEL && msg < CB_MSGMAX) {
        // Everything else is the real box's.
        BecomeReal();
        result = SendMessageW(hwnd_, msg, wParam, lParam);
        return true;
    }
    return false;
}

void ComboBox::SetItems(kv::LineList items) {
    items_ = std::move(items);
    ResetList();
}

void ComboBox::ResetList() {
    listFilled_ = false;
    browsed_ = -1;
    if (hwnd_ == nullptr || standIn_) {
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
    BecomeReal();
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
    listItemHeight_ = height;
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

bool ComboBox::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (standIn_) {
        return HandleStandInMessage(msg, wParam, lParam, result);
    }
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
        // The keys that open the list make the real box of a stand-in, which then opens it.
        if (standIn_ && IsWindow(window) &&
            ((msg == WM_KEYDOWN && wParam == VK_F4) ||
             (msg == WM_SYSKEYDOWN && (wParam == VK_DOWN || wParam == VK_UP)))) {
            BecomeReal();
            SendMessageW(hwnd_, CB_SHOWDROPDOWN, TRUE, 0);
            result = 0;
            return true;
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
