#include "toolkit/forms.h"

#include "toolkit/error.h"
#include "toolkit/menus.h"

#include <algorithm>

namespace tk {
namespace {

constexpr const wchar_t* kFrameClass = L"tkMDIFrame";
constexpr const wchar_t* kChildClass = L"tkMDIChild";
constexpr UINT kFirstChildId = 0xFF00;
constexpr UINT_PTR kReleaseTimer = 0x7E1E;
// A release that has to wait is tried again after this many milliseconds.
constexpr UINT kReleaseRetryMs = 10;
constexpr UINT_PTR kTitleTimer = 0x7E1F;
// A title refresh waits at most this long for an idle moment.
constexpr UINT kTitleDelayMs = 100;
// Posted by a form that got the focus and has a control to pass it on to.
constexpr UINT kFocusControlMessage = CM_RELEASE + 1;

// Wine's DefWindowProc repaints a window's whole non-client area, menu bar included, when its
// text changes; Windows redraws only the caption.
bool TextChangeRepaintsFrame() {
    static const bool whole =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return whole;
}

HICON ProgramIcon() {
    HICON icon = LoadIconW(Application::Instance(), MAKEINTRESOURCEW(1));
    return icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

} // namespace

// ---- Form

void Form::SetCaption(const std::wstring& caption) {
    caption_ = caption;
    if (hwnd_ != nullptr) {
        ShowCaption();
    }
}

void Form::ShowCaption() {
    SetWindowTextW(hwnd_, caption_.c_str());
}

bool Form::Close() {
    if (closing_ || hwnd_ == nullptr) {
        return false;
    }
    bool canClose = true;
    DoCloseQuery(canClose);
    if (!canClose) {
        return false;
    }
    CloseAction action = CloseAction::Hide;
    DoClose(action);
    if (action == CloseAction::None) {
        return false;
    }
    CloseAllowed(action);
    return true;
}

void Form::DoCloseQuery(bool&) {}

void Form::DoClose(CloseAction&) {}

int Form::AddDeactivationWatcher(std::function<void(HWND)> watcher) {
    int id = nextWatcherId_++;
    deactivationWatchers_.emplace_back(id, std::move(watcher));
    return id;
}

void Form::RemoveDeactivationWatcher(int id) noexcept {
    auto& v = deactivationWatchers_;
    v.erase(std::remove_if(v.begin(), v.end(), [id](const auto& w) { return w.first == id; }),
            v.end());
}

LRESULT Form::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        Close();
        return 0;
    }
    if (msg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE && !deactivationWatchers_.empty()) {
        // A watcher may remove others (or itself): each is looked up again before its call.
        std::vector<int> ids;
        for (const auto& w : deactivationWatchers_) {
            ids.push_back(w.first);
        }
        auto activated = reinterpret_cast<HWND>(lParam);
        for (int id : ids) {
            auto it = std::find_if(deactivationWatchers_.begin(), deactivationWatchers_.end(),
                                   [id](const auto& w) { return w.first == id; });
            if (it != deactivationWatchers_.end()) {
                std::function<void(HWND)> watcher = it->second;
                Guard([&] { watcher(activated); });
            }
        }
    }
    return Window::WndProc(msg, wParam, lParam);
}

// ---- MDIFrameForm

MDIFrameForm::MDIFrameForm() = default;

MDIFrameForm::~MDIFrameForm() {
    FreeChildren();
    if (filterId_ != 0) {
        Application::RemoveMessageFilter(filterId_);
    }
    if (idleId_ != 0) {
        Application::RemoveIdleHandler(idleId_);
    }
    if (hwnd_ != nullptr && Application::MainWindow() == hwnd_) {
        Application::SetMainWindow(nullptr);
    }
    DestroyHandle();
}

void MDIFrameForm::CreateFrame(const std::wstring& caption, int width, int height, HMENU menuBar,
                               HMENU windowMenu) {
    RegisterWindowClass(kFrameClass, CS_DBLCLKS, nullptr, ProgramIcon());
    caption_ = caption;
    // The system places and sizes a new frame; width and height apply only when it cannot.
    (void)width;
    (void)height;
    // Owned by the application's window, which carries the task bar button.
    CreateHandle(0, kFrameClass, caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Application::Handle(), menuBar);
    CLIENTCREATESTRUCT ccs{};
    ccs.hWindowMenu = windowMenu;
    ccs.idFirstChild = kFirstChildId;
    client_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                              WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0,
                              0, 0, 0, hwnd_, nullptr, Application::Instance(), &ccs);
    if (client_ == nullptr) {
        ThrowLastError();
    }
    // Nothing to scroll before the first child: the bars come back when a child lies outside.
    ShowScrollBar(client_, SB_BOTH, FALSE);
    // The platform's MDI keys (Ctrl+F4, Ctrl+F6) for the children.
    HWND client = client_;
    filterId_ = Application::AddMessageFilter([client](MSG& msg) {
        return IsWindow(client) && TranslateMDISysAccel(client, &msg) != FALSE;
    });
    idleId_ = Application::AddIdleHandler([this] {
        if (titlePending_) {
            RefreshTitle();
        }
    });
    LayoutClient();
}

int MDIFrameForm::MDIChildCount() const {
    int n = 0;
    for (MDIChildForm* c : children_) {
        if (!c->Closing()) {
            ++n;
        }
    }
    return n;
}

MDIChildForm* MDIFrameForm::ActiveMDIChild() const {
    if (client_ == nullptr) {
        return nullptr;
    }
    HWND active = reinterpret_cast<HWND>(SendMessageW(client_, WM_MDIGETACTIVE, 0, 0));
    for (MDIChildForm* c : children_) {
        if (c->Handle() == active && active != nullptr) {
            return c;
        }
    }
    return nullptr;
}

void MDIFrameForm::Show(int showCommand) {
    if (hwnd_ == nullptr) {
        return;
    }
    bool first = !shown_;
    shown_ = true;
    ShowWindow(hwnd_, showCommand);
    if (first) {
        FormShowing();
    }
    UpdateWindow(hwnd_);
    if (first) {
        FormShow();
    }
}

void MDIFrameForm::FreeChildren() noexcept {
    while (!children_.empty()) {
        MDIChildForm* c = children_.back();
        delete c; // removes itself from children_
    }
}

void MDIFrameForm::DoCloseQuery(bool& canClose) {
    // Copy: a close query may change the list.
    std::vector<MDIChildForm*> children = children_;
    for (MDIChildForm* c : children) {
        if (std::find(children_.begin(), children_.end(), c) == children_.end() || c->Closing()) {
            continue;
        }
        c->DoCloseQuery(canClose);
        if (!canClose) {
            return;
        }
    }
    FormCloseQuery(canClose);
}

void MDIFrameForm::FormCloseQuery(bool&) {}

void MDIFrameForm::CloseAllowed(CloseAction) {
    // Closing the frame ends the application: the children go without their close handlers.
    closing_ = true;
    bool isMain = Application::MainWindow() == hwnd_;
    // A window still inside one of its handlers (an engine event waiting on a modal box, say)
    // must not be freed under it: then the frame is only hidden, and the windows go with the
    // frame's destruction, after the message loop has returned.
    bool busy = HandlerDepth() > 1;
    for (MDIChildForm* c : children_) {
        busy = busy || !c->CanRelease();
    }
    if (busy) {
        ShowWindow(hwnd_, SW_HIDE);
    } else {
        FreeChildren();
        DestroyHandle();
    }
    if (isMain) {
        Application::SetMainWindow(nullptr);
        PostQuitMessage(0);
    }
}

void MDIFrameForm::LayoutClient() {
    LayoutClientBelow(TopBarsHeight());
}

void MDIFrameForm::LayoutClientBelow(int top) {
    if (hwnd_ == nullptr || client_ == nullptr) {
        return;
    }
    RECT r{};
    GetClientRect(hwnd_, &r);
    int height = r.bottom - top;
    SetWindowPos(client_, nullptr, 0, top, r.right, height < 0 ? 0 : height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    HideScrollBarsWhenMaximized();
}

void MDIFrameForm::HideScrollBarsWhenMaximized() {
    // A maximised child covers the whole area: there is nothing to scroll to, but some MDI
    // clients leave their bars from the layout before the child was maximised.
    BOOL maximized = FALSE;
    if (client_ != nullptr &&
        SendMessageW(client_, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)) != 0 &&
        maximized) {
        ShowScrollBar(client_, SB_BOTH, FALSE);
    }
}

void MDIFrameForm::RefreshTitleLater() {
    if (!titlePending_ && hwnd_ != nullptr) {
        titlePending_ = true;
        SetTimer(hwnd_, kTitleTimer, kTitleDelayMs, nullptr);
    }
}

void MDIFrameForm::RefreshTitle() {
    (void)UpdateTitle();
}

bool MDIFrameForm::UpdateTitle() {
    titlePending_ = false;
    if (hwnd_ == nullptr || client_ == nullptr) {
        return false;
    }
    KillTimer(hwnd_, kTitleTimer);
    BOOL maximized = FALSE;
    HWND active = reinterpret_cast<HWND>(
        SendMessageW(client_, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    if (active == nullptr || maximized == FALSE) {
        return false; // the MDI itself gives the frame its own caption back
    }
    wchar_t childText[256] = {};
    GetWindowTextW(active, childText, 256);
    // Cut to 160 characters as the MDI cuts it.
    constexpr size_t kMaxTitle = 160;
    std::wstring child = childText;
    std::wstring title = caption_.substr(0, kMaxTitle);
    if (title.size() + 6 <= kMaxTitle && !child.empty()) {
        title += L" - [" + child.substr(0, kMaxTitle - 5 - title.size()) + L"]";
    }
    if (Text() != title) {
        // The MDI's own renewal of the title recalculates and repaints the whole frame where
        // only the text changes.
        DefWindowProcW(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()));
        return true;
    }
    return false;
}

void MDIFrameForm::RepaintAfterHold() {
    // The new child's title is known now; where a title change repaints the whole frame, the
    // title is changed at once and that paint is the only one.
    if (TextChangeRepaintsFrame() && UpdateTitle()) {
        return;
    }
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void MDIFrameForm::AddChild(MDIChildForm* child) {
    children_.push_back(child);
}

void MDIFrameForm::RemoveChild(MDIChildForm* child) noexcept {
    children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

LRESULT MDIFrameForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        LayoutClient();
        return 0; // the frame places its client itself
    case WM_COMMAND:
        if (lParam == 0 && MenuDispatch(LOWORD(wParam))) {
            return 0;
        }
        break;
    case WM_NCPAINT:
        if (frameHold_ > 0) {
            framePaintSkipped_ = true;
            return 0;
        }
        break;
    case WM_TIMER:
        if (wParam == kTitleTimer) {
            RefreshTitle();
            return 0;
        }
        break;
    case WM_SYSCOMMAND:
        // An owned window would minimise on its own, beside the task bar: the program
        // minimises as a whole, through the window that carries its button.
        if ((wParam & 0xFFF0) == SC_MINIMIZE &&
            GetWindow(hwnd_, GW_OWNER) == Application::Handle()) {
            Application::Minimize();
            return 0;
        }
        break;
    case WM_DESTROY:
        // The menu bar belongs to the form's menu object, not to the window.
        SetMenu(hwnd_, nullptr);
        break;
    default:
        break;
    }
    return Form::WndProc(msg, wParam, lParam);
}

bool MDIFrameForm::MenuDispatch(UINT id) {
    return MenuItem::Dispatch(id);
}

LRESULT MDIFrameForm::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefFrameProcW(hwnd_, client_, msg, wParam, lParam);
}

// ---- MDIChildForm

MDIChildForm::MDIChildForm(MDIFrameForm& frame) : frame_(frame) {
    frame_.AddChild(this);
}

MDIChildForm::~MDIChildForm() {
    DestroyForm();
    frame_.RemoveChild(this);
}

void MDIChildForm::DestroyForm() noexcept {
    deleting_ = true;
    if (hwnd_ != nullptr) {
        HWND h = hwnd_;
        KillTimer(h, kReleaseTimer);
        if (frame_.ClientHandle() != nullptr && IsWindow(frame_.ClientHandle())) {
            SendMessageW(frame_.ClientHandle(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(h), 0);
        }
        if (hwnd_ == h) {
            DestroyHandle();
        }
    }
}

void MDIChildForm::CreateChild(const std::wstring& caption, HFONT font) {
    RegisterWindowClass(kChildClass, CS_DBLCLKS, GetSysColorBrush(COLOR_BTNFACE), ProgramIcon());
    caption_ = caption;
    MDICREATESTRUCTW mcs{};
    mcs.szClass = kChildClass;
    mcs.szTitle = caption_.c_str();
    mcs.hOwner = Application::Instance();
    mcs.x = CW_USEDEFAULT;
    mcs.y = CW_USEDEFAULT;
    mcs.cx = CW_USEDEFAULT;
    mcs.cy = CW_USEDEFAULT;
    mcs.style = WS_MAXIMIZE | WS_VISIBLE | WS_CLIPCHILDREN;
    mcs.lParam = reinterpret_cast<LPARAM>(this);
    // Creating a maximised child makes the MDI rework the frame's menu bar several times (the
    // previous child's buttons out, the new child's in), each time repainting the frame's whole
    // non-client area, which is costly under some window systems: it is painted once, after.
    HWND previous =
        reinterpret_cast<HWND>(SendMessageW(frame_.ClientHandle(), WM_MDIGETACTIVE, 0, 0));
    HWND h = nullptr;
    {
        struct Hold {
            MDIFrameForm& f;
            explicit Hold(MDIFrameForm& frame) : f(frame) { ++f.frameHold_; }
            ~Hold() {
                if (--f.frameHold_ == 0 && f.framePaintSkipped_) {
                    f.framePaintSkipped_ = false;
                    (void)Guard([this] { f.RepaintAfterHold(); });
                }
            }
        } hold(frame_);
        h = reinterpret_cast<HWND>(
            SendMessageW(frame_.ClientHandle(), WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    }
    if (h == nullptr) {
        ThrowLastError();
    }
    hwnd_ = h;
    // The window the new one replaces was resized while it was still visible, so it waits to be
    // painted; the new maximised window covers it entirely, and it is painted when uncovered.
    if (previous != nullptr && previous != h && IsZoomed(h) && IsWindowVisible(h)) {
        RedrawWindow(previous, nullptr, nullptr,
                     RDW_VALIDATE | RDW_NOERASE | RDW_NOINTERNALPAINT | RDW_ALLCHILDREN);
    }
    if (font != nullptr) {
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    frame_.HideScrollBarsWhenMaximized();
}

bool MDIChildForm::Maximized() const {
    return hwnd_ != nullptr && IsZoomed(hwnd_) != FALSE;
}

void MDIChildForm::Maximize() {
    if (hwnd_ != nullptr) {
        SendMessageW(frame_.ClientHandle(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(hwnd_), 0);
    }
}

void MDIChildForm::Restore() {
    if (hwnd_ != nullptr) {
        SendMessageW(frame_.ClientHandle(), WM_MDIRESTORE, reinterpret_cast<WPARAM>(hwnd_), 0);
    }
}

void MDIChildForm::Activate() {
    if (hwnd_ == nullptr) {
        return;
    }
    if (IsIconic(hwnd_)) {
        Restore();
    }
    if (!IsWindowVisible(hwnd_)) {
        ShowWindow(hwnd_, SW_SHOW);
    }
    SendMessageW(frame_.ClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hwnd_), 0);
}

bool MDIChildForm::QueryClose() {
    bool canClose = true;
    DoCloseQuery(canClose);
    return canClose;
}

bool MDIChildForm::IsActiveChild() const {
    return hwnd_ != nullptr && frame_.ActiveMDIChild() == this;
}

void MDIChildForm::FocusControl(std::function<void()> giveFocus) {
    if (IsActiveChild()) {
        focusedControl_ = nullptr;
        giveFocus();
    } else {
        focusedControl_ = std::move(giveFocus);
    }
}

void MDIChildForm::ShowCaption() {
    HWND client = frame_.ClientHandle();
    BOOL maximized = FALSE;
    HWND active = reinterpret_cast<HWND>(
        SendMessageW(client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    if (active != hwnd_ || maximized == FALSE) {
        SetWindowTextW(hwnd_, caption_.c_str());
        return;
    }
    // The frame shows "<frame caption> - [<child caption>]" while this child is maximised. The
    // MDI's own renewal of that title would recalculate and repaint the whole frame (tens of
    // milliseconds under Wine) at every change; the frame brings it up to date once, soon.
    if (Text() != caption_) {
        DefWindowProcW(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption_.c_str()));
        // The Window menu lists the children by caption.
        SendMessageW(client, WM_MDIREFRESHMENU, 0, 0);
    }
    frame_.RefreshTitleLater();
}

void MDIChildForm::DoClose(CloseAction& action) {
    action = CloseAction::Minimize;
}

void MDIChildForm::CloseAllowed(CloseAction action) {
    switch (action) {
    case CloseAction::Free:
        closing_ = true;
        PostMessageW(hwnd_, CM_RELEASE, 0, 0);
        break;
    case CloseAction::Minimize:
        ShowWindow(hwnd_, SW_MINIMIZE);
        break;
    case CloseAction::Hide:
        ShowWindow(hwnd_, SW_HIDE);
        break;
    case CloseAction::None:
        break;
    }
}

LRESULT MDIChildForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case CM_RELEASE:
        // Freed only when nothing of the program is running below this message (a handler
        // that would return into the freed form) and the form agrees.
        if (HandlerDepth() == 1 && CanRelease()) {
            deleteAfterMessage_ = true;
        } else {
            SetTimer(hwnd_, kReleaseTimer, kReleaseRetryMs, nullptr);
        }
        return 0;
    case WM_SETFOCUS:
        // Activation gives the focus to the form itself; once the activation is over, the
        // form passes it on to the control it remembered while it was behind.
        if (focusedControl_) {
            PostMessageW(hwnd_, kFocusControlMessage, 0, 0);
        }
        break;
    case kFocusControlMessage:
        if (focusedControl_ && !closing_ && IsActiveChild() && GetFocus() == hwnd_) {
            std::function<void()> giveFocus = std::move(focusedControl_);
            focusedControl_ = nullptr;
            (void)Guard(giveFocus);
        }
        return 0;
    case WM_TIMER:
        if (wParam == kReleaseTimer) {
            KillTimer(hwnd_, kReleaseTimer);
            PostMessageW(hwnd_, CM_RELEASE, 0, 0);
            return 0;
        }
        break;
    default:
        break;
    }
    return Form::WndProc(msg, wParam, lParam);
}

LRESULT MDIChildForm::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefMDIChildProcW(hwnd_, msg, wParam, lParam);
}

void MDIChildForm::WindowDestroyed() noexcept {
    // Destroyed with the frame rather than through the form: the form goes too.
    if (!deleting_) {
        deleting_ = true;
        delete this;
    }
}

} // namespace tk
