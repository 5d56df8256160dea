#include "favorites/favorites_menu.h"

#include "favorites/core/menu_rules.h"
#include "host/embedded_browser.h"
#include "toolkit/application.h"
#include "toolkit/dialogs.h"
#include "toolkit/error.h"
#include "toolkit/system_codec.h"

#include <exdisp.h>
#include <shlobj.h>

#include <algorithm>

namespace fav {
namespace {

using tk::Adopt;
using tk::ComPtr;

constexpr const wchar_t* kTopCaption = L"收藏(&A)";
constexpr const wchar_t* kEmptyCaption = L" (无) ";
constexpr int kIconUnknown = -2;
// The organize export of shdocvw.dll: owner window and the Favorites folder's path.
using OrganizeFavDlgProc = BOOL(WINAPI*)(HWND, LPSTR);

ComPtr<IShellFolder> BindFolder(IShellFolder* desktop, LPCITEMIDLIST id) {
    ComPtr<IShellFolder> folder;
    if (desktop != nullptr && id != nullptr &&
        FAILED(desktop->BindToObject(id, nullptr, IID_IShellFolder,
                                     reinterpret_cast<void**>(folder.GetAddressOf())))) {
        folder.Reset();
    }
    return folder;
}

ComPtr<IShellUIHelper> FavoritesService() {
    IShellUIHelper* raw = nullptr;
    tk::Check(CoCreateInstance(CLSID_ShellUIHelper, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IShellUIHelper, reinterpret_cast<void**>(&raw)));
    return Adopt(raw);
}

struct Bstr {
    BSTR text;
    explicit Bstr(const std::wstring& s)
        : text(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {
        if (text == nullptr) {
            tk::ThrowHr(E_OUTOFMEMORY);
        }
    }
    ~Bstr() { SysFreeString(text); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
};

// Positions of the main menu's own top-level items. The platform adds bitmap-only items to the
// menu bar while an MDI child is maximised (its system menu first, its caption buttons last);
// those are not counted.
std::vector<int> OwnItemPositions(HMENU menu) {
    std::vector<int> positions;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE;
        if (GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii) &&
            (mii.fType & MFT_BITMAP) == 0) {
            positions.push_back(i);
        }
    }
    return positions;
}

} // namespace

// The windows whose menu messages favorites menus answer. The window's own procedure is
// replaced, not chained through the common controls' subclassing: that costs two look-ups in
// the window server per message under some systems, and a menu of a few thousand entries sends
// one measuring message per entry each time it is shown.
struct MenuWindowHooks {
    struct Hooked {
        HWND window;
        WNDPROC previous;
        std::vector<TFavoritesMenu*> menus; // the latest first
    };
    static std::vector<Hooked>& List() {
        static std::vector<Hooked> list;
        return list;
    }
    static Hooked* Find(HWND window) {
        for (Hooked& h : List()) {
            if (h.window == window) {
                return &h;
            }
        }
        return nullptr;
    }
    static bool Add(HWND window, TFavoritesMenu* menu) {
        Hooked* h = Find(window);
        if (h == nullptr) {
            auto previous = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
            if (previous == nullptr) {
                return false;
            }
            List().push_back(Hooked{window, previous, {}});
            h = &List().back();
        }
        h->menus.insert(h->menus.begin(), menu);
        return true;
    }
    static void Restore(std::vector<Hooked>::iterator it) noexcept {
        // Put back only while nobody has replaced the procedure after this one; otherwise it
        // stays and passes every message on.
        if (IsWindow(it->window) &&
            GetWindowLongPtrW(it->window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Proc)) {
            SetWindowLongPtrW(it->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->previous));
            List().erase(it);
        }
    }
    static void Remove(HWND window, TFavoritesMenu* menu) noexcept {
        auto& list = List();
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (it->window == window) {
                auto& menus = it->menus;
                menus.erase(std::remove(menus.begin(), menus.end(), menu), menus.end());
                if (menus.empty()) {
                    Restore(it);
                }
                return;
            }
        }
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        Hooked* h = Find(hwnd);
        if (h == nullptr) {
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        }
        WNDPROC previous = h->previous;
        if (msg == WM_NCDESTROY) {
            for (TFavoritesMenu* menu : h->menus) {
                menu->hooked_ = false;
                menu->menuWindow_ = nullptr;
            }
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            List().erase(List().begin() + (h - List().data()));
            return CallWindowProcW(previous, hwnd, msg, wParam, lParam);
        }
        if (msg == WM_INITMENUPOPUP || msg == WM_MEASUREITEM || msg == WM_DRAWITEM ||
            msg == WM_COMMAND) {
            // Copied: a handler may add or remove a menu.
            const std::vector<TFavoritesMenu*> menus = h->menus;
            for (TFavoritesMenu* menu : menus) {
                LRESULT result = 0;
                bool handled = false;
                tk::Guard([&] { handled = menu->MenuMessage(msg, wParam, lParam, result); });
                if (handled) {
                    return result;
                }
            }
        }
        return CallWindowProcW(previous, hwnd, msg, wParam, lParam);
    }
};

TFavoritesMenu::TFavoritesMenu() {
    IShellFolder* desktop = nullptr;
    if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop != nullptr) {
        desktop_ = Adopt(desktop);
    }
    LPITEMIDLIST favorites = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(tk::Application::MainWindow(), CSIDL_FAVORITES,
                                             &favorites))) {
        favoritesId_.reset(favorites);
    }
    // The last component of the folder's path: its own name.
    if (desktop_ && favoritesId_) {
        std::wstring path = ParsingName(desktop_.Get(), favoritesId_.get());
        size_t slash = path.find_last_of(L"\\/");
        Caption = slash == std::wstring::npos ? path : path.substr(slash + 1);
    }
    channelTypeName_ = ClassTypeName(L"ChannelShortcut", L"Channel Shortcut");
    internetTypeName_ = ClassTypeName(L"InternetShortcut", L"Internet Shortcut");
}

TFavoritesMenu::~TFavoritesMenu() {
    if (iconIdle_ != 0) {
        tk::Application::RemoveIdleHandler(iconIdle_);
    }
    Unhook();
    if (top_ != nullptr) {
        HMENU parent = top_->Parent();
        HMENU submenu = top_->Submenu();
        if (IsMenu(parent) && IsMenu(submenu)) {
            for (int i = GetMenuItemCount(parent) - 1; i >= 0; --i) {
                if (GetSubMenu(parent, i) == submenu) {
                    DeleteMenu(parent, static_cast<UINT>(i), MF_BYPOSITION);
                    if (menuWindow_ != nullptr && GetMenu(menuWindow_) == parent) {
                        DrawMenuBar(menuWindow_);
                    }
                    break;
                }
            }
        }
    }
}

void TFavoritesMenu::SetMainMenu(HMENU menu, HWND window) {
    Unhook();
    mainMenu_ = menu;
    menuWindow_ = window;
    if (top_ != nullptr) {
        Hook();
    }
}

void TFavoritesMenu::Hook() {
    if (!hooked_ && menuWindow_ != nullptr) {
        hooked_ = MenuWindowHooks::Add(menuWindow_, this);
    }
}

void TFavoritesMenu::Unhook() noexcept {
    if (hooked_) {
        MenuWindowHooks::Remove(menuWindow_, this);
        hooked_ = false;
    }
}

// ---- Building

void TFavoritesMenu::BuildMenu() {
    if (top_ != nullptr) {
        RebuildMenu();
        return;
    }
    nextTag_ = 0;
    entries_.clear();
    images_ = SystemSmallImages(favoritesId_.get());
    top_ = std::make_unique<tk::MenuItem>();
    if (mainMenu_ != nullptr) {
        std::vector<int> own = OwnItemPositions(mainMenu_);
        const int n = static_cast<int>(own.size());
        MenuPosition = ClampMenuPosition(MenuPosition, n);
        int at = MenuPosition <= n ? own[static_cast<size_t>(MenuPosition - 1)]
                                   : (n > 0 ? own.back() + 1 : 0);
        top_->CreateSubmenu(mainMenu_, kTopCaption, at);
        if (menuWindow_ != nullptr && GetMenu(menuWindow_) == mainMenu_) {
            DrawMenuBar(menuWindow_);
        }
    } else {
        holder_ = tk::Menu::CreatePopup();
        top_->CreateSubmenu(holder_.Handle(), kTopCaption);
    }
    ownCommands_.insert(top_->Command());
    Hook();
    AddCommandItems();
    FillFolder(*top_, favoritesId_.get());
    FetchIconsAtIdle();
}

void TFavoritesMenu::RebuildMenu() {
    if (top_ == nullptr) {
        return;
    }
    ClearItems();
    AddCommandItems();
    FillFolder(*top_, favoritesId_.get());
    FetchIconsAtIdle();
}

void TFavoritesMenu::FetchIconsAtIdle() {
    // The icons of the entries a screen shows first are asked for while the user does
    // nothing, so that the first showing does not wait for the shell (milliseconds each);
    // entries further down are asked for when they are drawn.
    const int itemHeight = std::max(GetSystemMetrics(SM_CYMENU), 16);
    iconsAhead_ = std::min(entries_.size(),
                           static_cast<size_t>(GetSystemMetrics(SM_CYSCREEN) / itemHeight + 1));
    if (iconsAhead_ == 0 || iconIdle_ != 0) {
        return;
    }
    iconIdle_ = tk::Application::AddIdleHandler([this] {
        const ULONGLONG end = GetTickCount64() + 10;
        iconsAhead_ = std::min(iconsAhead_, icons_.size());
        size_t tag = 0;
        for (; tag < iconsAhead_ && GetTickCount64() < end; ++tag) {
            (void)ImageIndex(tag);
        }
        while (tag < iconsAhead_ && icons_[tag] != kIconUnknown) {
            ++tag;
        }
        if (tag >= iconsAhead_) {
            tk::Application::RemoveIdleHandler(iconIdle_);
            iconIdle_ = 0;
        } else if (HWND w = menuWindow_ != nullptr ? menuWindow_ : tk::Application::MainWindow()) {
            PostMessageW(w, WM_NULL, 0, 0); // another idle moment for the rest
        }
    });
}

void TFavoritesMenu::ClearItems() {
    entries_.clear();
    entryItems_.clear();
    icons_.clear();
    tagOfCommand_.clear();
    tagOfSubmenu_.clear();
    nextTag_ = 0;
    HMENU menu = TopMenu();
    for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i) {
        DeleteMenu(menu, static_cast<UINT>(i), MF_BYPOSITION);
    }
    ownCommands_.clear();
    ownCommands_.insert(top_->Command());
    retired_ = std::move(items_);
    items_.clear();
}

HMENU TFavoritesMenu::TopMenu() const {
    return top_ != nullptr ? top_->Submenu() : nullptr;
}

tk::MenuItem& TFavoritesMenu::NewItem() {
    items_.push_back(std::make_unique<tk::MenuItem>());
    return *items_.back();
}

void TFavoritesMenu::AddCommand(const std::wstring& caption, void (TFavoritesMenu::*handler)()) {
    tk::MenuItem& item = NewItem();
    item.Create(TopMenu(), caption, [this, handler] { (this->*handler)(); });
    ownCommands_.insert(item.Command());
}

void TFavoritesMenu::AddSeparator() {
    AppendMenuW(TopMenu(), MF_SEPARATOR, 0, nullptr);
}

void TFavoritesMenu::AddCommandItems() {
    if (Options.Has(TFavOption::AddFavorites)) {
        AddCommand(Localization.AddFavorites, &TFavoritesMenu::AddFavoritesClick);
    }
    if (Options.Has(TFavOption::OrganizeFavorites)) {
        AddCommand(Localization.OrganizeFavorites, &TFavoritesMenu::OrganizeFavoritesClick);
    }
    if (GetMenuItemCount(TopMenu()) > 0) {
        AddSeparator();
    }
    if (!BrowserVersionAbove4()) {
        return;
    }
    if (Options.Has(TFavOption::ImportFavorites)) {
        AddCommand(Localization.ImportFavorites, &TFavoritesMenu::ImportFavoritesClick);
    }
    if (Options.Has(TFavOption::ExportFavorites)) {
        AddCommand(Localization.ExportFavorites, &TFavoritesMenu::ExportFavoritesClick);
    }
    if (Options.Has(TFavOption::ImportFavorites) || Options.Has(TFavOption::ExportFavorites)) {
        AddSeparator();
    }
}

void TFavoritesMenu::FillFolder(tk::MenuItem& parent, LPCITEMIDLIST folderId) {
    HMENU menu = parent.Submenu();
    ComPtr<IShellFolder> folder = BindFolder(desktop_.Get(), folderId);
    std::vector<TFavoriteEntry> found;
    ComPtr<IEnumIDList> items;
    if (folder &&
        folder->EnumObjects(tk::Application::MainWindow(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS,
                            items.GetAddressOf()) == S_OK &&
        items) {
        FolderTypeNames types(folder.Get());
        LPITEMIDLIST child = nullptr;
        ULONG fetched = 0;
        while (items->Next(1, &child, &fetched) == S_OK && fetched == 1 && child != nullptr) {
            ItemIdPtr relative(child);
            ItemIdPtr full(JoinItemIds(folderId, relative.get()));
            if (!full) {
                continue;
            }
            // One type name serves the channel test and the folder test.
            const bool folderItem = IsFolderItem(folder.Get(), relative.get());
            const bool channel =
                types.Of(relative.get(), full.get(), folderItem) == channelTypeName_;
            if (channel && !Channels) {
                continue;
            }
            TFavoriteEntry e;
            e.IsFolder = folderItem && !channel;
            e.ItemId = std::move(relative);
            e.FullId = std::move(full);
            found.push_back(std::move(e));
        }
    }
    if (found.empty()) {
        tk::MenuItem& none = NewItem();
        none.Create(menu, kEmptyCaption);
        none.SetEnabled(false);
        return;
    }
    // The folder's own order of column 0; only the low 16 bits of its answer count. The merge
    // sort stays inside the list even if the folder's answers contradict each other.
    IShellFolder* f = folder.Get();
    std::stable_sort(found.begin(), found.end(),
                     [f](const TFavoriteEntry& a, const TFavoriteEntry& b) {
                         HRESULT hr = f->CompareIDs(0, a.ItemId.get(), b.ItemId.get());
                         return FAILED(hr) ? false : static_cast<short>(HRESULT_CODE(hr)) < 0;
                     });
    const kv::AnsiCodec& codec = tk::SystemCodec();
    for (TFavoriteEntry& e : found) {
        const size_t tag = static_cast<size_t>(nextTag_);
        std::wstring caption = CutCaption(DisplayName(f, e.ItemId.get()), MaxWidth, codec);
        tk::MenuItem& item = NewItem();
        const bool isFolder = e.IsFolder;
        if (isFolder) {
            item.CreateSubmenu(menu, caption);
        } else {
            item.Create(menu, caption, [this, &item] { EntryClick(item); });
        }
        // The image is drawn by this component from the system list (see MenuMessage).
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_BITMAP | MIIM_DATA;
        mii.hbmpItem = HBMMENU_CALLBACK;
        mii.dwItemData = static_cast<ULONG_PTR>(tag);
        SetMenuItemInfoW(menu, item.Command(), FALSE, &mii);
        entries_.push_back(std::move(e));
        entryItems_.push_back(&item);
        icons_.push_back(kIconUnknown);
        tagOfCommand_[item.Command()] = tag;
        ownCommands_.insert(item.Command());
        ++nextTag_;
        if (isFolder) {
            tagOfSubmenu_[item.Submenu()] = tag;
            // An invisible placeholder: the entry shows as a submenu before it is filled.
            tk::MenuItem& placeholder = NewItem();
            placeholder.Create(item.Submenu(), L"");
            placeholder.SetVisible(false);
        }
    }
}

int TFavoritesMenu::ImageIndex(size_t tag) {
    int& icon = icons_.at(tag);
    if (icon == kIconUnknown) {
        icon = SmallIconIndex(entries_[tag].FullId.get());
    }
    return icon;
}

// ---- Choosing a favorite

void TFavoritesMenu::EntryClick(tk::MenuItem& Sender) {
    auto it = tagOfCommand_.find(Sender.Command());
    if (it == tagOfCommand_.end()) {
        return;
    }
    TFavoriteEntry& entry = entries_[it->second];
    if (entry.IsFolder) {
        if (!entry.Filled) {
            // Captured first: filling adds entries and may move this one.
            LPCITEMIDLIST full = entry.FullId.get();
            const size_t tag = it->second;
            FillFolder(Sender, full);
            entries_[tag].Filled = true;
        }
        return;
    }
    std::wstring url = ResolveEntryUrl(entry);
    if (OnURLSelected) {
        OnURLSelected(Sender, url);
    } else if (EmbeddedBrowser != nullptr) {
        EmbeddedBrowser->Navigate(url);
    }
}

std::wstring TFavoritesMenu::ResolveEntryUrl(const TFavoriteEntry& entry) {
    ItemIdPtr parentId(CopyItemId(entry.FullId.get()));
    StripLastItemId(parentId.get());
    ComPtr<IShellFolder> parent = BindFolder(desktop_.Get(), parentId.get());
    if (!parent) {
        return {};
    }
    FolderTypeNames types(parent.Get());
    const std::wstring type = types.Of(entry.ItemId.get(), entry.FullId.get(), false);
    if (type == channelTypeName_) {
        bool failed = false;
        return UrlFromChannelLink(parent.Get(), entry.ItemId.get(), failed);
    }
    const std::wstring path = ParsingName(parent.Get(), entry.ItemId.get());
    if (type == internetTypeName_) {
        return ResolveUrl == TResolveUrl::IntShCut ? UrlFromInternetShortcut(path)
                                                   : UrlFromIniFile(path);
    }
    return UrlFromShellLink(path);
}

// ---- Commands

void TFavoritesMenu::AddFavoritesClick() {
    if (EmbeddedBrowser == nullptr) {
        tk::MessageBox(L"No Webbrowser linked to the Favorites-menu.", L"", MB_OK);
        return;
    }
    try {
        std::wstring title = EmbeddedBrowser->LocationName();
        std::wstring url = EmbeddedBrowser->LocationURL();
        if (url.empty()) {
            tk::MessageBox(L"没有网址被选择！", L"", MB_OK);
            return;
        }
        ComPtr<IShellUIHelper> service = FavoritesService();
        Bstr address(url);
        VARIANT name;
        VariantInit(&name);
        V_VT(&name) = VT_BSTR;
        Bstr titleText(title);
        V_BSTR(&name) = titleText.text;
        tk::OwnDialogScope own;
        tk::Check(service->AddFavorite(address.text, &name));
    } catch (...) {
        tk::MessageBox(L"不能添加这个连接！", L"", MB_OK);
        return;
    }
    RebuildMenu();
}

void TFavoritesMenu::OrganizeFavoritesClick() {
    if (HMODULE library = LoadLibraryW(L"shdocvw.dll")) {
        auto organize = reinterpret_cast<OrganizeFavDlgProc>(
            reinterpret_cast<void*>(GetProcAddress(library, "DoOrganizeFavDlg")));
        char path[MAX_PATH + 1] = {};
        if (organize != nullptr && favoritesId_ && SHGetPathFromIDListA(favoritesId_.get(), path)) {
            tk::OwnDialogScope own;
            organize(tk::Application::MainWindow(), path);
        }
        FreeLibrary(library);
    }
    RebuildMenu();
}

void TFavoritesMenu::ImportFavoritesClick() {
    ComPtr<IShellUIHelper> service = FavoritesService();
    Bstr none(L"");
    {
        tk::OwnDialogScope own;
        tk::Check(service->ImportExportFavorites(VARIANT_TRUE, none.text));
    }
    RebuildMenu();
}

void TFavoritesMenu::ExportFavoritesClick() {
    ComPtr<IShellUIHelper> service = FavoritesService();
    Bstr none(L"");
    {
        tk::OwnDialogScope own;
        tk::Check(service->ImportExportFavorites(VARIANT_FALSE, none.text));
    }
    RebuildMenu();
}

// ---- Menu notifications of the window that shows the menu

bool TFavoritesMenu::MenuMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_INITMENUPOPUP: {
        // A folder's submenu is about to open: its item's click fills it the first time.
        auto it = tagOfSubmenu_.find(reinterpret_cast<HMENU>(wParam));
        if (it != tagOfSubmenu_.end()) {
            tk::MenuItem* item = entryItems_[it->second];
            tk::Guard([&] { EntryClick(*item); });
        }
        return false;
    }
    case WM_MEASUREITEM: {
        auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (m == nullptr || m->CtlType != ODT_MENU || tagOfCommand_.count(m->itemID) == 0) {
            return false;
        }
        int cx = 16, cy = 16;
        if (images_ != nullptr) {
            ImageList_GetIconSize(images_, &cx, &cy);
        }
        m->itemWidth = static_cast<UINT>(cx);
        m->itemHeight = static_cast<UINT>(cy);
        result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (d == nullptr || d->CtlType != ODT_MENU) {
            return false;
        }
        auto it = tagOfCommand_.find(d->itemID);
        if (it == tagOfCommand_.end()) {
            return false;
        }
        int index = ImageIndex(it->second);
        if (images_ != nullptr && index >= 0) {
            int cx = 16, cy = 16;
            ImageList_GetIconSize(images_, &cx, &cy);
            int top = d->rcItem.top + (d->rcItem.bottom - d->rcItem.top - cy) / 2;
            ImageList_Draw(images_, index, d->hDC, d->rcItem.left, top, ILD_TRANSPARENT);
        }
        result = TRUE;
        return true;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0 && ownCommands_.count(LOWORD(wParam)) != 0) {
            const UINT id = LOWORD(wParam);
            tk::Guard([id] { (void)tk::MenuItem::Dispatch(id); });
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace fav
