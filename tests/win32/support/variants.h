// Building event arguments in tests.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace kvtest {

inline VARIANT I4(LONG value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

inline VARIANT Bool(bool value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

// Owned by the caller (VariantClear).
inline VARIANT Bstr(const wchar_t* text) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(text);
    return v;
}

// VT_VARIANT | VT_BYREF to target, the way the engine passes its by-reference arguments.
inline VARIANT RefTo(VARIANT* target) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&v) = target;
    return v;
}

} // namespace kvtest
