// A browser window with an owner of the test's own instead of the frame: what the window asks
// of its owner, in order, is all it needs, so the window can live without the frame.
#include "browser_window/mdi_child.h"
#include "browser_window/window_owner.h"
#include "engine_stub/engine_stub.h"
#include "toolkit/forms.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A bare MDI frame that records every request of its windows.
class RecordingOwner : public tk::MDIFrameForm, public IBrowserWindowOwner {
public:
    explicit RecordingOwner(HMENU menuBar = nullptr) {
        CreateFrame(L"owner", 800, 600, menuBar, nullptr);
    }
    ~RecordingOwner() override { FreeChildren(); }

    tk::MDIFrameForm& OwnerFrame() override { return *this; }
    kv::LineList SharedHistory() const override { return kv::LineList(history); }
    void RecordInSharedHistory(const std::string& address) override {
        calls.push_back("record " + address);
        history.insert(history.begin(), address);
    }
    TViewSettings ViewSettings() const override { return view; }
    bool PopupBlocking() const override { return blocking; }
    void UpdateWindowTabs(TMDIChild* window, TTabAction action) override {
        static const char* const names[] = {"sync", "remove", "add", "refresh"};
        calls.push_back(std::string("tab ") + names[static_cast<int>(action)] +
                        (window == nullptr ? " null" : ""));
    }
    int BrowserWindowCount() const override { return MDIChildCount(); }
    TMDIChild* OpenBrowserWindow(const std::wstring& caption) override {
        calls.push_back("open");
        auto* w = new TMDIChild(*this);
        w->SetCaption(caption);
        return w;
    }
    TMDIChild* OpenPopupWindow() override {
        calls.push_back("popup");
        auto* w = new TMDIChild(*this);
        w->SetCaption(L"popup");
        return w;
    }

    std::vector<std::string> history{"http://first.example/", "http://second.example/"};
    std::vector<std::string> calls;
    bool blocking = false;
    TViewSettings view;
};

class WindowOwnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        stub::ClearPages();
        owner_ = std::make_unique<RecordingOwner>();
        window_ = new TMDIChild(*owner_);
        engine_ = stub::Last();
        ASSERT_NE(engine_, nullptr);
    }
    void TearDown() override {
        owner_.reset();
        kvtest::DrainQuit();
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }
    void Type(const std::wstring& text) {
        window_->URLS.SetText(text);
        window_->GoToAddress();
        kvtest::PumpUntil([this] { return engine_->State() == READYSTATE_COMPLETE; });
    }

    stub::ScopedRegistration registration_;
    std::unique_ptr<RecordingOwner> owner_;
    TMDIChild* window_ = nullptr;
    stub::Engine* engine_ = nullptr;
};

TEST_F(WindowOwnerTest, StartsItsAddressListFromTheOwnersHistory) {
    EXPECT_EQ(window_->URLS.Items(),
              (std::vector<std::string>{"http://first.example/", "http://second.example/"}));
    EXPECT_TRUE(owner_->calls.empty());
}

TEST_F(WindowOwnerTest, EnteredAddressIsRecordedWithTheOwnerAndItsTabRefreshed) {
    Type(L"http://typed.example/");
    EXPECT_EQ(owner_->calls,
              (std::vector<std::string>{"record http://typed.example/", "tab refresh"}));
    EXPECT_EQ(owner_->history.front(), "http://typed.example/");
    // A later navigation of the page itself is not an entry: only the tab follows.
    owner_->calls.clear();
    window_->WebBrowser1->NavigateUrl(L"http://linked.example/");
    kvtest::PumpUntil([this] { return engine_->Url() == L"http://linked.example/"; });
    EXPECT_EQ(owner_->calls, std::vector<std::string>{"tab refresh"});
}

TEST_F(WindowOwnerTest, ClosingRemovesItsTab) {
    window_->Close();
    kvtest::PumpUntil([this] { return owner_->MDIChildCount() == 0; });
    EXPECT_EQ(owner_->calls, std::vector<std::string>{"tab remove"});
}

TEST_F(WindowOwnerTest, PopupRefusedWithoutAskingWhileTheOwnerBlocks) {
    owner_->blocking = true;
    stub::Engine::NewWindowResult r = engine_->RaiseNewWindow2(L"http://popup.example/");
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(kvtest::SeenModals().empty());
    EXPECT_EQ(owner_->MDIChildCount(), 1);
    EXPECT_TRUE(owner_->calls.empty());
}

TEST_F(WindowOwnerTest, ConsentedPopupOpensThroughTheOwnerAndLoadsThere) {
    kvtest::ExpectModal(IDOK, L"允许弹出窗口么？");
    stub::Engine::NewWindowResult r = engine_->RaiseNewWindow2(L"http://popup.example/");
    EXPECT_FALSE(r.cancelled);
    EXPECT_TRUE(r.loaded);
    // The new window reports its own navigation start to its tab.
    EXPECT_EQ(owner_->calls, (std::vector<std::string>{"popup", "tab refresh"}));
    EXPECT_EQ(owner_->MDIChildCount(), 2);
}

} // namespace

namespace {

RECT InClient(HWND h, HWND parent) {
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HIMAGELIST ToolBarImages(TMDIChild& w) {
    return reinterpret_cast<HIMAGELIST>(SendMessageW(w.ToolBar1.Handle(), TB_GETIMAGELIST, 0, 0));
}

// A window is built with the bars its owner shows, and its page already fills what they leave:
// nothing has to be laid out again when its tab applies the same settings.
TEST(WindowOwnerBuild, NewWindowHasTheOwnersBarsAndItsPageFillsTheRest) {
    stub::ScopedRegistration registration;
    RecordingOwner owner;
    owner.view = TViewSettings{true, false, false};
    auto* w = new TMDIChild(owner);
    EXPECT_TRUE(w->ToolBar1Visible());
    EXPECT_FALSE(w->CoolBar1Visible());
    EXPECT_FALSE(w->StatusBar1Visible());
    EXPECT_FALSE(IsWindowVisible(w->StatusBar1.Handle()));
    HWND engine = stub::Last()->Window();
    ASSERT_NE(engine, nullptr);
    RECT client{};
    GetClientRect(w->Handle(), &client);
    RECT page = InClient(engine, w->Handle());
    EXPECT_EQ(page.top, 0);
    EXPECT_EQ(page.bottom, client.bottom);
    EXPECT_EQ(page.right, client.right);

    // Address bar shown, navigation buttons hidden: the page starts below the bar.
    owner.view = TViewSettings{false, true, true};
    auto* w2 = new TMDIChild(owner);
    EXPECT_FALSE(w2->ToolBar1Visible());
    EXPECT_TRUE(w2->CoolBar1Visible());
    EXPECT_TRUE(w2->StatusBar1Visible());
    RECT cool = InClient(w2->CoolBar1.Handle(), w2->Handle());
    RECT status = InClient(w2->StatusBar1.Handle(), w2->Handle());
    RECT page2 = InClient(stub::Last()->Window(), w2->Handle());
    EXPECT_GT(cool.bottom, 20);
    EXPECT_EQ(page2.top, cool.bottom);
    EXPECT_EQ(page2.bottom, status.top);
}

// Windows of one scale share the navigator pictures; they stay while any window holds them.
TEST(WindowOwnerBuild, WindowsShareTheNavigatorPicturesWhileAnyIsOpen) {
    stub::ScopedRegistration registration;
    RecordingOwner owner;
    auto* first = new TMDIChild(owner);
    auto* second = new TMDIChild(owner);
    HIMAGELIST images = ToolBarImages(*first);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ToolBarImages(*second), images);
    first->Close();
    kvtest::PumpUntil([&] { return owner.MDIChildCount() == 1; });
    // Still a live list of the five 23 x 23 pictures.
    EXPECT_EQ(ImageList_GetImageCount(ToolBarImages(*second)), 5);
    int cx = 0, cy = 0;
    EXPECT_TRUE(ImageList_GetIconSize(ToolBarImages(*second), &cx, &cy));
    EXPECT_EQ(cx, 23);
    EXPECT_EQ(cy, 23);
    kvtest::DrainQuit();
}

// Pixels of a part of a window as drawn (window coordinates; the whole window by default).
std::vector<uint32_t> WindowPixels(HWND w, RECT part = RECT{}) {
    if (IsRectEmpty(&part)) {
        GetWindowRect(w, &part);
        OffsetRect(&part, -part.left, -part.top);
    }
    int width = part.right - part.left, height = part.bottom - part.top;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetWindowDC(w);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, part.left, part.top, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                                 static_cast<const uint32_t*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(w, screen);
    return pixels;
}

// The frame's menu bar as drawn.
std::vector<uint32_t> MenuBarPixels(HWND frame) {
    MENUBARINFO bar{};
    bar.cbSize = sizeof(bar);
    if (!GetMenuBarInfo(frame, OBJID_MENU, 0, &bar)) {
        return {};
    }
    RECT outer{};
    GetWindowRect(frame, &outer);
    RECT part = bar.rcBar;
    OffsetRect(&part, -outer.left, -outer.top);
    return WindowPixels(frame, part);
}

// Opening the first maximised window adds its buttons to the frame's menu bar; the frame's
// non-client area is painted once, after the window exists, and shows them then.
TEST(WindowOwnerBuild, FrameMenuBarShowsTheFirstWindowsButtonsOnceOpened) {
    stub::ScopedRegistration registration;
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, 100, L"Exit");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"File");
    RecordingOwner owner(bar);
    ShowWindow(owner.Handle(), SW_SHOWNORMAL);
    kvtest::PumpFor(50);
    EXPECT_EQ(GetMenuItemCount(bar), 1);
    std::vector<uint32_t> before = MenuBarPixels(owner.Handle());
    ASSERT_FALSE(before.empty());

    new TMDIChild(owner);
    kvtest::PumpFor(50);
    // The child's system menu and its three caption buttons.
    EXPECT_EQ(GetMenuItemCount(bar), 5);
    std::vector<uint32_t> shown = MenuBarPixels(owner.Handle());
    EXPECT_NE(shown, before);
    RedrawWindow(owner.Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(MenuBarPixels(owner.Handle()), shown);
}

// A window covered by a newer maximised one is not painted behind it; brought back to the
// front, it shows itself whole, its own bars included.
TEST(WindowOwnerBuild, WindowBroughtBackFromBehindANewerOneIsPaintedWhole) {
    stub::ScopedRegistration registration;
    RecordingOwner owner;
    ShowWindow(owner.Handle(), SW_SHOWNORMAL);
    auto* first = new TMDIChild(owner); // with its status bar
    first->URLS.SetText(L"http://first.example/");
    kvtest::PumpFor(50);
    owner.view = TViewSettings{false, true, false};
    auto* second = new TMDIChild(owner);
    second->URLS.SetText(L"http://second.example/");
    kvtest::PumpFor(50);

    first->Activate();
    kvtest::PumpFor(100);
    ASSERT_TRUE(first->Maximized());
    std::vector<uint32_t> shown = WindowPixels(first->Handle());
    RedrawWindow(first->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(WindowPixels(first->Handle()) == shown);
}

} // namespace
