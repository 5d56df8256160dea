#include "toolkit/controls.h"

#include "toolkit/error.h"
#include "toolkit/text.h"

#include <algorithm>

namespace tk {
namespace {

constexpr const wchar_t* kPanelClass = L"tkPanel";

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

std::wstring WindowText(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(h, text.data(), n + 1);
    text.resize(static_cast<size_t>(n < 0 ? 0 : n));
    return text;
}

} // namespace

// ---- ImageList

ImageList::ImageList(int width, int height, int initialCount) : width_(width), height_(height) {
    list_ = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, initialCount, 4);
    if (list_ == nullptr) {
        throw Error(L"Could not create an image list");
    }
}

ImageList::ImageList(ImageList&& other) noexcept
    : list_(other.list_), width_(other.width_), height_(other.height_) {
    other.list_ = nullptr;
}

ImageList& ImageList::operator=(ImageList&& other) noexcept {
    if (this != &other) {
        if (list_ != nullptr) {
            ImageList_Destroy(list_);
        }
        list_ = other.list_;
        width_ = other.width_;
        height_ = other.height_;
        other.list_ = nullptr;
    }
    return *this;
}

ImageList::~ImageList() {
    if (list_ != nullptr) {
        ImageList_Destroy(list_);
    }
}

int ImageList::Count() const {
    return list_ == nullptr ? 0 : ImageList_GetImageCount(list_);
}

int ImageList::AddPixels(const std::vector<UINT32>& pixels) {
    if (list_ == nullptr || pixels.size() != static_cast<size_t>(width_) * height_) {
        throw Error(L"Picture does not fit the image list");
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (color == nullptr) {
        ThrowLastError();
    }
    // Alpha premultiplied, as the 32-bit image list draws it; the mask covers systems that
    // draw without alpha.
    auto* dst = static_cast<UINT32*>(bits);
    std::vector<BYTE> maskBits(static_cast<size_t>((width_ + 15) / 16 * 2) * height_, 0);
    int stride = (width_ + 15) / 16 * 2;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            UINT32 p = pixels[static_cast<size_t>(y) * width_ + x];
            UINT32 a = p >> 24;
            UINT32 r = ((p >> 16) & 0xFF) * a / 255;
            UINT32 g = ((p >> 8) & 0xFF) * a / 255;
            UINT32 b = (p & 0xFF) * a / 255;
            dst[static_cast<size_t>(y) * width_ + x] = (a << 24) | (r << 16) | (g << 8) | b;
            if (a < 128) {
                maskBits[static_cast<size_t>(y) * stride + x / 8] |=
                    static_cast<BYTE>(0x80 >> (x % 8));
            }
        }
    }
    HBITMAP mask = CreateBitmap(width_, height_, 1, 1, maskBits.data());
    int index = ImageList_Add(list_, color, mask);
    DeleteObject(color);
    if (mask != nullptr) {
        DeleteObject(mask);
    }
    if (index < 0) {
        throw Error(L"Could not add a picture to an image list");
    }
    return index;
}

// ---- Action

void Action::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    auto observers = observers_;
    for (auto& o : observers) {
        o(enabled);
    }
}

void Action::Execute() {
    if (OnExecute) {
        OnExecute();
    }
}

void Action::AddEnabledObserver(std::function<void(bool)> observer) {
    observers_.push_back(std::move(observer));
}

// ---- ActionList

ActionList::~ActionList() {
    Stop();
}

void ActionList::Start() {
    if (idleId_ == 0) {
        idleId_ = Application::AddIdleHandler([this] {
            if (OnUpdate) {
                OnUpdate();
            }
        });
    }
}

void ActionList::Stop() {
    if (idleId_ != 0) {
        Application::RemoveIdleHandler(idleId_);
        idleId_ = 0;
    }
}

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

// ---- CoolBar

void CoolBar::Create(HWND parent, UINT id) {
    CreateControl(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, L"",
                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                      RBS_BANDBORDERS | RBS_AUTOSIZE | CCS_NODIVIDER | CCS_TOP,
                  0, 0, 0, 0, parent, id);
    REBARINFO ri{};
    ri.cbSize = sizeof(ri);
    SendMessageW(hwnd_, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&ri));
}

int CoolBar::AddBand(HWND child, const std::wstring& text, int minWidth, int minHeight, int width,
                     bool visible) {
    REBARBANDINFOW rb{};
    rb.cbSize = sizeof(rb);
    rb.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID |
               (text.empty() ? 0 : RBBIM_TEXT);
    rb.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | (visible ? 0 : RBBS_HIDDEN);
    rb.hwndChild = child;
    rb.cxMinChild = static_cast<UINT>(minWidth);
    rb.cyMinChild = static_cast<UINT>(minHeight);
    rb.cx = static_cast<UINT>(width);
    rb.wID = static_cast<UINT>(bandChildren_.size() + 1);
    std::wstring t = text;
    rb.lpText = t.empty() ? nullptr : t.data();
    if (!SendMessageW(hwnd_, RB_INSERTBANDW, static_cast<WPARAM>(-1),
                      reinterpret_cast<LPARAM>(&rb))) {
        throw Error(L"Could not add a band to the cool bar");
    }
    bandChildren_.push_back(child);
    return static_cast<int>(bandChildren_.size()) - 1;
}

int CoolBar::BandCount() const {
    return static_cast<int>(bandChildren_.size());
}

int CoolBar::IndexOfChild(HWND child) const {
    int n = static_cast<int>(SendMessageW(hwnd_, RB_GETBANDCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        REBARBANDINFOW rb{};
        rb.cbSize = sizeof(rb);
        rb.fMask = RBBIM_CHILD;
        if (SendMessageW(hwnd_, RB_GETBANDINFOW, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&rb)) &&
            rb.hwndChild == child) {
            return i;
        }
    }
    return -1;
}

void CoolBar::ShowBand(int index, bool visible) {
    if (index < 0 || index >= BandCount()) {
        return;
    }
    int i = IndexOfChild(bandChildren_[static_cast<size_t>(index)]);
    if (i >= 0) {
        SendMessageW(hwnd_, RB_SHOWBAND, static_cast<WPARAM>(i), visible ? TRUE : FALSE);
    }
}

bool CoolBar::BandVisible(int index) const {
    if (index < 0 || index >= BandCount()) {
        return false;
    }
    int i = IndexOfChild(bandChildren_[static_cast<size_t>(index)]);
    REBARBANDINFOW rb{};
    rb.cbSize = sizeof(rb);
    rb.fMask = RBBIM_STYLE;
    if (i < 0 || !SendMessageW(hwnd_, RB_GETBANDINFOW, static_cast<WPARAM>(i),
                               reinterpret_cast<LPARAM>(&rb))) {
        return false;
    }
    return (rb.fStyle & RBBS_HIDDEN) == 0;
}

int CoolBar::Height() const {
    if (!Visible()) {
        return 0;
    }
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r.bottom - r.top;
}

POINT CoolBar::ChildPosition(int index) const {
    POINT p{0, 0};
    if (index < 0 || index >= BandCount()) {
        return p;
    }
    RECT r{};
    GetWindowRect(bandChildren_[static_cast<size_t>(index)], &r);
    p.x = r.left;
    p.y = r.top;
    ScreenToClient(hwnd_, &p);
    return p;
}

void CoolBar::SetChildPosition(int index, int left, int top) {
    if (index < 0 || index >= BandCount()) {
        return;
    }
    HWND child = bandChildren_[static_cast<size_t>(index)];
    int i = IndexOfChild(child);
    if (i < 0) {
        return;
    }
    // The row: a top below the first row's middle puts the band on a row of its own.
    RECT first{};
    SendMessageW(hwnd_, RB_GETRECT, 0, reinterpret_cast<LPARAM>(&first));
    bool ownRow = top > (first.top + first.bottom) / 2;
    // Left of every other band's child: the band goes first in its row.
    if (!ownRow && i > 0) {
        for (int k = 0; k < BandCount(); ++k) {
            if (k != index && left < ChildPosition(k).x) {
                SendMessageW(hwnd_, RB_MOVEBAND, static_cast<WPARAM>(i), 0);
                i = 0;
                break;
            }
        }
    }
    REBARBANDINFOW rb{};
    rb.cbSize = sizeof(rb);
    rb.fMask = RBBIM_STYLE;
    SendMessageW(hwnd_, RB_GETBANDINFOW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rb));
    UINT style = ownRow ? (rb.fStyle | RBBS_BREAK) : (rb.fStyle & ~static_cast<UINT>(RBBS_BREAK));
    if (style != rb.fStyle) {
        rb.fStyle = style;
        SendMessageW(hwnd_, RB_SETBANDINFOW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rb));
    }
    if (ownRow || i == 0) {
        return;
    }
    // Within the row the band starts where the band before it ends: widen or narrow that one
    // until the child lands at left (the layout may round, so a few rounds).
    for (int round = 0; round < 4; ++round) {
        int delta = left - ChildPosition(index).x;
        if (delta == 0) {
            break;
        }
        REBARBANDINFOW prev{};
        prev.cbSize = sizeof(prev);
        prev.fMask = RBBIM_SIZE;
        SendMessageW(hwnd_, RB_GETBANDINFOW, static_cast<WPARAM>(i - 1),
                     reinterpret_cast<LPARAM>(&prev));
        int cx = static_cast<int>(prev.cx) + delta;
        prev.cx = static_cast<UINT>(cx < 0 ? 0 : cx);
        SendMessageW(hwnd_, RB_SETBANDINFOW, static_cast<WPARAM>(i - 1),
                     reinterpret_cast<LPARAM>(&prev));
    }
}

void CoolBar::Resize(int parentWidth) {
    if (hwnd_ == nullptr) {
        return;
    }
    RECT r{};
    GetWindowRect(hwnd_, &r);
    SetWindowPos(hwnd_, nullptr, 0, 0, parentWidth, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(hwnd_, WM_SIZE, 0, 0);
}

bool CoolBar::HandleMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg == CN_NOTIFY) {
        auto* h = reinterpret_cast<const NMHDR*>(lParam);
        if (h->code == RBN_HEIGHTCHANGE && OnHeightChange) {
            OnHeightChange();
        }
        result = 0;
        return true;
    }
    return false;
}

// ---- ToolBar

void ToolBar::Create(HWND parent, const Options& o) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | CCS_NODIVIDER |
                  CCS_NORESIZE | CCS_NOPARENTALIGN | (o.flat ? TBSTYLE_FLAT : 0) |
                  (o.transparent ? TBSTYLE_TRANSPARENT : 0) | (o.wrapable ? TBSTYLE_WRAPABLE : 0) |
                  (o.list ? TBSTYLE_LIST : 0) | (o.tooltips ? TBSTYLE_TOOLTIPS : 0);
    CreateControl(0, TOOLBARCLASSNAMEW, L"", style, 0, 0, 100, 30, parent);
    SendMessageW(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    if (o.buttonWidth > 0 && o.buttonHeight > 0) {
        SendMessageW(hwnd_, TB_SETBUTTONSIZE, 0, MAKELPARAM(o.buttonWidth, o.buttonHeight));
    }
}

void ToolBar::SetImages(HIMAGELIST images, HIMAGELIST hotImages) {
    SendMessageW(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    if (hotImages != nullptr) {
        SendMessageW(hwnd_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hotImages));
    }
}

int ToolBar::AddButton(int imageIndex, std::function<void()> onClick, const std::wstring& hint,
                       bool autoSize) {
    int id = static_cast<int>(items_.size()) + 1;
    TBBUTTON b{};
    b.iBitmap = imageIndex;
    b.idCommand = id;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = static_cast<BYTE>(BTNS_BUTTON | (autoSize ? BTNS_AUTOSIZE : 0));
    b.iString = -1;
    if (!SendMessageW(hwnd_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&b))) {
        throw Error(L"Could not add a tool bar button");
    }
    items_.push_back(Item{id, std::move(onClick), hint, nullptr});
    PlaceControls();
    return id;
}

int ToolBar::AddActionButton(Action& action, bool autoSize) {
    Action* a = &action;
    int id = AddButton(
        action.ImageIndex, [a] { a->Execute(); }, action.Caption, autoSize);
    SetButtonEnabled(id, action.Enabled());
    action.AddEnabledObserver([this, id](bool enabled) { SetButtonEnabled(id, enabled); });
    return id;
}

void ToolBar::AddSeparator(int width) {
    int id = static_cast<int>(items_.size()) + 1;
    TBBUTTON b{};
    b.iBitmap = width;
    b.idCommand = id;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = BTNS_SEP;
    SendMessageW(hwnd_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&b));
    items_.push_back(Item{id, {}, {}, nullptr});
    PlaceControls();
}

void ToolBar::AddControl(Control& control, int width) {
    AddControl(control.Handle(), width);
}

void ToolBar::AddControl(HWND control, int width) {
    AddSeparator(width);
    items_.back().control = control;
    PlaceControls();
}

void ToolBar::PlaceControls() {
    for (size_t i = 0; i < items_.size(); ++i) {
        HWND c = items_[i].control;
        if (c == nullptr) {
            continue;
        }
        RECT r{};
        SendMessageW(hwnd_, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        RECT cr{};
        GetWindowRect(c, &cr);
        int h = cr.bottom - cr.top;
        int top = r.top + ((r.bottom - r.top) - h) / 2;
        SetWindowPos(c, nullptr, r.left, top < 0 ? 0 : top, r.right - r.left, h,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

ToolBar::Item* ToolBar::FindItem(int id) {
    for (auto& it : items_) {
        if (it.id == id) {
            return &it;
        }
    }
    return nullptr;
}

void ToolBar::SetButtonImage(int id, int imageIndex) {
    SendMessageW(hwnd_, TB_CHANGEBITMAP, static_cast<WPARAM>(id), MAKELPARAM(imageIndex, 0));
}

int ToolBar::ButtonImage(int id) const {
    return static_cast<int>(SendMessageW(hwnd_, TB_GETBITMAP, static_cast<WPARAM>(id), 0));
}

bool ToolBar::ButtonEnabled(int id) const {
    return SendMessageW(hwnd_, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0) != 0;
}

void ToolBar::SetButtonEnabled(int id, bool enabled) {
    if (hwnd_ != nullptr) {
        SendMessageW(hwnd_, TB_ENABLEBUTTON, static_cast<WPARAM>(id),
                     MAKELPARAM(enabled ? 1 : 0, 0));
    }
}

void ToolBar::ClickButton(int id) {
    Item* it = FindItem(id);
    if (it != nullptr && it->onClick && ButtonEnabled(id)) {
        auto handler = it->onClick;
        handler();
    }
}

SIZE ToolBar::IdealSize() const {
    SIZE s{0, 0};
    int n = static_cast<int>(SendMessageW(hwnd_, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        RECT r{};
        if (SendMessageW(hwnd_, TB_GETITEMRECT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&r))) {
            s.cx = std::max<LONG>(s.cx, r.right);
            s.cy = std::max<LONG>(s.cy, r.bottom);
        }
    }
    if (s.cy == 0) {
        DWORD bs = static_cast<DWORD>(SendMessageW(hwnd_, TB_GETBUTTONSIZE, 0, 0));
        s.cy = HIWORD(bs);
    }
    return s;
}

bool ToolBar::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == CN_COMMAND && reinterpret_cast<HWND>(lParam) == hwnd_) {
        int id = LOWORD(wParam);
        Item* it = FindItem(id);
        if (it != nullptr && it->onClick) {
            auto handler = it->onClick; // the handler may change the bar
            handler();
        }
        result = 0;
        return true;
    }
    if (msg == CN_NOTIFY) {
        auto* h = reinterpret_cast<NMHDR*>(lParam);
        if (h->code == TBN_GETINFOTIPW) {
            auto* tip = reinterpret_cast<NMTBGETINFOTIPW*>(lParam);
            Item* it = FindItem(tip->iItem);
            if (it != nullptr && !it->hint.empty() && tip->pszText != nullptr &&
                tip->cchTextMax > 0) {
                // A hint "short|long" shows its short part.
                std::wstring shown = it->hint.substr(0, it->hint.find(L'|'));
                lstrcpynW(tip->pszText, shown.c_str(), tip->cchTextMax);
            }
        }
        result = 0;
        return true;
    }
    if (msg == WM_SIZE || msg == TB_AUTOSIZE) {
        result = DefSubclassProc(hwnd_, msg, wParam, lParam);
        PlaceControls();
        return true;
    }
    return false;
}

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
    RECT r{0, 0, 200, 0};
    SendMessageW(hwnd_, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&r));
    int h = r.bottom - r.top;
    return h > 0 ? h : Scale(hwnd_, 24);
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
        result = DefSubclassProc(hwnd_, msg, wParam, lParam);
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
    std::wstring text = kind_ == Kind::DropDown ? WindowText(hwnd_) : std::wstring();
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
    return WindowText(hwnd_);
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
    std::wstring typed = WindowText(edit_);
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

// ---- Edit

void Edit::Create(HWND parent, int left, int top, int width, int height, HFONT font) {
    CreateControl(WS_EX_CLIENTEDGE, WC_EDITW, L"",
                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, left, top, width, height,
                  parent);
    SetFont(font);
}

std::wstring Edit::Text() const {
    return hwnd_ == nullptr ? std::wstring() : WindowText(hwnd_);
}

void Edit::SetText(const std::wstring& text) {
    if (hwnd_ != nullptr) {
        SetWindowTextW(hwnd_, text.c_str());
    }
}

// ---- StatusBar

void StatusBar::Create(HWND parent, const std::vector<int>& widths, int height, HFONT font) {
    CreateControl(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | CCS_BOTTOM, 0,
                  0, 0, 0, parent);
    SetFont(font);
    widths_ = widths;
    texts_.assign(widths.size(), std::wstring());
    std::vector<int> edges;
    int x = 0;
    for (size_t i = 0; i < widths_.size(); ++i) {
        x += Scale(hwnd_, widths_[i]);
        edges.push_back(i + 1 == widths_.size() ? -1 : x);
    }
    SendMessageW(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    // The bar's height is its drawing area plus its borders.
    int borders[3] = {};
    SendMessageW(hwnd_, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    SendMessageW(hwnd_, SB_SETMINHEIGHT, static_cast<WPARAM>(Scale(hwnd_, height) - 2 * borders[1]),
                 0);
    Resize();
}

void StatusBar::SetPanelText(int panel, const std::wstring& text) {
    if (panel < 0 || panel >= PanelCount()) {
        return;
    }
    texts_[static_cast<size_t>(panel)] = text;
    SendMessageW(hwnd_, SB_SETTEXTW, static_cast<WPARAM>(panel),
                 reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring StatusBar::PanelText(int panel) const {
    if (panel < 0 || panel >= PanelCount()) {
        return {};
    }
    return texts_[static_cast<size_t>(panel)];
}

int StatusBar::Height() const {
    if (!Visible()) {
        return 0;
    }
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r.bottom - r.top;
}

void StatusBar::Resize() {
    if (hwnd_ != nullptr) {
        SendMessageW(hwnd_, WM_SIZE, 0, 0);
    }
}

// ---- ProgressBar

void ProgressBar::Create(HWND parent, int left, int top, int width, int height) {
    CreateControl(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, left, top, width, height, parent);
    SetRange(0, 100);
}

void ProgressBar::SetRange(int low, int high) {
    SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void ProgressBar::SetPosition(int position) {
    SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int ProgressBar::Position() const {
    return static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0));
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
