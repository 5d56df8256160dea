// The host's answers to the engine's host calls, as one COM object of the control's client
// site. Each call goes to the host's rule or slot; once the host is gone (the engine may keep
// the object longer) it gives the default answer.
#pragma once

#include "host/embedded_browser.h"
#include "toolkit/error.h"

#include <mshtmhst.h>

#include <utility>

namespace host {

constexpr DISPID kAmbientDownloadControl = -5512; // DISPID_AMBIENT_DLCONTROL

// Not in every import library.
inline const IID kIidDocHostUIHandler2 = {
    0x3050F6D0, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
inline const IID kIidDocHostShowUI = {
    0xC4D244B0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};

// A VT_I4 variant, which needs no clearing.
inline VARIANT IntVariant(LONG value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

// Calls a copy of a slot: the handler may replace the slot or destroy the host while it runs.
template <class F, class... A> HRESULT CallSlot(const F& slot, A&&... args) {
    F copy = slot;
    return copy(std::forward<A>(args)...);
}

// The host's interfaces for the engine, as part of the control's client site: interfaces it
// does not answer itself are the site's. It outlives the host if the engine keeps it; after
// Detach it gives the default answers without touching the host.
class HostCallbacks final : public IDocHostUIHandler2,
                            public IDocHostShowUI,
                            public IOleCommandTarget,
                            public IServiceProvider,
                            public IDispatch {
public:
    HostCallbacks(TEmbeddedBrowser* owner, IUnknown* site) : owner_(owner), site_(site) {}
    void Detach() { owner_ = nullptr; }

    void* Find(REFIID iid) {
        if (iid == IID_IOleCommandTarget) {
            return static_cast<IOleCommandTarget*>(this);
        }
        if (iid == IID_IServiceProvider) {
            return static_cast<IServiceProvider*>(this);
        }
        if (iid == IID_IDispatch) {
            return static_cast<IDispatch*>(this);
        }
        if (iid == kIidDocHostUIHandler2 || iid == IID_IDocHostUIHandler) {
            return static_cast<IDocHostUIHandler2*>(this);
        }
        if (iid == kIidDocHostShowUI) {
            return static_cast<IDocHostShowUI*>(this);
        }
        return nullptr;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (void* p = Find(iid)) {
            *object = p;
            AddRef();
            return S_OK;
        }
        return site_ ? site_->QueryInterface(iid, object) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&refs_));
    }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) {
            delete this;
        }
        return static_cast<ULONG>(n);
    }

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD id, POINT* pt, IUnknown* target,
                                 IDispatch* object) override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.HostShowContextMenu(id, pt, target, object);
        });
    }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
        return Answer(E_NOTIMPL, [&](TEmbeddedBrowser& o) { return o.HostGetHostInfo(info); });
    }
    STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                        IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.OnShowUI ? CallSlot(o.OnShowUI, id, active, target, frame, doc) : S_FALSE;
        });
    }
    STDMETHODIMP HideUI() override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.OnHideUI ? CallSlot(o.OnHideUI) : S_FALSE;
        });
    }
    STDMETHODIMP UpdateUI() override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.OnUpdateUI ? CallSlot(o.OnUpdateUI) : S_FALSE;
        });
    }
    STDMETHODIMP EnableModeless(BOOL enable) override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.OnEnableModeless ? CallSlot(o.OnEnableModeless, enable) : S_FALSE;
        });
    }
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.OnOnDocWindowActivate ? CallSlot(o.OnOnDocWindowActivate, activate) : S_FALSE;
        });
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.OnOnFrameWindowActivate ? CallSlot(o.OnOnFrameWindowActivate, activate)
                                             : S_FALSE;
        });
    }
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.OnResizeBorder ? CallSlot(o.OnResizeBorder, border, window, frame) : S_FALSE;
        });
    }
    STDMETHODIMP TranslateAccelerator(LPMSG msg, const GUID* group, DWORD command) override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.HostTranslateAccelerator(msg, group, command);
        });
    }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD dw) override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.OnGetOptionKeyPath ? CallSlot(o.OnGetOptionKeyPath, key, dw) : S_FALSE;
        });
    }
    STDMETHODIMP GetDropTarget(IDropTarget* target, IDropTarget** result) override {
        if (result != nullptr) {
            *result = nullptr;
        }
        return Answer(S_OK, [&](TEmbeddedBrowser& o) {
            return o.OnGetDropTarget ? CallSlot(o.OnGetDropTarget, target, result) : S_OK;
        });
    }
    STDMETHODIMP GetExternal(IDispatch** external) override {
        if (external != nullptr) {
            *external = nullptr;
        }
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.OnGetExternal ? CallSlot(o.OnGetExternal, external) : S_FALSE;
        });
    }
    STDMETHODIMP TranslateUrl(DWORD translate, OLECHAR* in, OLECHAR** out) override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            if (o.OnTranslateUrl) {
                return CallSlot(o.OnTranslateUrl, translate, in, out);
            }
            if (out != nullptr) {
                *out = nullptr;
            }
            return S_FALSE;
        });
    }
    STDMETHODIMP FilterDataObject(IDataObject* data, IDataObject** result) override {
        if (result != nullptr) {
            *result = nullptr;
        }
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.OnFilterDataObject ? CallSlot(o.OnFilterDataObject, data, result) : S_FALSE;
        });
    }
    // IDocHostUIHandler2
    STDMETHODIMP GetOverrideKeyPath(LPOLESTR* key, DWORD dw) override {
        return Answer(S_OK, [&](TEmbeddedBrowser& o) {
            return o.OnGetOverrideKeyPath ? CallSlot(o.OnGetOverrideKeyPath, key, dw) : S_OK;
        });
    }

    // IDocHostShowUI
    STDMETHODIMP ShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type,
                             LPOLESTR helpFile, DWORD helpContext, LRESULT* result) override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.OnShowMessage ? CallSlot(o.OnShowMessage, hwnd, text, caption, type, helpFile,
                                              helpContext, result)
                                   : S_FALSE;
        });
    }
    STDMETHODIMP ShowHelp(HWND hwnd, LPOLESTR file, UINT command, DWORD data, POINT pt,
                          IDispatch* hit) override {
        return Answer(S_FALSE, [&](TEmbeddedBrowser& o) {
            return o.HostShowHelp(hwnd, file, command, data, pt, hit);
        });
    }

    // IOleCommandTarget
    STDMETHODIMP QueryStatus(const GUID* group, ULONG count, OLECMD* commands,
                             OLECMDTEXT* text) override {
        return Answer(S_OK, [&](TEmbeddedBrowser& o) {
            return o.HostQueryStatus(group, count, commands, text);
        });
    }
    STDMETHODIMP Exec(const GUID* group, DWORD command, DWORD option, VARIANT* in,
                      VARIANT* out) override {
        return Answer(
            group == nullptr ? OLECMDERR_E_UNKNOWNGROUP : OLECMDERR_E_NOTSUPPORTED,
            [&](TEmbeddedBrowser& o) { return o.HostExec(group, command, option, in, out); });
    }

    // IServiceProvider
    STDMETHODIMP QueryService(REFGUID service, REFIID iid, void** object) override {
        if (object != nullptr) {
            *object = nullptr;
        }
        return Answer(E_NOINTERFACE, [&](TEmbeddedBrowser& o) {
            return o.OnQueryService ? CallSlot(o.OnQueryService, service, iid, object)
                                    : E_NOINTERFACE;
        });
    }

    // IDispatch: the ambient properties.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count != nullptr) {
            *count = 0;
        }
        return Answer(E_NOTIMPL, [&](TEmbeddedBrowser& o) {
            return o.OnGetTypeInfoCount ? CallSlot(o.OnGetTypeInfoCount, count) : E_NOTIMPL;
        });
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        if (info != nullptr) {
            *info = nullptr;
        }
        return Answer(E_NOTIMPL, [&](TEmbeddedBrowser& o) {
            return o.OnGetTypeInfo ? CallSlot(o.OnGetTypeInfo, index, lcid, info) : E_NOTIMPL;
        });
    }
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override {
        return Answer(E_NOTIMPL, [&](TEmbeddedBrowser& o) {
            return o.OnGetIDsOfNames ? CallSlot(o.OnGetIDsOfNames, iid, names, count, lcid, ids)
                                     : E_NOTIMPL;
        });
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excep, UINT* argErr) override {
        return Answer(DISP_E_MEMBERNOTFOUND, [&](TEmbeddedBrowser& o) {
            return o.HostInvoke(id, iid, lcid, flags, params, result, excep, argErr);
        });
    }

private:
    ~HostCallbacks() = default;

    // The host's answer, or the default one once the host is gone. Nothing thrown while
    // answering reaches the engine: it is reported and the answer is a failure code.
    template <class F> HRESULT Answer(HRESULT fallback, F&& f) noexcept {
        TEmbeddedBrowser* owner = owner_;
        if (owner == nullptr) {
            return fallback;
        }
        ComPtr<HostCallbacks> keep(this);
        return tk::GuardHr([&] { return f(*owner); });
    }

    LONG refs_ = 1;
    TEmbeddedBrowser* owner_;
    ComPtr<IUnknown> site_;
};

} // namespace host
