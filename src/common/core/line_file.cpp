#include "common/core/line_file.h"

namespace kv {

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const char c = bytes[pos];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(bytes.substr(start, pos - start));
            ++pos;
            if (c == '\r' && pos < bytes.size() && bytes[pos] == '\n') {
                ++pos;
            }
            start = pos;
        } else {
            ++pos;
        }
    }
    if (start < bytes.size()) {
        lines.emplace_back(bytes.substr(start));
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    size_t total = 0;
    for (const std::string& line : lines) {
        total += line.size() + 2;
    }
    std::string out;
    out.reserve(total);
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace kv
