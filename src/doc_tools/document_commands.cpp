#include "doc_tools/document_commands.h"

#include "doc_tools/core/text_size.h"
#include "doc_tools/variant_holder.h"
#include "toolkit/com.h"
#include "toolkit/error.h"

#include <docobj.h>
#include <mshtml.h>

namespace doc {

using tk::ComPtr;

namespace {

// The engine's command group of its own dialogs (find, Internet options).
constexpr GUID kCgidWebBrowser = {
    0xED016940, 0xBD5B, 0x11CF, {0xBA, 0x4E, 0x00, 0xC0, 0x4F, 0xD7, 0x08, 0x16}};
constexpr DWORD kFind = 1;
constexpr DWORD kInternetOptions = 3;

void Plain(IDispatch* document, bool browserGroup, DWORD command) noexcept {
    ExecDocumentCommand(document, browserGroup, command, OLECMDEXECOPT_DODEFAULT, nullptr, nullptr);
}

// The browser commands: an HTML document must be showing; the engine's refusal is raised.
void BrowserCommand(host::TEmbeddedBrowser& host, OLECMDID command, OLECMDEXECOPT option) {
    host.DefaultInterface(); // raises when the engine has no automation interface
    ComPtr<IDispatch> document = host.Document();
    if (IsHtmlDocument(document.Get())) {
        host.ExecWB(command, option, nullptr);
    }
}

} // namespace

bool WaitForPage(host::TEmbeddedBrowser& host, const TStillWanted& stillWanted) {
    if (!host::CanGoOn(host.WaitForComplete())) {
        return false; // the host is gone, or the program is quitting
    }
    return !stillWanted || stillWanted();
}

bool IsHtmlDocument(IDispatch* document) {
    if (document == nullptr) {
        return false;
    }
    ComPtr<IHTMLDocument2> html;
    return SUCCEEDED(document->QueryInterface(IID_PPV_ARGS(&html))) && html;
}

void ExecDocumentCommand(IDispatch* document, bool useBrowserGroup, DWORD command, DWORD option,
                         VARIANT* input, VARIANT* output) noexcept {
    const GUID* group = useBrowserGroup ? &kCgidWebBrowser : nullptr;
    try {
        if (!IsHtmlDocument(document)) {
            return; // no page loaded
        }
        ComPtr<IOleCommandTarget> target;
        if (FAILED(document->QueryInterface(IID_PPV_ARGS(&target))) || !target) {
            return;
        }
        (void)target->Exec(group, command, option, input, output);
    } catch (...) {
        // Document commands fail silently.
    }
}

void CutSelection(IDispatch* document) noexcept {
    Plain(document, false, OLECMDID_CUT);
}
void CopySelection(IDispatch* document) noexcept {
    Plain(document, false, OLECMDID_COPY);
}
void PasteClipboard(IDispatch* document) noexcept {
    Plain(document, false, OLECMDID_PASTE);
}
void SelectAllContent(IDispatch* document) noexcept {
    Plain(document, false, OLECMDID_SELECTALL);
}
void SaveDocumentAs(IDispatch* document) noexcept {
    Plain(document, false, OLECMDID_SAVEAS);
}
void ShowFindDialog(IDispatch* document) noexcept {
    Plain(document, true, kFind);
}
void ShowInternetOptions(IDispatch* document) noexcept {
    Plain(document, true, kInternetOptions);
}

void ApplyTextSize(IDispatch* document, int32_t size) noexcept {
    VariantHolder range;
    ExecDocumentCommand(document, false, OLECMDID_GETZOOMRANGE, OLECMDEXECOPT_DONTPROMPTUSER,
                        nullptr, &range.v);
    // Without an answer there is no range to keep to, and the setting would fail as well.
    uint32_t answer = 0;
    if (V_VT(&range.v) == VT_I4) {
        answer = static_cast<uint32_t>(V_I4(&range.v));
    } else if (V_VT(&range.v) != VT_EMPTY &&
               SUCCEEDED(VariantChangeType(&range.v, &range.v, 0, VT_UI4))) {
        answer = V_UI4(&range.v);
    } else {
        return;
    }
    int32_t clamped = ClampTextSize(size, DecodeTextSizeRange(answer));
    VariantHolder in;
    V_VT(&in.v) = VT_I4;
    V_I4(&in.v) = clamped;
    ExecDocumentCommand(document, false, OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &in.v,
                        nullptr);
}

void PrintDocument(host::TEmbeddedBrowser& host, const TStillWanted& stillWanted) {
    if (WaitForPage(host, stillWanted)) {
        BrowserCommand(host, OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER);
    }
}

void SetupPage(host::TEmbeddedBrowser& host, const TStillWanted& stillWanted) {
    if (WaitForPage(host, stillWanted)) {
        BrowserCommand(host, OLECMDID_PAGESETUP, OLECMDEXECOPT_PROMPTUSER);
    }
}

void PreviewDocument(host::TEmbeddedBrowser& host) {
    BrowserCommand(host, OLECMDID_PRINTPREVIEW, OLECMDEXECOPT_DONTPROMPTUSER);
}

} // namespace doc
