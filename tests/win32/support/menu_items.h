// Reading menus in tests: captions by position and the position of a caption.
#pragma once

#include <windows.h>

#include <string>

namespace kvtest {

inline std::wstring MenuCaption(HMENU menu, int position) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 256, MF_BYPOSITION);
    return text;
}

// The first item with exactly this caption, or -1.
inline int MenuIndexOf(HMENU menu, const std::wstring& caption) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (MenuCaption(menu, i) == caption) {
            return i;
        }
    }
    return -1;
}

} // namespace kvtest
