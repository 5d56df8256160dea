// The favorites menu against Wine's real shell: a Favorites folder that the tests fill in the
// throwaway prefix (internet shortcuts, sub-folders, a shell link, a channel shortcut of a
// type the tests register), the menu it gives, choosing favorites, and the commands.
#include "favorites/favorites_menu.h"
#include "favorites/shell_items.h"
#include "host/embedded_browser.h"
#include "toolkit/menus.h"
#include "win32/support/engines.h"
#include "win32/support/favorites_folder.h"
#include "win32/support/menu_items.h"
#include "win32/support/modal.h"
#include "win32/support/parent_window.h"
#include "win32/support/pump.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using kvtest::FavoritesSandbox;

kvtest::FavoritesSandbox* g_sandbox = nullptr;

class SandboxEnvironment : public ::testing::Environment {
public:
    void SetUp() override { g_sandbox = new FavoritesSandbox(); }
    void TearDown() override {
        delete g_sandbox;
        g_sandbox = nullptr;
    }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new SandboxEnvironment);

std::string Utf8(const std::wstring& w) {
    std::string s;
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    s.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

// A registry value that the test changes and puts back as it was (or removes again).
class ScopedValue {
public:
    ScopedValue(HKEY root, std::wstring key, std::wstring name)
        : root_(root), key_(std::move(key)), name_(std::move(name)) {
        HKEY k = nullptr;
        keyExisted_ = RegOpenKeyExW(root_, key_.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS;
        if (keyExisted_) {
            wchar_t buf[512] = {};
            DWORD size = sizeof(buf) - sizeof(wchar_t);
            DWORD type = 0;
            if (RegQueryValueExW(k, Name(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) ==
                    ERROR_SUCCESS &&
                type == REG_SZ) {
                old_ = std::wstring(buf);
            }
            RegCloseKey(k);
        }
    }
    ~ScopedValue() {
        if (!keyExisted_) {
            RegDeleteTreeW(root_, key_.c_str());
            RegDeleteKeyW(root_, key_.c_str());
            return;
        }
        if (old_) {
            Set(*old_);
        } else {
            Remove();
        }
    }
    void Set(const std::wstring& text) const {
        HKEY k = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
            ERROR_SUCCESS);
        RegSetValueExW(k, Name(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(k);
    }
    void Remove() const {
        HKEY k = nullptr;
        if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_WRITE, &k) == ERROR_SUCCESS) {
            RegDeleteValueW(k, Name());
            RegCloseKey(k);
        }
    }

private:
    const wchar_t* Name() const { return name_.empty() ? nullptr : name_.c_str(); }
    HKEY root_;
    std::wstring key_;
    std::wstring name_;
    bool keyExisted_ = false;
    std::optional<std::wstring> old_;
};

// Captions of a menu's items: "-" for a separator, "[x]" before a disabled item's caption.
std::vector<std::string> Items(HMENU menu) {
    std::vector<std::string> v;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        wchar_t text[256] = {};
        mii.dwTypeData = text;
        mii.cch = 255;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii);
        if (mii.fType & MFT_SEPARATOR) {
            v.push_back("-");
        } else {
            std::string s = Utf8(text);
            if (mii.fState & MFS_GRAYED) {
                s = "[x]" + s;
            }
            v.push_back(s);
        }
    }
    return v;
}

class FavoritesTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        g_sandbox->Clear();
        root_ = g_sandbox->Path() + L"\\";
        bar_ = CreateMenu();
        for (const wchar_t* c : {L"文件(&A)", L"编辑(&E)", L"窗口(&W)"}) {
            AppendMenuW(bar_, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()),
                        c);
        }
        SetMenu(window_.get(), bar_);
    }
    void TearDown() override {
        menu_.reset();
        SetMenu(window_.get(), nullptr);
        DestroyMenu(bar_);
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }

    // Alpha, beta and a shortcut without URL; a sub-folder with two favorites; an empty
    // sub-folder; a shell link to a file.
    void WriteStandardFavorites() {
        kvtest::WriteInternetShortcut(root_ + L"Alpha.url", "http://alpha.example/");
        kvtest::WriteInternetShortcut(root_ + L"beta.url", "http://beta.example/page.html");
        kvtest::WriteInternetShortcut(root_ + L"Bad.url", "");
        CreateDirectoryW((root_ + L"Sub").c_str(), nullptr);
        kvtest::WriteInternetShortcut(root_ + L"Sub\\One.url", "http://one.example/");
        kvtest::WriteInternetShortcut(root_ + L"Sub\\Two.url", "http://two.example/");
        CreateDirectoryW((root_ + L"Empty").c_str(), nullptr);
        target_ = files_.Path() + L"target.txt";
        kvtest::WriteBytes(target_, "text");
        ASSERT_TRUE(kvtest::WriteShellLink(root_ + L"Doc link.lnk", target_));
    }

    fav::TFavoritesMenu& Make() {
        menu_ = std::make_unique<fav::TFavoritesMenu>();
        menu_->SetMainMenu(bar_, window_.get());
        menu_->OnURLSelected = [this](tk::MenuItem& sender, const std::wstring& url) {
            senders_.push_back(&sender);
            urls_.push_back(url);
        };
        return *menu_;
    }
    HMENU Top() const { return menu_->TopItem()->Submenu(); }
    // Chooses the item with this caption in the menu, as the user does.
    void Choose(HMENU menu, const std::wstring& caption) {
        int i = kvtest::MenuIndexOf(menu, caption);
        ASSERT_GE(i, 0) << Utf8(caption);
        SendMessageW(window_.get(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(menu, i), 0), 0);
    }
    // Opens the submenu of the item with this caption, as the menu does before showing it.
    HMENU Open(HMENU menu, const std::wstring& caption) {
        int i = kvtest::MenuIndexOf(menu, caption);
        EXPECT_GE(i, 0) << Utf8(caption);
        HMENU sub = i >= 0 ? GetSubMenu(menu, i) : nullptr;
        SendMessageW(window_.get(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub),
                     MAKELPARAM(i, FALSE));
        return sub;
    }

    kvtest::ParentWindow window_;
    kvtest::TempFolder files_{L"kvfav"};
    std::wstring root_;
    std::wstring target_;
    HMENU bar_ = nullptr;
    std::unique_ptr<fav::TFavoritesMenu> menu_;
    std::vector<tk::MenuItem*> senders_;
    std::vector<std::wstring> urls_;
};

TEST_F(FavoritesTest, ValuesAfterConstruction) {
    fav::TFavoritesMenu m;
    EXPECT_EQ(m.EmbeddedBrowser, nullptr);
    EXPECT_EQ(m.Localization.AddFavorites, L"添加到收藏夹(&A)");
    EXPECT_EQ(m.Localization.OrganizeFavorites, L"整理收藏夹(&O)");
    EXPECT_EQ(m.Localization.ImportFavorites, L"Import Favorites");
    EXPECT_EQ(m.Localization.ExportFavorites, L"Export Favorites");
    EXPECT_TRUE(m.Options ==
                fav::TOptions({fav::TFavOption::AddFavorites, fav::TFavOption::OrganizeFavorites}));
    EXPECT_EQ(m.MainMenu(), nullptr);
    EXPECT_EQ(m.MenuPosition, 1);
    EXPECT_EQ(m.MaxWidth, 50);
    EXPECT_EQ(m.Caption, L"Favorites");
    EXPECT_EQ(m.ResolveUrl, fav::TResolveUrl::IntShCut);
    EXPECT_FALSE(m.Channels);
    EXPECT_FALSE(m.OnURLSelected);
    EXPECT_EQ(m.TopItem(), nullptr);
    // The prefix names the internet shortcut's type; no channel type is registered.
    EXPECT_EQ(m.InternetTypeName(), L"Internet Shortcut");
    EXPECT_EQ(m.ChannelTypeName(), L"Channel Shortcut");
}

TEST_F(FavoritesTest, DefaultLayoutCommandsThenFavoritesInTheShellsOrder) {
    WriteStandardFavorites();
    fav::TFavoritesMenu& m = Make();
    m.BuildMenu();
    EXPECT_EQ(Items(bar_),
              (std::vector<std::string>{"收藏(&A)", "文件(&A)", "编辑(&E)", "窗口(&W)"}));
    EXPECT_EQ(Items(Top()),
              (std::vector<std::string>{"添加到收藏夹(&A)", "整理收藏夹(&O)", "-", "Empty", "Sub",
                                        "Alpha", "Bad", "beta", "Doc link"}));
    ASSERT_EQ(m.Entries().size(), 6u);
    EXPECT_TRUE(m.Entries()[0].IsFolder);
    EXPECT_TRUE(m.Entries()[1].IsFolder);
    EXPECT_FALSE(m.Entries()[2].IsFolder);
    EXPECT_FALSE(m.Entries()[5].IsFolder);
    // Folders show as submenus before they are filled: their placeholder is not shown.
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(Top(), 4)), 0);
    EXPECT_EQ(GetSubMenu(Top(), 5), nullptr);
}

TEST_F(FavoritesTest, EmptyOptionsStartWithTheFavorites) {
    WriteStandardFavorites();
    fav::TFavoritesMenu& m = Make();
    m.Options = {};
    m.BuildMenu();
    EXPECT_EQ(Items(Top()),
              (std::vector<std::string>{"Empty", "Sub", "Alpha", "Bad", "beta", "Doc link"}));
}

TEST_F(FavoritesTest, EmptyFolderGivesCommandsAndNone) {
    fav::TFavoritesMenu& m = Make();
    m.BuildMenu();
    EXPECT_EQ(Items(Top()),
              (std::vector<std::string>{"添加到收藏夹(&A)", "整理收藏夹(&O)", "-", "[x] (无) "}));
    EXPECT_TRUE(m.Entries().empty());
}

TEST_F(FavoritesTest, ImportAndExportOnlyAbovePlatformBrowserVersion4) {
    ScopedValue version(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer", L"Version");
    const fav::TOptions all{fav::TFavOption::AddFavorites, fav::TFavOption::OrganizeFavorites,
                            fav::TFavOption::ImportFavorites, fav::TFavOption::ExportFavorites};
    const std::vector<std::string> withImport{"添加到收藏夹(&A)", "整理收藏夹(&O)",   "-",
                                              "Import Favorites", "Export Favorites", "-",
                                              "[x] (无) "};
    const std::vector<std::string> without{"添加到收藏夹(&A)", "整理收藏夹(&O)", "-", "[x] (无) "};

    version.Set(L"6.0.2900.2180");
    EXPECT_TRUE(fav::BrowserVersionAbove4());
    Make().Options = all;
    menu_->BuildMenu();
    EXPECT_EQ(Items(Top()), withImport);
    // Only the options that are set.
    menu_->Options = {fav::TFavOption::ExportFavorites};
    menu_->RebuildMenu();
    EXPECT_EQ(Items(Top()), (std::vector<std::string>{"Export Favorites", "-", "[x] (无) "}));

    version.Set(L"4.72.3110.0");
    EXPECT_FALSE(fav::BrowserVersionAbove4());
    menu_->Options = all;
    menu_->RebuildMenu();
    EXPECT_EQ(Items(Top()), without);

    version.Remove();
    EXPECT_FALSE(fav::BrowserVersionAbove4());
    menu_->RebuildMenu();
    EXPECT_EQ(Items(Top()), without);
}

TEST_F(FavoritesTest, CaptionsCutAtMaxWidthBytes) {
    const std::wstring chinese26 = L"一二三四五六七八九十甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳";
    kvtest::WriteInternetShortcut(root_ + chinese26 + L".url", "http://c.example/");
    kvtest::WriteInternetShortcut(root_ + std::wstring(50, L'm') + L".url", "http://m.example/");
    kvtest::WriteInternetShortcut(root_ + std::wstring(51, L'n') + L".url", "http://n.example/");
    fav::TFavoritesMenu& m = Make();
    m.Options = {};
    m.BuildMenu();
    // The shell's order of these names follows the code page; the captions are compared as a
    // set.
    std::vector<std::string> items = Items(Top());
    std::sort(items.begin(), items.end());
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0], std::string(50, 'm'));
    EXPECT_EQ(items[1], std::string(50, 'n') + "...");
    if (GetACP() == 936) {
        // 52 bytes: 25 characters and "...".
        EXPECT_EQ(items[2], Utf8(L"一二三四五六七八九十甲乙丙丁戊己庚辛壬癸子丑寅卯辰..."));
    } else {
        // Outside the code page each character takes one byte: 26 bytes stay whole.
        EXPECT_EQ(items[2], Utf8(chinese26));
    }
    m.MaxWidth = 0;
    m.RebuildMenu();
    EXPECT_EQ(Items(Top()), (std::vector<std::string>{"...", "...", "..."}));
}

TEST_F(FavoritesTest, MenuPositionClampedToTheMainMenu) {
    fav::TFavoritesMenu& m = Make();
    m.MenuPosition = 0;
    m.BuildMenu();
    EXPECT_EQ(m.MenuPosition, 1);
    EXPECT_EQ(kvtest::MenuIndexOf(bar_, L"收藏(&A)"), 0);
    menu_.reset();
    EXPECT_EQ(kvtest::MenuIndexOf(bar_, L"收藏(&A)"), -1); // the component takes its menu with it

    fav::TFavoritesMenu& m2 = Make();
    m2.MenuPosition = 9;
    m2.BuildMenu();
    EXPECT_EQ(m2.MenuPosition, 4);
    EXPECT_EQ(Items(bar_),
              (std::vector<std::string>{"文件(&A)", "编辑(&E)", "窗口(&W)", "收藏(&A)"}));
    menu_.reset();

    fav::TFavoritesMenu& m3 = Make();
    m3.MenuPosition = 3;
    m3.BuildMenu();
    EXPECT_EQ(Items(bar_),
              (std::vector<std::string>{"文件(&A)", "编辑(&E)", "收藏(&A)", "窗口(&W)"}));
}

TEST_F(FavoritesTest, MenuPositionCountsOnlyTheMenusOwnItems) {
    // A maximised MDI child puts its system menu first and its caption buttons last.
    InsertMenuW(bar_, 0, MF_BYPOSITION | MF_POPUP | MF_BITMAP,
                reinterpret_cast<UINT_PTR>(CreatePopupMenu()),
                reinterpret_cast<LPCWSTR>(HBMMENU_SYSTEM));
    AppendMenuW(bar_, MF_BITMAP | MF_HELP, SC_CLOSE, reinterpret_cast<LPCWSTR>(HBMMENU_MBAR_CLOSE));
    fav::TFavoritesMenu& m = Make();
    m.MenuPosition = 3;
    m.BuildMenu();
    EXPECT_EQ(kvtest::MenuIndexOf(bar_, L"收藏(&A)"), 3);
    menu_.reset();
    Make().MenuPosition = 100;
    menu_->BuildMenu();
    EXPECT_EQ(menu_->MenuPosition, 4);
    EXPECT_EQ(kvtest::MenuIndexOf(bar_, L"收藏(&A)"), 4); // before the caption button
}

TEST_F(FavoritesTest, SubFolderFilledOnceWhenFirstOpened) {
    WriteStandardFavorites();
    fav::TFavoritesMenu& m = Make();
    m.BuildMenu();
    ASSERT_EQ(m.Entries().size(), 6u);
    HMENU sub = Open(Top(), L"Sub");
    EXPECT_EQ(Items(sub), (std::vector<std::string>{"One", "Two"}));
    EXPECT_TRUE(m.Entries()[1].Filled);
    EXPECT_EQ(m.Entries().size(), 8u);
    // A new favorite in the folder does not show: the folder is not enumerated again.
    kvtest::WriteInternetShortcut(root_ + L"Sub\\Three.url", "http://three.example/");
    Open(Top(), L"Sub");
    Open(Top(), L"Sub");
    EXPECT_EQ(Items(sub), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(m.Entries().size(), 8u);
    // The empty folder shows only the disabled item.
    EXPECT_EQ(Items(Open(Top(), L"Empty")), (std::vector<std::string>{"[x] (无) "}));
    // Tags follow the entries: the sub-folder's favorites came after the root's.
    Choose(sub, L"Two");
    ASSERT_EQ(urls_.size(), 1u);
    EXPECT_EQ(urls_[0], L"http://two.example/");
    EXPECT_EQ(senders_[0], &m.EntryItem(7));
    // A rebuild shows the new favorite.
    m.RebuildMenu();
    EXPECT_EQ(Items(Open(Top(), L"Sub")), (std::vector<std::string>{"One", "Three", "Two"}));
}

TEST_F(FavoritesTest, ChoosingAFavoriteNotifiesEachTime) {
    WriteStandardFavorites();
    fav::TFavoritesMenu& m = Make();
    m.BuildMenu();
    Choose(Top(), L"Alpha");
    Choose(Top(), L"Alpha");
    Choose(Top(), L"beta");
    EXPECT_EQ(urls_, (std::vector<std::wstring>{L"http://alpha.example/", L"http://alpha.example/",
                                                L"http://beta.example/page.html"}));
    ASSERT_EQ(senders_.size(), 3u);
    EXPECT_EQ(senders_[0], &m.EntryItem(2));
    EXPECT_EQ(senders_[2], &m.EntryItem(4));
}

TEST_F(FavoritesTest, UnreadableShortcutNotifiesWithEmptyUrl) {
    WriteStandardFavorites();
    fav::TFavoritesMenu& m = Make();
    m.BuildMenu();
    Choose(Top(), L"Bad");
    m.ResolveUrl = fav::TResolveUrl::IniFile;
    Choose(Top(), L"Bad");
    EXPECT_EQ(urls_, (std::vector<std::wstring>{L"", L""}));
}

TEST_F(FavoritesTest, ShellLinkGivesItsTargetPath) {
    WriteStandardFavorites();
    fav::TFavoritesMenu& m = Make();
    m.BuildMenu();
    Choose(Top(), L"Doc link");
    ASSERT_EQ(urls_.size(), 1u);
    EXPECT_EQ(CompareStringOrdinal(urls_[0].c_str(), -1, target_.c_str(), -1, TRUE), CSTR_EQUAL)
        << Utf8(urls_[0]);
}

TEST_F(FavoritesTest, IniFileReadingTakesTheSectionsUrl) {
    kvtest::WriteFileBytes(root_ + L"Ini.url", "[Other]\r\nURL=http://wrong.example/\r\n"
                                               "[InternetShortcut]\r\nIconFile=x\r\n"
                                               "URL=http://right.example/?a=1\r\n");
    fav::TFavoritesMenu& m = Make();
    m.Options = {};
    m.ResolveUrl = fav::TResolveUrl::IniFile;
    m.BuildMenu();
    Choose(Top(), L"Ini");
    m.ResolveUrl = fav::TResolveUrl::IntShCut;
    Choose(Top(), L"Ini");
    EXPECT_EQ(urls_, (std::vector<std::wstring>{L"http://right.example/?a=1",
                                                L"http://right.example/?a=1"}));
    EXPECT_EQ(fav::UrlFromIniFile(root_ + L"missing.url"), L"");
}

TEST_F(FavoritesTest, ChannelShortcutsLeftOutOrIncluded) {
    ScopedValue type(HKEY_CLASSES_ROOT, L"ChannelShortcut", L"");
    ScopedValue extension(HKEY_CLASSES_ROOT, L".kvchl", L"");
    // Wine reports type names through the ANSI code page: a name that every code page holds.
    type.Set(L"KV Channel Link");
    extension.Set(L"ChannelShortcut");
    kvtest::WriteInternetShortcut(root_ + L"Alpha.url", "http://alpha.example/");
    std::wstring page = files_.Path() + L"channel.htm";
    kvtest::WriteBytes(page, "<html></html>");
    ASSERT_TRUE(kvtest::WriteShellLink(root_ + L"News.kvchl", page));

    fav::TFavoritesMenu& m = Make();
    EXPECT_EQ(m.ChannelTypeName(), L"KV Channel Link");
    m.Options = {};
    m.BuildMenu();
    EXPECT_EQ(Items(Top()), (std::vector<std::string>{"Alpha"}));

    m.Channels = true;
    m.RebuildMenu();
    EXPECT_EQ(Items(Top()), (std::vector<std::string>{"Alpha", "News.kvchl"}));
    ASSERT_EQ(m.Entries().size(), 2u);
    EXPECT_FALSE(m.Entries()[1].IsFolder);
    Choose(Top(), L"News.kvchl");
    // The link target's name in normal form.
    EXPECT_EQ(urls_, (std::vector<std::wstring>{L"channel.htm"}));
}

TEST_F(FavoritesTest, WithoutHandlerTheLinkedHostNavigates) {
    stub::ScopedRegistration engine;
    WriteStandardFavorites();
    host::TEmbeddedBrowser host;
    host.SetParent(window_.get());
    host.SetBounds(0, 0, 300, 200);
    host.Handle();
    fav::TFavoritesMenu& m = Make();
    m.OnURLSelected = nullptr;
    m.EmbeddedBrowser = &host;
    m.BuildMenu();
    Choose(Top(), L"Alpha");
    stub::Engine* e = kvtest::EngineOf(host.DefaultInterface());
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->Navigations().size(), 1u);
    EXPECT_EQ(e->Navigations()[0].method, L"Navigate");
    EXPECT_EQ(e->Navigations()[0].url, L"http://alpha.example/");
    // Neither handler nor host: nothing happens.
    m.EmbeddedBrowser = nullptr;
    Choose(Top(), L"beta");
    EXPECT_EQ(e->Navigations().size(), 1u);
    menu_.reset();
}

TEST_F(FavoritesTest, AddingAFavoriteMessages) {
    stub::ScopedRegistration engine;
    fav::TFavoritesMenu& m = Make();
    m.BuildMenu();
    kvtest::ExpectModal(IDOK, L"No Webbrowser linked to the Favorites-menu.");
    Choose(Top(), L"添加到收藏夹(&A)");

    host::TEmbeddedBrowser host;
    host.SetParent(window_.get());
    host.SetBounds(0, 0, 300, 200);
    host.Handle();
    m.EmbeddedBrowser = &host;
    kvtest::ExpectModal(IDOK, L"没有网址被选择！");
    Choose(Top(), L"添加到收藏夹(&A)");

    // Wine has no favorites service object: the add fails, the program goes on.
    host.NavigateUrl(L"http://page.example/");
    kvtest::PumpUntil([&] { return host.ReadyState() == READYSTATE_COMPLETE; }, 3000);
    kvtest::ExpectModal(IDOK, L"不能添加这个连接！");
    Choose(Top(), L"添加到收藏夹(&A)");
    std::vector<kvtest::SeenModal> seen = kvtest::SeenModals();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text, L"No Webbrowser linked to the Favorites-menu.");
    EXPECT_EQ(seen[1].text, L"没有网址被选择！");
    EXPECT_EQ(seen[2].text, L"不能添加这个连接！");
    m.EmbeddedBrowser = nullptr;
    menu_.reset();
}

TEST_F(FavoritesTest, OrganizeRebuildsTheMenu) {
    fav::TFavoritesMenu& m = Make();
    m.BuildMenu();
    kvtest::WriteInternetShortcut(root_ + L"Later.url", "http://later.example/");
    // Any dialog the platform's organize export shows is closed.
    UINT_PTR timer = SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR, DWORD) {
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND w, LPARAM) -> BOOL {
                wchar_t cls[64] = {};
                GetClassNameW(w, cls, 64);
                if (IsWindowVisible(w) && lstrcmpW(cls, L"#32770") == 0) {
                    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
                    PostMessageW(w, WM_CLOSE, 0, 0);
                }
                return TRUE;
            },
            0);
    });
    Choose(Top(), L"整理收藏夹(&O)");
    KillTimer(nullptr, timer);
    EXPECT_EQ(Items(Top()),
              (std::vector<std::string>{"添加到收藏夹(&A)", "整理收藏夹(&O)", "-", "Later"}));
}

TEST_F(FavoritesTest, ImportFailureReachesTheErrorReport) {
    ScopedValue version(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer", L"Version");
    version.Set(L"6.0");
    fav::TFavoritesMenu& m = Make();
    m.Options = {fav::TFavOption::ImportFavorites};
    m.BuildMenu();
    kvtest::ExpectModal(IDOK);
    Choose(Top(), L"Import Favorites");
    EXPECT_EQ(kvtest::SeenModals().size(), 1u);
    EXPECT_EQ(Items(Top()), (std::vector<std::string>{"Import Favorites", "-", "[x] (无) "}));
}

TEST_F(FavoritesTest, ImagesComeFromTheSharedSystemList) {
    WriteStandardFavorites();
    fav::TFavoritesMenu& m = Make();
    m.BuildMenu();
    SHFILEINFOW info{};
    auto system = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(reinterpret_cast<LPCWSTR>(m.FavoritesId()), 0, &info, sizeof(info),
                       SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON));
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(m.Images(), system);
    // Each entry's image is the one the shell itself gives for the entry's item.
    for (size_t tag = 0; tag < m.Entries().size(); ++tag) {
        SHFILEINFOW shell{};
        ASSERT_NE(SHGetFileInfoW(reinterpret_cast<LPCWSTR>(m.Entries()[tag].FullId.get()), 0,
                                 &shell, sizeof(shell),
                                 SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON),
                  0u);
        EXPECT_EQ(m.ImageIndex(tag), shell.iIcon) << tag;
    }
    EXPECT_GE(m.ImageIndex(2), 0);
    // Each favorite's image is drawn by the component through the menu's owner window.
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_BITMAP | MIIM_ID;
    ASSERT_TRUE(GetMenuItemInfoW(Top(), 5, TRUE, &mii));
    EXPECT_EQ(mii.hbmpItem, HBMMENU_CALLBACK);
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = mii.wID;
    EXPECT_EQ(SendMessageW(window_.get(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)),
              TRUE);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(system, &cx, &cy);
    EXPECT_EQ(measure.itemWidth, static_cast<UINT>(cx));
    EXPECT_EQ(measure.itemHeight, static_cast<UINT>(cy));
    // Command items carry no image.
    mii.hbmpItem = nullptr;
    ASSERT_TRUE(GetMenuItemInfoW(Top(), 0, TRUE, &mii));
    EXPECT_EQ(mii.hbmpItem, nullptr);
    // The list is the system's: it outlives the component.
    int count = ImageList_GetImageCount(system);
    menu_.reset();
    EXPECT_EQ(ImageList_GetImageCount(system), count);
    EXPECT_GT(count, 0);
}

TEST_F(FavoritesTest, TypeNamesOfTheFolderAgreeWithTheShellsFileInformation) {
    WriteStandardFavorites();
    fav::TFavoritesMenu& m = Make();
    m.BuildMenu();
    Open(Top(), L"Sub");
    IShellFolder* desktop = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SHGetDesktopFolder(&desktop));
    IShellFolder* root = nullptr;
    ASSERT_HRESULT_SUCCEEDED(desktop->BindToObject(m.FavoritesId(), nullptr, IID_IShellFolder,
                                                   reinterpret_cast<void**>(&root)));
    fav::FolderTypeNames types(root);
    // Entries 0 to 5 are the root's: Empty, Sub, Alpha, Bad, beta, Doc link.
    const std::vector<std::wstring> expected{
        L"Folder",  L"Folder", L"Internet Shortcut", L"Internet Shortcut", L"Internet Shortcut",
        L"Shortcut"};
    for (size_t tag = 0; tag < 6; ++tag) {
        const fav::TFavoriteEntry& e = m.Entries()[tag];
        EXPECT_EQ(types.Of(e.ItemId.get(), e.FullId.get(), e.IsFolder), expected[tag]) << tag;
        EXPECT_TRUE(fav::HasTypeName(expected[tag], e.FullId.get())) << tag;
        EXPECT_EQ(fav::IsSubmenuFolder(L"Channel Shortcut", root, e.ItemId.get(), e.FullId.get()),
                  tag < 2);
        // A folder counts as a channel when the shell names it so.
        EXPECT_FALSE(fav::IsSubmenuFolder(L"Folder", root, e.ItemId.get(), e.FullId.get()));
    }
    EXPECT_FALSE(fav::HasTypeName(L"internet shortcut", m.Entries()[2].FullId.get()));
    EXPECT_EQ(fav::UrlFromInternetShortcut(root_ + L"missing.url"), L"");
    EXPECT_EQ(fav::UrlFromInternetShortcut(root_ + L"Alpha.url"), L"http://alpha.example/");
    EXPECT_EQ(fav::UrlFromShellLink(root_ + L"Alpha.url"), L""); // no link
    root->Release();
    desktop->Release();
}

TEST(ItemIds, OverTheShellsAllocator) {
    LPITEMIDLIST favorites = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_FAVORITES, &favorites));
    fav::ItemIdPtr owned(favorites);
    const size_t size = fav::ItemIdSize(favorites);
    EXPECT_GT(size, 2u);
    EXPECT_EQ(fav::ItemIdSize(nullptr), 0u);
    fav::ItemIdPtr copy(fav::CopyItemId(favorites));
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), favorites);
    EXPECT_EQ(fav::ItemIdSize(copy.get()), size);
    EXPECT_TRUE(ILIsEqual(copy.get(), favorites));
    // The last item of the absolute identity joined to its parent gives the identity again.
    fav::ItemIdPtr parent(fav::CopyItemId(favorites));
    fav::StripLastItemId(parent.get());
    EXPECT_LT(fav::ItemIdSize(parent.get()), size);
    fav::ItemIdPtr joined(fav::JoinItemIds(parent.get(), ILFindLastID(favorites)));
    ASSERT_TRUE(joined);
    EXPECT_TRUE(ILIsEqual(joined.get(), favorites));
    fav::ItemIdPtr zeros(fav::NewItemId(8));
    ASSERT_TRUE(zeros);
    EXPECT_EQ(fav::ItemIdSize(zeros.get()), 2u);
    fav::FreeItemId(nullptr);
}

} // namespace

// Two menus answer through the same window; whichever goes first, the other keeps answering
// for its own entries, and the window gets its own procedure back once both are gone, unless
// another procedure was put in after them (it then stays and keeps working).
WNDPROC laterPrevious = nullptr;
LRESULT CALLBACK LaterProcedure(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    return msg == WM_APP + 7 ? 77 : CallWindowProcW(laterPrevious, h, msg, wp, lp);
}

TEST_F(FavoritesTest, MenusOnOneWindowLeaveItsProcedureAsTheyFoundIt) {
    WriteStandardFavorites();
    const struct {
        bool firstGoesFirst;
        bool laterProcedure;
    } cases[] = {{true, false}, {false, false}, {true, true}};
    for (const auto& c : cases) {
        HWND w = window_.get();
        const LONG_PTR own = GetWindowLongPtrW(w, GWLP_WNDPROC);
        auto first = std::make_unique<fav::TFavoritesMenu>();
        first->SetMainMenu(bar_, w);
        first->BuildMenu();
        auto second = std::make_unique<fav::TFavoritesMenu>();
        second->SetMainMenu(bar_, w);
        second->BuildMenu();
        LONG_PTR later = 0;
        if (c.laterProcedure) {
            later = SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LaterProcedure));
            laterPrevious = reinterpret_cast<WNDPROC>(later);
        }
        std::unique_ptr<fav::TFavoritesMenu>& gone = c.firstGoesFirst ? first : second;
        std::unique_ptr<fav::TFavoritesMenu>& kept = c.firstGoesFirst ? second : first;
        gone.reset();
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_ID;
        ASSERT_TRUE(GetMenuItemInfoW(kept->TopItem()->Submenu(), 5, TRUE, &mii));
        MEASUREITEMSTRUCT measure{};
        measure.CtlType = ODT_MENU;
        measure.itemID = mii.wID;
        EXPECT_EQ(SendMessageW(w, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), TRUE);
        EXPECT_EQ(measure.itemHeight, 16u);
        kept.reset();
        if (c.laterProcedure) {
            EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC),
                      reinterpret_cast<LONG_PTR>(&LaterProcedure));
            EXPECT_EQ(SendMessageW(w, WM_APP + 7, 0, 0), 77);
            SetWindowLongPtrW(w, GWLP_WNDPROC, later);
            EXPECT_EQ(SendMessageW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"still here")),
                      TRUE);
        } else {
            EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC), own);
        }
        // The menus' own top-level items went with them.
        EXPECT_EQ(GetMenuItemCount(bar_), 3);
    }
}
