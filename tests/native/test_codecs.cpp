#include "test_codecs.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace kvtest {
namespace {

// Converts one character; false when the target has no such character.
bool ConvertOne(const char* to, const char* from, const char* in, size_t inBytes, char* out,
                size_t& outBytes) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error("iconv_open failed");
    }
    char* src = const_cast<char*>(in);
    char* dst = out;
    size_t left = inBytes;
    size_t room = outBytes;
    const size_t rc = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || left != 0) {
        return false;
    }
    outBytes -= room;
    return true;
}

// 0x80..0x9F of code page 1252; 0 marks the five unassigned bytes.
constexpr wchar_t k1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

std::string GbkCodec::ToAnsi(std::wstring_view text) const {
    std::string out;
    for (wchar_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        char buf[8];
        size_t n = sizeof buf;
        if (ConvertOne("GBK", "WCHAR_T", reinterpret_cast<const char*>(&c), sizeof c, buf, n)) {
            out.append(buf, n);
        } else {
            out += '?'; // as the system converter substitutes
        }
    }
    return out;
}

std::wstring GbkCodec::FromAnsi(std::string_view text) const {
    std::wstring out;
    for (size_t pos = 0; pos < text.size();) {
        const size_t len = CharLength(text, pos);
        wchar_t c = 0;
        size_t n = sizeof c;
        if (ConvertOne("WCHAR_T", "GBK", text.data() + pos, len, reinterpret_cast<char*>(&c), n) &&
            n == sizeof c) {
            out += c;
        } else {
            out += L'\xFFFD';
        }
        pos += len;
    }
    return out;
}

std::string Western1252Codec::ToAnsi(std::wstring_view text) const {
    std::string out;
    for (wchar_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += static_cast<char>(static_cast<unsigned char>(c));
            continue;
        }
        char b = '?';
        for (int i = 0; i < 32; ++i) {
            if (k1252High[i] != 0 && k1252High[i] == c) {
                b = static_cast<char>(0x80 + i);
            }
        }
        out += b;
    }
    return out;
}

std::wstring Western1252Codec::FromAnsi(std::string_view text) const {
    std::wstring out;
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F) {
            out += k1252High[b - 0x80] != 0 ? k1252High[b - 0x80] : static_cast<wchar_t>(b);
        } else {
            out += static_cast<wchar_t>(b);
        }
    }
    return out;
}

const GbkCodec& Gbk() {
    static const GbkCodec codec;
    return codec;
}

const Western1252Codec& Western() {
    static const Western1252Codec codec;
    return codec;
}

std::string GbkOf(const wchar_t* text) {
    return Gbk().ToAnsi(text);
}

} // namespace kvtest
