#include "browser_window/mdi_child.h"

#include "browser_window/core/window_rules.h"
#include "browser_window/navigator_images.h"
#include "toolkit/error.h"
#include "toolkit/system_codec.h"

namespace {

// Design sizes in pixels at 96 DPI.
constexpr int kNavButtonWidth = 30;
constexpr int kNavButtonHeight = 29;
constexpr int kNavBandWidth = 133;
constexpr int kCheckBandWidth = 83;
constexpr int kAddressBandWidth = 435;
constexpr int kPanelWidth = 376;
constexpr int kPanelHeight = 25;
constexpr int kUrlsTop = 2;
constexpr int kUrlsWidth = 318;
constexpr int kGoLeft = 319;
constexpr int kGoWidth = 57;
constexpr int kGoHeight = 24;
constexpr int kUrlsItemHeight = 12;
constexpr int kStatusHeight = 19;
constexpr int kProgressLeft = 2;
constexpr int kProgressTop = 2;
constexpr int kProgressWidth = 96;
constexpr int kProgressHeight = 16;
constexpr int kStopImage = 2;
constexpr int kStopBusyImage = 4;

// Text from the engine is shown as it reads in the system's code page.
std::wstring AsAnsiText(const std::wstring& text) {
    const kv::AnsiCodec& codec = tk::SystemCodec();
    return codec.FromAnsi(codec.ToAnsi(text));
}

bool KeyDown(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

// Windows being created right now: the maximised window they replace is resized behind them and
// laid out only when it comes back.
int windowsInCreation = 0;

} // namespace

TMDIChild::TMDIChild(IBrowserWindowOwner& owner, const std::wstring& caption)
    : tk::MDIChildForm(owner.OwnerFrame()), owner_(owner) {
    tk::MDIFrameForm& frame = owner.OwnerFrame();
    // Built on the frame's scale, which follows the frame's moves between monitors.
    dpi_ = owner.WindowDpi();
    if (dpi_ == 0) {
        dpi_ = tk::DpiOf(frame.Handle());
    }
    // Font "宋体", GB2312, 9 points.
    font_ = tk::Font(L"宋体", -12, GB2312_CHARSET, dpi_);
    ++windowsInCreation;
    try {
        CreateChild(caption, font_.Handle());
    } catch (...) {
        --windowsInCreation;
        throw;
    }
    --windowsInCreation;
    // Built without drawing: painting half-made controls costs more than the building itself
    // (each change would repaint the maximised window); it is drawn once when complete.
    HWND h = tk::Form::Handle();
    SendMessageW(h, WM_SETREDRAW, FALSE, 0);
    try {
        FormCreate();
        CreateBrowser();
        Layout();
        SendMessageW(h, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(h, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    } catch (...) {
        // The half-made window goes; the caller reports the failure.
        WebBrowser1.reset();
        DestroyForm();
        throw;
    }
}

TMDIChild::~TMDIChild() {
    tk::Guard([this] { FormDestroy(); });
    // The engine goes first, while its parent window still exists; then the window, while
    // every control object is still alive.
    tk::Guard([this] { WebBrowser1.reset(); });
    DestroyForm();
}

void TMDIChild::FormCreate() {
    CreateControls();
    // The bars as the owner shows them, before anything is laid out.
    TViewSettings view = owner_.ViewSettings();
    if (!view.toolBar1) {
        CoolBar1.ShowBand(0, false);
    }
    CoolBar1.SetVisible(view.coolBar1);
    StatusBar1.SetVisible(view.statusBar1);
    // A snapshot of the shared history; later recordings of other windows do not reach it.
    // Windows share it until one records an address of its own.
    URLS.SetItems(owner_.SharedHistory());
    owner_.HistoryTaken(this);
    FProgressBar.SetPosition(0);
}

void TMDIChild::CreateControls() {
    HWND h = tk::Form::Handle();
    HFONT font = font_.Handle();

    BackAction.Caption = L"Back";
    BackAction.ImageIndex = 0;
    BackAction.OnExecute = [this] { BackActionExecute(); };
    ForwardAction.Caption = L"Forward";
    ForwardAction.ImageIndex = 1;
    ForwardAction.OnExecute = [this] { ForwardActionExecute(); };
    ForwardAction.SetEnabled(false);
    StopAction.Caption = L"Stop";
    StopAction.ImageIndex = 2;
    StopAction.OnExecute = [this] { StopActionExecute(); };
    RefreshAction.Caption = L"Refresh";
    RefreshAction.ImageIndex = 3;
    RefreshAction.OnExecute = [this] { RefreshActionExecute(); };

    CoolBar1.Create(h);
    CoolBar1.OnHeightChange = [this] { Layout(); };

    tk::ToolBar::Options o;
    o.buttonWidth = S(kNavButtonWidth);
    o.buttonHeight = S(kNavButtonHeight);
    o.flat = true;
    o.transparent = true;
    o.wrapable = false;
    o.tooltips = false;
    ToolBar1.Create(CoolBar1.Handle(), o);
    NavigatorImages = SharedNavigatorImages(dpi_, false);
    NavigatorHotImages = SharedNavigatorImages(dpi_, true);
    ToolBar1.SetImages(NavigatorImages->Handle(), NavigatorHotImages->Handle());
    SendMessageW(ToolBar1.Handle(), TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(S(kNavButtonWidth), S(kNavButtonHeight)));
    BackBtn = ToolBar1.AddActionButton(BackAction);
    ForwardBtn = ToolBar1.AddActionButton(ForwardAction);
    StopBtn = ToolBar1.AddActionButton(StopAction);
    RefreshBtn = ToolBar1.AddActionButton(RefreshAction, true);
    SIZE tb = ToolBar1.IdealSize();
    ToolBar1.SetBounds(0, 0, tb.cx, S(kNavButtonHeight));

    CheckBox1.Create(CoolBar1.Handle(), L"不用代理", 0, 0, S(kCheckBandWidth - 10), S(20), font);

    Panel1.Create(CoolBar1.Handle(), 0, 0, S(kPanelWidth), S(kPanelHeight));
    URLS.Create(Panel1.Handle(), tk::ComboBox::Kind::DropDown, 0, S(kUrlsTop), S(kUrlsWidth),
                S(300), font);
    URLS.SetItemHeight(S(kUrlsItemHeight));
    URLS.AutoComplete = true;
    URLS.OnKeyDown = [this](WORD key) { URLSKeyDown(key); };
    SpeedButton1.Create(Panel1.Handle(), L"转到", S(kGoLeft), 0, S(kGoWidth), S(kGoHeight), font);
    SpeedButton1.SetGlyph(CreateGoGlyph(dpi_));
    SpeedButton1.OnClick = [this] { SpeedButton1Click(); };
    // URLS follows all four sides of the panel, the go button its top right corner.
    Panel1.OnResize = [this](int width, int) {
        int urlsWidth = width - (S(kPanelWidth) - S(kUrlsWidth));
        URLS.SetBounds(0, S(kUrlsTop), urlsWidth < 0 ? 0 : urlsWidth, S(300));
        SpeedButton1.SetBounds(width - (S(kPanelWidth) - S(kGoLeft)), 0, S(kGoWidth), S(kGoHeight));
    };

    CoolBar1.AddBand(ToolBar1.Handle(), L"", tb.cx, S(kNavButtonHeight), S(kNavBandWidth));
    CoolBar1.AddBand(CheckBox1.Handle(), L"", S(kCheckBandWidth - 10), S(20), S(kCheckBandWidth),
                     false);
    CoolBar1.AddBand(Panel1.Handle(), L"地址(D)", S(120), S(kPanelHeight), S(kAddressBandWidth));
    // Its band is hidden; not every cool bar hides the child of a hidden band.
    CheckBox1.SetVisible(false);

    StatusBar1.Create(h, {0, 100, 50}, kStatusHeight, font, dpi_);
    FProgressBar.Create(StatusBar1.Handle(), S(kProgressLeft), S(kProgressTop), S(kProgressWidth),
                        S(kProgressHeight));
    FProgressBar.SetRange(0, 100);
}

void TMDIChild::CreateBrowser() {
    WebBrowser1 = std::make_unique<host::TEmbeddedBrowser>();
    host::TEmbeddedBrowser& wb = *WebBrowser1;
    wb.OnStatusTextChange = [this](host::TWebBrowser& s, const std::wstring& t) {
        WebBrowser1StatusTextChange(s, t);
    };
    wb.OnProgressChange = [this](host::TWebBrowser& s, int32_t p, int32_t m) {
        WebBrowser1ProgressChange(s, p, m);
    };
    wb.OnCommandStateChange = [this](host::TWebBrowser& s, int32_t c, VARIANT_BOOL e) {
        WebBrowser1CommandStateChange(s, c, e);
    };
    wb.OnDownloadBegin = [this](host::TWebBrowser& s) { WebBrowser1DownloadBegin(s); };
    wb.OnDownloadComplete = [this](host::TWebBrowser& s) { WebBrowser1DownloadComplete(s); };
    wb.OnTitleChange = [this](host::TWebBrowser& s, const std::wstring& t) {
        WebBrowser1TitleChange(s, t);
    };
    wb.OnBeforeNavigate2 = [this](host::TWebBrowser& s, IDispatch* d, VARIANT* url, VARIANT* flags,
                                  VARIANT* target, VARIANT* post, VARIANT* headers,
                                  VARIANT_BOOL* cancel) {
        WebBrowser1BeforeNavigate2(s, d, url, flags, target, post, headers, cancel);
    };
    wb.OnNewWindow2 = [this](host::TWebBrowser& s, IDispatch** d, VARIANT_BOOL* cancel) {
        WebBrowser1NewWindow2(s, d, cancel);
    };
    wb.OnNavigateComplete2 = [this](host::TWebBrowser& s, IDispatch* d, VARIANT* url) {
        WebBrowser1NavigateComplete2(s, d, url);
    };
    wb.OnToolBar = [this](host::TWebBrowser& s, VARIANT_BOOL v) { WebBrowser1ToolBar(s, v); };
    wb.OnMenuBar = [this](host::TWebBrowser& s, VARIANT_BOOL v) { WebBrowser1MenuBar(s, v); };
    wb.OnStatusBar = [this](host::TWebBrowser& s, VARIANT_BOOL v) { WebBrowser1StatusBar(s, v); };
    wb.OnFullScreen = [this](host::TWebBrowser& s, VARIANT_BOOL v) { WebBrowser1FullScreen(s, v); };
    wb.OnCloseQuery = [this](host::TEmbeddedBrowser& s, bool& canClose) {
        WebBrowser1CloseQuery(s, canClose);
    };

    wb.SetDownloadOptions(host::DefaultDownloadOptions());
    wb.SetUserInterfaceOptions(host::TUserInterfaceOptions{});
    wb.MessagesBoxes.InternalErrMsg = false;
    wb.PrintOptions.Margins.Left = 19.05;
    wb.PrintOptions.Margins.Right = 19.05;
    wb.PrintOptions.Margins.Top = 19.05;
    wb.PrintOptions.Margins.Bottom = 19.05;
    wb.PrintOptions.Header = L"&w&b页码，&p/&P";
    wb.PrintOptions.HTMLHeader = {L"<HTML></HTML>"};
    wb.PrintOptions.Footer = L"&u&b&d";
    wb.PrintOptions.Orientation = host::TPrintOrientationOption::poPortrait;

    wb.SetParent(tk::Form::Handle());
    Layout();
    wb.Handle(); // in-place activation
}

void TMDIChild::Layout() {
    HWND h = tk::Form::Handle();
    if (h == nullptr || !CoolBar1.HandleAllocated() || !StatusBar1.HandleAllocated()) {
        return;
    }
    layoutPending_ = false;
    RECT r{};
    GetClientRect(h, &r);
    int top = 0;
    if (CoolBar1.Visible()) {
        CoolBar1.Resize(r.right);
        top = CoolBar1.Height();
    }
    int bottom = r.bottom;
    if (StatusBar1.Visible()) {
        StatusBar1.Resize();
        bottom -= StatusBar1.Height();
    }
    if (WebBrowser1) {
        int height = bottom - top;
        WebBrowser1->SetBounds(0, top, r.right, height < 0 ? 0 : height);
    }
}

int TMDIChild::S(int pixels) const {
    return MulDiv(pixels, static_cast<int>(dpi_), 96);
}

void TMDIChild::ApplyDpi(UINT dpi) {
    if (dpi == 0 || dpi == dpi_ || !CoolBar1.HandleAllocated() || !StatusBar1.HandleAllocated()) {
        return;
    }
    dpi_ = dpi;
    // The new font and pictures go to the controls before the old ones are deleted.
    tk::Font font(L"宋体", -12, GB2312_CHARSET, dpi);
    SendMessageW(tk::Form::Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Handle()), FALSE);
    tk::Control* texts[] = {&CheckBox1, &URLS, &SpeedButton1, &StatusBar1};
    for (tk::Control* c : texts) {
        c->SetFont(font.Handle());
    }
    font_ = std::move(font);

    std::shared_ptr<const tk::ImageList> images = SharedNavigatorImages(dpi, false);
    std::shared_ptr<const tk::ImageList> hotImages = SharedNavigatorImages(dpi, true);
    HWND bar = ToolBar1.Handle();
    SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(S(23), S(23)));
    ToolBar1.SetImages(images->Handle(), hotImages->Handle());
    NavigatorImages = std::move(images);
    NavigatorHotImages = std::move(hotImages);
    SendMessageW(bar, TB_SETBUTTONSIZE, 0, MAKELPARAM(S(kNavButtonWidth), S(kNavButtonHeight)));
    SIZE tb = ToolBar1.IdealSize();
    ToolBar1.SetBounds(0, 0, tb.cx, S(kNavButtonHeight));
    SpeedButton1.SetGlyph(CreateGoGlyph(dpi));
    CheckBox1.SetBounds(0, 0, S(kCheckBandWidth - 10), S(20));
    URLS.SetItemHeight(S(kUrlsItemHeight));
    Panel1.SetBounds(0, 0, S(kPanelWidth), S(kPanelHeight));

    // The bands in the order they were added; the user may have moved them since.
    CoolBar1.SetBandSizes(0, tb.cx, S(kNavButtonHeight), S(kNavBandWidth));
    CoolBar1.SetBandSizes(1, S(kCheckBandWidth - 10), S(20), S(kCheckBandWidth));
    CoolBar1.SetBandSizes(2, S(120), S(kPanelHeight), S(kAddressBandWidth));

    StatusBar1.ApplyDpi(dpi);
    FProgressBar.SetBounds(S(kProgressLeft), S(kProgressTop), S(kProgressWidth),
                           S(kProgressHeight));
    Layout();
}

// ---- Closing

void TMDIChild::DoCloseQuery(bool& canClose) {
    FormCloseQuery(canClose);
}

void TMDIChild::DoClose(tk::CloseAction& action) {
    tk::MDIChildForm::DoClose(action);
    FormClose(action);
    // A command of this window waiting for its page must not keep the closed window alive
    // until the page is complete: the window is only freed once that command has returned.
    if (action == tk::CloseAction::Free && WebBrowser1) {
        WebBrowser1->AbandonWaits();
    }
}

bool TMDIChild::CanRelease() const {
    // Not while the engine is delivering an event: its handler would return into us.
    return !WebBrowser1 || WebBrowser1->EventDepth() == 0;
}

void TMDIChild::FormCloseQuery(bool& CanClose) {
    owner_.UpdateWindowTabs(this, TTabAction::TabRemove);
    CanClose = true;
}

void TMDIChild::FormClose(tk::CloseAction& Action) {
    Action = tk::CloseAction::Free;
}

void TMDIChild::FormDestroy() {}

// ---- Keys and buttons

LRESULT TMDIChild::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE: {
        LRESULT r = tk::MDIChildForm::WndProc(msg, wParam, lParam);
        if (windowsInCreation > 0) {
            layoutPending_ = true; // hidden behind the new window until it is activated again
        } else {
            Layout();
        }
        return r;
    }
    case WM_MDIACTIVATE:
        if (reinterpret_cast<HWND>(lParam) == tk::Form::Handle() && layoutPending_) {
            Layout();
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // Keys sent to the window itself; keys typed into its controls or the page go there.
        FormKeyDown(static_cast<WORD>(wParam), (lParam & (1 << 29)) != 0, KeyDown(VK_SHIFT),
                    KeyDown(VK_CONTROL),
                    KeyDown(VK_LBUTTON) || KeyDown(VK_RBUTTON) || KeyDown(VK_MBUTTON));
        break; // not consumed
    default:
        break;
    }
    return tk::MDIChildForm::WndProc(msg, wParam, lParam);
}

void TMDIChild::FormKeyDown(WORD Key, bool alt, bool shift, bool ctrl, bool mouseButton) {
    switch (kv::AltArrowKey(Key, alt, shift, ctrl, mouseButton)) {
    case kv::AltArrow::Back:
        ToolBar1.ClickButton(BackBtn);
        break;
    case kv::AltArrow::Forward:
        ToolBar1.ClickButton(ForwardBtn);
        break;
    case kv::AltArrow::None:
        break;
    }
}

void TMDIChild::URLSKeyDown(WORD Key) {
    if (Key == VK_RETURN) {
        GoToAddress();
    }
}

void TMDIChild::SpeedButton1Click() {
    GoToAddress();
}

void TMDIChild::BackActionExecute() {
    WebBrowser1->GoBack();
}

void TMDIChild::ForwardActionExecute() {
    WebBrowser1->GoForward();
}

void TMDIChild::StopActionExecute() {
    WebBrowser1->Stop();
}

void TMDIChild::RefreshActionExecute() {
    WebBrowser1->Refresh();
}

// ---- Engine events

void TMDIChild::WebBrowser1StatusTextChange(host::TWebBrowser&, const std::wstring& Text) {
    StatusBar1.SetPanelText(2, AsAnsiText(Text));
}

void TMDIChild::WebBrowser1ProgressChange(host::TWebBrowser&, int32_t Progress,
                                          int32_t ProgressMax) {
    kv::ProgressView v = kv::ProgressFor(Progress, ProgressMax);
    FProgressBar.SetPosition(v.position); // the position first, then the visibility
    FProgressBar.SetVisible(v.visible);
}

void TMDIChild::WebBrowser1CommandStateChange(host::TWebBrowser&, int32_t Command,
                                              VARIANT_BOOL Enable) {
    switch (kv::CommandStateTarget(Command)) {
    case kv::NavCommand::Forward:
        ForwardAction.SetEnabled(Enable != VARIANT_FALSE);
        break;
    case kv::NavCommand::Back:
        BackAction.SetEnabled(Enable != VARIANT_FALSE);
        break;
    case kv::NavCommand::None:
        break;
    }
}

void TMDIChild::WebBrowser1DownloadBegin(host::TWebBrowser&) {
    ToolBar1.SetButtonImage(StopBtn, kStopBusyImage);
}

void TMDIChild::WebBrowser1DownloadComplete(host::TWebBrowser&) {
    ToolBar1.SetButtonImage(StopBtn, kStopImage);
}

void TMDIChild::WebBrowser1TitleChange(host::TWebBrowser&, const std::wstring&) {
    // The engine's current name of the top-level page, not the text of the event.
    SetCaption(AsAnsiText(WebBrowser1->LocationName()));
}

void TMDIChild::WebBrowser1NavigateComplete2(host::TWebBrowser&, IDispatch*, VARIANT*) {
    const kv::AnsiCodec& codec = tk::SystemCodec();
    std::string address = codec.ToAnsi(WebBrowser1->LocationURL());
    URLS.SetText(codec.FromAnsi(address));
    if (address != pageAddress_) {
        pageAddress_ = std::move(address);
        owner_.WindowAddressChanged(this);
    }
}

void TMDIChild::WebBrowser1ToolBar(host::TWebBrowser&, VARIANT_BOOL Value) {
    SetCoolBarVisible(Value != VARIANT_FALSE);
}

void TMDIChild::WebBrowser1MenuBar(host::TWebBrowser&, VARIANT_BOOL Value) {
    SetCoolBarVisible(Value != VARIANT_FALSE);
}

void TMDIChild::WebBrowser1StatusBar(host::TWebBrowser&, VARIANT_BOOL Value) {
    SetStatusBarVisible(Value != VARIANT_FALSE);
}

void TMDIChild::WebBrowser1FullScreen(host::TWebBrowser&, VARIANT_BOOL Value) {
    if (Value != VARIANT_FALSE) {
        Restore();
    } else {
        Maximize();
    }
}

void TMDIChild::WebBrowser1CloseQuery(host::TEmbeddedBrowser&, bool&) {
    // The permission stays granted, so the engine gets the close as well.
    Close();
}

// ---- Bars

void TMDIChild::SetBarsVisible(bool toolBar1, bool coolBar1, bool statusBar1) {
    if (ToolBar1Visible() == toolBar1 && CoolBar1Visible() == coolBar1 &&
        StatusBar1Visible() == statusBar1 && !layoutPending_) {
        return; // as they are: nothing to lay out and draw again
    }
    CoolBar1.ShowBand(0, toolBar1);
    CoolBar1.SetVisible(coolBar1);
    StatusBar1.SetVisible(statusBar1);
    Layout();
}

void TMDIChild::SetCoolBarVisible(bool visible) {
    CoolBar1.SetVisible(visible);
    Layout();
}

void TMDIChild::SetStatusBarVisible(bool visible) {
    StatusBar1.SetVisible(visible);
    Layout();
}

bool TMDIChild::ToolBar1Visible() const {
    return CoolBar1.BandVisible(0);
}

bool TMDIChild::CoolBar1Visible() const {
    return CoolBar1.Visible();
}

bool TMDIChild::StatusBar1Visible() const {
    return StatusBar1.Visible();
}
