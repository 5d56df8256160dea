#include "app/core/tab_caption.h"

namespace kv {
namespace {

constexpr size_t kTabCaptionMaxBytes = 9;
constexpr size_t kTabCaptionChars = 10;

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

std::wstring ShortTabCaption(std::wstring_view caption, const AnsiCodec& codec) {
    // The test counts ANSI bytes (a Chinese character counts two), the cut counts characters.
    if (codec.ToAnsi(caption).size() <= kTabCaptionMaxBytes) {
        return std::wstring(caption);
    }
    size_t pos = 0;
    for (size_t n = 0; n < kTabCaptionChars && pos < caption.size(); ++n) {
        const bool pair = IsHighSurrogate(caption[pos]) && pos + 1 < caption.size() &&
                          IsLowSurrogate(caption[pos + 1]);
        pos += pair ? 2 : 1;
    }
    return std::wstring(caption.substr(0, pos));
}

bool IsTabDoubleClick(int selected, int lastIndex, double nowDays, double lastDays) {
    return selected == lastIndex && selected >= 0 && (nowDays - lastDays) * 1000000.0 <= 3.0;
}

std::wstring WindowCaption(std::wstring_view prefix, int openWindowCount) {
    return std::wstring(prefix) + std::to_wstring(static_cast<long long>(openWindowCount) + 1);
}

} // namespace kv
