#include "common/core/history.h"

#include <algorithm>

#include "common/core/search_config.h"

namespace kv {

size_t FindLine(const LineList& lines, std::string_view text, const AnsiCodec& codec) {
    // Most histories are ASCII addresses: an ASCII text can only equal a line of its own
    // length, so the other lines are passed over without looking at their bytes.
    const bool asciiText = IsAscii(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (asciiText && line.size() != text.size()) {
            continue;
        }
        if (codec.EqualIgnoreCase(line, text)) {
            return i;
        }
    }
    return std::string::npos;
}

size_t RecordAtFront(LineList& lines, std::string_view text, const AnsiCodec& codec) {
    const size_t at = FindLine(lines, text, codec);
    if (at == std::string::npos) {
        lines.insert(0, text);
    } else {
        lines.move_to_front(at);
    }
    return at;
}

void EnsurePartnerHome(LineList& lines, const AnsiCodec& codec) {
    const std::string home = PartnerHomeUrl();
    if (FindLine(lines, home, codec) == std::string::npos) {
        lines.insert(0, home);
    }
}

} // namespace kv
