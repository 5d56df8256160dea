// The frame's favorites menu against the stand-in engine and Wine's real shell:
// "激活收藏" builds "收藏(&A)" before "窗口(&W)", choosing a favorite opens it
// in a new window, and the menu's link to a window's host goes with that
// window.
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "host/embedded_browser.h"
#include "win32/support/frame_start.h"
#include "win32/support/engines.h"
#include "win32/support/favorites_folder.h"
#include "win32/support/menu_items.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::DrainQuit;

using kvtest::MenuCaption;
using kvtest::MenuIndexOf;

class FavoritesFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        stub::ClearPages();
        waitLimit_ = host::TEmbeddedBrowser::WaitLimitMs();
        // The favorite never loads, as under an engine without a renderer: its window keeps
        // its numbered caption.
        stub::Page never;
        never.neverComplete = true;
        stub::SetPage(L"http://alpha.example/", never);
        host::TEmbeddedBrowser::SetWaitLimitMs(300);
        const std::wstring root = sandbox_.Path() + L"\\";
        kvtest::WriteInternetShortcut(root + L"Alpha.url", "http://alpha.example/");
        kvtest::WriteInternetShortcut(root + L"Bad.url", "");
    }
    void TearDown() override {
        if (frame_) {
            kvtest::ExpectModal(IDOK, L"真的要退出么?");
            frame_->Close();
            DrainQuit();
            frame_.reset();
        }
        stub::ClearPages();
        host::TEmbeddedBrowser::SetWaitLimitMs(waitLimit_);
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }
    TMainForm& Open() { return kvtest::ShowFrame(frame_, kvtest::FrameStartIn(program_.Path())); }
    HMENU Bar() const { return frame_->MainMenu1.Handle(); }
    HMENU Favorites() const { return frame_->FavoritesMenu1->TopItem()->Submenu(); }
    void Choose(HMENU menu, const std::wstring& caption) {
        int i = MenuIndexOf(menu, caption);
        ASSERT_GE(i, 0);
        SendMessageW(frame_->Handle(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(menu, i), 0), 0);
        kvtest::PumpIdle();
    }

    stub::ScopedRegistration engine_;
    kvtest::FavoritesSandbox sandbox_;
    kvtest::TempFolder program_{L"kvfavprog"};
    DWORD waitLimit_ = 0;
    std::unique_ptr<TMainForm> frame_;
};

TEST_F(FavoritesFrameTest, ActivatingBuildsTheMenuBeforeTheWindowMenu) {
    TMainForm& f = Open();
    const fav::TFavoritesMenu& m = *f.FavoritesMenu1;
    EXPECT_EQ(m.MenuPosition, 5);
    EXPECT_EQ(m.MaxWidth, 50);
    EXPECT_EQ(m.Caption, L"收藏(&A)");
    EXPECT_EQ(m.Localization.AddFavorites, L"添加收藏夹");
    EXPECT_EQ(m.Localization.OrganizeFavorites, L"整理收藏夹");
    EXPECT_EQ(m.MainMenu(), Bar());
    EXPECT_EQ(MenuIndexOf(Bar(), L"收藏(&A)"), -1);
    ASSERT_GE(MenuIndexOf(Bar(), L"激活收藏"), 0);

    SendMessageW(f.Handle(), WM_COMMAND, MAKEWPARAM(f.N19.Command(), 0), 0);
    EXPECT_EQ(MenuIndexOf(Bar(), L"激活收藏"), -1);
    const int favorites = MenuIndexOf(Bar(), L"收藏(&A)");
    ASSERT_GE(favorites, 0);
    EXPECT_EQ(MenuCaption(Bar(), favorites + 1), L"窗口(&W)");
    EXPECT_EQ(MenuCaption(Bar(), favorites - 1), L"工具(&T)");
    std::vector<std::wstring> items;
    for (int i = 0; i < GetMenuItemCount(Favorites()); ++i) {
        items.push_back(MenuCaption(Favorites(), i));
    }
    EXPECT_EQ(items,
              (std::vector<std::wstring>{L"添加收藏夹", L"整理收藏夹", L"", L"Alpha", L"Bad"}));
}

TEST_F(FavoritesFrameTest, ChoosingAFavoriteOpensItInANewWindow) {
    TMainForm& f = Open();
    f.N19Click();
    Choose(Favorites(), L"Alpha");
    ASSERT_EQ(f.BrowserWindowCount(), 2);
    TMDIChild* w = f.ActiveBrowserWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Caption(), L"KV-2");
    stub::Engine* e = kvtest::EngineOf(w->WebBrowser1->DefaultInterface());
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->Navigations().size(), 1u);
    EXPECT_EQ(e->Navigations()[0].url, L"http://alpha.example/");

    // A shortcut without a URL opens a window that stays blank.
    Choose(Favorites(), L"Bad");
    ASSERT_EQ(f.BrowserWindowCount(), 3);
    TMDIChild* blank = f.ActiveBrowserWindow();
    EXPECT_EQ(blank->Caption(), L"KV-3");
    stub::Engine* b = kvtest::EngineOf(blank->WebBrowser1->DefaultInterface());
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->Navigations().empty());
}

TEST_F(FavoritesFrameTest, LinkFollowsTheActiveWindowAndGoesWithTheLastOne) {
    TMainForm& f = Open();
    f.N19Click();
    TMDIChild* first = f.ActiveBrowserWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(f.FavoritesMenu1->EmbeddedBrowser, first->WebBrowser1.get());
    // With a window open the add reaches the platform, which has no favorites
    // service here.
    kvtest::ExpectModal(IDOK, L"不能添加这个连接！");
    Choose(Favorites(), L"添加收藏夹");

    first->Close();
    ASSERT_TRUE(kvtest::PumpUntil([&] { return f.Children().empty(); }, 3000));
    kvtest::PumpIdle();
    EXPECT_EQ(f.FavoritesMenu1->EmbeddedBrowser, nullptr);
    kvtest::ExpectModal(IDOK, L"No Webbrowser linked to the Favorites-menu.");
    Choose(Favorites(), L"添加收藏夹");
    std::vector<kvtest::SeenModal> seen = kvtest::SeenModals();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, L"不能添加这个连接！");
    EXPECT_EQ(seen[1].text, L"No Webbrowser linked to the Favorites-menu.");
}

} // namespace
