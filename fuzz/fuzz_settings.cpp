// Settings file text: splitting, look-up and the start-up reading must hold for any bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/core/line_file.h"
#include "app/core/settings.h"

namespace {

void Require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = kv::SplitLines(bytes);
    for (const std::string& line : lines) {
        Require(line.find('\r') == std::string::npos && line.find('\n') == std::string::npos);
    }
    Require(kv::SplitLines(kv::JoinLines(lines)) == lines);

    const kv::StartSettings s = kv::ReadSettings(lines);
    Require(s.complete == (s.tabTop && s.tabLeft));
    Require(s.complete ==
            (s.n10.has_value() && s.n14.has_value() && s.n11.has_value() && s.n9.has_value()));
    if (s.tabLeft) {
        Require(s.tabTop.has_value());
    }
    if (s.complete) {
        kv::SavedSettings out;
        out.tabTop = *s.tabTop;
        out.tabLeft = *s.tabLeft;
        out.n10 = *s.n10;
        out.n14 = *s.n14;
        out.n11 = *s.n11;
        out.n9 = *s.n9;
        const kv::StartSettings again = kv::ReadSettings(kv::WriteSettings(out));
        Require(again.complete && again.tabTop == s.tabTop && again.tabLeft == s.tabLeft &&
                again.n10 == s.n10 && again.n14 == s.n14 && again.n11 == s.n11 && again.n9 == s.n9);
    }

    // The first line (up to its "=") used as a key finds a value that ends some line.
    if (!lines.empty()) {
        const std::string& first = lines.front();
        const std::string key = first.substr(0, first.find('='));
        const std::string value = kv::LookupKey(lines, key);
        // The first line matches its own key, so its value is the one found.
        if (first.find('=') != std::string::npos) {
            Require(value == first.substr(first.find('=') + 1));
        }
        bool endsALine = value.empty();
        for (const std::string& line : lines) {
            endsALine = endsALine ||
                        (line.size() > value.size() &&
                         line.compare(line.size() - value.size(), std::string::npos, value) == 0);
        }
        Require(endsALine);
        int n = 0;
        if (kv::ParseWholeNumber(first, n)) {
            Require(std::to_string(n).size() <= first.size());
        }
    }
    return 0;
}
