// The frame's main menu and tool bar against the stand-in engine: every command reached
// through its caption as the user sees it, the shortcuts (also in the edit fields), the page
// commands on the active window, waits and dialogs of a window that is closed meanwhile, the
// view toggles and the windows of the Help menu.
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "host/embedded_browser.h"
#include "toolkit/application.h"
#include "win32/support/frame_start.h"
#include "win32/support/engines.h"
#include "win32/support/file_dialog.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::wstring>;
constexpr const wchar_t* kOpenCaption = L"Browser Open Dialog - Internet Files and Url Shortcuts";

std::wstring MenuText(HMENU menu, int pos) {
    wchar_t buf[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(pos), buf, 128, MF_BYPOSITION);
    return buf;
}

// Captions of a menu's items in order, separators as "-".
Strings Captions(HMENU menu, int count = -1) {
    Strings v;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n && (count < 0 || i < count); ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        v.push_back((info.fType & MFT_SEPARATOR) != 0 ? L"-" : MenuText(menu, i));
    }
    return v;
}

// The submenu or the command id of the item reached by captions from the menu bar.
HMENU Submenu(HMENU bar, const Strings& path) {
    HMENU m = bar;
    for (const auto& caption : path) {
        HMENU next = nullptr;
        for (int i = 0; i < GetMenuItemCount(m); ++i) {
            if (MenuText(m, i) == caption) {
                next = GetSubMenu(m, i);
                break;
            }
        }
        if (next == nullptr) {
            return nullptr;
        }
        m = next;
    }
    return m;
}

UINT Command(HMENU bar, Strings path) {
    std::wstring last = path.back();
    path.pop_back();
    HMENU m = Submenu(bar, path);
    for (int i = 0; m != nullptr && i < GetMenuItemCount(m); ++i) {
        if (MenuText(m, i) == last) {
            return GetMenuItemID(m, i);
        }
    }
    return 0;
}

class FrameCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        kvtest::ResetFileDialogs();
        stub::ClearPages();
        waitLimit_ = host::TEmbeddedBrowser::WaitLimitMs();
    }
    void TearDown() override {
        frame_.reset();
        kvtest::DrainQuit();
        stub::ClearPages();
        host::TEmbeddedBrowser::SetWaitLimitMs(waitLimit_);
        EXPECT_EQ(kvtest::PendingModals(), 0u);
        EXPECT_EQ(kvtest::PendingFileDialogs(), 0u);
        kvtest::ResetFileDialogs();
    }
    TMainForm& Open() { return kvtest::ShowFrame(frame_, kvtest::FrameStartIn(program_.Path())); }
    bool Exit() {
        kvtest::ExpectModal(IDOK, L"真的要退出么?");
        bool closed = frame_->Close();
        kvtest::DrainQuit();
        frame_.reset();
        return closed;
    }
    // Runs the menu item with these captions as a click on it does.
    void Menu(const Strings& path) {
        UINT id = Command(frame_->MainMenu1.Handle(), path);
        ASSERT_NE(id, 0u) << "no such menu item";
        SendMessageW(frame_->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    }
    // A key pressed with Ctrl held, delivered to window as the message loop does.
    void CtrlKey(HWND window, WORD vk) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        keys[VK_LCONTROL] = 0x80;
        SetKeyboardState(keys);
        MSG m{};
        m.hwnd = window;
        m.message = WM_KEYDOWN;
        m.wParam = vk;
        m.lParam = 1 | (static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16);
        tk::Application::DispatchOne(m);
        kvtest::PumpIdle();
        keys[VK_CONTROL] = 0;
        keys[VK_LCONTROL] = 0;
        SetKeyboardState(keys);
    }
    bool CloseWindow(TMDIChild* w) {
        size_t before = frame_->Children().size();
        w->Close();
        return kvtest::PumpUntil([&] { return frame_->Children().size() == before - 1; }, 3000);
    }
    static stub::Engine* EngineOf(TMDIChild* w) {
        return kvtest::EngineOf(w->WebBrowser1->DefaultInterface());
    }
    // The active window showing a complete page with this text.
    TMDIChild* ShowPage(const std::wstring& text) {
        stub::Page p;
        p.title = L"Page";
        p.text = text;
        stub::SetPage(L"http://page.example/", p);
        TMDIChild* w = frame_->ActiveBrowserWindow();
        w->WebBrowser1->NavigateUrl(L"http://page.example/");
        EXPECT_EQ(w->WebBrowser1->WaitForComplete(), host::WaitResult::Complete);
        kvtest::PumpIdle();
        return w;
    }

    stub::ScopedRegistration engine_;
    DWORD waitLimit_ = 0;
    kvtest::TempFolder program_{L"kvcmd"};
    std::unique_ptr<TMainForm> frame_;
};

TEST_F(FrameCommandsTest, MenuCaptionsAndShortcutsAreThoseOfTheProgram) {
    TMainForm& f = Open();
    HMENU bar = f.MainMenu1.Handle();
    Strings top;
    for (const auto& c : Captions(bar)) {
        if (!c.empty()) { // a maximised window adds image items of its own
            top.push_back(c);
        }
    }
    EXPECT_EQ(top, (Strings{L"文件(&A)", L"编辑(&E)", L"查看&(V)", L"工具(&T)", L"激活收藏",
                            L"窗口(&W)", L"帮助(&H)"}));
    EXPECT_EQ(Captions(Submenu(bar, {L"文件(&A)"})),
              (Strings{L"新建(&N)\tCtrl+N", L"打开(&O)\tCtrl+O", L"关闭(&C)", L"-", L"另存为(&A)",
                       L"保存文本(&T)", L"-", L"打印(&P)", L"打印设置(&S)", L"打印预览(&V)", L"-",
                       L"退出(&E)"}));
    EXPECT_EQ(Captions(Submenu(bar, {L"编辑(&E)"})),
              (Strings{L"剪切(&T)\tCtrl+X", L"拷贝(&C)\tCtrl+C", L"粘贴(&V)\tCtrl+V", L"-",
                       L"全选\tCtrl+A", L"-", L"查找\tCtrl+F"}));
    EXPECT_EQ(Captions(Submenu(bar, {L"查看&(V)"})), (Strings{L"工具栏(&T)"}));
    EXPECT_EQ(Captions(Submenu(bar, {L"查看&(V)", L"工具栏(&T)"})),
              (Strings{L"分页栏(&P)", L"-", L"标准工具栏(&A)", L"地址栏(&S)", L"状态栏(&S)"}));
    EXPECT_EQ(Captions(Submenu(bar, {L"工具(&T)"})),
              (Strings{L"弹出窗口设置", L"Internet 选项(&O)"}));
    EXPECT_EQ(Captions(Submenu(bar, {L"工具(&T)", L"弹出窗口设置"})), (Strings{L"阻止弹出窗口"}));
    EXPECT_EQ(Captions(Submenu(bar, {L"窗口(&W)"}), 5),
              (Strings{L"平铺(&C)", L"水平(&H)", L"垂直(&V)", L"最小化(&M)", L"分组(&A)"}));
    EXPECT_EQ(Captions(Submenu(bar, {L"帮助(&H)"})),
              (Strings{L"关于(&A)", L"-", L"使用说明(&B)", L"-", L"更新浏览器"}));
}

TEST_F(FrameCommandsTest, WithoutAWindowPageCommandsDoNothingWhileOpenOpensKV1First) {
    TMainForm& f = Open();
    ASSERT_TRUE(CloseWindow(f.ActiveBrowserWindow()));
    ASSERT_EQ(f.BrowserWindowCount(), 0);
    Menu({L"编辑(&E)", L"剪切(&T)\tCtrl+X"});
    Menu({L"文件(&A)", L"打印(&P)"});
    Menu({L"编辑(&E)", L"查找\tCtrl+F"});
    Menu({L"文件(&A)", L"保存文本(&T)"});
    Menu({L"文件(&A)", L"打印预览(&V)"});
    Menu({L"工具(&T)", L"Internet 选项(&O)"});
    EXPECT_EQ(f.BrowserWindowCount(), 0);
    EXPECT_TRUE(kvtest::SeenModals().empty());
    EXPECT_TRUE(kvtest::SeenFileDialogs().empty());

    std::wstring file = program_.Path() + L"local.htm";
    kvtest::AnswerFileDialog(kOpenCaption, file);
    Menu({L"文件(&A)", L"打开(&O)\tCtrl+O"});
    ASSERT_EQ(f.BrowserWindowCount(), 1);
    TMDIChild* w = f.ActiveBrowserWindow();
    EXPECT_EQ(w->Caption(), L"KV-1");
    ASSERT_EQ(kvtest::SeenFileDialogs().size(), 1u);
    EXPECT_EQ(kvtest::SeenFileDialogs()[0].filters, (Strings{L"Internet Files and Url Shortcuts"}));
    // The chosen file went to the new window; it was not navigated before.
    ASSERT_EQ(EngineOf(w)->Navigations().size(), 1u);
    EXPECT_EQ(EngineOf(w)->Navigations()[0].url, file);
}

TEST_F(FrameCommandsTest, PageCommandsReachTheActiveWindowsPage) {
    TMainForm& f = Open();
    f.FileNew1Execute(); // "KV-2" becomes active
    TMDIChild* w = ShowPage(L"text");
    stub::Engine* e = EngineOf(w);
    stub::Engine* other = EngineOf(f.TabWindows()[0]);
    Menu({L"编辑(&E)", L"剪切(&T)\tCtrl+X"});
    Menu({L"编辑(&E)", L"拷贝(&C)\tCtrl+C"});
    Menu({L"编辑(&E)", L"粘贴(&V)\tCtrl+V"});
    Menu({L"编辑(&E)", L"全选\tCtrl+A"});
    Menu({L"编辑(&E)", L"查找\tCtrl+F"});
    Menu({L"文件(&A)", L"另存为(&A)"});
    Menu({L"工具(&T)", L"Internet 选项(&O)"});
    Menu({L"文件(&A)", L"打印预览(&V)"});
    Menu({L"文件(&A)", L"打印(&P)"});
    Menu({L"文件(&A)", L"打印设置(&S)"});
    f.ToolBar2.ClickButton(f.ToolButton2); // Save as
    EXPECT_EQ(e->Commands(),
              (Strings{L"Exec none 11 0", L"Exec none 12 0", L"Exec none 13 0", L"Exec none 17 0",
                       L"Exec CGID_WebBrowser 1 0", L"Exec none 4 0", L"Exec CGID_WebBrowser 3 0",
                       L"ExecWB 7 2", L"ExecWB 6 1", L"ExecWB 8 1", L"Exec none 4 0"}));
    EXPECT_TRUE(other->Commands().empty());

    // The engine refuses to print: the default error report shows the platform's text.
    e->FailNext(L"ExecWB", E_ACCESSDENIED);
    kvtest::ExpectModal(IDOK);
    Menu({L"文件(&A)", L"打印(&P)"});
    ASSERT_EQ(kvtest::SeenModals().size(), 1u);
    wchar_t platform[256] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_ACCESS_DENIED, 0, platform, 256, nullptr);
    std::wstring expected(platform);
    ASSERT_GE(expected.size(), 4u);
    EXPECT_NE(kvtest::SeenModals()[0].text.find(expected.substr(0, 4)), std::wstring::npos);
    kvtest::ResetModals();

    // Open from the tool bar shows the chosen file in the active window.
    std::wstring file = program_.Path() + L"tool.html";
    kvtest::AnswerFileDialog(kOpenCaption, file);
    f.ToolBar2.ClickButton(f.ToolButton1);
    EXPECT_EQ(e->Navigations().back().url, file);
    EXPECT_EQ(f.BrowserWindowCount(), 2);

    // Save text writes the page's text.
    std::wstring saved = program_.Path() + L"page.txt";
    kvtest::AnswerFileDialog(L"Web Site Text", saved);
    ShowPage(L"abc");
    Menu({L"文件(&A)", L"保存文本(&T)"});
    EXPECT_EQ(kvtest::ReadBytes(saved), std::optional<std::string>("abc\r\n"));
    EXPECT_TRUE(kvtest::SeenModals().empty());
}

TEST_F(FrameCommandsTest, CommandsOnABlankWindowSendNothingAndReportNothing) {
    // The blank page shows no document, as under an engine without a renderer.
    stub::Page never;
    never.neverComplete = true;
    stub::SetPage(L"about:blank", never);
    host::TEmbeddedBrowser::SetWaitLimitMs(200);
    TMainForm& f = Open();
    stub::Engine* e = EngineOf(f.ActiveBrowserWindow());
    for (Strings item :
         {Strings{L"编辑(&E)", L"剪切(&T)\tCtrl+X"}, Strings{L"编辑(&E)", L"拷贝(&C)\tCtrl+C"},
          Strings{L"编辑(&E)", L"粘贴(&V)\tCtrl+V"}, Strings{L"编辑(&E)", L"全选\tCtrl+A"},
          Strings{L"编辑(&E)", L"查找\tCtrl+F"}, Strings{L"文件(&A)", L"另存为(&A)"},
          Strings{L"工具(&T)", L"Internet 选项(&O)"}, Strings{L"文件(&A)", L"打印预览(&V)"},
          Strings{L"文件(&A)", L"打印(&P)"}, Strings{L"文件(&A)", L"打印设置(&S)"}}) {
        Menu(item);
    }
    EXPECT_TRUE(e->Commands().empty());
    EXPECT_TRUE(kvtest::SeenModals().empty());
}

TEST_F(FrameCommandsTest, ShortcutsReachThePageButLeaveTheEditFieldsTheirKeys) {
    TMainForm& f = Open();
    TMDIChild* w = ShowPage(L"text");
    stub::Engine* e = EngineOf(w);
    HWND page = w->WebBrowser1->Handle();
    for (WORD vk : {'X', 'C', 'V', 'A', 'F'}) {
        CtrlKey(page, vk);
    }
    EXPECT_EQ(e->Commands(), (Strings{L"Exec none 11 0", L"Exec none 12 0", L"Exec none 13 0",
                                      L"Exec none 17 0", L"Exec CGID_WebBrowser 1 0"}));

    // In the search box and the address box the keys edit the field.
    HWND search = f.Edit2.Handle();
    HWND address = FindWindowExW(w->URLS.Handle(), nullptr, L"Edit", nullptr);
    ASSERT_NE(address, nullptr);
    SetWindowTextW(address, L"");
    SendMessageW(search, EM_SETSEL, 0, -1);
    CtrlKey(search, 'C');
    CtrlKey(address, 'V');
    EXPECT_EQ(w->URLS.Text(), L"电影");
    CtrlKey(address, 'A');
    CtrlKey(address, 'X');
    EXPECT_EQ(w->URLS.Text(), L"");
    CtrlKey(search, 'F');
    EXPECT_EQ(e->Commands().size(), 5u); // the page got nothing more

    // Ctrl+N and Ctrl+O work from anywhere.
    CtrlKey(address, 'N');
    EXPECT_EQ(f.BrowserWindowCount(), 2);
    EXPECT_EQ(EngineOf(f.ActiveBrowserWindow())->Navigations().back().url, L"about:blank");
    kvtest::AnswerFileDialog(kOpenCaption, L"");
    CtrlKey(search, 'O');
    EXPECT_EQ(kvtest::SeenFileDialogs().size(), 1u);
}

TMDIChild* g_closing = nullptr;

void CALLBACK CloseWindowTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_closing != nullptr) {
        g_closing->Close();
    }
}

TEST_F(FrameCommandsTest, WindowClosedDuringThePrintWaitEndsTheCommand) {
    TMainForm& f = Open();
    TMDIChild* w = ShowPage(L"text");
    stub::Page never;
    never.neverComplete = true;
    stub::SetPage(L"http://slow.example/", never);
    // Far longer than the test may take: only the close can end the wait in time.
    host::TEmbeddedBrowser::SetWaitLimitMs(60000);
    w->WebBrowser1->NavigateUrl(L"http://slow.example/");
    stub::ClearCallLog();
    g_closing = w;
    SetTimer(nullptr, 0, 50, CloseWindowTimer);
    ULONGLONG start = GetTickCount64();
    Menu({L"文件(&A)", L"打印(&P)"});
    ULONGLONG waited = GetTickCount64() - start;
    g_closing = nullptr;
    EXPECT_LT(waited, 20000u) << "the print went on waiting for the closed window's page";
    EXPECT_TRUE(kvtest::PumpUntil([&] { return f.BrowserWindowCount() == 0; }, 3000));
    EXPECT_TRUE(kvtest::PumpUntil([&] { return f.Children().empty(); }, 3000));
    for (const auto& entry : stub::CallLog()) {
        EXPECT_NE(entry.compare(0, 6, L"ExecWB"), 0);
    }
    EXPECT_TRUE(kvtest::SeenModals().empty());
}

TEST_F(FrameCommandsTest, WindowClosedWhileItsSaveDialogIsOpenWritesNothing) {
    TMainForm& f = Open();
    TMDIChild* w = ShowPage(L"abc");
    std::wstring path = program_.Path() + L"closed.txt";
    kvtest::FileDialogAnswer a;
    a.caption = L"Web Site Text";
    a.fileName = path;
    a.whileOpen = [w] { w->Close(); };
    kvtest::AnswerFileDialog(a);
    Menu({L"文件(&A)", L"保存文本(&T)"});
    EXPECT_FALSE(kvtest::Exists(path));
    EXPECT_TRUE(kvtest::PumpUntil([&] { return f.Children().empty(); }, 3000));

    f.FileNew1Execute();
    TMDIChild* v = f.ActiveBrowserWindow();
    stub::Engine* e = EngineOf(v);
    kvtest::FileDialogAnswer o;
    o.caption = kOpenCaption;
    o.fileName = program_.Path() + L"x.html";
    o.whileOpen = [v] { v->Close(); };
    kvtest::AnswerFileDialog(o);
    size_t before = e->Navigations().size();
    Menu({L"文件(&A)", L"打开(&O)\tCtrl+O"});
    EXPECT_EQ(e->Navigations().size(), before);
    EXPECT_TRUE(kvtest::SeenModals().empty());
}

TEST_F(FrameCommandsTest, TextThatCannotBeWrittenIsReportedAndTheOldFileStays) {
    Open();
    ShowPage(L"abc");
    kvtest::FileDialogAnswer a;
    a.caption = L"Web Site Text";
    a.fileName = program_.Path() + L"missing folder\\page.txt";
    a.thenMessageBox = IDOK;
    kvtest::AnswerFileDialog(a);
    Menu({L"文件(&A)", L"保存文本(&T)"});
    ASSERT_EQ(kvtest::SeenModals().size(), 1u);
    EXPECT_NE(kvtest::SeenModals()[0].text.find(L"missing folder\\page.txt"), std::wstring::npos);
    EXPECT_FALSE(kvtest::Exists(program_.Path() + L"missing folder\\page.txt"));
}

TEST_F(FrameCommandsTest, AddressBarToggleFollowsTheActiveWindowAndSurvivesARestart) {
    TMainForm& f = Open();
    f.FileNew1Execute();
    kvtest::PumpIdle();
    std::vector<TMDIChild*> w = f.TabWindows();
    ASSERT_EQ(w.size(), 2u);
    Menu({L"查看&(V)", L"工具栏(&T)", L"地址栏(&S)"});
    EXPECT_FALSE(f.N11.Checked());
    EXPECT_FALSE(w[1]->CoolBar1Visible()); // the active window at once
    EXPECT_TRUE(w[0]->CoolBar1Visible());
    w[0]->Activate();
    kvtest::PumpIdle();
    EXPECT_FALSE(w[0]->CoolBar1Visible()); // the other one when it became active
    ASSERT_TRUE(Exit());
    std::optional<std::string> ini = kvtest::ReadBytes(program_.Path() + L"kvbr.ini");
    ASSERT_TRUE(ini.has_value());
    EXPECT_NE(ini->find("\r\nN11=0\r\n"), std::string::npos);
    TMainForm& g = Open();
    EXPECT_FALSE(g.N11.Checked());
    EXPECT_FALSE(g.ActiveBrowserWindow()->CoolBar1Visible());
}

TEST_F(FrameCommandsTest, TabStripToggleAndStatusBarToggle) {
    TMainForm& f = Open();
    TMDIChild* w = f.ActiveBrowserWindow();
    // The status bar item starts unchecked on every run: hidden at the first idle moment.
    EXPECT_FALSE(f.S1.Checked());
    EXPECT_FALSE(w->StatusBar1Visible());
    Menu({L"查看&(V)", L"工具栏(&T)", L"状态栏(&S)"});
    EXPECT_TRUE(w->StatusBar1Visible());
    Menu({L"查看&(V)", L"工具栏(&T)", L"分页栏(&P)"});
    EXPECT_FALSE(f.N10.Checked());
    EXPECT_FALSE(IsWindowVisible(f.TabControl1.Handle()));
    EXPECT_FALSE(IsWindowVisible(f.ToolBar2.Handle()));
    EXPECT_FALSE(IsWindowVisible(f.Edit2.Handle())); // the search box goes with its bar
    Menu({L"查看&(V)", L"工具栏(&T)", L"分页栏(&P)"});
    EXPECT_TRUE(IsWindowVisible(f.TabControl1.Handle()));
    EXPECT_TRUE(IsWindowVisible(f.ToolBar2.Handle()));
    Menu({L"查看&(V)", L"工具栏(&T)", L"标准工具栏(&A)"});
    EXPECT_FALSE(w->ToolBar1Visible());
    Menu({L"工具(&T)", L"弹出窗口设置", L"阻止弹出窗口"});
    EXPECT_TRUE(f.N14.Checked());
    ASSERT_TRUE(Exit());
    TMainForm& g = Open();
    EXPECT_FALSE(g.S1.Checked()); // never saved
    EXPECT_TRUE(g.N14.Checked());
    EXPECT_FALSE(g.N9.Checked());
}

// Each bar of a window follows its own view item, in every combination: the active window at
// once, and a window opened afterwards from the start.
TEST_F(FrameCommandsTest, EachBarFollowsItsOwnViewItem) {
    TMainForm& f = Open();
    const struct {
        bool navigator, address, status;
    } cases[] = {
        {true, true, false},  {false, true, false}, {true, false, false}, {true, true, true},
        {false, false, true}, {false, true, true},  {true, false, true},  {false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.navigator << c.address << c.status);
        if (f.N9.Checked() != c.navigator) {
            Menu({L"查看&(V)", L"工具栏(&T)", L"标准工具栏(&A)"});
        }
        if (f.N11.Checked() != c.address) {
            Menu({L"查看&(V)", L"工具栏(&T)", L"地址栏(&S)"});
        }
        if (f.S1.Checked() != c.status) {
            Menu({L"查看&(V)", L"工具栏(&T)", L"状态栏(&S)"});
        }
        kvtest::PumpIdle();
        TMDIChild* w = f.ActiveBrowserWindow();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->ToolBar1Visible(), c.navigator);
        EXPECT_EQ(w->CoolBar1Visible(), c.address);
        EXPECT_EQ(w->StatusBar1Visible(), c.status);
        f.FileNew1Execute();
        kvtest::PumpIdle();
        TMDIChild* opened = f.ActiveBrowserWindow();
        ASSERT_NE(opened, w);
        EXPECT_EQ(opened->ToolBar1Visible(), c.navigator);
        EXPECT_EQ(opened->CoolBar1Visible(), c.address);
        EXPECT_EQ(opened->StatusBar1Visible(), c.status);
        EXPECT_EQ(IsWindowVisible(opened->StatusBar1.Handle()) != FALSE, c.status);
    }
}

TEST_F(FrameCommandsTest, HelpItemsOpenTheirPagesInNumberedWindows) {
    stub::Page never;
    never.neverComplete = true; // the windows keep their numbered captions
    for (const wchar_t* url :
         {L"http://www.quelmar.com", L"http://www.quelmar.com/kvbr/online.html",
          L"http://www.quelmar.com/kvbr/kvbr.exe"}) {
        stub::SetPage(url, never);
    }
    TMainForm& f = Open();
    Menu({L"帮助(&H)", L"关于(&A)"});
    Menu({L"帮助(&H)", L"使用说明(&B)"});
    Menu({L"帮助(&H)", L"更新浏览器"});
    kvtest::PumpIdle();
    std::vector<TMDIChild*> w = f.TabWindows();
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[1]->Caption(), L"KV-2");
    EXPECT_EQ(w[2]->Caption(), L"在线帮助-3");
    EXPECT_EQ(w[3]->Caption(), L"KV-4");
    EXPECT_EQ(f.TabControl1.TabText(2), L"在线帮助-3");
    EXPECT_EQ(EngineOf(w[1])->Navigations().back().url, L"http://www.quelmar.com");
    EXPECT_EQ(EngineOf(w[2])->Navigations().back().url, L"http://www.quelmar.com/kvbr/online.html");
    EXPECT_EQ(EngineOf(w[3])->Navigations().back().url, L"http://www.quelmar.com/kvbr/kvbr.exe");
}

TEST_F(FrameCommandsTest, NewWindowArrangementAndExit) {
    stub::Page never;
    never.neverComplete = true; // blank windows keep their numbered captions
    stub::SetPage(L"about:blank", never);
    host::TEmbeddedBrowser::SetWaitLimitMs(200);
    TMainForm& f = Open();
    Menu({L"文件(&A)", L"新建(&N)\tCtrl+N"});
    f.ToolBar2.ClickButton(f.ToolButton9);
    kvtest::PumpIdle();
    std::vector<TMDIChild*> w = f.TabWindows();
    ASSERT_EQ(w.size(), 3u);
    EXPECT_EQ(w[1]->Caption(), L"KV-2");
    EXPECT_EQ(w[2]->Caption(), L"KV-3");
    EXPECT_EQ(EngineOf(w[2])->Navigations().back().url, L"about:blank");
    Menu({L"窗口(&W)", L"垂直(&V)"});
    RECT a{}, b{}, overlap{};
    GetWindowRect(w[0]->Handle(), &a);
    GetWindowRect(w[1]->Handle(), &b);
    EXPECT_FALSE(IntersectRect(&overlap, &a, &b)); // side by side
    Menu({L"窗口(&W)", L"平铺(&C)"});
    GetWindowRect(w[0]->Handle(), &a);
    GetWindowRect(w[1]->Handle(), &b);
    EXPECT_TRUE(IntersectRect(&overlap, &a, &b)); // stacked with offsets
    EXPECT_NE(a.left, b.left);
    Menu({L"窗口(&W)", L"最小化(&M)"});
    for (TMDIChild* c : w) {
        EXPECT_TRUE(IsIconic(c->Handle()));
    }
    Menu({L"窗口(&W)", L"分组(&A)"});
    kvtest::ExpectModal(IDCANCEL, L"真的要退出么?");
    Menu({L"文件(&A)", L"退出(&E)"});
    EXPECT_TRUE(IsWindowVisible(f.Handle()));
    Menu({L"文件(&A)", L"关闭(&C)"});
    EXPECT_TRUE(kvtest::PumpUntil([&] { return f.Children().size() == 2; }, 3000));
}

} // namespace
