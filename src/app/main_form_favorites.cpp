// The frame's favorites menu: its configuration, the command "激活收藏" that
// builds it, and the choice of a favorite, which opens the favorite in a new
// browser window.
#include "app/main_form.h"

#include "app/core/tab_caption.h"
#include "browser_window/mdi_child.h"

void TMainForm::ConfigureFavoritesMenu() {
    FavoritesMenu1 = std::make_unique<fav::TFavoritesMenu>();
    FavoritesMenu1->Localization.AddFavorites = L"添加收藏夹";
    FavoritesMenu1->Localization.OrganizeFavorites = L"整理收藏夹";
    FavoritesMenu1->Localization.ImportFavorites = L"Import Favorites";
    FavoritesMenu1->Localization.ExportFavorites = L"Export Favorites";
    FavoritesMenu1->Options = {fav::TFavOption::AddFavorites, fav::TFavOption::OrganizeFavorites};
    FavoritesMenu1->SetMainMenu(MainMenu1.Handle(), tk::Form::Handle());
    FavoritesMenu1->MenuPosition = 5;
    FavoritesMenu1->MaxWidth = 50;
    FavoritesMenu1->Caption = L"收藏(&A)";
    FavoritesMenu1->ResolveUrl = fav::TResolveUrl::IntShCut;
    FavoritesMenu1->Channels = false;
    FavoritesMenu1->OnURLSelected = [this](tk::MenuItem& Sender, const std::wstring& Url) {
        FavoritesMenu1URLSelected(Sender, Url);
    };
}

void TMainForm::N19Click() {
    if (!FavoritesMenu1) {
        return;
    }
    FavoritesMenu1->BuildMenu();
    N19.SetVisible(false);
}

void TMainForm::FavoritesMenu1URLSelected(tk::MenuItem&, const std::wstring& Url) {
    TMDIChild* w =
        OpenBrowserWindow(kv::WindowCaption(kv::kWindowCaptionPrefix, BrowserWindowCount()));
    w->WebBrowser1->NavigateUrl(Url);
}

// The menu follows the active window's host; it is linked again at every resynchronisation,
// so that it never stays without a link while a window is active.
void TMainForm::LinkFavoritesMenu(TMDIChild* active) {
    if (!FavoritesMenu1) {
        return;
    }
    FavoritesMenu1->EmbeddedBrowser = active->WebBrowser1.get();
}

// A window gives up its tab before it is destroyed: the link to its host goes with it, so
// that adding a favorite after the last window has closed reports the missing link.
void TMainForm::UnlinkFavoritesMenu(TMDIChild* closing) {
    if (FavoritesMenu1 && FavoritesMenu1->EmbeddedBrowser == closing->WebBrowser1.get()) {
        FavoritesMenu1->EmbeddedBrowser = nullptr;
    }
}
