#include "toolkit/controls_bars.h"

#include "toolkit/error.h"

#include <algorithm>

namespace tk {

// ---- CoolBar

void CoolBar::Create(HWND parent, UINT id, bool visible) {
    CreateControl(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, L"",
                  WS_CHILD | (visible ? WS_VISIBLE : 0u) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                      RBS_VARHEIGHT | RBS_BANDBORDERS | RBS_AUTOSIZE | CCS_NODIVIDER | CCS_TOP,
                  0, 0, 0, 0, parent, id);
    REBARINFO ri{};
    ri.cbSize = sizeof(ri);
    SendMessageW(hwnd_, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&ri));
    // Some rebars show themselves when created.
    if (!visible && (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0) {
        ShowWindow(hwnd_, SW_HIDE);
    }
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

void CoolBar::SetBandSizes(int index, int minWidth, int minHeight, int width) {
    if (index < 0 || index >= BandCount()) {
        return;
    }
    int i = IndexOfChild(bandChildren_[static_cast<size_t>(index)]);
    if (i < 0) {
        return;
    }
    REBARBANDINFOW rb{};
    rb.cbSize = sizeof(rb);
    rb.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE;
    rb.cxMinChild = static_cast<UINT>(minWidth);
    rb.cyMinChild = static_cast<UINT>(minHeight);
    rb.cx = static_cast<UINT>(width);
    SendMessageW(hwnd_, RB_SETBANDINFOW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rb));
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
        result = DefaultMessage(hwnd_, msg, wParam, lParam);
        PlaceControls();
        return true;
    }
    return false;
}

// ---- StatusBar

void StatusBar::Create(HWND parent, const std::vector<int>& widths, int height, HFONT font,
                       UINT dpi) {
    CreateControl(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | CCS_BOTTOM, 0,
                  0, 0, 0, parent);
    SetFont(font);
    widths_ = widths;
    height_ = height;
    texts_.assign(widths.size(), std::wstring());
    ApplyDpi(dpi == 0 ? DpiOf(hwnd_) : dpi);
}

void StatusBar::ApplyDpi(UINT dpi) {
    if (hwnd_ == nullptr || dpi == 0) {
        return;
    }
    auto S = [dpi](int px) { return MulDiv(px, static_cast<int>(dpi), 96); };
    std::vector<int> edges;
    int x = 0;
    for (size_t i = 0; i < widths_.size(); ++i) {
        x += S(widths_[i]);
        edges.push_back(i + 1 == widths_.size() ? -1 : x);
    }
    SendMessageW(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    // The bar's height is its drawing area plus its borders.
    int borders[3] = {};
    SendMessageW(hwnd_, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    SendMessageW(hwnd_, SB_SETMINHEIGHT, static_cast<WPARAM>(S(height_) - 2 * borders[1]), 0);
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

} // namespace tk
