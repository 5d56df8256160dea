// Commands sent to the page of a browser host: the clipboard and selection commands, save
// as, find, Internet options and the text size go to the command target of the engine's
// current document and fail silently; print, print preview and page setup go to the
// engine's ExecWB and raise tk::Error with the platform's text when the engine refuses.
#pragma once

#include "host/embedded_browser.h"

#include <oaidl.h>

#include <cstdint>
#include <functional>

namespace doc {

// Asked by a routine that waits for the page or shows a dialog, before it goes on: false once
// the window it works for has been closed meanwhile. Empty: only the host's destruction
// counts. It must be safe to call after the window has been freed.
using TStillWanted = std::function<bool()>;

// Sends one command to the document's command target (CGID_WebBrowser when useBrowserGroup,
// else no group). Nothing happens when document is not an HTML document or has no command
// target; every failure is swallowed.
void ExecDocumentCommand(IDispatch* document, bool useBrowserGroup, DWORD command, DWORD option,
                         VARIANT* input, VARIANT* output) noexcept;

void CutSelection(IDispatch* document) noexcept;
void CopySelection(IDispatch* document) noexcept;
void PasteClipboard(IDispatch* document) noexcept;
void SelectAllContent(IDispatch* document) noexcept;
void SaveDocumentAs(IDispatch* document) noexcept;
void ShowFindDialog(IDispatch* document) noexcept;
void ShowInternetOptions(IDispatch* document) noexcept;
// Sets the text size, kept inside the range the document reports. Nothing is sent when the
// document reports no range (no HTML document, or a command target without zoom).
void ApplyTextSize(IDispatch* document, int32_t size) noexcept;

// Print (the print dialog) and page setup (its dialog) first wait until the page is complete;
// they do nothing more when the host or its window went away during the wait. Print preview
// starts at once. Each acts only on an HTML document.
void PrintDocument(host::TEmbeddedBrowser& host, const TStillWanted& stillWanted = {});
void SetupPage(host::TEmbeddedBrowser& host, const TStillWanted& stillWanted = {});
void PreviewDocument(host::TEmbeddedBrowser& host);

// WaitForComplete on the host; false when the caller must not go on: the host went away, the
// program is quitting, or stillWanted says the window has been closed.
bool WaitForPage(host::TEmbeddedBrowser& host, const TStillWanted& stillWanted);

// True when document answers the HTML document interface.
bool IsHtmlDocument(IDispatch* document);

} // namespace doc
