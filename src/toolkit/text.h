// Conversions between the program's wide text and the system's ANSI code page or UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tk {

std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);
std::string ToUtf8(std::wstring_view text);
std::wstring ToWideUtf8(std::string_view text);
// Number of bytes the text takes in the ANSI code page.
size_t AnsiLength(std::wstring_view text);

} // namespace tk
