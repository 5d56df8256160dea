// Rules of the favorites menu that need no window: caption length, the menu's place in the
// main menu and the platform browser's version test. Portable.
#pragma once

#include <string>
#include <string_view>

#include "common/core/text_codec.h"

namespace fav {

// A caption longer than maxWidth bytes in the ANSI code page becomes the longest run of whole
// characters from its start that takes at most maxWidth bytes, followed by "..." (a Chinese
// character is never cut in half). Captions of at most maxWidth bytes stay whole; with
// maxWidth 0 or below every non-empty caption becomes "...".
std::wstring CutCaption(std::wstring_view caption, int maxWidth, const kv::AnsiCodec& codec);

// The 1-based place of the menu among count top-level items: beyond count + 1 it becomes
// count + 1 (last), 0 or below it becomes 1 (first).
int ClampMenuPosition(int position, int count);

// The platform browser's "Version" value: true when its first character is a digit above 4.
// An empty value or one that does not begin with a digit gives false.
bool VersionAbove4(std::wstring_view version);

} // namespace fav
