// The frame's menu commands on the page of the active browser window (File and Edit, Internet
// options), Open, and the windows of the Help menu.
#include "app/core/tab_caption.h"
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "common/core/search_config.h"
#include "doc_tools/document_commands.h"
#include "doc_tools/open_save.h"
#include "toolkit/system_codec.h"

#include <algorithm>

namespace {

using DocumentCommand = void (*)(IDispatch*) noexcept;

// Runs a document command on the active window's page; nothing without a window.
void OnActivePage(const TMainForm& frame, DocumentCommand command) {
    if (TMDIChild* w = frame.ActiveBrowserWindow()) {
        command(w->WebBrowser1->Document().Get());
    }
}

// For the commands that wait for the page or show a dialog: the window they started on is
// still one of the frame's windows and has not been closed meanwhile. (A closed window stays
// allocated while a handler of the frame runs, so its host is still there to be left alone.)
doc::TStillWanted StillOpen(const TMainForm& frame, TMDIChild* window) {
    return [&frame, window] {
        const auto& children = frame.Children();
        return std::find(children.begin(), children.end(), window) != children.end() &&
               !window->Closing();
    };
}

// Runs a command that takes the host on the active window.
template <class Command> void OnActiveHost(const TMainForm& frame, Command command) {
    if (TMDIChild* w = frame.ActiveBrowserWindow()) {
        command(*w->WebBrowser1, StillOpen(frame, w));
    }
}

std::wstring Wide(const std::string& ansi) {
    return tk::SystemCodec().FromAnsi(ansi);
}

} // namespace

void TMainForm::FileOpen1Execute() {
    TMDIChild* w = ActiveBrowserWindow();
    if (w == nullptr) {
        w = OpenBrowserWindow(kv::WindowCaption(kv::kWindowCaptionPrefix, BrowserWindowCount()));
    }
    doc::ShowOpenDialog(*w->WebBrowser1, StillOpen(*this, w));
}

void TMainForm::FileSaveAsItemClick() {
    OnActivePage(*this, doc::SaveDocumentAs);
}

void TMainForm::SaveAsText1Click() {
    OnActiveHost(*this, [](host::TEmbeddedBrowser& h, const doc::TStillWanted& still) {
        doc::SavePageText(h, still);
    });
}

void TMainForm::print1Click() {
    OnActiveHost(*this, [](host::TEmbeddedBrowser& h, const doc::TStillWanted& still) {
        doc::PrintDocument(h, still);
    });
}

void TMainForm::PrintSet1Click() {
    OnActiveHost(*this, [](host::TEmbeddedBrowser& h, const doc::TStillWanted& still) {
        doc::SetupPage(h, still);
    });
}

void TMainForm::Printpreview1Click() {
    OnActiveHost(*this, [](host::TEmbeddedBrowser& h, const doc::TStillWanted&) {
        doc::PreviewDocument(h);
    });
}

void TMainForm::CutItemClick() {
    OnActivePage(*this, doc::CutSelection);
}

void TMainForm::CopyItemClick() {
    OnActivePage(*this, doc::CopySelection);
}

void TMainForm::PasteItemClick() {
    OnActivePage(*this, doc::PasteClipboard);
}

void TMainForm::N5Click() {
    OnActivePage(*this, doc::SelectAllContent);
}

void TMainForm::N6Click() {
    OnActivePage(*this, doc::ShowFindDialog);
}

void TMainForm::Internet1Click() {
    OnActivePage(*this, doc::ShowInternetOptions);
}

void TMainForm::HelpAbout1Execute() {
    TMDIChild* w =
        OpenBrowserWindow(kv::WindowCaption(kv::kWindowCaptionPrefix, BrowserWindowCount()));
    w->WebBrowser1->NavigateUrl(Wide(kv::MakerHomeUrl()));
}

void TMainForm::N16Click() {
    TMDIChild* w =
        OpenBrowserWindow(kv::WindowCaption(kv::kHelpCaptionPrefix, BrowserWindowCount()));
    w->WebBrowser1->NavigateUrl(Wide(kv::MakerPageUrl(kv::kOnlineHelpPath)));
}

void TMainForm::N18Click() {
    TMDIChild* w =
        OpenBrowserWindow(kv::WindowCaption(kv::kWindowCaptionPrefix, BrowserWindowCount()));
    w->WebBrowser1->NavigateUrl(Wide(kv::MakerPageUrl(kv::kUpdatePath)));
}

bool TMainForm::IsEditFieldKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN) {
        return false;
    }
    switch (msg.wParam) {
    case 'X':
    case 'C':
    case 'V':
    case 'A':
    case 'F':
        break;
    default:
        return false;
    }
    wchar_t cls[32] = {};
    GetClassNameW(msg.hwnd, cls, 32);
    return lstrcmpiW(cls, L"Edit") == 0 || _wcsnicmp(cls, L"RichEdit", 8) == 0;
}

// ---- Window and view commands

void TMainForm::FileNew1Execute() {
    TMDIChild* w =
        OpenBrowserWindow(kv::WindowCaption(kv::kWindowCaptionPrefix, BrowserWindowCount()));
    (void)w->WebBrowser1->NavigateBlank();
}

void TMainForm::FileExit1Execute() {
    Close();
}

void TMainForm::N10Click() {
    N10.SetChecked(!N10.Checked());
    CoolBar1.SetVisible(N10.Checked());
    LayoutClient();
}

void TMainForm::N9Click() {
    N9.SetChecked(!N9.Checked());
    ApplyViewSettings(ActiveBrowserWindow());
}

void TMainForm::N11Click() {
    N11.SetChecked(!N11.Checked());
    ApplyViewSettings(ActiveBrowserWindow());
}

void TMainForm::S1Click() {
    S1.SetChecked(!S1.Checked());
    ApplyViewSettings(ActiveBrowserWindow());
}

void TMainForm::N14Click() {
    N14.SetChecked(!N14.Checked());
}
