// Tab texts, the tab strip's double-click test and browser window captions.
#pragma once

#include <string>
#include <string_view>

#include "common/core/text_codec.h"

namespace kv {

// Tab text: a caption longer than 9 bytes in the ANSI code page is cut to its first 10
// characters (whole characters: a surrogate pair or a Chinese character is never split);
// 9 bytes or less unchanged.
std::wstring ShortTabCaption(std::wstring_view caption, const AnsiCodec& codec);
// The tab strip's double-click test on mouse release: selected == lastIndex, selected >= 0,
// and (now - last) * 1,000,000 <= 3.0 with times in days (0.2592 s).
bool IsTabDoubleClick(int selected, int lastIndex, double nowDays, double lastDays);
// prefix + decimal (openWindowCount + 1), e.g. "KV-3".
std::wstring WindowCaption(std::wstring_view prefix, int openWindowCount);

inline constexpr const wchar_t* kWindowCaptionPrefix = L"KV-";
inline constexpr const wchar_t* kHelpCaptionPrefix = L"在线帮助-";

} // namespace kv
