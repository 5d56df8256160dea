// Lines of the program's text files (settings, address history, site list). The bytes of a
// line are kept as read: nothing is converted, so nothing the user stored is lost.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

// CR LF, LF or CR end a line; a last line without ending counts; no empty line is made up
// after a final ending; an empty file has no lines.
std::vector<std::string> SplitLines(std::string_view bytes);
// Every line, the last included, ended with CR LF; no lines -> empty.
std::string JoinLines(const std::vector<std::string>& lines);

} // namespace kv
