#include "toolkit/system_codec.h"

#include "toolkit/text.h"

#include <windows.h>

namespace tk {
namespace {

class SystemAnsiCodec final : public kv::AnsiCodec {
public:
    std::string ToAnsi(std::wstring_view text) const override { return tk::ToAnsi(text); }
    std::wstring FromAnsi(std::string_view text) const override { return tk::FromAnsi(text); }
    bool IsLeadByte(unsigned char b) const override { return IsDBCSLeadByte(b) != FALSE; }
};

} // namespace

const kv::AnsiCodec& SystemCodec() {
    static const SystemAnsiCodec codec;
    return codec;
}

} // namespace tk
