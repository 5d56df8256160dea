#include "toolkit/text.h"

#include <windows.h>

#include <climits>

namespace tk {
namespace {

std::string Narrow(UINT cp, std::wstring_view text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring Widen(UINT cp, std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    int n = MultiByteToWideChar(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

} // namespace

std::string ToAnsi(std::wstring_view text) {
    return Narrow(CP_ACP, text);
}
std::wstring FromAnsi(std::string_view text) {
    return Widen(CP_ACP, text);
}
std::string ToUtf8(std::wstring_view text) {
    return Narrow(CP_UTF8, text);
}
std::wstring ToWideUtf8(std::string_view text) {
    return Widen(CP_UTF8, text);
}
size_t AnsiLength(std::wstring_view text) {
    return ToAnsi(text).size();
}

} // namespace tk
