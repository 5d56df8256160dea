// The system's ANSI code page as seen by the portable code: conversions to and from wide text,
// lead bytes, and letter-case-blind comparison of ANSI texts.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// The system's ANSI code page, supplied by the caller (Win32: CP_ACP; tests: their own).
class AnsiCodec {
public:
    virtual ~AnsiCodec() = default;
    virtual std::string ToAnsi(std::wstring_view text) const = 0;
    virtual std::wstring FromAnsi(std::string_view text) const = 0;
    // True when b is the first byte of a two-byte character.
    virtual bool IsLeadByte(unsigned char b) const = 0;
    // Whole-text equality without regard to letter case. Default: ASCII letters folded
    // byte by byte, never touching the trail byte of a two-byte character; texts with
    // other non-ASCII characters compared on their FromAnsi form with per-character folding.
    // An override must keep one property that FindLine relies on: an ASCII-only text is never
    // equal to a text of another length.
    virtual bool EqualIgnoreCase(std::string_view a, std::string_view b) const;

    // Byte length of the character starting at text[pos]: 2 for a lead byte followed by
    // another byte, else 1. pos must be inside text.
    size_t CharLength(std::string_view text, size_t pos) const;
    // Number of whole bytes of text that hold at most maxChars characters.
    size_t PrefixBytes(std::string_view text, size_t maxChars) const;
};

// Lower-case form of one wide character for comparisons: ASCII, Latin-1, Latin Extended-A,
// Greek, Cyrillic, Roman numerals, circled and full-width Latin letters. Anything else is
// returned unchanged.
wchar_t FoldCase(wchar_t c);

// True when every byte of text is below 0x80.
bool IsAscii(std::string_view text);

// ASCII letters A..Z lowered, everything else kept (command-line addresses).
std::wstring LowerAsciiLetters(std::wstring_view text);

} // namespace kv
