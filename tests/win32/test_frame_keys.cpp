// The frame's keys against the stand-in engine: key messages posted to the page, the address
// box, the search box and the tab strip and handled by the program's message loop.
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "host/embedded_browser.h"
#include "toolkit/application.h"
#include "win32/support/frame_start.h"
#include "win32/support/engines.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

enum class Target { Page, AddressBox, SearchBox, TabStrip }; // shown as 0 to 3

class FrameKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        stub::ClearPages();
        stub::ClearCallLog();
    }
    void TearDown() override {
        frame_.reset();
        kvtest::DrainQuit();
        stub::ClearPages();
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }
    TMainForm& Open() { return kvtest::ShowFrame(frame_, kvtest::FrameStartIn(program_.Path())); }
    // A new active window showing url, complete.
    TMDIChild* OpenAt(const std::wstring& url) {
        TMDIChild* w = frame_->OpenBrowserWindow(L"KV-" + std::to_wstring(++numbered_));
        w->WebBrowser1->NavigateUrl(url);
        EXPECT_EQ(w->WebBrowser1->WaitForComplete(), host::WaitResult::Complete);
        kvtest::PumpIdle();
        return w;
    }
    HWND TargetWindow(Target t) {
        TMDIChild* w = frame_->ActiveBrowserWindow();
        switch (t) {
        case Target::Page:
            return kvtest::EngineOf(w->WebBrowser1->DefaultInterface())->Window();
        case Target::AddressBox:
            return w->URLS.EditHandle();
        case Target::SearchBox:
            return frame_->Edit2.Handle();
        case Target::TabStrip:
            return frame_->TabControl1.Handle();
        }
        return nullptr;
    }
    // A key pressed with modifiers ("c" Ctrl, "s" Shift, "a" Alt) while window has the focus,
    // posted and handled by the message loop.
    void Key(HWND window, WORD vk, const std::string& mods) {
        bool ctrl = mods.find('c') != std::string::npos;
        bool shift = mods.find('s') != std::string::npos;
        bool alt = mods.find('a') != std::string::npos;
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        BYTE saved[256];
        std::copy(std::begin(keys), std::end(keys), std::begin(saved));
        keys[VK_CONTROL] = keys[VK_LCONTROL] = ctrl ? 0x80 : 0;
        keys[VK_SHIFT] = keys[VK_LSHIFT] = shift ? 0x80 : 0;
        keys[VK_MENU] = keys[VK_LMENU] = alt ? 0x80 : 0;
        SetKeyboardState(keys);
        SetFocus(window);
        LPARAM lParam = 1 | (static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16);
        if (alt) {
            lParam |= 1 << 29;
        }
        PostMessageW(window, alt && !ctrl ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, lParam);
        kvtest::PumpIdle();
        SetKeyboardState(saved);
    }
    std::vector<std::wstring> EngineCalls() const {
        std::vector<std::wstring> v;
        for (const std::wstring& e : stub::CallLog()) {
            if (e == L"GoBack" || e == L"GoForward" || e == L"Stop" || e == L"Refresh") {
                v.push_back(e);
            }
        }
        return v;
    }

    stub::ScopedRegistration engine_;
    kvtest::TempFolder program_{L"kvkeys"};
    std::unique_ptr<TMainForm> frame_;
    int numbered_ = 1;
};

TEST_F(FrameKeysTest, AltDAndF6PutTheFocusOnTheAddressWithItsTextSelected) {
    Open();
    OpenAt(L"http://one.example/");
    struct Case {
        Target from;
        WORD vk;
        const char* mods;
    };
    const Case cases[] = {{Target::Page, 'D', "a"},       {Target::SearchBox, 'D', "a"},
                          {Target::TabStrip, 'D', "a"},   {Target::Page, VK_F6, ""},
                          {Target::SearchBox, VK_F6, ""}, {Target::AddressBox, VK_F6, ""}};
    for (const Case& c : cases) {
        TMDIChild* w = frame_->ActiveBrowserWindow();
        Key(TargetWindow(c.from), c.vk, c.mods);
        EXPECT_EQ(GetFocus(), w->URLS.EditHandle()) << static_cast<int>(c.from) << " " << c.vk;
        DWORD start = 0, end = 0;
        SendMessageW(w->URLS.Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u) << static_cast<int>(c.from) << " " << c.vk;
        EXPECT_EQ(end, 19u) << static_cast<int>(c.from) << " " << c.vk; // "http://one.example/"
        // Afterwards the page has the focus again, where the next case starts.
        SetFocus(TargetWindow(Target::Page));
    }
}

TEST_F(FrameKeysTest, CtrlTabGoesThroughTheWindowsInTabOrderAndWraps) {
    TMainForm& f = Open();
    TMDIChild* first = f.ActiveBrowserWindow();
    TMDIChild* second = OpenAt(L"http://two.example/");
    TMDIChild* third = OpenAt(L"http://three.example/");
    TMDIChild* fourth = OpenAt(L"http://four.example/");
    // The MDI's own order (most recently active first) is now another than the tabs' order.
    second->Activate();
    kvtest::PumpIdle();
    const std::vector<TMDIChild*> tabs = {first, second, third, fourth};
    struct Case {
        Target from;
        const char* mods;
        int expectedTab;
    };
    const Case cases[] = {
        {Target::Page, "c", 2},       // next
        {Target::AddressBox, "c", 3}, // next
        {Target::SearchBox, "c", 0},  // from the last: wraps to the first
        {Target::TabStrip, "cs", 3},  // previous from the first: wraps to the last
        {Target::Page, "cs", 2},      // previous
    };
    for (const Case& c : cases) {
        Key(TargetWindow(c.from), VK_TAB, c.mods);
        EXPECT_EQ(f.ActiveBrowserWindow(), tabs[static_cast<size_t>(c.expectedTab)])
            << static_cast<int>(c.from) << " " << c.mods;
        EXPECT_EQ(f.TabControl1.TabIndex(), c.expectedTab);
    }
}

TEST_F(FrameKeysTest, CtrlWClosesTheActiveWindowAndCtrlShiftTReopensTheLastClosed) {
    TMainForm& f = Open();
    OpenAt(L"http://two.example/");
    OpenAt(L"http://three.example/");
    ASSERT_EQ(f.BrowserWindowCount(), 3);
    Key(TargetWindow(Target::Page), 'W', "c");
    ASSERT_TRUE(kvtest::PumpUntil([&] { return f.Children().size() == 2; }, 3000));
    EXPECT_EQ(f.TabControl1.Count(), 2);
    Key(TargetWindow(Target::AddressBox), 'W', "c");
    ASSERT_TRUE(kvtest::PumpUntil([&] { return f.Children().size() == 1; }, 3000));

    // Most recently closed first, each at its last address, as a new numbered window.
    Key(TargetWindow(Target::Page), 'T', "cs");
    ASSERT_EQ(f.BrowserWindowCount(), 2);
    TMDIChild* back = f.ActiveBrowserWindow();
    ASSERT_EQ(back->WebBrowser1->WaitForComplete(), host::WaitResult::Complete);
    EXPECT_EQ(back->PageAddress(), "http://two.example/");
    Key(TargetWindow(Target::SearchBox), 'T', "cs");
    ASSERT_EQ(f.BrowserWindowCount(), 3);
    ASSERT_EQ(f.ActiveBrowserWindow()->WebBrowser1->WaitForComplete(), host::WaitResult::Complete);
    EXPECT_EQ(f.ActiveBrowserWindow()->PageAddress(), "http://three.example/");
    // The blank first window was never closed; nothing more to reopen.
    Key(TargetWindow(Target::Page), 'T', "cs");
    EXPECT_EQ(f.BrowserWindowCount(), 3);
}

TEST_F(FrameKeysTest, NavigationKeysAreTheFramesOutsideThePageAndTheEnginesInIt) {
    Open();
    OpenAt(L"http://one.example/");
    TMDIChild* w = OpenAt(L"http://two.example/");
    // Two pages in one window: Back is enabled, Forward is not.
    w->WebBrowser1->NavigateUrl(L"http://three.example/");
    ASSERT_EQ(w->WebBrowser1->WaitForComplete(), host::WaitResult::Complete);
    kvtest::PumpIdle();
    stub::Engine* engine = kvtest::EngineOf(w->WebBrowser1->DefaultInterface());
    struct Case {
        Target from;
        WORD vk;
        const char* mods;
        std::vector<std::wstring> calls; // what reached the engine as a command
        bool offeredToPage;              // the key went to the engine's own key handling
    };
    const Case cases[] = {
        {Target::AddressBox, VK_F5, "", {L"Refresh"}, false},
        {Target::SearchBox, VK_ESCAPE, "", {L"Stop"}, false},
        {Target::TabStrip, VK_F5, "", {L"Refresh"}, false},
        {Target::AddressBox, VK_RIGHT, "a", {}, false}, // Forward is disabled
        {Target::Page, VK_F5, "", {}, true},
        {Target::Page, VK_ESCAPE, "", {}, true},
        {Target::Page, VK_LEFT, "a", {}, true},
        {Target::AddressBox, VK_F5, "c", {}, false},
        {Target::AddressBox, VK_LEFT, "a", {L"GoBack"}, false},
    };
    for (const Case& c : cases) {
        stub::ClearCallLog();
        size_t keysBefore = engine->Keys().size();
        Key(TargetWindow(c.from), c.vk, c.mods);
        EXPECT_EQ(EngineCalls(), c.calls) << static_cast<int>(c.from) << " " << c.vk;
        bool offered = false;
        for (size_t i = keysBefore; i < engine->Keys().size(); ++i) {
            offered = offered || engine->Keys()[i].wParam == c.vk;
        }
        EXPECT_EQ(offered, c.offeredToPage) << static_cast<int>(c.from) << " " << c.vk;
    }
}

bool keyMenuSeen = false;

LRESULT CALLBACK WatchKeyMenu(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_SYSCOMMAND && (m->wParam & 0xFFF0) == SC_KEYMENU) {
        keyMenuSeen = true;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Alt pressed, D, Alt released: the menu bar stays closed, as after any Alt combination.
TEST_F(FrameKeysTest, ReleasingAltAfterAltDLeavesTheMenuBarClosed) {
    Open();
    TMDIChild* w = OpenAt(L"http://one.example/");
    keyMenuSeen = false;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchKeyMenu, nullptr, GetCurrentThreadId());
    HWND page = TargetWindow(Target::Page);
    SetFocus(page);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_MENU] = keys[VK_LMENU] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(page, WM_SYSKEYDOWN, VK_MENU, 1 | (0x38 << 16) | (1 << 29));
    PostMessageW(page, WM_SYSKEYDOWN, 'D', 1 | (0x20 << 16) | (1 << 29));
    kvtest::PumpIdle();
    keys[VK_MENU] = keys[VK_LMENU] = 0;
    SetKeyboardState(keys);
    PostMessageW(GetFocus(), WM_SYSKEYUP, VK_MENU, 1 | (0x38 << 16) | (3u << 30));
    // Should the menu bar open, this key closes it again.
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1 | (0x01 << 16));
    kvtest::PumpIdle();
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(keyMenuSeen);
    EXPECT_EQ(GetFocus(), w->URLS.EditHandle());
}

TEST_F(FrameKeysTest, EditKeysAndMenuShortcutsKeepTheirMeaning) {
    TMainForm& f = Open();
    TMDIChild* w = OpenAt(L"http://one.example/");
    HWND edit = w->URLS.EditHandle();
    SendMessageW(edit, EM_SETSEL, 0, 0);
    Key(edit, 'A', "c"); // the edit control's own select-all
    DWORD start = 1, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 19u);
    stub::Engine* engine = kvtest::EngineOf(w->WebBrowser1->DefaultInterface());
    EXPECT_TRUE(engine->Commands().empty()); // not the page's select-all
    // Ctrl+N from the page still opens a new window; Ctrl+F6 still goes to another window
    // through the MDI.
    Key(TargetWindow(Target::Page), 'N', "c");
    EXPECT_EQ(f.BrowserWindowCount(), 3);
    TMDIChild* newest = f.ActiveBrowserWindow();
    Key(TargetWindow(Target::TabStrip), VK_F6, "c");
    EXPECT_NE(f.ActiveBrowserWindow(), newest);
}

} // namespace
