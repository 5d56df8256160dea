// TFavoritesMenu: the favorites menu "收藏(&A)" of the frame's main menu, built from the user's
// Favorites folder through the shell's namespace. Command items add the current page, organize
// the favorites and, with a platform browser above version 4, import and export them; then one
// item per favorite with its small system icon. Sub-folders become submenus filled when first
// opened. Choosing a favorite resolves its URL and raises OnURLSelected (without a handler the
// linked host navigates itself).
//
// The component listens to the menu notifications of the window that shows the main menu
// (submenus opening, the item images, its own commands), so it works with any such window.
#pragma once

#include "favorites/shell_items.h"
#include "host/core/host_options.h"
#include "toolkit/com.h"
#include "toolkit/menus.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace host {
class TEmbeddedBrowser;
}

namespace fav {

enum class TFavOption { AddFavorites, OrganizeFavorites, ImportFavorites, ExportFavorites };
using TOptions = host::OptionSet<TFavOption>;

enum class TResolveUrl { IntShCut = 0, IniFile = 1 };

// Captions of the command items.
struct TLocalization {
    std::wstring AddFavorites = L"添加到收藏夹(&A)";
    std::wstring OrganizeFavorites = L"整理收藏夹(&O)";
    std::wstring ImportFavorites = L"Import Favorites";
    std::wstring ExportFavorites = L"Export Favorites";
};

// One favorite shown in the menu (file or folder).
struct TFavoriteEntry {
    ItemIdPtr ItemId; // relative to its folder
    ItemIdPtr FullId; // absolute
    bool IsFolder = false;
    bool Filled = false;
};

// Sender is the chosen menu item; Url may be empty.
using TOnUrlSelectedEvent = std::function<void(tk::MenuItem& Sender, const std::wstring& Url)>;

class TFavoritesMenu {
public:
    TFavoritesMenu();
    ~TFavoritesMenu();
    TFavoritesMenu(const TFavoritesMenu&) = delete;
    TFavoritesMenu& operator=(const TFavoritesMenu&) = delete;

    // Not owned: the host that adding a favorite reads and that navigates when OnURLSelected is
    // not assigned. Whoever destroys that host clears the link first.
    host::TEmbeddedBrowser* EmbeddedBrowser = nullptr;
    TLocalization Localization;
    TOptions Options{TFavOption::AddFavorites, TFavOption::OrganizeFavorites};
    // The main menu (not owned) and the window that shows it, whose menu notifications the
    // component then answers for its own items.
    HMENU MainMenu() const { return mainMenu_; }
    HWND MenuWindow() const { return menuWindow_; }
    void SetMainMenu(HMENU menu, HWND window);
    // 1-based place among the main menu's own top-level items; BuildMenu clamps it.
    int MenuPosition = 1;
    // Longest caption in bytes of the ANSI code page.
    int MaxWidth = 50;
    // The Favorites folder's own name; stored only, the menu is always "收藏(&A)".
    std::wstring Caption;
    TResolveUrl ResolveUrl = TResolveUrl::IntShCut;
    bool Channels = false;
    TOnUrlSelectedEvent OnURLSelected;

    // Makes the menu: top item inserted into MainMenu, command items, the Favorites folder.
    void BuildMenu();
    // Drops every item under the top item and every entry, then adds them again.
    void RebuildMenu();

    // Command handlers.
    void AddFavoritesClick();
    void OrganizeFavoritesClick();
    void ImportFavoritesClick();
    void ExportFavoritesClick();
    // Handler of every favorite's item: a folder is filled once, a file's URL is reported.
    void EntryClick(tk::MenuItem& Sender);

    // The top item "收藏(&A)" (null before BuildMenu) and the entries, their index being the tag
    // of their menu item.
    tk::MenuItem* TopItem() const { return top_.get(); }
    const std::vector<TFavoriteEntry>& Entries() const { return entries_; }
    // The menu item of an entry, and the index of its icon in Images() (-1 when the shell
    // can't tell).
    tk::MenuItem& EntryItem(size_t tag) const { return *entryItems_.at(tag); }
    int ImageIndex(size_t tag);
    // The system image list of small icons (shared, never destroyed here).
    HIMAGELIST Images() const { return images_; }
    LPCITEMIDLIST FavoritesId() const { return favoritesId_.get(); }
    const std::wstring& ChannelTypeName() const { return channelTypeName_; }
    const std::wstring& InternetTypeName() const { return internetTypeName_; }

private:
    void AddCommandItems();
    void AddCommand(const std::wstring& caption, void (TFavoritesMenu::*handler)());
    void AddSeparator();
    void FillFolder(tk::MenuItem& parent, LPCITEMIDLIST folderId);
    void ClearItems();
    void FetchIconsAtIdle();
    std::wstring ResolveEntryUrl(const TFavoriteEntry& entry);
    tk::MenuItem& NewItem();
    HMENU TopMenu() const;
    void Hook();
    void Unhook() noexcept;
    bool MenuMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    friend struct MenuWindowHooks;

    tk::ComPtr<IShellFolder> desktop_;
    ItemIdPtr favoritesId_;
    std::wstring channelTypeName_;
    std::wstring internetTypeName_;
    HMENU mainMenu_ = nullptr;
    HWND menuWindow_ = nullptr;
    bool hooked_ = false;
    int iconIdle_ = 0;      // idle handler asking for the first entries' icons, or 0
    size_t iconsAhead_ = 0; // how many of the first entries it asks for
    HIMAGELIST images_ = nullptr;
    int nextTag_ = 0;
    std::vector<TFavoriteEntry> entries_;
    std::vector<tk::MenuItem*> entryItems_; // by tag
    std::vector<int> icons_;                // by tag; -2 until asked
    std::unordered_map<UINT, size_t> tagOfCommand_;
    std::unordered_map<HMENU, size_t> tagOfSubmenu_;
    std::unordered_set<UINT> ownCommands_;
    // Holds the top item when there is no main menu.
    tk::Menu holder_;
    std::unique_ptr<tk::MenuItem> top_;
    std::vector<std::unique_ptr<tk::MenuItem>> items_;
    // Items of the previous build: a rebuild may run inside the click of one of them.
    std::vector<std::unique_ptr<tk::MenuItem>> retired_;
};

} // namespace fav
