// The frame's search bar and site list: every search and every site opens in a new browser
// window; the site list can be fetched again from the maker's web site.
#include "app/main_form.h"

#include "common/core/search_config.h"
#include "app/core/site_list.h"
#include "app/core/tab_caption.h"
#include "app/site_list_download.h"
#include "browser_window/mdi_child.h"
#include "toolkit/system_codec.h"

#include <algorithm>

namespace {

// A new window numbered as the frame numbers the windows it opens; it becomes the active one.
TMDIChild* OpenNumberedWindow(TMainForm& frame) {
    return frame.OpenBrowserWindow(
        kv::WindowCaption(kv::kWindowCaptionPrefix, frame.BrowserWindowCount()));
}

// The word goes into the address as typed: no trimming, no encoding. The search box holds
// text of the system's code page, so the word is taken as it reads there.
std::wstring SearchUrl(const std::string& prefix, const std::wstring& word) {
    const kv::AnsiCodec& codec = tk::SystemCodec();
    return codec.FromAnsi(kv::SearchAddress(prefix, codec.ToAnsi(word)));
}

// The download runs a message loop of its own while it waits; a second click meanwhile is
// dropped instead of starting a download inside the first.
bool downloadRunning = false;

} // namespace

void TMainForm::SpeedButton1Click() {
    std::wstring url = SearchUrl(kv::WebSearchPrefix(), Edit2.Text());
    // This one service is called with the plain navigate, the optional arguments missing.
    OpenNumberedWindow(*this)->WebBrowser1->Navigate(url);
}

void TMainForm::SpeedButton2Click() {
    std::wstring url = SearchUrl(kv::ImageSearchPrefix(), Edit2.Text());
    OpenNumberedWindow(*this)->WebBrowser1->NavigateUrl(url);
}

void TMainForm::SpeedButton3Click() {
    std::wstring url = SearchUrl(kv::Mp3SearchPrefix(), Edit2.Text());
    OpenNumberedWindow(*this)->WebBrowser1->NavigateUrl(url);
}

void TMainForm::SpeedButton4Click() {
    std::wstring url = SearchUrl(kv::PartnerSearchPrefix(), Edit2.Text());
    OpenNumberedWindow(*this)->WebBrowser1->NavigateUrl(url);
}

void TMainForm::ComboBox1CloseUp() {
    // The selected line as stored (its bytes, not a round trip through wide text), but only
    // as far as the list shows it: the shown text ends at the first NUL byte.
    int index = ComboBox1.ItemIndex();
    const kv::LineList& items = ComboBox1.Items();
    if (index < 0 || static_cast<size_t>(index) >= items.size()) {
        return;
    }
    std::string line(items[static_cast<size_t>(index)]);
    line.resize(std::min(line.size(), line.find('\0')));
    if (line.empty() || ComboBox1.Text().empty()) {
        return;
    }
    const kv::AnsiCodec& codec = tk::SystemCodec();
    std::string address = kv::SiteItemAddress(line, codec);
    // An address without a scheme goes as it is; the engine completes it.
    OpenNumberedWindow(*this)->WebBrowser1->NavigateUrl(codec.FromAnsi(address));
}

void TMainForm::ToolButton4Click() {
    if (downloadRunning) {
        return;
    }
    struct Running {
        Running() { downloadRunning = true; }
        ~Running() { downloadRunning = false; }
    } running;
    app::SiteListDownload result = app::DownloadSiteList(kv::MakerPageUrl(kv::kSiteListPath),
                                                         ProgramFolder + kv::kSiteListFileName);
    // A failed download changes nothing and says nothing.
    if (result.status == app::SiteListStatus::Replaced) {
        SetSiteItems(std::move(result.items));
    }
}
