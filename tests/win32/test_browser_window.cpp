// A browser window in this process against the stand-in engine: its start state, its
// reactions to the engine's events, its keys, the address box and its closing.
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "toolkit/application.h"
#include "toolkit/dialogs.h"
#include "win32/support/dialog_box.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"
#include "win32/support/variants.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <exdispid.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::Bool;
using kvtest::Bstr;
using kvtest::I4;

using kvtest::DrainQuit;

size_t CountCalls(const std::wstring& name) {
    size_t n = 0;
    for (const auto& e : stub::CallLog()) {
        if (e == name) {
            ++n;
        }
    }
    return n;
}

class BrowserWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        stub::ClearPages();
        TFrameStart s;
        s.programFolder = program_.Path();
        s.settingsPath = program_.Path() + L"kvbr.ini";
        s.useCommandLine = false;
        kvtest::WriteBytes(program_.Path() + L"UrlsList.txt",
                           "http://www.example.com/\r\nhttp://www.baidu.com/s?tn=trevox_pg\r\n"
                           "http://other.example/\r\n");
        frame_ = std::make_unique<TMainForm>(s);
        frame_->Show(SW_SHOWNORMAL);
        kvtest::PumpIdle();
        window_ = frame_->ActiveBrowserWindow();
        ASSERT_NE(window_, nullptr);
        engine_ = stub::Last();
        ASSERT_NE(engine_, nullptr);
    }
    void TearDown() override {
        frame_.reset();
        DrainQuit();
        stub::ClearPages();
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }
    void Raise(DISPID id, std::vector<VARIANT> args) {
        engine_->RaiseEvent(id, args);
        for (auto& v : args) {
            VariantClear(&v);
        }
        kvtest::PumpUntil([] { return false; }, 20);
    }
    // A key as the window itself receives it, with the shift state set for this thread.
    void KeyOnWindow(WORD vk, bool alt, bool shift = false, bool ctrl = false) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        keys[VK_MENU] = alt ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(window_->Handle(), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk,
                     alt ? (1 << 29) | 1 : 1);
        keys[VK_SHIFT] = keys[VK_CONTROL] = keys[VK_MENU] = 0;
        SetKeyboardState(keys);
    }

    stub::ScopedRegistration registration_;
    kvtest::TempFolder program_{L"kvbw"};
    std::unique_ptr<TMainForm> frame_;
    TMDIChild* window_ = nullptr;
    stub::Engine* engine_ = nullptr;
};

TEST_F(BrowserWindowTest, NewWindowStartsEmptyWithTheHistorySnapshot) {
    frame_->ListBoxURL.insert(frame_->ListBoxURL.begin(), "http://recorded.example/");
    TMDIChild* later = frame_->OpenBrowserWindow(L"KV-2");
    EXPECT_EQ(later->URLS.Items(), frame_->ListBoxURL);
    EXPECT_EQ(window_->URLS.Items().size(), frame_->ListBoxURL.size() - 1)
        << "an earlier window keeps its own copy";
    EXPECT_EQ(later->URLS.Text(), L"");
    EXPECT_FALSE(later->FRecordNextUrl);
    EXPECT_TRUE(later->BackAction.Enabled());
    EXPECT_FALSE(later->ForwardAction.Enabled());
    EXPECT_TRUE(later->ToolBar1.ButtonEnabled(later->BackBtn));
    EXPECT_FALSE(later->ToolBar1.ButtonEnabled(later->ForwardBtn));
    EXPECT_TRUE(later->FProgressBar.Visible());
    EXPECT_EQ(later->FProgressBar.Position(), 0);
    EXPECT_EQ(later->ToolBar1.ButtonImage(later->StopBtn), 2);
    EXPECT_EQ(later->WebBrowser1->PrintOptions.Header, L"&w&b页码，&p/&P");
    EXPECT_EQ(later->WebBrowser1->PrintOptions.Footer, L"&u&b&d");
    EXPECT_EQ(later->WebBrowser1->PrintOptions.Margins.Top, 19.05);
    EXPECT_FALSE(later->WebBrowser1->MessagesBoxes.InternalErrMsg);
    // Images, videos and background sounds: DLCTL_DLIMAGES, DLCTL_VIDEOS, DLCTL_BGSOUNDS.
    EXPECT_EQ(host::DownloadControlValueOf(later->WebBrowser1->DownloadOptions()), 0x70u);
    EXPECT_TRUE(later->Maximized());
    EXPECT_EQ(frame_->ActiveBrowserWindow(), later);
}

TEST_F(BrowserWindowTest, ProgressFiguresMoveAndHideTheBar) {
    struct Case {
        LONG progress, max;
        int position;
        bool visible;
    } cases[] = {{50, 200, 25, true},
                 {1, 3, 33, true},
                 {3, 2, 100, true},
                 {0, 100, 1, false},
                 {-1, 100, 1, false},
                 {5, 1, 1, false},
                 {2000000000, 2100000000, 95, true}};
    for (const Case& c : cases) {
        Raise(DISPID_PROGRESSCHANGE, {I4(c.progress), I4(c.max)});
        EXPECT_EQ(window_->FProgressBar.Position(), c.position) << c.progress << "/" << c.max;
        EXPECT_EQ(window_->FProgressBar.Visible(), c.visible) << c.progress << "/" << c.max;
    }
}

TEST_F(BrowserWindowTest, CommandStatesDownloadsAndStatusText) {
    Raise(DISPID_COMMANDSTATECHANGE, {I4(1), Bool(true)});
    EXPECT_TRUE(window_->ForwardAction.Enabled());
    EXPECT_TRUE(window_->ToolBar1.ButtonEnabled(window_->ForwardBtn));
    Raise(DISPID_COMMANDSTATECHANGE, {I4(2), Bool(false)});
    EXPECT_FALSE(window_->BackAction.Enabled());
    EXPECT_FALSE(window_->ToolBar1.ButtonEnabled(window_->BackBtn));
    Raise(DISPID_COMMANDSTATECHANGE, {I4(-1), Bool(true)});
    EXPECT_FALSE(window_->BackAction.Enabled());
    EXPECT_TRUE(window_->ForwardAction.Enabled());

    Raise(DISPID_DOWNLOADBEGIN, {});
    EXPECT_EQ(window_->ToolBar1.ButtonImage(window_->StopBtn), 4);
    Raise(DISPID_DOWNLOADCOMPLETE, {});
    EXPECT_EQ(window_->ToolBar1.ButtonImage(window_->StopBtn), 2);

    Raise(DISPID_STATUSTEXTCHANGE, {Bstr(L"正在打开网页 http://x.example/")});
    // Shown as it reads in the system's code page.
    EXPECT_EQ(window_->StatusBar1.PanelText(2),
              GetACP() == 936 ? L"正在打开网页 http://x.example/" : L"?????? http://x.example/");
    EXPECT_EQ(window_->StatusBar1.PanelText(1), L"");
}

TEST_F(BrowserWindowTest, CaptionAndAddressComeFromTheEngine) {
    stub::Page page;
    page.title = L"首页 - Example";
    page.frames = 1;
    stub::SetPage(L"http://www.example.com/", page);
    window_->WebBrowser1->NavigateUrl(L"http://www.example.com/");
    std::wstring shown = GetACP() == 936 ? page.title : L"?? - Example";
    ASSERT_TRUE(kvtest::PumpUntil([&] { return window_->Caption() == shown; }, 3000));
    EXPECT_EQ(window_->URLS.Text(), L"http://www.example.com/");
    // A title event with other text still leaves the engine's name as the caption.
    Raise(DISPID_TITLECHANGE, {Bstr(L"something else")});
    EXPECT_EQ(window_->Caption(), shown);
    // A completion (here of a frame) resets the box to the top-level address.
    window_->URLS.SetText(L"half typed");
    Raise(DISPID_NAVIGATECOMPLETE2, {});
    EXPECT_EQ(window_->URLS.Text(), L"http://www.example.com/");
}

// The text of the frame's Window menu entry for the first child (the platform's list).
std::wstring FirstWindowListEntry(HMENU menu) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            std::wstring found = FirstWindowListEntry(sub);
            if (!found.empty()) {
                return found;
            }
        } else if (GetMenuItemID(menu, i) == 0xFF00) {
            wchar_t text[256] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
            return text;
        }
    }
    return {};
}

std::wstring WindowTextOf(HWND h) {
    wchar_t text[512] = {};
    GetWindowTextW(h, text, 512);
    return text;
}

TEST_F(BrowserWindowTest, PageTitleReachesFrameCaptionTabAndWindowList) {
    bool cp936 = GetACP() == 936;
    stub::Page page;
    page.title = L"首页 - Example Domain";
    stub::SetPage(L"http://www.example.com/", page);
    window_->WebBrowser1->NavigateUrl(L"http://www.example.com/");
    std::wstring shown = cp936 ? L"首页 - Example Domain" : L"?? - Example Domain";
    ASSERT_TRUE(kvtest::PumpUntil([&] { return window_->Caption() == shown; }, 3000));
    kvtest::PumpIdle();
    HWND frame = frame_->Handle();
    EXPECT_EQ(WindowTextOf(window_->Handle()), shown);
    EXPECT_EQ(WindowTextOf(frame), cp936 ? L"Quelmar浏览器V3.4 - [首页 - Example Domain]"
                                         : L"Quelmar浏览器V3.4 - [?? - Example Domain]");
    EXPECT_EQ(frame_->Caption(), L"Quelmar浏览器V3.4");
    EXPECT_EQ(frame_->TabControl1.TabText(0), cp936 ? L"首页 - Examp" : L"?? - Examp");
    EXPECT_EQ(FirstWindowListEntry(GetMenu(frame)),
              cp936 ? L"&1 首页 - Example Domain" : L"&1 ?? - Example Domain");

    // Restored, the frame shows its own caption; maximised again, the child's once more.
    window_->Restore();
    EXPECT_EQ(WindowTextOf(frame), L"Quelmar浏览器V3.4");
    Raise(DISPID_TITLECHANGE, {Bstr(L"ignored")});
    EXPECT_EQ(WindowTextOf(frame), L"Quelmar浏览器V3.4");
    window_->Maximize();
    EXPECT_EQ(WindowTextOf(frame), cp936 ? L"Quelmar浏览器V3.4 - [首页 - Example Domain]"
                                         : L"Quelmar浏览器V3.4 - [?? - Example Domain]");

    // A second window takes the frame's title, and gives it back when the first is active.
    TMDIChild* later = frame_->OpenBrowserWindow(L"KV-2");
    stub::Page other;
    other.title = L"Other page";
    stub::SetPage(L"http://other.example/", other);
    later->WebBrowser1->NavigateUrl(L"http://other.example/");
    ASSERT_TRUE(kvtest::PumpUntil([&] { return later->Caption() == L"Other page"; }, 3000));
    kvtest::PumpIdle();
    EXPECT_EQ(WindowTextOf(frame), L"Quelmar浏览器V3.4 - [Other page]");
    window_->Activate();
    EXPECT_EQ(WindowTextOf(frame), cp936 ? L"Quelmar浏览器V3.4 - [首页 - Example Domain]"
                                         : L"Quelmar浏览器V3.4 - [?? - Example Domain]");
    // The same title again changes nothing.
    Raise(DISPID_TITLECHANGE, {Bstr(L"again")});
    kvtest::PumpIdle();
    EXPECT_EQ(WindowTextOf(frame), cp936 ? L"Quelmar浏览器V3.4 - [首页 - Example Domain]"
                                         : L"Quelmar浏览器V3.4 - [?? - Example Domain]");
}

// A window that is opened and titled by its first page in one go changes the frame's title
// once, at the next idle moment; a program busy in a wait of its own (no idle moment) still
// shows the new title shortly after.
TEST_F(BrowserWindowTest, FrameTitleFollowsOnceAndAlsoWhileTheProgramWaits) {
    HWND frame = frame_->Handle();
    TMDIChild* second = frame_->OpenBrowserWindow(L"KV-2");
    second->SetCaption(L"Second page");
    EXPECT_EQ(WindowTextOf(second->Handle()), L"Second page");
    kvtest::PumpIdle();
    EXPECT_EQ(WindowTextOf(frame), L"Quelmar浏览器V3.4 - [Second page]");

    // Messages only, as a wait for a page handles them: the title follows within a second.
    second->SetCaption(L"Third page");
    DWORD start = GetTickCount();
    while (WindowTextOf(frame) != L"Quelmar浏览器V3.4 - [Third page]" &&
           GetTickCount() - start < 1000) {
        tk::Application::ProcessMessages();
        Sleep(5);
    }
    EXPECT_EQ(WindowTextOf(frame), L"Quelmar浏览器V3.4 - [Third page]");
}

// The engine's boxes appear above the frame, since a browser window is an MDI child that is
// never activated itself: the active window's host gives them the program's caption; the
// program's own boxes keep theirs.
TEST_F(BrowserWindowTest, EngineBoxesAboveTheFrameTakeTheHostCaptionOwnBoxesKeepTheirs) {
    HWND frame = frame_->Handle();
    TMDIChild* front = frame_->OpenBrowserWindow(L"KV-2");
    int frontSeen = 0, behindSeen = 0;
    front->WebBrowser1->OnShowDialog = [&](host::TEmbeddedBrowser&, HWND) { ++frontSeen; };
    window_->WebBrowser1->OnShowDialog = [&](host::TEmbeddedBrowser&, HWND) { ++behindSeen; };

    SetActiveWindow(frame);
    ASSERT_EQ(GetActiveWindow(), frame);
    HWND box = kvtest::MakeDialog(frame, L"Microsoft Internet Explorer");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowTextOf(box), L"Web Browser");
    DestroyWindow(box);
    EXPECT_EQ(frontSeen, 1);
    EXPECT_EQ(behindSeen, 0);

    SetActiveWindow(frame);
    {
        tk::OwnDialogScope own;
        HWND mine = kvtest::MakeDialog(frame, L"弹出窗口");
        ASSERT_NE(mine, nullptr);
        EXPECT_EQ(WindowTextOf(mine), L"弹出窗口");
        DestroyWindow(mine);
    }
    // Its host still hears of every window activated above the frame.
    EXPECT_EQ(frontSeen, 2);

    // The window behind becomes the active one, and with it its host.
    window_->Activate();
    SetActiveWindow(frame);
    box = kvtest::MakeDialog(frame, L"Alert");
    EXPECT_EQ(WindowTextOf(box), L"Web Browser:  Alert");
    DestroyWindow(box);
    EXPECT_EQ(behindSeen, 1);
    EXPECT_EQ(frontSeen, 2);

    // A box the engine of the window behind makes for its own window is that host's.
    front->Activate();
    front->WebBrowser1->MessagesBoxes.NewCaption = L"前台";
    window_->WebBrowser1->MessagesBoxes.NewCaption = L"后台";
    SetActiveWindow(frame);
    box = kvtest::MakeDialog(window_->WebBrowser1->Handle(), L"Alert");
    EXPECT_EQ(WindowTextOf(box), L"后台:  Alert");
    DestroyWindow(box);
    EXPECT_EQ(behindSeen, 2);
    front->WebBrowser1->OnShowDialog = nullptr;
    window_->WebBrowser1->OnShowDialog = nullptr;
}

TEST_F(BrowserWindowTest, PageRequestsShowAndHideBarsAndFullScreen) {
    frame_->S1Click();
    ASSERT_TRUE(window_->StatusBar1Visible());
    Raise(DISPID_ONTOOLBAR, {Bool(false)});
    EXPECT_FALSE(window_->CoolBar1Visible());
    Raise(DISPID_ONMENUBAR, {Bool(true)});
    EXPECT_TRUE(window_->CoolBar1Visible());
    Raise(DISPID_ONSTATUSBAR, {Bool(false)});
    EXPECT_FALSE(window_->StatusBar1Visible());
    Raise(DISPID_ONFULLSCREEN, {Bool(true)}); // restored
    EXPECT_FALSE(window_->Maximized());
    EXPECT_FALSE(IsIconic(window_->Handle()));
    Raise(DISPID_ONFULLSCREEN, {Bool(false)});
    EXPECT_TRUE(window_->Maximized());
}

TEST_F(BrowserWindowTest, AltArrowsOnTheWindowOnly) {
    // A second page, so that there is one to go back to.
    window_->WebBrowser1->NavigateUrl(L"http://second.example/");
    ASSERT_TRUE(kvtest::PumpUntil(
        [&] {
            return engine_->State() == READYSTATE_COMPLETE &&
                   engine_->Url() == L"http://second.example/";
        },
        3000));
    stub::ClearCallLog();
    // Forward disabled: Alt+Right does nothing.
    window_->ForwardAction.SetEnabled(false);
    KeyOnWindow(VK_RIGHT, true);
    EXPECT_EQ(CountCalls(L"GoForward"), 0u);
    // Other shift states do nothing.
    KeyOnWindow(VK_LEFT, true, true);
    KeyOnWindow(VK_RIGHT, true, false, true);
    KeyOnWindow(VK_LEFT, false);
    EXPECT_EQ(CountCalls(L"GoBack"), 0u);
    // Alt+Left with Back enabled goes back.
    window_->BackAction.SetEnabled(true);
    KeyOnWindow(VK_LEFT, true);
    EXPECT_EQ(CountCalls(L"GoBack"), 1u);
    // Typed into the address box, the keys do not reach the window's handler.
    SendMessageW(window_->URLS.EditHandle(), WM_SYSKEYDOWN, VK_LEFT, (1 << 29) | 1);
    EXPECT_EQ(CountCalls(L"GoBack"), 1u);
}

TEST_F(BrowserWindowTest, FailingEngineCommandShowsTheErrorReportAndTheWindowStays) {
    engine_->FailNext(L"GoBack", E_FAIL);
    kvtest::ExpectModal(IDOK);
    window_->BackAction.SetEnabled(true);
    // Through the button's own message, as a click arrives.
    SendMessageW(GetParent(window_->ToolBar1.Handle()), WM_COMMAND, window_->BackBtn,
                 reinterpret_cast<LPARAM>(window_->ToolBar1.Handle()));
    EXPECT_EQ(kvtest::PendingModals(), 0u);
    EXPECT_TRUE(IsWindow(window_->Handle()));
    EXPECT_EQ(frame_->BrowserWindowCount(), 1);
    kvtest::ResetModals();
}

TEST_F(BrowserWindowTest, AddressBoxCompletesFromTheFirstMatchingEntry) {
    HWND edit = window_->URLS.EditHandle();
    ASSERT_NE(edit, nullptr);
    window_->URLS.SetText(L""); // the blank page's address was there
    SetFocus(edit);
    for (wchar_t c : std::wstring(L"HTTP://WWW.B")) {
        SendMessageW(edit, WM_CHAR, c, 1);
    }
    EXPECT_EQ(window_->URLS.Text(), L"http://www.baidu.com/s?tn=trevox_pg");
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 12u);
    EXPECT_EQ(end, 35u);
    // Deleting does not complete again.
    SendMessageW(edit, WM_KEYDOWN, VK_BACK, 1);
    SendMessageW(edit, WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(window_->URLS.Text(), L"http://www.b"); // the completed entry's letters stay
    // No entry begins with it: the text stays as typed.
    window_->URLS.SetText(L"");
    for (wchar_t c : std::wstring(L"zz")) {
        SendMessageW(edit, WM_CHAR, c, 1);
    }
    EXPECT_EQ(window_->URLS.Text(), L"zz");
}

TEST_F(BrowserWindowTest, AddressListIsThereWhenItDropsDown) {
    window_->URLS.InsertItem(0, "http://first.example/");
    window_->URLS.MoveItemToFront(2);
    SendMessageW(window_->URLS.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(window_->URLS.Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    const auto& items = window_->URLS.Items();
    ASSERT_EQ(window_->URLS.ListCount(), static_cast<int>(items.size()));
    EXPECT_EQ(items[0], "http://www.baidu.com/s?tn=trevox_pg");
    EXPECT_EQ(items[1], "http://first.example/");
    wchar_t text[128] = {};
    SendMessageW(window_->URLS.Handle(), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"http://www.baidu.com/s?tn=trevox_pg");
    // Once shown, the list follows later changes.
    window_->URLS.MoveItemToFront(1);
    SendMessageW(window_->URLS.Handle(), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"http://first.example/");
}

// A later window's address box waits for its list until it is first needed (the real box
// makes its list window at once). Whatever needs the list makes the real box: the box keeps its
// place, its field's place, its text, selection and focus.
TEST_F(BrowserWindowTest, AddressBoxKeepsItsPlaceTextAndFocusWhenItsListIsFirstNeeded) {
    auto fieldIn = [](HWND box, HWND field) {
        RECT r{};
        GetWindowRect(field, &r);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    // The first window's box as a real one, with its list.
    SendMessageW(window_->URLS.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(window_->URLS.Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    COMBOBOXINFO real{};
    real.cbSize = sizeof(real);
    ASSERT_TRUE(GetComboBoxInfo(window_->URLS.Handle(), &real));
    const POINT besideButton{real.rcButton.left - 2,
                             (real.rcButton.top + real.rcButton.bottom) / 2};
    struct Case {
        const char* name;
        std::function<void(TMDIChild&)> needList;
        bool drops;
    };
    const Case cases[] = {
        {"F4", [](TMDIChild& w) { SendMessageW(w.URLS.EditHandle(), WM_KEYDOWN, VK_F4, 1); }, true},
        {"Alt+Down",
         [](TMDIChild& w) { SendMessageW(w.URLS.EditHandle(), WM_SYSKEYDOWN, VK_DOWN, 1 << 29); },
         true},
        {"CB_SHOWDROPDOWN",
         [](TMDIChild& w) { SendMessageW(w.URLS.Handle(), CB_SHOWDROPDOWN, TRUE, 0); }, true},
        {"click on the button",
         [](TMDIChild& w) {
             RECT r{};
             GetClientRect(w.URLS.Handle(), &r);
             const LPARAM at = MAKELPARAM(r.right - 3, r.bottom / 2);
             SendMessageW(w.URLS.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
             HWND capture = GetCapture(); // the button is let go where it was pressed
             POINT p{r.right - 3, r.bottom / 2};
             MapWindowPoints(w.URLS.Handle(), capture, &p, 1);
             SendMessageW(capture, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
         },
         true},
        {"click beside the button",
         [besideButton](TMDIChild& w) {
             SendMessageW(w.URLS.Handle(), WM_LBUTTONDOWN, MK_LBUTTON,
                          MAKELPARAM(besideButton.x, besideButton.y));
         },
         false},
        {"a message for the real box",
         [](TMDIChild& w) {
             SendMessageW(w.URLS.Handle(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(L"http://other.example/"));
         },
         false},
    };
    // Each later window opens with a box waiting for its list.
    RECT realBox = window_->URLS.BoundsInParent();
    RECT realField = fieldIn(window_->URLS.Handle(), window_->URLS.EditHandle());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMDIChild* w = frame_->OpenBrowserWindow(L"KV-n");
        kvtest::PumpIdle();
        wchar_t cls[32] = {};
        GetClassNameW(w->URLS.Handle(), cls, 32);
        ASSERT_STRNE(cls, L"ComboBox") << "a later window's box waits for its list";
        RECT box = w->URLS.BoundsInParent();
        EXPECT_EQ(box.bottom - box.top, realBox.bottom - realBox.top);
        RECT field = fieldIn(w->URLS.Handle(), w->URLS.EditHandle());
        SetFocus(w->URLS.EditHandle());
        w->URLS.SetText(L"http://typed.example/");
        SendMessageW(w->URLS.EditHandle(), EM_SETSEL, 7, 12);

        c.needList(*w);
        EXPECT_EQ(SendMessageW(w->URLS.Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0, c.drops);
        EXPECT_EQ(w->URLS.ListCount(), c.drops ? 3 : 0);
        SendMessageW(w->URLS.Handle(), CB_SHOWDROPDOWN, FALSE, 0);
        RECT after = w->URLS.BoundsInParent();
        EXPECT_EQ(after.left, box.left);
        EXPECT_EQ(after.top, box.top);
        EXPECT_EQ(after.right, box.right);
        EXPECT_EQ(after.bottom, box.bottom);
        RECT fieldAfter = fieldIn(w->URLS.Handle(), w->URLS.EditHandle());
        EXPECT_EQ(fieldAfter.left, field.left);
        EXPECT_EQ(fieldAfter.top, field.top);
        EXPECT_EQ(fieldAfter.right, field.right);
        EXPECT_EQ(fieldAfter.bottom, field.bottom);
        EXPECT_EQ(field.left, realField.left);
        EXPECT_EQ(field.top, realField.top);
        EXPECT_EQ(field.right, realField.right);
        EXPECT_EQ(field.bottom, realField.bottom);
        EXPECT_EQ(GetFocus(), w->URLS.EditHandle());
        EXPECT_EQ(w->URLS.Text(), L"http://typed.example/");
        if (c.drops) {
            continue; // the dropped list takes the selection in the field
        }
        DWORD start = 0, end = 0;
        SendMessageW(w->URLS.EditHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 7u);
        EXPECT_EQ(end, 12u);
    }
}

TEST_F(BrowserWindowTest, UpAndDownBrowseTheHistoryBeforeTheListHasDroppedDown) {
    HWND edit = window_->URLS.EditHandle();
    ASSERT_NE(edit, nullptr);
    SetFocus(edit);
    // The field is a new window once the list is first needed.
    auto key = [this](WORD vk) { SendMessageW(window_->URLS.EditHandle(), WM_KEYDOWN, vk, 1); };
    auto selection = [edit] {
        DWORD start = 0, end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return std::make_pair(start, end);
    };
    window_->URLS.SetText(L"not in the list");
    key(VK_DOWN);
    EXPECT_EQ(window_->URLS.Text(), L"http://www.example.com/");
    EXPECT_EQ(selection(), std::make_pair(DWORD{0}, DWORD{23})) << "the whole entry is selected";
    key(VK_DOWN);
    EXPECT_EQ(window_->URLS.Text(), L"http://www.baidu.com/s?tn=trevox_pg");
    key(VK_DOWN);
    key(VK_DOWN); // past the last entry: it stays
    EXPECT_EQ(window_->URLS.Text(), L"http://other.example/");
    key(VK_UP);
    EXPECT_EQ(window_->URLS.Text(), L"http://www.baidu.com/s?tn=trevox_pg");
    key(VK_UP);
    key(VK_UP); // before the first entry: it stays
    EXPECT_EQ(window_->URLS.Text(), L"http://www.example.com/");
    // A typed entry's text: Down goes on from that entry.
    window_->URLS.SetText(L"http://www.baidu.com/s?tn=trevox_pg");
    key(VK_DOWN);
    EXPECT_EQ(window_->URLS.Text(), L"http://other.example/");
    // A window's own recorded entry is browsed as well.
    window_->URLS.InsertItem(0, "http://recorded.example/");
    window_->URLS.SetText(L"");
    key(VK_DOWN);
    EXPECT_EQ(window_->URLS.Text(), L"http://recorded.example/");
    // Once the list has dropped down it selects the entry in the box and the keys go on from
    // it there.
    SendMessageW(window_->URLS.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(window_->URLS.Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(window_->URLS.ListCount(), 4);
    window_->URLS.SetItemIndex(1);
    key(VK_DOWN);
    EXPECT_EQ(window_->URLS.Text(), L"http://www.baidu.com/s?tn=trevox_pg");
}

TEST_F(BrowserWindowTest, WindowsShareTheHistoryUntilOneRecordsAnAddress) {
    TMDIChild* second = frame_->OpenBrowserWindow(L"KV-2");
    TMDIChild* third = frame_->OpenBrowserWindow(L"KV-3");
    const std::vector<std::string> before{
        "http://www.example.com/", "http://www.baidu.com/s?tn=trevox_pg", "http://other.example/"};
    EXPECT_EQ(second->URLS.Items(), before);
    EXPECT_TRUE(second->URLS.Items().SharesWith(third->URLS.Items()))
        << "one list for both windows";
    stub::Engine* engine = stub::Last();
    second->URLS.SetText(L"http://typed.example/");
    second->GoToAddress();
    kvtest::PumpUntil([engine] { return engine->State() == READYSTATE_COMPLETE; });
    EXPECT_EQ(
        second->URLS.Items(),
        (std::vector<std::string>{"http://typed.example/", "http://www.example.com/",
                                  "http://www.baidu.com/s?tn=trevox_pg", "http://other.example/"}));
    EXPECT_EQ(third->URLS.Items(), before) << "the other windows keep what they had";
    EXPECT_EQ(window_->URLS.Items(), before);
    EXPECT_EQ(frame_->ListBoxURL.front(), "http://typed.example/");
    TMDIChild* fourth = frame_->OpenBrowserWindow(L"KV-4");
    EXPECT_EQ(fourth->URLS.Items(), frame_->ListBoxURL) << "a new window has the recording";
    // A change made to the frame's history directly reaches the next window too.
    frame_->ListBoxURL.pop_back();
    TMDIChild* fifth = frame_->OpenBrowserWindow(L"KV-5");
    EXPECT_EQ(fifth->URLS.Items().size(), 3u);
    EXPECT_EQ(fourth->URLS.Items().size(), 4u);
}

TEST_F(BrowserWindowTest, EnterInTheAddressBoxAndTheGoButtonNavigate) {
    HWND edit = window_->URLS.EditHandle();
    window_->URLS.SetText(L"www.typed.example");
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80; // whatever the shift state
    SetKeyboardState(keys);
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    auto nav = engine_->Navigations();
    ASSERT_FALSE(nav.empty());
    EXPECT_EQ(nav.back().url, L"www.typed.example");
    window_->URLS.SetText(L"second.example");
    SendMessageW(window_->SpeedButton1.Handle(), BM_CLICK, 0, 0);
    nav = engine_->Navigations();
    EXPECT_EQ(nav.back().url, L"second.example");
    kvtest::PumpFor(100);
}

TEST_F(BrowserWindowTest, CloseRequestInsideAnEngineEventDestroysTheWindowAfterIt) {
    TMDIChild* second = frame_->OpenBrowserWindow(L"KV-2");
    stub::Engine* e = stub::Last();
    ASSERT_EQ(frame_->TabControl1.Count(), 2);
    e->RequestClose();
    ASSERT_TRUE(kvtest::PumpUntil([&] { return frame_->Children().size() == 1; }, 3000));
    EXPECT_EQ(stub::Instances().size(), 1u);
    EXPECT_EQ(frame_->TabWindows(), std::vector<TMDIChild*>{window_});
    EXPECT_EQ(frame_->BrowserWindowCount(), 1);
    (void)second;
}

TEST_F(BrowserWindowTest, ClosedWindowIsDestroyedNotMinimised) {
    TMDIChild* second = frame_->OpenBrowserWindow(L"KV-2");
    HWND h = second->Handle();
    second->Close();
    EXPECT_TRUE(second->Closing());
    EXPECT_EQ(frame_->BrowserWindowCount(), 1);
    EXPECT_EQ(frame_->TabControl1.Count(), 1);
    // Destroyed once the queued messages have been handled, never iconic.
    EXPECT_FALSE(IsIconic(h));
    ASSERT_TRUE(kvtest::PumpUntil([&] { return !IsWindow(h); }, 3000));
    EXPECT_EQ(frame_->Children().size(), 1u);
    EXPECT_EQ(stub::Instances().size(), 1u);
}

TEST_F(BrowserWindowTest, AltEnterInTheAddressBoxNavigatesToo) {
    HWND edit = window_->URLS.EditHandle();
    window_->URLS.SetText(L"www.alt.example");
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    // With Alt held the box gets the key as a system key.
    SendMessageW(edit, WM_SYSKEYDOWN, VK_RETURN, (1 << 29) | 1);
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    auto nav = engine_->Navigations();
    ASSERT_FALSE(nav.empty());
    EXPECT_EQ(nav.back().url, L"www.alt.example");
    kvtest::PumpFor(100);
}

// The engine's window in the window's client area: full width, from the bottom of the cool bar
// to the top of the status bar, measured from the bars' own windows.
TEST_F(BrowserWindowTest, EngineFillsTheSpaceBetweenTheBars) {
    frame_->S1Click(); // status bars shown
    ASSERT_TRUE(window_->StatusBar1Visible());
    ASSERT_TRUE(window_->CoolBar1Visible());
    HWND engine = engine_->Window();
    ASSERT_NE(engine, nullptr);
    auto inClient = [&](HWND h) {
        RECT r{};
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, window_->Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    auto check = [&] {
        RECT client{};
        GetClientRect(window_->Handle(), &client);
        RECT cool = inClient(window_->CoolBar1.Handle());
        RECT status = inClient(window_->StatusBar1.Handle());
        RECT page = inClient(engine);
        EXPECT_EQ(cool.top, 0);
        EXPECT_GT(cool.bottom, 20);
        EXPECT_EQ(status.bottom, client.bottom);
        EXPECT_GT(status.bottom - status.top, 10);
        EXPECT_EQ(page.left, 0);
        EXPECT_EQ(page.right, client.right);
        EXPECT_EQ(page.top, cool.bottom);
        EXPECT_EQ(page.bottom, status.top);
    };
    {
        SCOPED_TRACE("maximised");
        check();
    }
    // A restored window of a given size: 600 x 400 outside, the client smaller by its frame.
    window_->Restore();
    SetWindowPos(window_->Handle(), nullptr, 10, 10, 600, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    kvtest::PumpFor(50);
    RECT client{};
    GetClientRect(window_->Handle(), &client);
    RECT outer{};
    GetWindowRect(window_->Handle(), &outer);
    EXPECT_EQ(outer.right - outer.left, 600);
    EXPECT_EQ(outer.bottom - outer.top, 400);
    {
        SCOPED_TRACE("600 x 400");
        check();
    }
    // Without the status bar the page reaches the bottom.
    frame_->S1Click();
    RECT page = inClient(engine);
    EXPECT_EQ(page.bottom, client.bottom);
}

// A navigation in a window behind the active one leaves the keys where the user types; the
// page takes the focus once its window is activated.
TEST_F(BrowserWindowTest, NavigationBehindKeepsTheFocusWhereTheUserTypes) {
    TMDIChild* front = frame_->OpenBrowserWindow(L"KV-2");
    stub::Engine* frontEngine = stub::Last();
    ASSERT_NE(frontEngine, engine_);
    ASSERT_EQ(frame_->ActiveBrowserWindow(), front);
    SetForegroundWindow(frame_->Handle());
    kvtest::PumpFor(50);
    HWND typing = front->URLS.EditHandle();
    SetFocus(typing);
    ASSERT_EQ(GetFocus(), typing);

    window_->WebBrowser1->NavigateUrl(L"http://behind.example/");
    ASSERT_TRUE(
        kvtest::PumpUntil([&] { return engine_->Url() == L"http://behind.example/"; }, 3000));
    EXPECT_EQ(GetFocus(), typing);
    EXPECT_EQ(frame_->ActiveBrowserWindow(), front);

    // Activating the window behind puts the focus into its page.
    window_->Activate();
    kvtest::PumpFor(50);
    HWND focus = GetFocus();
    HWND page = engine_->Window();
    EXPECT_TRUE(focus == page || IsChild(page, focus))
        << focus << " " << page << " " << window_->Handle() << " " << front->Handle() << " "
        << GetParent(focus) << " " << GetActiveWindow() << " " << frame_->Handle();

    // The active window's own navigation takes the focus at once.
    SetFocus(window_->URLS.EditHandle());
    window_->WebBrowser1->NavigateUrl(L"http://front.example/");
    focus = GetFocus();
    EXPECT_TRUE(focus == page || IsChild(page, focus)) << focus << " " << page;
    kvtest::PumpFor(50);
}

} // namespace
