#include "app/main_form.h"

#include "common/core/history.h"
#include "common/core/line_file.h"
#include "common/core/search_config.h"
#include "app/core/settings.h"
#include "app/core/tab_caption.h"
#include "app/frame_images.h"
#include "app/history_loader.h"
#include "app/session_keeper.h"
#include "browser_window/mdi_child.h"
#include "toolkit/dialogs.h"
#include "toolkit/error.h"
#include "toolkit/files.h"
#include "toolkit/system_codec.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>

TMainForm* MainForm = nullptr;

namespace {

// Design sizes in pixels at 96 DPI.
constexpr int kToolBarHeight = 26;
constexpr int kSiteListWidth = 68;
constexpr int kSearchSeparator = 8;
constexpr int kSearchWordWidth = 128;
constexpr int kSearchButtonWidth = 36;
constexpr int kTabBandMinWidth = 100;
constexpr int kToolBarBandMinWidth = 100;
constexpr int kTabBandWidth = 300;
constexpr int kFrameWidth = 750;
constexpr int kFrameHeight = 387;

// Days from 1601-01-01 (file times) to 1899-12-30 (the start of the date-time scale).
constexpr double kFileTimeEpochDays = 109205.0;
constexpr double kFileTimeUnitsPerDay = 864000000000.0;

double LocalNowDays() {
    FILETIME utc{};
    FILETIME local{};
    GetSystemTimeAsFileTime(&utc);
    FileTimeToLocalFileTime(&utc, &local);
    ULARGE_INTEGER u{};
    u.LowPart = local.dwLowDateTime;
    u.HighPart = local.dwHighDateTime;
    return static_cast<double>(u.QuadPart) / kFileTimeUnitsPerDay - kFileTimeEpochDays;
}

std::wstring ModuleFolder() {
    wchar_t path[261] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, 261);
    std::wstring p(path, n);
    size_t slash = p.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : p.substr(0, slash + 1);
}

std::vector<std::wstring> CommandLineArguments() {
    std::vector<std::wstring> args;
    int n = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
    if (argv == nullptr) {
        return args;
    }
    for (int i = 1; i < n; ++i) {
        args.emplace_back(argv[i]);
    }
    LocalFree(argv);
    return args;
}

bool Stopped(host::WaitResult r) {
    return r == host::WaitResult::HostDestroyed || r == host::WaitResult::Quit ||
           r == host::WaitResult::Abandoned;
}

} // namespace

TMainForm::TMainForm() : TMainForm(TFrameStart{}) {}

TMainForm::TMainForm(const TFrameStart& start) : start_(start) {
    if (MainForm == nullptr) {
        MainForm = this;
    }
    Now = LocalNowDays;
    // Fixed now, in the folder the program was started from: the file dialogs may move the
    // current folder before the file is written at exit or at the end of the session.
    settingsPath_ = start_.settingsPath.empty() ? tk::CurrentFolder() + kv::kSettingsFileName
                                                : start_.settingsPath;
    CreateMenu();
    // Before the MDI's own keys, which would take Ctrl+Tab.
    InstallFrameKeys();
    // The task bar button carries the application's title from the moment it appears.
    tk::Application::SetTitle(L"KV浏览器");
    CreateFrame(L"Quelmar浏览器V3.4", kFrameWidth, kFrameHeight, MainMenu1.Handle(),
                Window1.Submenu());
    tk::Application::SetMainWindow(tk::Form::Handle());
    // Known from here on; the history is read as early as the frame can take the message that
    // its lines are there.
    ProgramFolder = start_.programFolder.empty() ? ModuleFolder() : start_.programFolder;
    StartHistoryLoad();
}

void TMainForm::BuildContents() {
    if (built_) {
        return;
    }
    built_ = true;
    ConfigureFavoritesMenu();
    // Font "宋体", GB2312, 12 pixels high.
    font_ = tk::Font(L"宋体", 12, GB2312_CHARSET, FrameDpi());
    CreateBars();
    FormCreate();
    RECT r{};
    GetClientRect(tk::Form::Handle(), &r);
    CoolBar1.Resize(r.right);
    // The MDI area takes its place under the bar before the bar appears: moved afterwards, it
    // would make the bar just shown erase and paint itself once more.
    if (showCoolBar_) {
        RECT bar{};
        GetWindowRect(CoolBar1.Handle(), &bar);
        LayoutClientBelow(bar.bottom - bar.top);
    }
    CoolBar1.SetVisible(showCoolBar_);
    LayoutClient();
    CoolBar1.OnHeightChange = [this] { LayoutClient(); };
    ActionList1.OnUpdate = [this] { ActionList1Update(); };
    ActionList1.Start();
    StartSession();
}

TMainForm::~TMainForm() {
    if (historyIdle_ != 0) {
        tk::Application::RemoveIdleHandler(historyIdle_);
    }
    historyLoader_.reset();
    ActionList1.Stop();
    if (acceleratorFilter_ != 0) {
        tk::Application::RemoveMessageFilter(acceleratorFilter_);
    }
    if (frameKeysFilter_ != 0) {
        tk::Application::RemoveMessageFilter(frameKeysFilter_);
    }
    if (sessionIdle_ != 0) {
        tk::Application::RemoveIdleHandler(sessionIdle_);
    }
    session_.reset();
    FreeChildren();
    DestroyHandle();
    if (accelerators_ != nullptr) {
        DestroyAcceleratorTable(accelerators_);
    }
    if (MainForm == this) {
        MainForm = nullptr;
    }
}

// ---- Construction

void TMainForm::CreateMenu() {
    MainMenu1 = tk::Menu::CreateBar();
    HMENU bar = MainMenu1.Handle();

    File1.CreateSubmenu(bar, L"文件(&A)");
    HMENU file = File1.Submenu();
    FileNewItem.Create(file, L"新建(&N)\tCtrl+N", [this] { FileNew1.Execute(); });
    FileOpenItem.Create(file, L"打开(&O)\tCtrl+O", [this] { FileOpen1.Execute(); });
    FileCloseItem.Create(file, L"关闭(&C)", [this] {
        if (TMDIChild* w = ActiveBrowserWindow()) {
            w->Close();
        }
    });
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    FileSaveAsItem.Create(file, L"另存为(&A)", [this] { FileSaveAsItemClick(); });
    SaveAsText1.Create(file, L"保存文本(&T)", [this] { SaveAsText1Click(); });
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    print1.Create(file, L"打印(&P)", [this] { print1Click(); });
    PrintSet1.Create(file, L"打印设置(&S)", [this] { PrintSet1Click(); });
    Printpreview1.Create(file, L"打印预览(&V)", [this] { Printpreview1Click(); });
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    FileExitItem.Create(file, L"退出(&E)", [this] { FileExit1.Execute(); });

    Edit1.CreateSubmenu(bar, L"编辑(&E)");
    HMENU edit = Edit1.Submenu();
    CutItem.Create(edit, L"剪切(&T)\tCtrl+X", [this] { CutItemClick(); });
    CopyItem.Create(edit, L"拷贝(&C)\tCtrl+C", [this] { CopyItemClick(); });
    PasteItem.Create(edit, L"粘贴(&V)\tCtrl+V", [this] { PasteItemClick(); });
    AppendMenuW(edit, MF_SEPARATOR, 0, nullptr);
    N5.Create(edit, L"全选\tCtrl+A", [this] { N5Click(); });
    AppendMenuW(edit, MF_SEPARATOR, 0, nullptr);
    N6.Create(edit, L"查找\tCtrl+F", [this] { N6Click(); });

    N8.CreateSubmenu(bar, L"查看&(V)");
    T2.CreateSubmenu(N8.Submenu(), L"工具栏(&T)");
    HMENU bars = T2.Submenu();
    N10.Create(bars, L"分页栏(&P)", [this] { N10Click(); });
    AppendMenuW(bars, MF_SEPARATOR, 0, nullptr);
    N9.Create(bars, L"标准工具栏(&A)", [this] { N9Click(); });
    N11.Create(bars, L"地址栏(&S)", [this] { N11Click(); });
    S1.Create(bars, L"状态栏(&S)", [this] { S1Click(); });

    T1.CreateSubmenu(bar, L"工具(&T)");
    N13.CreateSubmenu(T1.Submenu(), L"弹出窗口设置");
    N14.Create(N13.Submenu(), L"阻止弹出窗口", [this] { N14Click(); });
    Internet1.Create(T1.Submenu(), L"Internet 选项(&O)", [this] { Internet1Click(); });

    // "激活收藏" builds the favorites menu (main_form_favorites.cpp).
    N19.Create(bar, L"激活收藏", [this] { N19Click(); });

    Window1.CreateSubmenu(bar, L"窗口(&W)");
    HMENU window = Window1.Submenu();
    WindowCascadeItem.Create(window, L"平铺(&C)",
                             [this] { SendMessageW(ClientHandle(), WM_MDICASCADE, 0, 0); });
    WindowTileItem.Create(window, L"水平(&H)", [this] {
        SendMessageW(ClientHandle(), WM_MDITILE, MDITILE_HORIZONTAL, 0);
    });
    WindowTileItem2.Create(window, L"垂直(&V)", [this] {
        SendMessageW(ClientHandle(), WM_MDITILE, MDITILE_VERTICAL, 0);
    });
    WindowMinimizeItem.Create(window, L"最小化(&M)", [this] {
        for (tk::MDIChildForm* c : Children()) {
            if (!c->Closing()) {
                ShowWindow(c->Handle(), SW_MINIMIZE);
            }
        }
    });
    WindowArrangeItem.Create(window, L"分组(&A)",
                             [this] { SendMessageW(ClientHandle(), WM_MDIICONARRANGE, 0, 0); });

    Help1.CreateSubmenu(bar, L"帮助(&H)");
    HMENU help = Help1.Submenu();
    HelpAboutItem.Create(help, L"关于(&A)", [this] { HelpAbout1.Execute(); });
    AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    N16.Create(help, L"使用说明(&B)", [this] { N16Click(); });
    AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    N18.Create(help, L"更新浏览器", [this] { N18Click(); });

    FileNew1.OnExecute = [this] { FileNew1Execute(); };
    FileOpen1.OnExecute = [this] { FileOpen1Execute(); };
    FileExit1.OnExecute = [this] { FileExit1Execute(); };
    HelpAbout1.OnExecute = [this] { HelpAbout1Execute(); };

    auto key = [](BYTE vk, const tk::MenuItem& item) {
        return ACCEL{FVIRTKEY | FCONTROL, vk, static_cast<WORD>(item.Command())};
    };
    ACCEL keys[] = {key('N', FileNewItem), key('O', FileOpenItem), key('X', CutItem),
                    key('C', CopyItem),    key('V', PasteItem),    key('A', N5),
                    key('F', N6)};
    accelerators_ = CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
    acceleratorFilter_ = tk::Application::AddMessageFilter([this](MSG& msg) {
        HWND frame = tk::Form::Handle();
        if (accelerators_ == nullptr || frame == nullptr || !IsWindowEnabled(frame)) {
            return false;
        }
        if (msg.hwnd != frame && !IsChild(frame, msg.hwnd)) {
            return false;
        }
        if (IsEditFieldKey(msg)) {
            return false; // the field cuts, copies, pastes and selects its own text
        }
        return TranslateAcceleratorW(frame, accelerators_, &msg) != 0;
    });
}

void TMainForm::CreateBars() {
    HWND h = tk::Form::Handle();
    HFONT font = font_.Handle();
    const int dpi = static_cast<int>(FrameDpi());
    auto S = [dpi](int px) { return MulDiv(px, dpi, 96); };

    ImageList1 = CreateFrameImages(FrameDpi());

    // Built hidden: on the shown frame every band added and every layout of the bar would lay
    // the frame out and paint the bar at once. It appears complete, in its place.
    CoolBar1.Create(h, 0, false);

    tk::ToolBar::Options o;
    o.flat = true;
    o.tooltips = true;
    ToolBar2.Create(CoolBar1.Handle(), o);
    ToolBar2.SetImages(ImageList1.Handle(), nullptr);
    ToolButton9 = ToolBar2.AddButton(
        6, [this] { FileNew1.Execute(); }, L"新建");
    ToolButton1 = ToolBar2.AddButton(
        7, [this] { FileOpen1.Execute(); }, L"打开");
    ToolButton2 = ToolBar2.AddButton(
        8, [this] { FileSaveAsItemClick(); }, L"Save As|Save current file with different name");

    ComboBox1.Create(ToolBar2.Handle(), tk::ComboBox::Kind::DropDownList, 0, 0, S(kSiteListWidth),
                     S(200), font);
    ComboBox1.OnCloseUp = [this] { ComboBox1CloseUp(); };
    ToolBar2.AddControl(ComboBox1, S(kSiteListWidth));
    ToolButton4 = ToolBar2.AddButton(12, [this] { ToolButton4Click(); });
    ToolBar2.AddSeparator(S(kSearchSeparator));

    Edit2.Create(ToolBar2.Handle(), 0, 0, S(kSearchWordWidth), S(21), font);
    Edit2.SetText(L"电影");
    ToolBar2.AddControl(Edit2, S(kSearchWordWidth));
    struct Search {
        tk::SpeedButton* button;
        const wchar_t* caption;
        void (TMainForm::*handler)();
    };
    Search searches[] = {{&SpeedButton1, L"网页", &TMainForm::SpeedButton1Click},
                         {&SpeedButton2, L"图片", &TMainForm::SpeedButton2Click},
                         {&SpeedButton3, L"MP3", &TMainForm::SpeedButton3Click},
                         {&SpeedButton4, L"百度", &TMainForm::SpeedButton4Click}};
    for (const Search& s : searches) {
        s.button->Create(ToolBar2.Handle(), s.caption, 0, 0, S(kSearchButtonWidth), S(22), font);
        auto handler = s.handler;
        s.button->OnClick = [this, handler] { (this->*handler)(); };
        ToolBar2.AddControl(*s.button, S(kSearchButtonWidth));
    }
    SIZE tb = ToolBar2.IdealSize();
    int barHeight = std::max<int>(tb.cy, S(kToolBarHeight));
    ToolBar2.SetBounds(0, 0, tb.cx, barHeight);

    TabControl1.Create(CoolBar1.Handle(), 0, 0, S(kTabBandWidth), S(24), font);
    TabControl1.OnChange = [this] { TabControl1Change(); };
    TabControl1.OnMouseUp = [this](int button, int x, int y) { TabControl1MouseUp(button, x, y); };
    int tabHeight = TabControl1.IdealHeight();

    // The tab strip may be dragged over the end of the tool bar.
    CoolBar1.AddBand(ToolBar2.Handle(), L"", S(kToolBarBandMinWidth), barHeight, tb.cx + S(12));
    CoolBar1.AddBand(TabControl1.Handle(), L"", S(kTabBandMinWidth), tabHeight, S(kTabBandWidth));
}

void TMainForm::FormCreate() {
    const kv::AnsiCodec& codec = tk::SystemCodec();
    SetSiteItems(kv::BuiltInSiteItems(codec));
    // Unreadable list files are reported and the start goes on with what is there.
    ReadHistoryFile();
    std::wstring sites = ProgramFolder + L"newslist.txt";
    if (tk::FileExists(sites)) {
        tk::Guard([&] { SetSiteItems(kv::SplitLines(tk::ReadFileBytes(sites))); });
    }
    kv::EnsurePartnerHome(ListBoxURL, codec);
    LastTabTime = Now();
    N10.SetChecked(true);
    N11.SetChecked(true);
    N9.SetChecked(true);
    ReadSettingsFile();
}

void TMainForm::ReadSettingsFile() {
    // Whatever goes wrong here is ignored: the defaults stay.
    try {
        kv::StartSettings s = kv::ReadSettings(kv::SplitLines(tk::ReadFileBytes(settingsPath_)));
        if (s.tabTop) {
            // The file holds 96-DPI pixels: the same place on this screen keeps the tool bar's
            // buttons and the tab strip where they were.
            const UINT dpi = FrameDpi();
            POINT p = CoolBar1.ChildPosition(1);
            PlaceTabStrip(s.tabLeft ? kv::FromFilePixels(*s.tabLeft, dpi) : p.x,
                          kv::FromFilePixels(*s.tabTop, dpi),
                          s.tabDpi.value_or(96) != static_cast<int>(dpi));
        }
        if (s.n10) {
            N10.SetChecked(*s.n10);
        }
        if (s.n14) {
            N14.SetChecked(*s.n14);
        }
        if (s.n11) {
            N11.SetChecked(*s.n11);
        }
        if (s.n9) {
            N9.SetChecked(*s.n9);
        }
        if (s.complete) {
            showCoolBar_ = N10.Checked();
        }
    } catch (...) {
    }
}

void TMainForm::FormShow() {
    // Read here rather than at construction: the shell's library loads on first use, once the
    // frame is on the screen.
    if (start_.useCommandLine) {
        start_.arguments = CommandLineArguments();
    }
    TMDIChild* first =
        OpenBrowserWindow(kv::WindowCaption(kv::kWindowCaptionPrefix, BrowserWindowCount()));
    // Painted before the engine's first navigation, which holds the thread for a while.
    RedrawWindow(tk::Form::Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (Stopped(first->WebBrowser1->NavigateBlank())) {
        return; // the window or the program went away during the wait
    }
    for (const std::wstring& arg : start_.arguments) {
        TMDIChild* w =
            OpenBrowserWindow(kv::WindowCaption(kv::kWindowCaptionPrefix, BrowserWindowCount()));
        w->WebBrowser1->NavigateUrl(kv::LowerAsciiLetters(arg)); // ASCII letters only
        // Each window settles (is painted, its engine's first events handled) before the next
        // one opens: opening many windows with all of that still pending costs several times
        // as much per window, more the more windows there are.
        if (tk::Application::ProcessMessages() == tk::PumpResult::Quit ||
            !IsWindow(tk::Form::Handle())) {
            return; // the program is ending
        }
    }
    AskToRestoreSession();
}

// ---- Layout

int TMainForm::TopBarsHeight() {
    return CoolBar1.HandleAllocated() ? CoolBar1.Height() : 0;
}

void TMainForm::LayoutBars() {
    HWND h = tk::Form::Handle();
    if (h == nullptr || !CoolBar1.HandleAllocated()) {
        return;
    }
    RECT r{};
    GetClientRect(h, &r);
    CoolBar1.Resize(r.right);
    LayoutClient();
}

LRESULT TMainForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        LayoutBars();
        return 0;
    case WM_DPICHANGED: {
        // Moved to a monitor of another scale: the bars follow it, and the window takes the
        // place the system suggests for it there. The tab strip keeps its place, measured as
        // the settings file keeps it.
        const bool placed = CoolBar1.HandleAllocated();
        const POINT tab = placed ? CoolBar1.ChildPosition(1) : POINT{};
        const int tabLeft = kv::ToFilePixels(tab.x, FrameDpi());
        const int tabTop = kv::ToFilePixels(tab.y, FrameDpi());
        ApplyDpi(HIWORD(wParam));
        const RECT* r = reinterpret_cast<const RECT*>(lParam);
        if (r != nullptr) {
            SetWindowPos(tk::Form::Handle(), nullptr, r->left, r->top, r->right - r->left,
                         r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        LayoutBars();
        if (placed) {
            PlaceTabStrip(kv::FromFilePixels(tabLeft, FrameDpi()),
                          kv::FromFilePixels(tabTop, FrameDpi()), true);
        }
        return 0;
    }
    case WM_QUERYENDSESSION:
        // Log-off or shutdown ends the program without its exit question: the history and the
        // settings are saved now. A file that cannot be written is reported and the end of the
        // session is refused, as a failed write at exit keeps the frame.
        if (!tk::Guard([this] { WriteFiles(); })) {
            return FALSE;
        }
        if (session_) {
            session_->MarkClean();
        }
        return TRUE;
    case WM_ENDSESSION:
        // Saved when the session asked; an end that did not come leaves the program running.
        if (wParam == FALSE && session_) {
            session_->Resume();
        }
        return 0;
    case kHistoryLoadedMessage:
        // Any process can post this: it carries nothing, and only the frame's own loader,
        // once finished, is taken.
        if (historyLoader_ != nullptr && historyLoader_->Done()) {
            tk::Guard([this] { FinishHistoryLoad(); });
        }
        return 0;
    case WM_TIMER:
        if (wParam == kSessionTimer) {
            if (session_) {
                session_->OnTimer();
            }
            return 0;
        }
        break;
    default:
        break;
    }
    return tk::MDIFrameForm::WndProc(msg, wParam, lParam);
}

void TMainForm::PlaceTabStrip(int left, int top, bool keepButtons) {
    // Called while the tool bar's band has its full width: the tab strip then starts where
    // the last search button is still shown.
    const POINT full = CoolBar1.ChildPosition(1);
    CoolBar1.SetChildPosition(1, left, top);
    if (!keepButtons) {
        return; // at the scale it was made at, the user's own place, buttons covered or not
    }
    // Sizes do not scale exactly (band borders keep their pixels): a place kept from another
    // scale must not cover the tool bar's buttons when the strip follows them in their row.
    const POINT bar = CoolBar1.ChildPosition(0);
    const POINT tab = CoolBar1.ChildPosition(1);
    const RECT tools = ToolBar2.BoundsInParent();
    const bool sameRow = tab.y < bar.y + (tools.bottom - tools.top);
    if (sameRow && tab.x > bar.x && tab.x < full.x) {
        CoolBar1.SetChildPosition(1, full.x, tab.y);
    }
}

UINT TMainForm::FrameDpi() const {
    return dpi_ != 0 ? dpi_ : tk::DpiOf(tk::Form::Handle());
}

void TMainForm::ApplyDpi(UINT dpi) {
    if (dpi == 0) {
        return;
    }
    // Only top-level windows hear of the change: the browser windows follow the frame, and
    // windows opened from now on are built for it. Before the bars exist, they are built for it.
    dpi_ = dpi;
    if (!CoolBar1.HandleAllocated()) {
        return;
    }
    for (tk::MDIChildForm* c : Children()) {
        if (!c->Closing()) {
            static_cast<TMDIChild*>(c)->ApplyDpi(dpi);
        }
    }
    auto S = [dpi](int px) { return MulDiv(px, static_cast<int>(dpi), 96); };
    // The new font goes to the controls before the old one is deleted.
    tk::Font font(L"宋体", 12, GB2312_CHARSET, dpi);
    tk::Control* texts[] = {&ComboBox1,    &Edit2,        &SpeedButton1, &SpeedButton2,
                            &SpeedButton3, &SpeedButton4, &TabControl1};
    for (tk::Control* c : texts) {
        c->SetFont(font.Handle());
    }
    font_ = std::move(font);

    tk::ImageList images = CreateFrameImages(dpi);
    HWND bar = ToolBar2.Handle();
    SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(S(16), S(16)));
    ToolBar2.SetImages(images.Handle(), nullptr);
    ImageList1 = std::move(images);

    // The tool bar's controls sit on separators, in the order they were added.
    struct Slot {
        tk::Control* control;
        int width;
        int height;
    };
    const Slot slots[] = {
        {&ComboBox1, kSiteListWidth, 200},       {nullptr, kSearchSeparator, 0},
        {&Edit2, kSearchWordWidth, 21},          {&SpeedButton1, kSearchButtonWidth, 22},
        {&SpeedButton2, kSearchButtonWidth, 22}, {&SpeedButton3, kSearchButtonWidth, 22},
        {&SpeedButton4, kSearchButtonWidth, 22}};
    int count = static_cast<int>(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0));
    std::vector<int> separators;
    for (int i = 0; i < count; ++i) {
        TBBUTTON b{};
        SendMessageW(bar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
        if ((b.fsStyle & BTNS_SEP) != 0) {
            separators.push_back(i);
        }
    }
    size_t n = std::min(separators.size(), std::size(slots));
    for (size_t k = 0; k < n; ++k) {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_SIZE | TBIF_BYINDEX;
        info.cx = static_cast<WORD>(S(slots[k].width));
        SendMessageW(bar, TB_SETBUTTONINFOW, static_cast<WPARAM>(separators[k]),
                     reinterpret_cast<LPARAM>(&info));
    }
    SendMessageW(bar, TB_AUTOSIZE, 0, 0);
    for (size_t k = 0; k < n; ++k) {
        if (slots[k].control == nullptr) {
            continue;
        }
        RECT r{};
        SendMessageW(bar, TB_GETITEMRECT, static_cast<WPARAM>(separators[k]),
                     reinterpret_cast<LPARAM>(&r));
        slots[k].control->SetBounds(r.left, r.top, r.right - r.left, S(slots[k].height));
        RECT placed = slots[k].control->BoundsInParent();
        int h = placed.bottom - placed.top;
        int top = r.top + ((r.bottom - r.top) - h) / 2;
        slots[k].control->SetBounds(r.left, top < 0 ? 0 : top, r.right - r.left,
                                    S(slots[k].height));
    }
    SIZE tb = ToolBar2.IdealSize();
    int barHeight = std::max<int>(tb.cy, S(kToolBarHeight));
    ToolBar2.SetBounds(0, 0, tb.cx, barHeight);
    int tabHeight = TabControl1.IdealHeight();

    struct Band {
        int minWidth, minHeight, width;
    };
    const Band bands[] = {{S(kToolBarBandMinWidth), barHeight, tb.cx + S(12)},
                          {S(kTabBandMinWidth), tabHeight, S(kTabBandWidth)}};
    for (int i = 0; i < 2; ++i) {
        REBARBANDINFOW rb{};
        rb.cbSize = sizeof(rb);
        rb.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE;
        rb.cxMinChild = static_cast<UINT>(bands[i].minWidth);
        rb.cyMinChild = static_cast<UINT>(bands[i].minHeight);
        rb.cx = static_cast<UINT>(bands[i].width);
        SendMessageW(CoolBar1.Handle(), RB_SETBANDINFOW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&rb));
    }
}

// ---- Exit

void TMainForm::DoCloseQuery(bool& canClose) {
    // Every window gives up its tab in its close query; if the exit does not happen after
    // all, each open window gets its tab back in the old order.
    std::vector<TMDIChild*> order = TabWindows();
    exitQuery_ = true;
    try {
        tk::MDIFrameForm::DoCloseQuery(canClose);
    } catch (...) {
        tk::ReportCurrentException();
        canClose = false;
    }
    exitQuery_ = false;
    if (canClose) {
        return;
    }
    auto alive = [this](TMDIChild* w) {
        const auto& c = Children();
        return std::find(c.begin(), c.end(), w) != c.end() && !w->Closing();
    };
    for (TMDIChild* w : order) {
        if (alive(w)) {
            UpdateWindowTabs(w, TTabAction::TabAdd);
        }
    }
    for (tk::MDIChildForm* c : Children()) {
        auto* w = static_cast<TMDIChild*>(c);
        if (alive(w)) {
            UpdateWindowTabs(w, TTabAction::TabAdd);
        }
    }
}

void TMainForm::FormCloseQuery(bool& CanClose) {
    if (tk::MessageBox(L"真的要退出么?", L"Quelmar浏览器", MB_OKCANCEL) != IDOK) {
        CanClose = false;
        return;
    }
    WriteFiles();
    // A normal end: the next start has no windows to offer.
    if (session_) {
        session_->MarkClean();
    }
}

void TMainForm::WriteFiles() {
    // Never the start's empty history over the user's file.
    FinishHistoryLoad();
    tk::WriteFileReplacing(ProgramFolder + kv::kHistoryFileName, ListBoxURL.ToFileBytes());
    kv::SavedSettings s;
    POINT tab = CoolBar1.ChildPosition(1);
    s.tabTop = kv::ToFilePixels(tab.y, FrameDpi());
    s.tabLeft = kv::ToFilePixels(tab.x, FrameDpi());
    s.dpi = static_cast<int>(FrameDpi());
    s.n10 = N10.Checked();
    s.n14 = N14.Checked();
    s.n11 = N11.Checked();
    s.n9 = N9.Checked();
    SYSTEMTIME now{};
    GetLocalTime(&now);
    s.year = now.wYear;
    s.month = now.wMonth;
    s.day = now.wDay;
    tk::WriteFileReplacing(settingsPath_, kv::JoinLines(kv::WriteSettings(s)));
}
