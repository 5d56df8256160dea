#include "favorites/core/menu_rules.h"

namespace fav {
namespace {

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

std::wstring CutCaption(std::wstring_view caption, int maxWidth, const kv::AnsiCodec& codec) {
    const size_t limit = maxWidth > 0 ? static_cast<size_t>(maxWidth) : 0;
    if (codec.ToAnsi(caption).size() <= limit) {
        return std::wstring(caption);
    }
    // Character by character (a surrogate pair is one character) until the next one would not
    // fit any more.
    size_t bytes = 0;
    size_t end = 0;
    while (end < caption.size()) {
        size_t len = 1;
        if (IsHighSurrogate(caption[end]) && end + 1 < caption.size() &&
            IsLowSurrogate(caption[end + 1])) {
            len = 2;
        }
        size_t charBytes = codec.ToAnsi(caption.substr(end, len)).size();
        if (bytes + charBytes > limit) {
            break;
        }
        bytes += charBytes;
        end += len;
    }
    std::wstring cut(caption.substr(0, end));
    cut += L"...";
    return cut;
}

int ClampMenuPosition(int position, int count) {
    if (count + 1 < position) {
        return count + 1;
    }
    return position <= 0 ? 1 : position;
}

bool VersionAbove4(std::wstring_view version) {
    if (version.empty() || version[0] < L'0' || version[0] > L'9') {
        return false;
    }
    return version[0] > L'4';
}

} // namespace fav
