// A dialog box of the test's own, as the engine shows its boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kvtest {

// A modeless dialog box (class "#32770") with this title, owned by owner.
inline HWND MakeDialog(HWND owner, const std::wstring& title) {
    std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
    d->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    d->cx = 120;
    d->cy = 40;
    t.push_back(0); // no menu
    t.push_back(0); // standard class
    for (wchar_t c : title) {
        t.push_back(static_cast<WORD>(c));
    }
    t.push_back(0);
    return CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()), owner,
        [](HWND w, UINT m, WPARAM wp, LPARAM) -> INT_PTR {
            if (m == WM_CLOSE || (m == WM_COMMAND && LOWORD(wp) == IDCANCEL)) {
                DestroyWindow(w);
                return TRUE;
            }
            return m == WM_INITDIALOG ? TRUE : FALSE;
        },
        0);
}

} // namespace kvtest
