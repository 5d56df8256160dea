#include "common/core/history.h"

#include <algorithm>

#include "common/core/search_config.h"

namespace kv {

size_t FindLine(const std::vector<std::string>& lines, std::string_view text,
                const AnsiCodec& codec) {
    // Most histories are ASCII addresses: an ASCII text can only equal a line of its own
    // length, so the other lines are passed over without looking at their bytes.
    const bool asciiText = IsAscii(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (asciiText && line.size() != text.size()) {
            continue;
        }
        if (codec.EqualIgnoreCase(line, text)) {
            return i;
        }
    }
    return std::string::npos;
}

size_t RecordAtFront(std::vector<std::string>& lines, std::string_view text,
                     const AnsiCodec& codec) {
    const size_t at = FindLine(lines, text, codec);
    if (at == std::string::npos) {
        lines.insert(lines.begin(), std::string(text));
    } else if (at > 0) {
        std::rotate(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(at),
                    lines.begin() + static_cast<std::ptrdiff_t>(at) + 1);
    }
    return at;
}

void EnsurePartnerHome(std::vector<std::string>& lines, const AnsiCodec& codec) {
    const std::string home = PartnerHomeUrl();
    if (FindLine(lines, home, codec) == std::string::npos) {
        lines.insert(lines.begin(), home);
    }
}

} // namespace kv
