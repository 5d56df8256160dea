// Small COM helpers that behave the same with every ComPtr implementation.
#pragma once

#include <wrl/client.h>

namespace tk {

using Microsoft::WRL::ComPtr;

// Takes over a reference the caller already owns (such as a new object's first reference).
// ComPtr::Attach is not used for this: one implementation adds a reference there.
template <class T> ComPtr<T> Adopt(T* object) {
    ComPtr<T> p;
    *p.GetAddressOf() = object;
    return p;
}

// The interface T of p, or null when p is null or does not answer it.
template <class T, class U> ComPtr<T> QueryAs(const ComPtr<U>& p) {
    ComPtr<T> result;
    if (p) {
        p->QueryInterface(__uuidof(T), reinterpret_cast<void**>(result.GetAddressOf()));
    }
    return result;
}

} // namespace tk
