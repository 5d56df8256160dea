// The browser window's navigation policy in the frame of this process, against the stand-in
// engine: entered addresses, recording in both histories, and pages' new-window requests.
#include "common/core/history.h"
#include "common/core/search_config.h"
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "host/embedded_browser.h"
#include "toolkit/application.h"
#include "toolkit/error.h"
#include "toolkit/system_codec.h"
#include "win32/support/frame_start.h"
#include "win32/support/engines.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::DrainQuit;

std::wstring Wide(const std::string& ansi) {
    return tk::SystemCodec().FromAnsi(ansi);
}
// What a wide text becomes after a trip through the system's code page, as typed text does.
std::wstring AsTyped(const std::wstring& text) {
    return Wide(tk::SystemCodec().ToAnsi(text));
}

stub::Engine* EngineOf(TMDIChild* w) {
    return kvtest::EngineOf(w->WebBrowser1->DefaultInterface());
}

std::wstring LastUrl(TMDIChild* w) {
    stub::Engine* e = EngineOf(w);
    if (!e || e->Navigations().empty()) {
        return L"<none>";
    }
    return e->Navigations().back().url;
}

// A fresh folder for the program's files, removed afterwards.
class Folder {
public:
    Folder() {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        path_ = std::wstring(temp) + L"kvnav-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++serial_) + L"\\";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~Folder() {
        for (const wchar_t* name : {L"UrlsList.txt", L"newslist.txt", L"kvbr.ini"}) {
            DeleteFileW((path_ + name).c_str());
        }
        RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& Path() const { return path_; }
    void Write(const wchar_t* name, const std::string& bytes) const {
        HANDLE f = CreateFileW((path_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD done = 0;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(f);
    }

private:
    static inline int serial_ = 0;
    std::wstring path_;
};

class NavigationTest : public testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        stub::ClearPages();
    }
    void TearDown() override {
        frame_.reset();
        // Every engine goes with its window: none may outlive the frame.
        EXPECT_TRUE(kvtest::PumpUntil([] { return stub::Instances().empty(); }, 3000))
            << stub::Instances().size() << " engines left";
        DrainQuit();
        stub::ClearPages();
        EXPECT_EQ(kvtest::PendingModals(), 0u);
        kvtest::ResetModals();
    }
    // The frame as the program starts it, with its first window on "about:blank".
    TMDIChild* Open() {
        return kvtest::ShowFrame(frame_, kvtest::FrameStartIn(folder_.Path()))
            .ActiveBrowserWindow();
    }
    static void Enter(TMDIChild* w, const std::wstring& text) {
        w->URLS.SetText(text);
        w->GoToAddress();
    }
    static bool Loaded(TMDIChild* w, const std::wstring& url) {
        return kvtest::PumpUntil(
            [&] {
                stub::Engine* e = EngineOf(w);
                return e && e->State() == READYSTATE_COMPLETE && e->Url() == url;
            },
            3000);
    }
    bool WaitForWindows(size_t children, size_t engines) {
        return kvtest::PumpUntil(
            [&] {
                return frame_->Children().size() == children && stub::Instances().size() == engines;
            },
            5000);
    }

    stub::ScopedRegistration engine_;
    Folder folder_;
    std::unique_ptr<TMainForm> frame_;
};

// ---- Entered addresses

TEST_F(NavigationTest, SearchHomeFormsLoadThePartnerHomePage) {
    TMDIChild* w = Open();
    ASSERT_NE(w, nullptr);
    for (const wchar_t* form : {L"http://baidu.com/", L"http://www.baidu.com/",
                                L"http://www.baidu.com", L"www.baidu.com", L"baidu.com"}) {
        SCOPED_TRACE(tk::SystemCodec().ToAnsi(form));
        Enter(w, form);
        EXPECT_EQ(w->URLS.Text(), L"http://www.baidu.com/s?tn=trevox_pg");
        EXPECT_EQ(LastUrl(w), L"http://www.baidu.com/s?tn=trevox_pg");
    }
}

TEST_F(NavigationTest, DottedTextLoadsAsTyped) {
    TMDIChild* w = Open();
    ASSERT_NE(w, nullptr);
    for (const std::wstring& typed :
         {std::wstring(L"http://baidu.com"), std::wstring(L"BAIDU.COM"),
          std::wstring(L" baidu.com"), std::wstring(L"WWW.BAIDU.COM"), std::wstring(L"3.14"),
          std::wstring(L"www.example.com/a b")}) {
        SCOPED_TRACE(tk::SystemCodec().ToAnsi(typed));
        Enter(w, typed);
        EXPECT_EQ(w->URLS.Text(), typed);
        EXPECT_EQ(LastUrl(w), typed);
    }
}

TEST_F(NavigationTest, WordsWithoutDotAreSearchedAndStayInTheBox) {
    TMDIChild* w = Open();
    ASSERT_NE(w, nullptr);
    if (GetACP() == 936) {
        EXPECT_EQ(AsTyped(L"电影"), L"电影");
    }
    const std::wstring prefix = L"http://www.baidu.com/baidu?tn=trevox_dg&word=";
    for (const std::wstring& word :
         {AsTyped(L"电影"), std::wstring(L" two  words "), std::wstring(L"a+b&c=%20")}) {
        SCOPED_TRACE(tk::SystemCodec().ToAnsi(word));
        Enter(w, word);
        EXPECT_EQ(w->URLS.Text(), word);
        EXPECT_EQ(LastUrl(w), prefix + word);
    }
    // Enter in an empty box searches the empty word.
    Enter(w, L"");
    EXPECT_EQ(w->URLS.Text(), L"");
    EXPECT_EQ(LastUrl(w), prefix);
}

// ---- Recording

TEST_F(NavigationTest, FirstNavigationStartAfterEntryIsRecordedInBothHistories) {
    folder_.Write(L"UrlsList.txt",
                  "http://first.example/\r\nHTTP://WWW.EXAMPLE.COM/\r\nhttp://third.example/\r\n");
    TMDIChild* w = Open();
    ASSERT_NE(w, nullptr);
    const std::vector<std::string> history = frame_->ListBoxURL;
    ASSERT_EQ(w->URLS.Items(), history);
    ASSERT_EQ(kv::FindLine(history, "HTTP://WWW.EXAMPLE.COM/", tk::SystemCodec()), 2u);

    // Present in another letter case: that line moves to the top as stored, nothing is added.
    Enter(w, L"http://www.example.com/");
    EXPECT_FALSE(w->FRecordNextUrl);
    std::vector<std::string> moved = history;
    moved.erase(moved.begin() + 2);
    moved.insert(moved.begin(), "HTTP://WWW.EXAMPLE.COM/");
    EXPECT_EQ(w->URLS.Items(), moved);
    EXPECT_EQ(frame_->ListBoxURL, moved);
    EXPECT_EQ(w->StatusBar1.PanelText(0), L"http://www.example.com/");
    ASSERT_TRUE(Loaded(w, L"http://www.example.com/"));

    // A link followed afterwards is shown but not recorded.
    w->WebBrowser1->NavigateUrl(L"http://link.example/");
    EXPECT_EQ(w->StatusBar1.PanelText(0), L"http://link.example/");
    EXPECT_EQ(w->URLS.Items(), moved);
    EXPECT_EQ(frame_->ListBoxURL, moved);
    ASSERT_TRUE(Loaded(w, L"http://link.example/"));

    // A new address goes on top of both; the navigation starts of its frames add nothing.
    stub::Page framed;
    framed.frames = 2;
    stub::SetPage(L"news.example.org", framed);
    Enter(w, L"news.example.org");
    ASSERT_TRUE(Loaded(w, L"news.example.org"));
    std::vector<std::string> inserted = moved;
    inserted.insert(inserted.begin(), "news.example.org");
    EXPECT_EQ(w->URLS.Items(), inserted);
    EXPECT_EQ(frame_->ListBoxURL, inserted);
}

TEST_F(NavigationTest, AboutBlankOnlyTakesTheFocusAndKeepsTheMark) {
    TMDIChild* w = Open();
    ASSERT_NE(w, nullptr);
    stub::Engine* e = EngineOf(w);
    ASSERT_NE(e, nullptr);
    // The entered address never starts: its navigate call fails, and the mark stays set.
    e->FailNext(L"Navigate2", E_FAIL);
    w->URLS.SetText(L"http://entered.example/");
    EXPECT_THROW(w->GoToAddress(), tk::Error);
    EXPECT_TRUE(w->FRecordNextUrl);

    const std::vector<std::string> history = frame_->ListBoxURL;
    const std::vector<std::string> own = w->URLS.Items();
    const std::wstring panel = w->StatusBar1.PanelText(0);
    const std::wstring tab = frame_->TabControl1.TabText(0);
    SetFocus(w->URLS.EditHandle());
    bool focusWorks = GetFocus() == w->URLS.EditHandle();

    w->WebBrowser1->NavigateUrl(L"about:blank");
    EXPECT_TRUE(w->FRecordNextUrl);
    EXPECT_EQ(frame_->ListBoxURL, history);
    EXPECT_EQ(w->URLS.Items(), own);
    EXPECT_EQ(w->StatusBar1.PanelText(0), panel);
    EXPECT_EQ(frame_->TabControl1.TabText(0), tab);
    if (focusWorks) {
        HWND focus = GetFocus();
        EXPECT_TRUE(focus == e->Window() || IsChild(e->Window(), focus));
    }

    // The next other navigation start is the one recorded.
    w->WebBrowser1->NavigateUrl(L"http://next.example/");
    EXPECT_FALSE(w->FRecordNextUrl);
    ASSERT_FALSE(frame_->ListBoxURL.empty());
    EXPECT_EQ(frame_->ListBoxURL.front(), "http://next.example/");
    EXPECT_EQ(frame_->ListBoxURL.size(), history.size() + 1);
    ASSERT_FALSE(w->URLS.Items().empty());
    EXPECT_EQ(w->URLS.Items().front(), "http://next.example/");
}

// ---- New-window requests

TEST_F(NavigationTest, BlockedPopupIsRefusedWithoutAQuestion) {
    TMDIChild* w = Open();
    ASSERT_NE(w, nullptr);
    frame_->N14.SetChecked(true);
    stub::Engine::NewWindowResult r = EngineOf(w)->RaiseNewWindow2(L"http://popup.example/");
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.gotDispatch);
    EXPECT_EQ(frame_->BrowserWindowCount(), 1);
    EXPECT_EQ(stub::Instances().size(), 1u);
    EXPECT_TRUE(kvtest::SeenModals().empty());
}

TEST_F(NavigationTest, ConsentOpensNumberedWindowShowingThePage) {
    TMDIChild* w = Open();
    ASSERT_NE(w, nullptr);
    const std::vector<std::string> history = frame_->ListBoxURL;
    const std::wstring url = L"http://popup.example/page.html";

    kvtest::ExpectModal(IDOK, L"允许弹出窗口么？");
    stub::Engine::NewWindowResult r = EngineOf(w)->RaiseNewWindow2(url);
    EXPECT_FALSE(r.cancelled);
    EXPECT_TRUE(r.gotDispatch);
    EXPECT_TRUE(r.loaded);
    ASSERT_EQ(kvtest::SeenModals().size(), 1u);
    EXPECT_EQ(kvtest::SeenModals()[0].caption, L"弹出窗口");
    EXPECT_EQ(kvtest::SeenModals()[0].text, L"允许弹出窗口么？");

    ASSERT_EQ(frame_->BrowserWindowCount(), 2);
    TMDIChild* popup = frame_->ActiveBrowserWindow();
    ASSERT_NE(popup, nullptr);
    ASSERT_NE(popup, w);
    // One window was open: counted after its creation, the pop-up is number 3.
    EXPECT_EQ(popup->Caption(), L"KV-3");
    EXPECT_EQ(frame_->TabWindows(), (std::vector<TMDIChild*>{w, popup}));
    EXPECT_EQ(frame_->TabControl1.TabText(1), L"KV-3");

    // The page loads in the new window, whose own handlers see it; no history takes it.
    ASSERT_TRUE(Loaded(popup, url));
    EXPECT_EQ(popup->StatusBar1.PanelText(0), url);
    EXPECT_FALSE(popup->FRecordNextUrl);
    EXPECT_EQ(frame_->ListBoxURL, history);
    EXPECT_EQ(popup->URLS.Items(), history);
    EXPECT_EQ(EngineOf(w)->Url(), L"about:blank");

    // Closed the normal way, the pop-up takes its engine with it.
    popup->Close();
    EXPECT_TRUE(WaitForWindows(1, 1))
        << frame_->Children().size() << " windows, " << stub::Instances().size() << " engines";
}

TEST_F(NavigationTest, RefusalChangesNothing) {
    TMDIChild* w = Open();
    ASSERT_NE(w, nullptr);
    const std::wstring caption = w->Caption();
    kvtest::ExpectModal(IDCANCEL, L"允许弹出窗口么？");
    stub::Engine::NewWindowResult r = EngineOf(w)->RaiseNewWindow2(L"http://popup.example/");
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.gotDispatch);
    EXPECT_EQ(kvtest::SeenModals().size(), 1u);
    kvtest::PumpIdle();
    EXPECT_EQ(frame_->BrowserWindowCount(), 1);
    EXPECT_EQ(frame_->ActiveBrowserWindow(), w);
    EXPECT_EQ(frame_->TabWindows(), std::vector<TMDIChild*>{w});
    EXPECT_EQ(w->Caption(), caption);
    EXPECT_EQ(stub::Instances().size(), 1u);
}

// A page asking for fifty windows in a row.
TEST_F(NavigationTest, ManyRequestsAskOnceEachAndLeakNothing) {
    TMDIChild* w = Open();
    ASSERT_NE(w, nullptr);
    stub::Engine* e = EngineOf(w);
    ASSERT_NE(e, nullptr);
    const size_t engines = stub::Instances().size();
    const size_t children = frame_->Children().size();
    constexpr int kRequests = 50;

    frame_->N14.SetChecked(true);
    int refused = 0;
    for (int i = 0; i < kRequests; ++i) {
        refused += e->RaiseNewWindow2(L"http://flood.example/" + std::to_wstring(i)).cancelled;
    }
    EXPECT_EQ(refused, kRequests);
    EXPECT_TRUE(kvtest::SeenModals().empty());
    EXPECT_EQ(frame_->Children().size(), children);
    EXPECT_EQ(stub::Instances().size(), engines);

    constexpr int kAsked = kRequests;
    frame_->N14.SetChecked(false);
    refused = 0;
    for (int i = 0; i < kAsked; ++i) {
        kvtest::ExpectModal(IDCANCEL, L"允许弹出窗口么？");
        refused += e->RaiseNewWindow2(L"http://flood.example/" + std::to_wstring(i)).cancelled;
    }
    EXPECT_EQ(refused, kAsked);
    EXPECT_EQ(kvtest::SeenModals().size(), static_cast<size_t>(kAsked));
    EXPECT_EQ(frame_->Children().size(), children);
    EXPECT_EQ(stub::Instances().size(), engines);

    // Consenting: every window and its engine go away again when closed.
    kvtest::ResetModals();
    constexpr int kOpened = 20;
    int loaded = 0;
    for (int i = 0; i < kOpened; ++i) {
        kvtest::ExpectModal(IDOK, L"允许弹出窗口么？");
        loaded += e->RaiseNewWindow2(L"http://flood.example/" + std::to_wstring(i)).loaded;
    }
    EXPECT_EQ(loaded, kOpened);
    EXPECT_EQ(frame_->BrowserWindowCount(), 1 + kOpened);
    EXPECT_EQ(stub::Instances().size(), engines + kOpened);
    EXPECT_EQ(frame_->ActiveBrowserWindow()->Caption(), L"KV-" + std::to_wstring(kOpened + 2));
    kvtest::PumpFor(200);
    for (TMDIChild* popup : frame_->TabWindows()) {
        if (popup != w) {
            popup->Close();
        }
    }
    EXPECT_TRUE(WaitForWindows(children, engines))
        << frame_->Children().size() << " windows, " << stub::Instances().size() << " engines";
    EXPECT_EQ(frame_->TabWindows(), std::vector<TMDIChild*>{w});
}

TMDIChild* g_closeTarget = nullptr;

void CALLBACK CloseTarget(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_closeTarget) {
        g_closeTarget->Close();
        g_closeTarget = nullptr;
    }
}

// The requesting window is closed while its question is open; the answer OK then opens
// nothing, and the window goes once the engine's call has returned.
TEST_F(NavigationTest, WindowClosedDuringTheQuestion) {
    TMDIChild* w = Open();
    ASSERT_NE(w, nullptr);
    stub::Engine* e = EngineOf(w);
    ASSERT_NE(e, nullptr);
    g_closeTarget = w;
    // Fires inside the question's message loop, before the box is answered.
    SetTimer(nullptr, 0, 10, CloseTarget);
    kvtest::ExpectModal(IDOK, L"允许弹出窗口么？");
    stub::Engine::NewWindowResult r = e->RaiseNewWindow2(L"http://popup.example/");
    EXPECT_EQ(g_closeTarget, nullptr);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.gotDispatch);
    EXPECT_TRUE(WaitForWindows(0, 0));
    EXPECT_EQ(frame_->BrowserWindowCount(), 0);
    EXPECT_TRUE(frame_->TabWindows().empty());
}

} // namespace
