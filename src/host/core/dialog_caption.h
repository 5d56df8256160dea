// The caption rule for the dialogs the engine opens above a host's form. Portable.
#pragma once

#include <string>

namespace host {

// The caption for a dialog titled title. C is newCaption, or "Web Browser" when that is empty:
// the first "Microsoft " is removed, the first "Internet Explorer" becomes C, and a result that
// still does not contain C becomes C + ":  " + result.
std::wstring DialogCaption(const std::wstring& title, const std::wstring& newCaption);

// True for the title of an engine error box ("Error" anywhere, letter case counting).
bool IsErrorDialogTitle(const std::wstring& title);

} // namespace host
