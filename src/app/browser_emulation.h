// The platform's WebBrowser control draws pages in its oldest document mode unless the
// program's own entry under the browser-emulation feature control asks for a newer one.
#pragma once

#include <windows.h>

namespace kv {

// Document mode value of the newest standards mode, forced even over <!DOCTYPE> choices.
inline constexpr DWORD kNewestDocumentMode = 11001;

enum class EmulationResult {
    Written,      // the program's entry was missing and now selects kNewestDocumentMode
    KeptExisting, // an entry was there already: left exactly as it was
    Failed,       // the key could not be opened or written; the engine keeps its default
};

// Makes sure the key FEATURE_BROWSER_EMULATION under the current user's Internet Explorer
// feature control has a value named after the program file (for example
// "kvbr.exe"). Call before the first engine is created: the engine reads the value once per
// process. When it writes the value, it first notes so under the program's own key
// (HKCU\Software\Quelmar\KVBrowser\BrowserEmulation, a value of the same name): the
// uninstaller removes only a value the program noted. Touches no other setting.
[[nodiscard]] EmulationResult EnsureBrowserEmulation() noexcept;

} // namespace kv
