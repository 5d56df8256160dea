#include "common/core/text_codec.h"

namespace kv {
namespace {

bool IsAsciiByte(unsigned char b) {
    return b < 0x80;
}

unsigned char FoldAscii(unsigned char b) {
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + ('a' - 'A')) : b;
}

// What a converter gives for bytes that are no character of the code page; two different such
// byte sequences are not the same text.
bool IsUnmapped(wchar_t c) {
    return c == L'?' || c == 0xFFFD;
}

} // namespace

wchar_t FoldCase(wchar_t c) {
    const unsigned long u = static_cast<unsigned long>(c);
    if (u < 0x80) {
        return (u >= 'A' && u <= 'Z') ? static_cast<wchar_t>(u + 0x20) : c;
    }
    // Latin-1 capitals, except the multiplication sign.
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) {
        return static_cast<wchar_t>(u + 0x20);
    }
    // Latin Extended-A: capital and small letters alternate, with the runs shifted by one
    // between U+0139 and U+0148 and between U+0179 and U+017E.
    if (u >= 0x100 && u <= 0x137 && u != 0x130) {
        return static_cast<wchar_t>(u | 1u);
    }
    if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) {
        return (u & 1u) ? static_cast<wchar_t>(u + 1) : c;
    }
    if (u >= 0x14A && u <= 0x177) {
        return static_cast<wchar_t>(u | 1u);
    }
    if (u == 0x178) {
        return static_cast<wchar_t>(0xFF);
    }
    // Greek capitals (U+03A2 is unassigned).
    if (u >= 0x391 && u <= 0x3A9 && u != 0x3A2) {
        return static_cast<wchar_t>(u + 0x20);
    }
    // Cyrillic.
    if (u >= 0x400 && u <= 0x40F) {
        return static_cast<wchar_t>(u + 0x50);
    }
    if (u >= 0x410 && u <= 0x42F) {
        return static_cast<wchar_t>(u + 0x20);
    }
    // Roman numerals, circled Latin capitals, full-width Latin capitals (all in GBK or other
    // East Asian code pages).
    if (u >= 0x2160 && u <= 0x216F) {
        return static_cast<wchar_t>(u + 0x10);
    }
    if (u >= 0x24B6 && u <= 0x24CF) {
        return static_cast<wchar_t>(u + 0x1A);
    }
    if (u >= 0xFF21 && u <= 0xFF3A) {
        return static_cast<wchar_t>(u + 0x20);
    }
    return c;
}

bool IsAscii(std::string_view text) {
    for (char ch : text) {
        if (!IsAsciiByte(static_cast<unsigned char>(ch))) {
            return false;
        }
    }
    return true;
}

std::wstring LowerAsciiLetters(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c + (L'a' - L'A'));
        }
    }
    return out;
}

size_t AnsiCodec::CharLength(std::string_view text, size_t pos) const {
    if (pos + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[pos]))) {
        return 2;
    }
    return 1;
}

size_t AnsiCodec::PrefixBytes(std::string_view text, size_t maxChars) const {
    size_t pos = 0;
    for (size_t n = 0; n < maxChars && pos < text.size(); ++n) {
        pos += CharLength(text, pos);
    }
    return pos;
}

// Walks both texts character by character. Identical characters and ASCII letters that differ
// only in case are settled on the bytes; only a pair of differing non-ASCII characters is
// converted, one character each. Every character of the code page is one wide character, so
// this gives the same answer as folding the whole FromAnsi forms.
bool AnsiCodec::EqualIgnoreCase(std::string_view a, std::string_view b) const {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (IsAsciiByte(ca) && IsAsciiByte(cb)) {
            if (FoldAscii(ca) != FoldAscii(cb)) {
                return false;
            }
            ++i;
            ++j;
            continue;
        }
        const size_t la = CharLength(a, i);
        const size_t lb = CharLength(b, j);
        const std::string_view sa = a.substr(i, la);
        const std::string_view sb = b.substr(j, lb);
        if (sa != sb) {
            // A lead byte cut off at the end of a text is no character: only equal bytes match.
            if ((la == 1 && IsLeadByte(ca)) || (lb == 1 && IsLeadByte(cb))) {
                return false;
            }
            const std::wstring wa = FromAnsi(sa);
            const std::wstring wb = FromAnsi(sb);
            if (wa.size() != 1 || wb.size() != 1 || IsUnmapped(wa[0]) || IsUnmapped(wb[0]) ||
                FoldCase(wa[0]) != FoldCase(wb[0])) {
                return false;
            }
        }
        i += la;
        j += lb;
    }
    return i == a.size() && j == b.size();
}

} // namespace kv
