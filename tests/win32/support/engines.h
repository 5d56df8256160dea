// Finding the stand-in engine behind a host in tests.
#pragma once

#include "engine_stub/engine_stub.h"

#include <exdisp.h>

namespace kvtest {

// True when a and b are the same COM object.
inline bool SameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b) {
        return false;
    }
    IUnknown* ua = nullptr;
    IUnknown* ub = nullptr;
    a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ua));
    b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ub));
    bool same = ua != nullptr && ua == ub;
    if (ua) {
        ua->Release();
    }
    if (ub) {
        ub->Release();
    }
    return same;
}

// The live stand-in engine that is this browser, or null.
inline stub::Engine* EngineOf(IWebBrowser2* browser) {
    for (stub::Engine* e : stub::Instances()) {
        if (SameObject(e->Browser(), browser)) {
            return e;
        }
    }
    return nullptr;
}

} // namespace kvtest
