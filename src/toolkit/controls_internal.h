// Helpers shared by the toolkit's control files (not for callers outside the toolkit).
#pragma once

#include <windows.h>

#include <string>

namespace tk::detail {

inline std::wstring WindowText(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(h, text.data(), n + 1);
    text.resize(static_cast<size_t>(n < 0 ? 0 : n));
    return text;
}

} // namespace tk::detail
