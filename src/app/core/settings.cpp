#include "app/core/settings.h"

#include <cstdio>
#include <limits>

namespace kv {
namespace {

unsigned char FoldAscii(unsigned char b) {
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + ('a' - 'A')) : b;
}

// ASCII letters are folded only where they cannot be the trail byte of a two-byte character:
// at the start or after an ASCII byte. Without the code page at hand, a byte after a non-ASCII
// byte must match exactly. The keys themselves are ASCII.
bool KeyEquals(std::string_view name, std::string_view key) {
    if (name.size() != key.size()) {
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        const auto a = static_cast<unsigned char>(name[i]);
        const auto b = static_cast<unsigned char>(key[i]);
        if (a == b) {
            continue;
        }
        const bool mayFold = i == 0 || (static_cast<unsigned char>(name[i - 1]) < 0x80 &&
                                        static_cast<unsigned char>(key[i - 1]) < 0x80);
        if (!mayFold || FoldAscii(a) != FoldAscii(b)) {
            return false;
        }
    }
    return true;
}

std::optional<bool> CheckMark(const std::vector<std::string>& lines, std::string_view key) {
    return LookupKey(lines, key) == "1";
}

} // namespace

// "=" (0x3D) is never the trail byte of a two-byte character in the East Asian code pages, so
// the first "=" byte is the first "=" character.
std::string LookupKey(const std::vector<std::string>& lines, std::string_view key) {
    for (const std::string& line : lines) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        if (KeyEquals(std::string_view(line).substr(0, eq), key)) {
            return line.substr(eq + 1);
        }
    }
    return std::string();
}

bool ParseWholeNumber(std::string_view text, int& out) {
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size()) {
        return false;
    }
    // Accumulated as a negative number so that the most negative 32-bit value fits.
    constexpr long long kMin = std::numeric_limits<int>::min();
    constexpr long long kMax = std::numeric_limits<int>::max();
    long long value = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 - (c - '0');
        if (value < kMin) {
            return false;
        }
    }
    if (!negative) {
        value = -value;
        if (value > kMax) {
            return false;
        }
    }
    out = static_cast<int>(value);
    return true;
}

namespace {
// value * num / den rounded half away from zero, kept within 32 bits.
int ScaleRounded(int value, unsigned num, unsigned den) {
    if (num == 0 || den == 0) {
        return value;
    }
    long long v = static_cast<long long>(value) * num;
    long long half = den / 2;
    long long r = v >= 0 ? (v + half) / den : -((-v + half) / den);
    constexpr long long kMin = std::numeric_limits<int>::min();
    constexpr long long kMax = std::numeric_limits<int>::max();
    return static_cast<int>(r < kMin ? kMin : (r > kMax ? kMax : r));
}
constexpr unsigned kFileDpi = 96;
} // namespace

int ToFilePixels(int screenPixels, unsigned dpi) {
    return ScaleRounded(screenPixels, kFileDpi, dpi);
}

int FromFilePixels(int filePixels, unsigned dpi) {
    return ScaleRounded(filePixels, dpi, kFileDpi);
}

StartSettings ReadSettings(const std::vector<std::string>& lines) {
    StartSettings s;
    int value = 0;
    if (!ParseWholeNumber(LookupKey(lines, "TabTop"), value)) {
        return s;
    }
    s.tabTop = value;
    if (!ParseWholeNumber(LookupKey(lines, "TabLeft"), value)) {
        return s;
    }
    s.tabLeft = value;
    s.n10 = CheckMark(lines, "N10");
    s.n14 = CheckMark(lines, "N14");
    s.n11 = CheckMark(lines, "N11");
    s.n9 = CheckMark(lines, "N9");
    (void)LookupKey(lines, "LastTime"); // read as the file always was; the date is not used
    s.complete = true;
    if (ParseWholeNumber(LookupKey(lines, "TabDpi"), value) && value > 0) {
        s.tabDpi = value;
    }
    return s;
}

std::vector<std::string> WriteSettings(const SavedSettings& s) {
    auto mark = [](bool on) { return on ? std::string("1") : std::string("0"); };
    char date[64];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", s.year, s.month, s.day);
    return {
        "TabTop=" + std::to_string(s.tabTop),
        "TabLeft=" + std::to_string(s.tabLeft),
        "N10=" + mark(s.n10),
        "N14=" + mark(s.n14),
        "N11=" + mark(s.n11),
        "N9=" + mark(s.n9),
        std::string("LastTime=") + date,
        "TabDpi=" + std::to_string(s.dpi),
    };
}

} // namespace kv
