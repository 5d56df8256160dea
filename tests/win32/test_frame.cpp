// The frame in this process against the stand-in engine: start-up with and without files,
// the settings file, the exit question and its writes, window numbering and the tab strip.
#include "common/core/history.h"
#include "common/core/search_config.h"
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "host/embedded_browser.h"
#include "toolkit/application.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"
#include "win32/support/variants.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The built-in site items in the system's code page: GBK bytes on a Chinese system, one "?" per
// Chinese character on a Western one.
std::vector<std::string> BuiltInSiteItems() {
    if (GetACP() == 936) {
        return {"Quelmar\xc8\xed\xbc\xfe:www.quelmar.com", "\xb0\xd9\xb6\xc8:baidu.com",
                "\xcb\xd1\xba\xfc:sohu.com"};
    }
    return {"Quelmar??:www.quelmar.com", "??:baidu.com", "??:sohu.com"};
}

using kvtest::DrainQuit;

constexpr double kSecond = 1.0 / 86400.0;

std::string Utf8(const std::wstring& w) {
    std::string s;
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    s.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

std::vector<std::string> TabTexts(TMainForm& f) {
    std::vector<std::string> v;
    for (int i = 0; i < f.TabControl1.Count(); ++i) {
        v.push_back(Utf8(f.TabControl1.TabText(i)));
    }
    return v;
}

std::vector<std::string> Captions(const std::vector<TMDIChild*>& windows) {
    std::vector<std::string> v;
    for (TMDIChild* w : windows) {
        v.push_back(Utf8(w->Caption()));
    }
    return v;
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        stub::ClearPages();
        waitLimit_ = host::TEmbeddedBrowser::WaitLimitMs();
    }
    void TearDown() override {
        frame_.reset();
        DrainQuit();
        stub::ClearPages();
        host::TEmbeddedBrowser::SetWaitLimitMs(waitLimit_);
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }
    // Pages that never load keep the windows' numbered captions (no title replaces them), as
    // under an engine without a renderer; the wait for the blank page then gives up soon.
    void KeepCaptions(const std::vector<std::wstring>& urls) {
        stub::Page never;
        never.neverComplete = true;
        stub::SetPage(L"about:blank", never);
        for (const auto& u : urls) {
            stub::SetPage(u, never);
        }
        host::TEmbeddedBrowser::SetWaitLimitMs(300);
    }

    TFrameStart Start(std::vector<std::wstring> args = {}) const {
        TFrameStart s;
        s.programFolder = program_.Path();
        s.settingsPath = work_.Path() + L"kvbr.ini";
        s.arguments = std::move(args);
        s.useCommandLine = false;
        return s;
    }
    TMainForm& Open(const TFrameStart& s) {
        frame_ = std::make_unique<TMainForm>(s);
        frame_->Show(SW_SHOWNORMAL);
        kvtest::PumpIdle();
        return *frame_;
    }
    TMainForm& Open() { return Open(Start()); }
    // Asks the frame to close and answers its question; true when the frame went.
    bool Exit(int answer) {
        kvtest::ExpectModal(answer, L"真的要退出么?");
        bool closed = frame_->Close();
        DrainQuit();
        return closed;
    }
    // Closes a window the normal way and waits until it is destroyed.
    bool CloseWindow(TMDIChild* w) {
        size_t before = frame_->Children().size();
        w->Close();
        return kvtest::PumpUntil([&] { return frame_->Children().size() == before - 1; }, 3000);
    }
    std::wstring SettingsFile() const { return work_.Path() + L"kvbr.ini"; }
    std::wstring HistoryFile() const { return program_.Path() + L"UrlsList.txt"; }

    stub::ScopedRegistration engine_;
    DWORD waitLimit_ = 0;
    kvtest::TempFolder program_{L"kvprog"};
    kvtest::TempFolder work_{L"kvwork"};
    std::unique_ptr<TMainForm> frame_;
};

TEST_F(FrameTest, FirstRunWithoutFilesStartsWithDefaults) {
    KeepCaptions({});
    TMainForm& f = Open();
    EXPECT_EQ(MainForm, &f);
    EXPECT_TRUE(f.CoolBar1.Visible());
    EXPECT_TRUE(f.N10.Checked());
    EXPECT_TRUE(f.N9.Checked());
    EXPECT_TRUE(f.N11.Checked());
    EXPECT_FALSE(f.N14.Checked());
    EXPECT_FALSE(f.S1.Checked());
    EXPECT_EQ(f.ListBoxURL, std::vector<std::string>{"http://www.baidu.com/s?tn=trevox_pg"});
    EXPECT_EQ(f.SiteItems(), BuiltInSiteItems());
    EXPECT_EQ(f.ProgramFolder, program_.Path());
    ASSERT_EQ(f.BrowserWindowCount(), 1);
    TMDIChild* w = f.ActiveBrowserWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Caption(), L"KV-1");
    EXPECT_EQ(TabTexts(f), std::vector<std::string>{"KV-1"});
    EXPECT_EQ(f.TabControl1.TabIndex(), 0);
    ASSERT_EQ(stub::Last()->Navigations().size(), 1u);
    EXPECT_EQ(stub::Last()->Navigations()[0].url, L"about:blank");
    EXPECT_EQ(tk::Application::Title(), L"KV浏览器");
    EXPECT_EQ(f.Caption(), L"Quelmar浏览器V3.4");
    // S1 starts unchecked: the first idle moment hid the active window's status bar.
    EXPECT_FALSE(w->StatusBar1Visible());
    EXPECT_TRUE(w->CoolBar1Visible());
    EXPECT_TRUE(w->ToolBar1Visible());
    EXPECT_TRUE(w->Maximized());
}

// The frame is on the screen, with the task bar's title, before its bars are built and its
// files read (a start shows sooner); the first show then holds all of them, and a later show
// builds nothing again.
TEST_F(FrameTest, FrameAppearsBeforeItsBarsAreBuilt) {
    KeepCaptions({});
    kvtest::WriteBytes(program_.Path() + L"newslist.txt", "One:one.example\r\n");
    struct Observed : TMainForm {
        using TMainForm::TMainForm;
        void FormShowing() override {
            visible = IsWindowVisible(Handle()) != FALSE;
            bars = CoolBar1.HandleAllocated();
            favorites = FavoritesMenu1 != nullptr;
            sites = SiteItems().size();
            wchar_t text[32] = {};
            GetWindowTextW(tk::Application::Handle(), text, 32);
            taskBarText = text;
            TMainForm::FormShowing();
            ++showings;
        }
        bool visible = false;
        bool bars = true;
        bool favorites = true;
        size_t sites = 99;
        std::wstring taskBarText;
        int showings = 0;
    };
    tk::Application::SetTitle(L"other");
    auto f = std::make_unique<Observed>(Start());
    EXPECT_FALSE(IsWindowVisible(f->Handle()));
    f->Show(SW_SHOWNORMAL);
    kvtest::PumpIdle();
    EXPECT_TRUE(f->visible);
    EXPECT_FALSE(f->bars);
    EXPECT_FALSE(f->favorites); // it asks the shell
    EXPECT_EQ(f->sites, 0u);
    EXPECT_EQ(f->taskBarText, L"KV浏览器");
    EXPECT_EQ(f->showings, 1);
    ASSERT_TRUE(f->CoolBar1.HandleAllocated());
    EXPECT_TRUE(f->CoolBar1.Visible());
    EXPECT_EQ(f->SiteItems(), std::vector<std::string>{"One:one.example"});
    EXPECT_EQ(f->BrowserWindowCount(), 1);
    HWND bar = f->CoolBar1.Handle();

    f->Show(SW_SHOWNORMAL);
    kvtest::PumpIdle();
    EXPECT_EQ(f->showings, 1);
    EXPECT_EQ(f->CoolBar1.Handle(), bar);
    EXPECT_EQ(f->BrowserWindowCount(), 1);
    f.reset();
    DrainQuit();
}

// The bars are built out of sight and shown once complete, with the window area laid out once
// below them, without scroll bars.
TEST_F(FrameTest, WindowAreaLiesBelowTheBarsShownAtStart) {
    KeepCaptions({});
    TMainForm& f = Open();
    RECT bar{}, area{};
    GetWindowRect(f.CoolBar1.Handle(), &bar);
    GetWindowRect(f.ClientHandle(), &area);
    EXPECT_TRUE(f.CoolBar1.Visible());
    EXPECT_GT(bar.bottom - bar.top, 20);
    EXPECT_EQ(area.top, bar.bottom);
    EXPECT_EQ(GetWindowLongPtrW(f.ClientHandle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
}

TEST_F(FrameTest, HistoryAndSiteListAreReadBesideTheProgram) {
    kvtest::WriteBytes(HistoryFile(), "http://b.example/\r\nHTTP://WWW.BAIDU.COM/S?TN=TREVOX_PG\n"
                                      "\r\nc.example");
    kvtest::WriteBytes(program_.Path() + L"newslist.txt", "One:one.example\rTwo:two.example\r\n");
    TMainForm& f = Open();
    // The partner page is there in another letter case, so nothing is added; empty lines stay.
    EXPECT_EQ(f.ListBoxURL,
              (std::vector<std::string>{"http://b.example/", "HTTP://WWW.BAIDU.COM/S?TN=TREVOX_PG",
                                        "", "c.example"}));
    EXPECT_EQ(f.SiteItems(), (std::vector<std::string>{"One:one.example", "Two:two.example"}));
    // A new window lists the shared history.
    EXPECT_EQ(f.ActiveBrowserWindow()->URLS.Items(), f.ListBoxURL);
}

TEST_F(FrameTest, SettingsWrittenAtExitRestoreTabStripAndCheckMarks) {
    {
        TMainForm& f = Open();
        f.N10Click();                           // off: hides the cool bar
        f.N14Click();                           // on
        f.N11Click();                           // off
        f.N9Click();                            // off
        f.S1Click();                            // on, but never saved
        f.CoolBar1.SetChildPosition(1, 0, 200); // the tab strip on a row of its own
        POINT before = f.CoolBar1.ChildPosition(1);
        EXPECT_FALSE(f.CoolBar1.Visible());
        f.ListBoxURL.insert(f.ListBoxURL.begin(), "http://kept.example/");
        ASSERT_TRUE(Exit(IDOK));
        frame_.reset();

        auto ini = kvtest::ReadBytes(SettingsFile());
        ASSERT_TRUE(ini.has_value());
        SYSTEMTIME t{};
        GetLocalTime(&t);
        char date[32];
        wsprintfA(date, "%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
        std::string expected =
            "TabTop=" + std::to_string(before.y) + "\r\nTabLeft=" + std::to_string(before.x) +
            "\r\nN10=0\r\nN14=1\r\nN11=0\r\nN9=0\r\nLastTime=" + date + "\r\nTabDpi=96\r\n";
        EXPECT_EQ(*ini, expected);
        EXPECT_EQ(kvtest::ReadBytes(HistoryFile()).value_or(""),
                  "http://kept.example/\r\nhttp://www.baidu.com/s?tn=trevox_pg\r\n");
        EXPECT_FALSE(kvtest::Exists(SettingsFile() + L".new"));
    }
    TMainForm& g = Open();
    EXPECT_FALSE(g.N10.Checked());
    EXPECT_TRUE(g.N14.Checked());
    EXPECT_FALSE(g.N11.Checked());
    EXPECT_FALSE(g.N9.Checked());
    EXPECT_FALSE(g.S1.Checked());
    EXPECT_FALSE(g.CoolBar1.Visible());
    auto ini = kvtest::ReadBytes(SettingsFile()).value_or("");
    POINT p = g.CoolBar1.ChildPosition(1);
    EXPECT_NE(ini.find("TabTop=" + std::to_string(p.y) + "\r\nTabLeft=" + std::to_string(p.x)),
              std::string::npos)
        << ini << " now " << p.y << "," << p.x;
    EXPECT_EQ(g.ListBoxURL.front(), "http://kept.example/");
    // The restored settings reach the active window at once.
    TMDIChild* w = g.ActiveBrowserWindow();
    EXPECT_FALSE(w->CoolBar1Visible());
    EXPECT_FALSE(w->ToolBar1Visible());
}

TEST_F(FrameTest, TabStripPositionInTheSameRowSurvivesARestart) {
    POINT before{};
    {
        TMainForm& f = Open();
        POINT start = f.CoolBar1.ChildPosition(1);
        f.CoolBar1.SetChildPosition(1, start.x - 40, start.y);
        before = f.CoolBar1.ChildPosition(1);
        EXPECT_EQ(before.x, start.x - 40);
        ASSERT_TRUE(Exit(IDOK));
    }
    TMainForm& g = Open();
    POINT after = g.CoolBar1.ChildPosition(1);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
}

TEST_F(FrameTest, BadTabTopAppliesNothingAndBadTabLeftKeepsOnlyTabTop) {
    kvtest::WriteBytes(SettingsFile(),
                       "TabTop=abc\r\nTabLeft=5\r\nN10=0\r\nN14=1\r\nN11=0\r\nN9=0\r\n");
    {
        TMainForm& f = Open();
        EXPECT_TRUE(f.N10.Checked());
        EXPECT_FALSE(f.N14.Checked());
        EXPECT_TRUE(f.N11.Checked());
        EXPECT_TRUE(f.N9.Checked());
        EXPECT_TRUE(f.CoolBar1.Visible());
    }
    frame_.reset();
    kvtest::WriteBytes(SettingsFile(), "TabTop=0\r\nTabLeft=x\r\nN10=0\r\nN14=1\r\n");
    TMainForm& g = Open();
    EXPECT_TRUE(g.N10.Checked());
    EXPECT_FALSE(g.N14.Checked());
    EXPECT_TRUE(g.CoolBar1.Visible());
}

TEST_F(FrameTest, PopupBlockingAndTheExactOneRule) {
    kvtest::WriteBytes(SettingsFile(), "tabtop=0\nTABLEFT=0\nN10=1 \nN14=1\nN11=01\nN9=\n");
    TMainForm& f = Open();
    EXPECT_TRUE(f.N14.Checked());
    EXPECT_FALSE(f.N10.Checked()); // "1 " is not "1"
    EXPECT_FALSE(f.N11.Checked());
    EXPECT_FALSE(f.N9.Checked());
    EXPECT_FALSE(f.CoolBar1.Visible()); // a complete file applies N10 to the cool bar
}

TEST_F(FrameTest, SettingsComeFromTheWorkingDirectoryAndListsFromTheProgramFolder) {
    wchar_t old[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, old);
    kvtest::WriteBytes(work_.Path() + L"kvbr.ini", "TabTop=0\r\nTabLeft=0\r\nN14=1\r\n");
    kvtest::WriteBytes(HistoryFile(), "http://beside.example/\r\n");
    TFrameStart s = Start();
    s.settingsPath.clear(); // the bare name, as the program opens it
    ASSERT_TRUE(SetCurrentDirectoryW(work_.Path().c_str()));
    {
        TMainForm& f = Open(s);
        EXPECT_TRUE(f.N14.Checked());
        EXPECT_EQ(f.ListBoxURL.back(), "http://beside.example/");
    }
    frame_.reset();
    kvtest::TempFolder elsewhere(L"kvother");
    ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.Path().c_str()));
    {
        TMainForm& f = Open(s);
        EXPECT_FALSE(f.N14.Checked());
        EXPECT_EQ(f.ListBoxURL.back(), "http://beside.example/");
        ASSERT_TRUE(Exit(IDOK));
        EXPECT_TRUE(kvtest::Exists(elsewhere.Path() + L"kvbr.ini"));
    }
    frame_.reset();
    SetCurrentDirectoryW(old);
}

TEST_F(FrameTest, ArgumentsOpenOneLowerCasedWindowEach) {
    KeepCaptions({L"http://a.example/path", L"b.example"});
    TMainForm& f = Open(Start({L"HTTP://A.Example/Path", L"b.EXAMPLE"}));
    ASSERT_EQ(f.BrowserWindowCount(), 3);
    EXPECT_EQ(Captions(f.TabWindows()), (std::vector<std::string>{"KV-1", "KV-2", "KV-3"}));
    auto engines = stub::Instances();
    ASSERT_EQ(engines.size(), 3u);
    auto last = [](stub::Engine* e) {
        auto n = e->Navigations();
        return n.empty() ? std::wstring() : n.back().url;
    };
    EXPECT_EQ(last(engines[0]), L"about:blank");
    EXPECT_EQ(last(engines[1]), L"http://a.example/path");
    EXPECT_EQ(last(engines[2]), L"b.example");
    EXPECT_EQ(f.ActiveBrowserWindow(), f.TabWindows().back());
}

TEST_F(FrameTest, CancelAtTheExitQuestionWritesNothingAndKeepsEveryTab) {
    TMainForm& f = Open(Start({L"x.example", L"y.example"}));
    auto order = f.TabWindows();
    ASSERT_EQ(order.size(), 3u);
    EXPECT_FALSE(Exit(IDCANCEL));
    EXPECT_FALSE(kvtest::Exists(SettingsFile()));
    EXPECT_FALSE(kvtest::Exists(HistoryFile()));
    EXPECT_TRUE(IsWindow(f.Handle()));
    EXPECT_EQ(f.BrowserWindowCount(), 3);
    EXPECT_EQ(f.TabWindows(), order);
    EXPECT_EQ(f.TabControl1.Count(), 3);
    // The strip still works after the refused exit.
    ASSERT_TRUE(CloseWindow(order[1]));
    EXPECT_EQ(f.TabWindows(), (std::vector<TMDIChild*>{order[0], order[2]}));
}

TEST_F(FrameTest, FailingHistoryWriteKeepsFrameOpenAndOldFileIntact) {
    const std::string old = "http://old.example/\r\n";
    kvtest::WriteBytes(HistoryFile(), old);
    TMainForm& f = Open();
    f.ListBoxURL.insert(f.ListBoxURL.begin(), "http://new.example/");
    auto history = f.ListBoxURL;
    auto order = f.TabWindows();
    // Held open without sharing: the file cannot be replaced.
    HANDLE held = CreateFileW(HistoryFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    kvtest::ExpectModal(IDOK, L"真的要退出么?");
    kvtest::ExpectModal(IDOK); // the default error report
    EXPECT_FALSE(f.Close());
    DrainQuit();
    CloseHandle(held);
    EXPECT_EQ(kvtest::PendingModals(), 0u);
    auto seen = kvtest::SeenModals();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[1].text.find(L"UrlsList.txt"), std::wstring::npos);
    EXPECT_TRUE(IsWindow(f.Handle()));
    EXPECT_EQ(kvtest::ReadBytes(HistoryFile()).value_or(""), old);
    EXPECT_FALSE(kvtest::Exists(HistoryFile() + L".new"));
    EXPECT_FALSE(kvtest::Exists(SettingsFile()));
    EXPECT_EQ(f.ListBoxURL, history);
    EXPECT_EQ(f.TabWindows(), order);
    // Once the file can be written, the exit goes through.
    EXPECT_TRUE(Exit(IDOK));
    EXPECT_EQ(kvtest::ReadBytes(HistoryFile()).value_or(""),
              "http://new.example/\r\nhttp://www.baidu.com/s?tn=trevox_pg\r\n"
              "http://old.example/\r\n");
}

TEST_F(FrameTest, WindowNumbersCountTheOpenWindows) {
    KeepCaptions({});
    TMainForm& f = Open();
    f.FileNew1Execute();
    f.FileNew1Execute();
    auto w = f.TabWindows();
    ASSERT_EQ(Captions(w), (std::vector<std::string>{"KV-1", "KV-2", "KV-3"}));
    ASSERT_TRUE(CloseWindow(w[1]));
    f.FileNew1Execute();
    EXPECT_EQ(Captions(f.TabWindows()), (std::vector<std::string>{"KV-1", "KV-3", "KV-3"}));
    EXPECT_EQ(TabTexts(f), (std::vector<std::string>{"KV-1", "KV-3", "KV-3"}));
    EXPECT_EQ(stub::Last()->Navigations().back().url, L"about:blank");
}

TEST_F(FrameTest, ClosingRemovesExactlyItsTabByEveryRoute) {
    TMainForm& f = Open(Start({L"a.example", L"b.example", L"c.example", L"d.example"}));
    auto w = f.TabWindows();
    ASSERT_EQ(w.size(), 5u);
    // Close box (system menu).
    SendMessageW(w[1]->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(kvtest::PumpUntil([&] { return f.Children().size() == 4; }, 3000));
    EXPECT_EQ(f.TabWindows(), (std::vector<TMDIChild*>{w[0], w[2], w[3], w[4]}));
    // The frame's close command on the active window.
    w[3]->Activate();
    EXPECT_EQ(f.ActiveBrowserWindow(), w[3]);
    f.FileCloseItem.Click();
    ASSERT_TRUE(kvtest::PumpUntil([&] { return f.Children().size() == 3; }, 3000));
    EXPECT_EQ(f.TabWindows(), (std::vector<TMDIChild*>{w[0], w[2], w[4]}));
    // The page's own close request.
    stub::Engine* engine = stub::Instances()[1]; // live engines: w[0], w[2], w[4]
    engine->RequestClose();
    ASSERT_TRUE(kvtest::PumpUntil([&] { return f.Children().size() == 2; }, 3000));
    EXPECT_EQ(f.TabWindows(), (std::vector<TMDIChild*>{w[0], w[4]}));
    EXPECT_EQ(f.TabControl1.Count(), 2);
    EXPECT_EQ(f.BrowserWindowCount(), 2);
    EXPECT_EQ(stub::Instances().size(), 2u);
}

TEST_F(FrameTest, QuickSecondReleaseOnTheSameTabClosesItsWindow) {
    TMainForm& f = Open(Start({L"a.example", L"b.example"}));
    auto w = f.TabWindows();
    double now = 45000.5;
    f.Now = [&now] { return now; };
    HWND tabs = f.TabControl1.Handle();
    auto release = [&](UINT msg) { SendMessageW(tabs, msg, 0, MAKELPARAM(5, 5)); };

    f.TabControl1.SetTabIndex(1);
    release(WM_LBUTTONUP);
    now += 0.3 * kSecond;
    release(WM_LBUTTONUP);
    kvtest::PumpFor(50);
    EXPECT_EQ(f.Children().size(), 3u) << "0.3 s apart is no double click";
    EXPECT_EQ(f.LastTabIndex, 1);

    now += 0.2 * kSecond;
    release(WM_RBUTTONUP); // any button
    ASSERT_TRUE(kvtest::PumpUntil([&] { return f.Children().size() == 2; }, 3000));
    EXPECT_EQ(f.TabWindows(), (std::vector<TMDIChild*>{w[0], w[2]}));
    EXPECT_EQ(f.LastTabIndex, f.TabControl1.TabIndex());

    // Another tab within the time is no double click either.
    f.TabControl1.SetTabIndex(0);
    now += 0.1 * kSecond;
    release(WM_MBUTTONUP);
    kvtest::PumpFor(50);
    EXPECT_EQ(f.Children().size(), 2u);
}

TEST_F(FrameTest, NewWindowComesWithItsTitleAndSelectedTabInOneRepaint) {
    KeepCaptions({});
    TMainForm& f = Open();
    f.OpenBrowserWindow(L"KV-2");
    // Title and tab are there before anything is painted, so the frame and the tab strip are
    // each drawn once; nothing else of the frame waits for a repaint.
    wchar_t title[256] = {};
    GetWindowTextW(f.Handle(), title, 256);
    EXPECT_EQ(std::wstring(title), L"Quelmar浏览器V3.4 - [KV-2]");
    EXPECT_EQ(f.TabControl1.TabIndex(), 1);
    EXPECT_FALSE(GetUpdateRect(f.Handle(), nullptr, FALSE));
    kvtest::PumpIdle();
    GetWindowTextW(f.Handle(), title, 256);
    EXPECT_EQ(std::wstring(title), L"Quelmar浏览器V3.4 - [KV-2]");
    EXPECT_EQ(TabTexts(f), (std::vector<std::string>{"KV-1", "KV-2"}));
    EXPECT_EQ(f.TabControl1.TabIndex(), 1);
}

TEST_F(FrameTest, ActiveWindowTabAndBarsFollowAtTheNextIdleMoment) {
    TMainForm& f = Open(Start({L"a.example", L"b.example"}));
    auto w = f.TabWindows();
    EXPECT_EQ(f.TabControl1.TabIndex(), 2);
    f.N11Click(); // address bars off: the active window at once
    EXPECT_FALSE(w[2]->CoolBar1Visible());
    EXPECT_TRUE(w[0]->CoolBar1Visible());
    f.S1Click(); // status bars on
    EXPECT_TRUE(w[2]->StatusBar1Visible());
    // Activated by other means than the tab strip.
    SendMessageW(f.ClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w[0]->Handle()), 0);
    EXPECT_EQ(f.TabControl1.TabIndex(), 2);
    kvtest::PumpIdle();
    EXPECT_EQ(f.TabControl1.TabIndex(), 0);
    EXPECT_FALSE(w[0]->CoolBar1Visible());
    EXPECT_TRUE(w[0]->StatusBar1Visible());
    EXPECT_TRUE(w[0]->ToolBar1Visible());
    // Choosing a tab brings its window to the front.
    f.TabControl1.SetTabIndex(1);
    f.TabControl1Change();
    EXPECT_EQ(f.ActiveBrowserWindow(), w[1]);
    // Hiding the frame's cool bar hides the tab strip with the tool bar.
    f.N10Click();
    EXPECT_FALSE(f.CoolBar1.Visible());
    EXPECT_FALSE(IsWindowVisible(f.TabControl1.Handle()));
}

TEST_F(FrameTest, TabsShowTheStartOfThePageTitle) {
    stub::Page latin;
    latin.title = L"Abcdefghijklmnopqrstuvwxyz1234"; // 30 characters
    stub::SetPage(L"http://latin.example/", latin);
    stub::Page chinese;
    chinese.title = L"新浪网首页"; // five characters, ten bytes
    stub::SetPage(L"http://cn.example/", chinese);
    stub::Page mixed;
    mixed.title = L"ab新浪网首页新闻中心"; // a cut at ten bytes would split a character
    stub::SetPage(L"http://mixed.example/", mixed);
    TMainForm& f =
        Open(Start({L"http://latin.example/", L"http://cn.example/", L"http://mixed.example/"}));
    auto w = f.TabWindows();
    // Titles are shown as they read in the system's code page.
    bool gbk = GetACP() == 936;
    std::wstring shownMixed = gbk ? mixed.title : L"ab?????????";
    ASSERT_TRUE(kvtest::PumpUntil([&] { return w[3]->Caption() == shownMixed; }, 3000));
    kvtest::PumpIdle();
    EXPECT_EQ(w[1]->Caption(), latin.title);
    EXPECT_EQ(f.TabControl1.TabText(1), L"Abcdefghij");
    EXPECT_EQ(f.TabControl1.TabText(2), gbk ? L"新浪网首页" : L"?????");
    EXPECT_EQ(f.TabControl1.TabText(3), gbk ? L"ab新浪网首页新闻中" : L"ab????????");
}

} // namespace

namespace {

// The frame asked to close from inside an engine event of one of its windows (as when the
// exit comes while that window's pop-up question is open): the window and its engine must
// survive until the event has returned, and go with the frame afterwards.
TEST_F(FrameTest, ExitDuringAnEngineEventKeepsTheWindowUntilTheEventReturns) {
    TMainForm& f = Open();
    ASSERT_EQ(f.BrowserWindowCount(), 1);
    TMDIChild* w = f.ActiveBrowserWindow();
    ASSERT_NE(w, nullptr);
    stub::Engine* engine = stub::Last();
    ASSERT_NE(engine, nullptr);
    HWND window = w->Handle();
    bool closed = false;
    bool aliveAfterClose = false;
    w->WebBrowser1->OnStatusTextChange = [&](host::TWebBrowser&, const std::wstring&) {
        kvtest::ExpectModal(IDOK, L"真的要退出么?");
        closed = f.Close();
        aliveAfterClose = IsWindow(window) && stub::Instances().size() == 1;
    };
    std::vector<VARIANT> args = {kvtest::Bstr(L"x")};
    engine->RaiseEvent(102, args);
    VariantClear(&args[0]);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(aliveAfterClose);
    EXPECT_FALSE(IsWindowVisible(f.Handle()));
    frame_.reset();
    DrainQuit();
    EXPECT_TRUE(stub::Instances().empty());
    EXPECT_FALSE(IsWindow(window));
}

// N9 and N11 are written each under its own key: one on and the other off, both ways round.
TEST_F(FrameTest, ExitWritesN9AndN11UnderTheirOwnKeys) {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char date[32];
    wsprintfA(date, "%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
    for (bool n9Off : {true, false}) {
        SCOPED_TRACE(n9Off ? "N9 off" : "N11 off");
        DeleteFileW(SettingsFile().c_str());
        TMainForm& f = Open();
        if (n9Off) {
            f.N9Click();
        } else {
            f.N11Click();
        }
        POINT tab = f.CoolBar1.ChildPosition(1);
        ASSERT_TRUE(Exit(IDOK));
        frame_.reset();
        std::string expected = "TabTop=" + std::to_string(tab.y) +
                               "\r\nTabLeft=" + std::to_string(tab.x) + "\r\nN10=1\r\nN14=0\r\n" +
                               (n9Off ? "N11=1\r\nN9=0\r\n" : "N11=0\r\nN9=1\r\n") +
                               "LastTime=" + date + "\r\nTabDpi=96\r\n";
        EXPECT_EQ(kvtest::ReadBytes(SettingsFile()).value_or("<missing>"), expected);
        TMainForm& g = Open();
        EXPECT_EQ(g.N9.Checked(), !n9Off);
        EXPECT_EQ(g.N11.Checked(), n9Off);
        frame_.reset();
        DrainQuit();
    }
}

// A read-only history file is one the user keeps from being written: the exit reports it,
// keeps the file as it was and the frame open, as for any failed write.
TEST_F(FrameTest, ReadOnlyHistoryIsReportedAndKept) {
    const std::string old = "http://kept.example/\r\n";
    kvtest::WriteBytes(HistoryFile(), old);
    ASSERT_TRUE(SetFileAttributesW(HistoryFile().c_str(), FILE_ATTRIBUTE_READONLY));
    TMainForm& f = Open();
    f.ListBoxURL.insert(f.ListBoxURL.begin(), "http://new.example/");
    kvtest::ExpectModal(IDOK, L"真的要退出么?");
    kvtest::ExpectModal(IDOK, L"UrlsList.txt"); // the default error report
    EXPECT_FALSE(f.Close());
    DrainQuit();
    EXPECT_EQ(kvtest::PendingModals(), 0u);
    EXPECT_TRUE(IsWindow(f.Handle()));
    EXPECT_EQ(f.BrowserWindowCount(), 1);
    EXPECT_EQ(kvtest::ReadBytes(HistoryFile()).value_or(""), old);
    EXPECT_NE(GetFileAttributesW(HistoryFile().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(kvtest::Exists(HistoryFile() + L".new"));
    EXPECT_FALSE(kvtest::Exists(SettingsFile()));
    ASSERT_TRUE(SetFileAttributesW(HistoryFile().c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(Exit(IDOK));
    EXPECT_EQ(kvtest::ReadBytes(HistoryFile()).value_or(""),
              "http://new.example/\r\nhttp://www.baidu.com/s?tn=trevox_pg\r\n"
              "http://kept.example/\r\n");
}

// Log-off and shutdown save the history and the settings without the exit question.
TEST_F(FrameTest, EndOfSessionSavesWithoutTheQuestion) {
    TMainForm& f = Open();
    f.N14Click();
    f.ListBoxURL.insert(f.ListBoxURL.begin(), "http://session.example/");
    POINT tab = f.CoolBar1.ChildPosition(1);
    EXPECT_EQ(SendMessageW(f.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_TRUE(kvtest::SeenModals().empty());
    EXPECT_EQ(kvtest::ReadBytes(HistoryFile()).value_or(""),
              "http://session.example/\r\nhttp://www.baidu.com/s?tn=trevox_pg\r\n");
    std::string ini = kvtest::ReadBytes(SettingsFile()).value_or("");
    EXPECT_EQ(ini.substr(0, ini.find("LastTime=")), "TabTop=" + std::to_string(tab.y) +
                                                        "\r\nTabLeft=" + std::to_string(tab.x) +
                                                        "\r\nN10=1\r\nN14=1\r\nN11=1\r\nN9=1\r\n");
    SendMessageW(f.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(kvtest::SeenModals().empty());

    // A settings file that cannot be written is reported and the session end is refused.
    ASSERT_TRUE(SetFileAttributesW(SettingsFile().c_str(), FILE_ATTRIBUTE_READONLY));
    f.N14Click();
    kvtest::ExpectModal(IDOK, L"kvbr.ini");
    EXPECT_EQ(SendMessageW(f.Handle(), WM_QUERYENDSESSION, 0, 0), FALSE);
    EXPECT_EQ(kvtest::PendingModals(), 0u);
    EXPECT_NE(kvtest::ReadBytes(SettingsFile()).value_or("").find("N14=1"), std::string::npos);
    EXPECT_TRUE(IsWindow(f.Handle()));
    SetFileAttributesW(SettingsFile().c_str(), FILE_ATTRIBUTE_NORMAL);
    kvtest::ResetModals();
}

// The help menu's items each open their page in a new numbered window.
TEST_F(FrameTest, HelpItemsOpenTheirPages) {
    KeepCaptions({L"http://www.quelmar.com", L"http://www.quelmar.com/kvbr/online.html",
                  L"http://www.quelmar.com/kvbr/kvbr.exe"});
    TMainForm& f = Open();
    struct Item {
        UINT command;
        const wchar_t* caption;
        const wchar_t* url;
    };
    const Item items[] = {
        {f.HelpAboutItem.Command(), L"KV-2", L"http://www.quelmar.com"},
        {f.N16.Command(), L"在线帮助-3", L"http://www.quelmar.com/kvbr/online.html"},
        {f.N18.Command(), L"KV-4", L"http://www.quelmar.com/kvbr/kvbr.exe"},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(Utf8(item.caption));
        SendMessageW(f.Handle(), WM_COMMAND, item.command, 0);
        TMDIChild* w = f.ActiveBrowserWindow();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->Caption(), item.caption);
        ASSERT_FALSE(stub::Last()->Navigations().empty());
        EXPECT_EQ(stub::Last()->Navigations().back().url, item.url);
        kvtest::PumpIdle();
        EXPECT_EQ(f.TabControl1.TabText(f.TabControl1.Count() - 1), item.caption);
    }
    EXPECT_EQ(f.BrowserWindowCount(), 4);
}

// The task bar shows the caption of the program's unowned window: the application title
// "KV浏览器", while the frame keeps its own caption. Minimising goes through that window.
TEST_F(FrameTest, TaskBarButtonCarriesTheApplicationTitle) {
    TMainForm& f = Open();
    wchar_t text[64] = {};
    // Its own caption; a maximised window adds its name after it.
    GetWindowTextW(f.Handle(), text, 64);
    EXPECT_EQ(std::wstring(text).substr(0, 14), L"Quelmar浏览器V3.4");
    EXPECT_EQ(f.Caption(), L"Quelmar浏览器V3.4");
    HWND app = GetWindow(f.Handle(), GW_OWNER);
    ASSERT_NE(app, nullptr);
    GetWindowTextW(app, text, 64);
    EXPECT_STREQ(text, L"KV浏览器");
    EXPECT_EQ(GetWindow(app, GW_OWNER), nullptr);
    EXPECT_EQ(GetParent(app), nullptr);
    EXPECT_TRUE(IsWindowVisible(app));
    // Neither a tool window (no button) nor a frame that asks for a button of its own.
    EXPECT_EQ(GetWindowLongPtrW(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(GetWindowLongPtrW(f.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);

    // The frame's minimise button minimises the program; the button's restore brings it back.
    SendMessageW(f.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    kvtest::PumpFor(50);
    EXPECT_TRUE(IsIconic(app));
    EXPECT_FALSE(IsIconic(f.Handle()));
    EXPECT_FALSE(IsWindowVisible(f.Handle()));
    SendMessageW(app, WM_SYSCOMMAND, SC_RESTORE, 0);
    kvtest::PumpFor(50);
    EXPECT_FALSE(IsIconic(app));
    EXPECT_TRUE(IsWindowVisible(f.Handle()));
    EXPECT_EQ(GetActiveWindow(), f.Handle());
    // Activating the button's window hands the activation to the frame.
    SetActiveWindow(app);
    kvtest::PumpFor(50);
    EXPECT_EQ(GetActiveWindow(), f.Handle());

    // Closed, the program has no button any more.
    ASSERT_TRUE(Exit(IDOK));
    EXPECT_FALSE(IsWindowVisible(app));
}

// Moved to a monitor of another scale, the frame takes the system's suggested rectangle and
// its fonts, images, bars and tab strip follow the new scale (here 96 -> 144 -> 96 DPI).
TEST_F(FrameTest, DpiChangeRescalesTheBars) {
    TMainForm& f = Open();
    auto width = [](const tk::Control& c) {
        RECT r = c.BoundsInParent();
        return r.right - r.left;
    };
    auto fontHeight = [](const tk::Control& c) {
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(c.Handle(), WM_GETFONT, 0, 0));
        LOGFONTW lf{};
        GetObjectW(font, sizeof(lf), &lf);
        return lf.lfHeight;
    };
    auto imageSize = [&f] {
        HIMAGELIST list =
            reinterpret_cast<HIMAGELIST>(SendMessageW(f.ToolBar2.Handle(), TB_GETIMAGELIST, 0, 0));
        int cx = 0, cy = 0;
        ImageList_GetIconSize(list, &cx, &cy);
        return cx;
    };
    auto send = [&f](UINT dpi, RECT r) {
        SendMessageW(f.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
        kvtest::PumpFor(30);
    };
    if (tk::DpiOf(f.Handle()) != 96) {
        GTEST_SKIP() << "the screen here is not at 96 DPI";
    }
    EXPECT_EQ(width(f.ComboBox1), 68);
    EXPECT_EQ(width(f.Edit2), 128);
    EXPECT_EQ(width(f.SpeedButton1), 36);
    EXPECT_EQ(fontHeight(f.Edit2), 12);
    EXPECT_EQ(imageSize(), 16);
    int coolHeight = f.CoolBar1.Height();
    int tabHeight = f.TabControl1.BoundsInParent().bottom - f.TabControl1.BoundsInParent().top;

    send(144, RECT{40, 30, 940, 630});
    RECT outer{};
    GetWindowRect(f.Handle(), &outer);
    EXPECT_EQ(outer.left, 40);
    EXPECT_EQ(outer.top, 30);
    EXPECT_EQ(outer.right, 940);
    EXPECT_EQ(outer.bottom, 630);
    EXPECT_EQ(width(f.ComboBox1), 102);
    EXPECT_EQ(width(f.Edit2), 192);
    EXPECT_EQ(width(f.SpeedButton4), 54);
    EXPECT_EQ(fontHeight(f.Edit2), 18);
    EXPECT_EQ(fontHeight(f.ComboBox1), 18);
    EXPECT_EQ(fontHeight(f.TabControl1), 18);
    EXPECT_EQ(imageSize(), 24);
    EXPECT_GT(f.CoolBar1.Height(), coolHeight);
    EXPECT_GT(f.TabControl1.BoundsInParent().bottom - f.TabControl1.BoundsInParent().top,
              tabHeight);
    // The controls sit side by side, the search word after the site list.
    EXPECT_LT(f.ComboBox1.BoundsInParent().right, f.Edit2.BoundsInParent().left);
    EXPECT_LT(f.Edit2.BoundsInParent().right, f.SpeedButton1.BoundsInParent().left + 1);
    // The MDI area starts below the taller bar.
    RECT client{};
    GetWindowRect(f.ClientHandle(), &client);
    MapWindowPoints(nullptr, f.Handle(), reinterpret_cast<POINT*>(&client), 2);
    EXPECT_EQ(client.top, f.CoolBar1.Height());

    send(96, RECT{10, 10, 760, 610});
    EXPECT_EQ(width(f.ComboBox1), 68);
    EXPECT_EQ(width(f.Edit2), 128);
    EXPECT_EQ(width(f.SpeedButton4), 36);
    EXPECT_EQ(fontHeight(f.TabControl1), 12);
    EXPECT_EQ(imageSize(), 16);
    EXPECT_EQ(f.CoolBar1.Height(), coolHeight);
}

} // namespace
