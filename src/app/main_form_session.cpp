// The session file of the frame: the open windows written while the program runs, and at the
// start after an unclean end the question whether to open the last session's windows again.
#include "app/core/session_file.h"
#include "app/core/tab_caption.h"
#include "app/main_form.h"
#include "app/session_keeper.h"
#include "browser_window/mdi_child.h"
#include "common/core/search_config.h"
#include "toolkit/application.h"
#include "toolkit/dialogs.h"
#include "toolkit/error.h"
#include "toolkit/system_codec.h"

#include <algorithm>

std::wstring TMainForm::SessionPath() const {
    return ProgramFolder + kv::kSessionFileName;
}

void TMainForm::StartSession() {
    session_ = std::make_unique<TSessionKeeper>(SessionPath(), tk::Form::Handle(), kSessionTimer,
                                                [this] { return CurrentSession(); });
    // Read before this run writes anything; asked about once the frame's windows are open.
    previousSession_ = session_->ReadPrevious();
    sessionIdle_ = tk::Application::AddIdleHandler([this] {
        if (session_) {
            session_->OnIdle();
        }
    });
}

kv::Session TMainForm::CurrentSession() const {
    std::vector<std::string> addresses;
    addresses.reserve(tabs_.size());
    int active = -1;
    TMDIChild* activeWindow = ActiveBrowserWindow();
    for (const Tab& t : tabs_) {
        if (t.window == activeWindow) {
            active = static_cast<int>(addresses.size());
        }
        addresses.push_back(t.window->PageAddress());
    }
    return kv::CollectSession(addresses, active, kv::MakerPageUrl(kv::kOnlineHelpPath));
}

void TMainForm::SessionChanged() {
    if (session_) {
        session_->Changed();
    }
}

void TMainForm::WindowAddressChanged(TMDIChild*) {
    SessionChanged();
}

void TMainForm::AskToRestoreSession() {
    kv::SessionRead previous = std::move(previousSession_);
    previousSession_ = kv::SessionRead{};
    if (!kv::OfferRestore(previous)) {
        return;
    }
    if (tk::MessageBox(L"上次浏览器没有正常关闭，要重新打开上次的窗口吗？", L"Quelmar浏览器",
                       MB_YESNO | MB_ICONQUESTION) != IDYES ||
        tk::Application::Terminated()) {
        return;
    }
    const kv::AnsiCodec& codec = tk::SystemCodec();
    std::vector<TMDIChild*> opened;
    for (const std::string& address : previous.session.addresses) {
        // One window that fails is reported; the others still come back.
        TMDIChild* w = nullptr;
        tk::Guard([&] {
            w = OpenBrowserWindow(
                kv::WindowCaption(kv::kWindowCaptionPrefix, BrowserWindowCount()));
            w->WebBrowser1->NavigateUrl(codec.FromAnsi(address));
        });
        opened.push_back(w);
        if (tk::Application::Terminated()) {
            return;
        }
    }
    int active = previous.session.active;
    if (active < 0 || static_cast<size_t>(active) >= opened.size()) {
        return;
    }
    // A page may have closed its window meanwhile.
    TMDIChild* w = opened[static_cast<size_t>(active)];
    const auto& children = Children();
    if (w != nullptr && std::find(children.begin(), children.end(), w) != children.end() &&
        !w->Closing()) {
        w->Activate();
    }
}
