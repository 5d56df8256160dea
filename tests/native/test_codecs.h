// Code pages for the native tests: GBK through glibc's iconv (code page 936, lead bytes
// 0x81..0xFE) and a single-byte Western code page laid out like 1252.
#pragma once

#include <string>
#include <string_view>

#include "common/core/text_codec.h"

namespace kvtest {

class GbkCodec final : public kv::AnsiCodec {
public:
    std::string ToAnsi(std::wstring_view text) const override;
    std::wstring FromAnsi(std::string_view text) const override;
    bool IsLeadByte(unsigned char b) const override { return b >= 0x81 && b <= 0xFE; }
};

class Western1252Codec final : public kv::AnsiCodec {
public:
    std::string ToAnsi(std::wstring_view text) const override;
    std::wstring FromAnsi(std::string_view text) const override;
    bool IsLeadByte(unsigned char) const override { return false; }
};

const GbkCodec& Gbk();
const Western1252Codec& Western();

// GBK bytes of UTF-8 source text, for writing Chinese test data readably.
std::string GbkOf(const wchar_t* text);

} // namespace kvtest
