// A two-byte code page shaped like GBK, without iconv: lead bytes 0x81..0xFE, trail bytes
// 0x40..0x7E and 0x80..0xFE; lead 0xA3 holds the full-width forms (so letters fold), the other
// pairs map to a block of ideographs. Everything else is unmapped.
#pragma once

#include "common/core/text_codec.h"

namespace kvfuzz {

class GbkLikeCodec final : public kv::AnsiCodec {
public:
    std::string ToAnsi(std::wstring_view text) const override {
        std::string out;
        for (wchar_t c : text) {
            const unsigned long u = static_cast<unsigned long>(c);
            if (u < 0x80) {
                out += static_cast<char>(u);
            } else if (u >= 0xFF01 && u <= 0xFF5E) {
                out += '\xA3';
                out += static_cast<char>(0xA1 + (u - 0xFF01));
            } else if (u >= kIdeographs && u < kIdeographs + kPairs) {
                const unsigned long index = u - kIdeographs;
                out += static_cast<char>(0x81 + index / 190);
                const unsigned long t = index % 190;
                out += static_cast<char>(t < 63 ? 0x40 + t : 0x80 + (t - 63));
            } else {
                out += '?';
            }
        }
        return out;
    }

    std::wstring FromAnsi(std::string_view text) const override {
        std::wstring out;
        for (size_t pos = 0; pos < text.size();) {
            const auto lead = static_cast<unsigned char>(text[pos]);
            if (lead < 0x80) {
                out += static_cast<wchar_t>(lead);
                ++pos;
                continue;
            }
            if (!IsLeadByte(lead) || pos + 1 >= text.size()) {
                out += L'\xFFFD';
                ++pos;
                continue;
            }
            const auto trail = static_cast<unsigned char>(text[pos + 1]);
            pos += 2;
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
                out += static_cast<wchar_t>(0xFF01 + (trail - 0xA1));
            } else if (lead != 0xA3 && trail >= 0x40 && trail != 0x7F && trail != 0xFF) {
                const unsigned long t = trail < 0x7F ? trail - 0x40u : trail - 0x80u + 63u;
                out += static_cast<wchar_t>(kIdeographs + (lead - 0x81u) * 190u + t);
            } else {
                out += L'\xFFFD';
            }
        }
        return out;
    }

    bool IsLeadByte(unsigned char b) const override { return b >= 0x81 && b <= 0xFE; }

private:
    static constexpr unsigned long kIdeographs = 0x4E00;
    static constexpr unsigned long kPairs = 126 * 190;
};

} // namespace kvfuzz
