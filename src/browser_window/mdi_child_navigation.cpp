// What a browser window does with an entered address, with each navigation start, and with a
// page's request for a new window.
#include "browser_window/mdi_child.h"

#include "common/core/history.h"
#include "browser_window/core/window_rules.h"
#include "toolkit/application.h"
#include "toolkit/dialogs.h"
#include "toolkit/system_codec.h"

#include <oleauto.h>

void TMDIChild::GoToAddress() {
    const kv::AnsiCodec& codec = tk::SystemCodec();
    // Set before the navigate call: the engine may report the navigation start inside it.
    FRecordNextUrl = true;
    std::string typed = codec.ToAnsi(URLS.Text());
    kv::AddressDecision d = kv::DecideAddress(typed);
    if (d.boxText != typed) {
        URLS.SetText(codec.FromAnsi(d.boxText));
    }
    WebBrowser1->NavigateUrl(codec.FromAnsi(d.navigateTo));
}

void TMDIChild::WebBrowser1BeforeNavigate2(host::TWebBrowser&, IDispatch*, VARIANT* URL, VARIANT*,
                                           VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL*) {
    // The page takes the focus; in a window behind the active one only once that window is
    // activated, so that the user keeps typing where he is.
    FocusControl([this] {
        if (WebBrowser1 && WebBrowser1->CanFocus()) {
            WebBrowser1->SetFocus();
        }
    });
    const kv::AnsiCodec& codec = tk::SystemCodec();
    std::string url = codec.ToAnsi(host::VariantText(URL));
    kv::NavigationStart start = kv::OnNavigationStart(FRecordNextUrl, url);
    if (start.focusOnly) {
        return;
    }
    if (start.record) {
        size_t i = kv::FindLine(URLS.Items(), url, codec);
        if (i == std::string::npos) {
            URLS.InsertItem(0, url);
        } else {
            URLS.MoveItemToFront(i);
        }
        owner_.RecordedInWindow(this, url);
        owner_.RecordInSharedHistory(url);
    }
    StatusBar1.SetPanelText(0, codec.FromAnsi(url));
    owner_.UpdateWindowTabs(this, TTabAction::TabRefresh);
}

void TMDIChild::WebBrowser1NewWindow2(host::TWebBrowser&, IDispatch** ppDisp,
                                      VARIANT_BOOL* Cancel) {
    if (owner_.PopupBlocking()) {
        *Cancel = VARIANT_TRUE;
        return;
    }
    int answer = tk::MessageBox(L"允许弹出窗口么？", L"弹出窗口", MB_OKCANCEL);
    // Messages go on while the box is open: this window may have been closed meanwhile (it
    // is only destroyed after this call returns), or the program asked to end.
    if (answer != IDOK || Closing() || tk::Application::Terminated()) {
        *Cancel = VARIANT_TRUE;
        return;
    }
    // Until the new window's engine is handed back, a failure refuses the request.
    *Cancel = VARIANT_TRUE;
    TMDIChild* w = owner_.OpenPopupWindow();
    try {
        IWebBrowser2* browser = w->WebBrowser1->DefaultInterface();
        if (browser == nullptr) {
            w->Close();
            return;
        }
        browser->AddRef(); // the engine releases the object it receives
        *ppDisp = browser;
        *Cancel = VARIANT_FALSE;
    } catch (...) {
        w->Close();
        throw;
    }
}
