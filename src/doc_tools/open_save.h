// Opening a local HTML file in a browser host and saving the text of its page, each through
// the platform's common file dialog owned by the host's window.
#pragma once

#include "doc_tools/document_commands.h"

#include <optional>
#include <string>

namespace doc {

// The open dialog for local HTML files; the chosen file is shown in the host.
void ShowOpenDialog(host::TEmbeddedBrowser& host, const TStillWanted& stillWanted = {});

// Waits for the page, reads its text, then asks for a file in the save dialog and writes the
// text there in the system's ANSI code page followed by CR LF (empty without an HTML
// document). The file is replaced only once the new content is written in full; a failure
// raises tk::Error and leaves an existing file as it was.
void SavePageText(host::TEmbeddedBrowser& host, const TStillWanted& stillWanted = {});

// The text of the host's page (its document element's innerText, read by name through the
// engine's automation object) in the system's ANSI code page; nothing without an HTML
// document.
std::optional<std::string> ReadPageText(host::TEmbeddedBrowser& host);

} // namespace doc
