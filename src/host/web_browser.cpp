#include "host/web_browser.h"

#include "toolkit/error.h"

#include <exdispid.h>

#include <utility>

namespace host {
namespace {

// Dispatch ids of the engine's properties.
constexpr DISPID kApplication = 200;
constexpr DISPID kDocument = 203;
constexpr DISPID kLocationName = 210;
constexpr DISPID kLocationURL = 211;
constexpr DISPID kReadyState = -525;

constexpr DISPID kEventDispIDs[18] = {102, 108, 105, 106, 104, 113, 112, 250, 251,
                                      252, 259, 253, 254, 255, 256, 257, 258, 260};

// The event argument in declared position i (the array holds them last first); null when the
// caller passed fewer arguments.
VARIANT* Arg(DISPPARAMS* p, UINT i) {
    if (p == nullptr || p->rgvarg == nullptr || i >= p->cArgs) {
        return nullptr;
    }
    return &p->rgvarg[p->cArgs - 1 - i];
}

// Follows VT_VARIANT|VT_BYREF to the variant it refers to.
VARIANT* Deref(VARIANT* v) {
    while (v != nullptr && V_VT(v) == (VT_VARIANT | VT_BYREF)) {
        v = V_VARIANTREF(v);
    }
    return v;
}

} // namespace

std::wstring VariantText(VARIANT* v) {
    v = Deref(v);
    if (v == nullptr) {
        return {};
    }
    if (V_VT(v) == VT_BSTR) {
        return V_BSTR(v) != nullptr ? std::wstring(V_BSTR(v), SysStringLen(V_BSTR(v)))
                                    : std::wstring{};
    }
    if (V_VT(v) == (VT_BSTR | VT_BYREF)) {
        BSTR b = V_BSTRREF(v) != nullptr ? *V_BSTRREF(v) : nullptr;
        return b != nullptr ? std::wstring(b, SysStringLen(b)) : std::wstring{};
    }
    VARIANT copy;
    VariantInit(&copy);
    std::wstring text;
    if (SUCCEEDED(VariantChangeType(&copy, v, 0, VT_BSTR)) && V_BSTR(&copy) != nullptr) {
        text.assign(V_BSTR(&copy), SysStringLen(V_BSTR(&copy)));
    }
    VariantClear(&copy);
    return text;
}

namespace {

int32_t ArgInt(VARIANT* v) {
    v = Deref(v);
    if (v == nullptr) {
        return 0;
    }
    if (V_VT(v) == VT_I4) {
        return V_I4(v);
    }
    VARIANT copy;
    VariantInit(&copy);
    int32_t value = 0;
    if (SUCCEEDED(VariantChangeType(&copy, v, 0, VT_I4))) {
        value = V_I4(&copy);
    }
    VariantClear(&copy);
    return value;
}

VARIANT_BOOL ArgBool(VARIANT* v) {
    v = Deref(v);
    if (v == nullptr) {
        return VARIANT_FALSE;
    }
    if (V_VT(v) == VT_BOOL) {
        return V_BOOL(v);
    }
    if (V_VT(v) == (VT_BOOL | VT_BYREF)) {
        return V_BOOLREF(v) != nullptr ? *V_BOOLREF(v) : VARIANT_FALSE;
    }
    return ArgInt(v) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
}

IDispatch* ArgDispatch(VARIANT* v) {
    v = Deref(v);
    if (v == nullptr) {
        return nullptr;
    }
    if (V_VT(v) == VT_DISPATCH) {
        return V_DISPATCH(v);
    }
    if (V_VT(v) == (VT_DISPATCH | VT_BYREF)) {
        return V_DISPATCHREF(v) != nullptr ? *V_DISPATCHREF(v) : nullptr;
    }
    return nullptr;
}

// By-reference variant argument: the engine's own storage when passed by reference, else the
// argument itself (writes to a by-value argument cannot reach the engine anyway).
VARIANT* ArgVariantRef(VARIANT* v, VARIANT& spare) {
    if (v == nullptr) {
        return &spare;
    }
    if (V_VT(v) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(v) != nullptr) {
        return V_VARIANTREF(v);
    }
    return v;
}

VARIANT_BOOL* ArgBoolRef(VARIANT* v, VARIANT_BOOL& spare) {
    VARIANT* d = Deref(v);
    if (d != nullptr && V_VT(d) == (VT_BOOL | VT_BYREF) && V_BOOLREF(d) != nullptr) {
        return V_BOOLREF(d);
    }
    if (d != nullptr && V_VT(d) == VT_BOOL && d != v) {
        return &V_BOOL(d); // inside a by-reference variant: still the engine's storage
    }
    spare = ArgBool(v);
    return &spare;
}

IDispatch** ArgDispatchRef(VARIANT* v, IDispatch*& spare) {
    VARIANT* d = Deref(v);
    if (d != nullptr && V_VT(d) == (VT_DISPATCH | VT_BYREF) && V_DISPATCHREF(d) != nullptr) {
        return V_DISPATCHREF(d);
    }
    if (d != nullptr && V_VT(d) == VT_DISPATCH && d != v) {
        return &V_DISPATCH(d);
    }
    spare = nullptr;
    return &spare;
}

// Calls a copy of the slot's handler, so that a handler may reassign its own slot.
template <class F, class... A> void Fire(const F& slot, A&&... args) {
    if (slot) {
        F handler = slot;
        handler(std::forward<A>(args)...);
    }
}

VARIANT Missing() {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_ERROR;
    V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
    return v;
}

} // namespace

const TControlData& TWebBrowser::ClassData() {
    static const TControlData data{CLSID_WebBrowser, DIID_DWebBrowserEvents2, 18, kEventDispIDs,
                                   401};
    return data;
}

TWebBrowser::TWebBrowser() : TOleControl(ClassData()) {}

TWebBrowser::~TWebBrowser() = default;

IWebBrowser2* TWebBrowser::DefaultInterface() {
    if (!browser_) {
        IDispatch* disp = DefaultDispatch();
        tk::Check(disp->QueryInterface(IID_PPV_ARGS(&browser_)));
    }
    return browser_.Get();
}

void TWebBrowser::GoBack() {
    tk::Check(ComPtr<IWebBrowser2>(DefaultInterface())->GoBack());
}
void TWebBrowser::GoForward() {
    tk::Check(ComPtr<IWebBrowser2>(DefaultInterface())->GoForward());
}
void TWebBrowser::Stop() {
    tk::Check(ComPtr<IWebBrowser2>(DefaultInterface())->Stop());
}
void TWebBrowser::Refresh() {
    LoadStarting();
    tk::Check(ComPtr<IWebBrowser2>(DefaultInterface())->Refresh());
}

void TWebBrowser::Navigate(const std::wstring& url) {
    IWebBrowser2* browser = DefaultInterface();
    BSTR text = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    if (text == nullptr) {
        tk::ThrowHr(E_OUTOFMEMORY);
    }
    VARIANT flags = Missing(), target = Missing(), post = Missing(), headers = Missing();
    HRESULT hr = browser->Navigate(text, &flags, &target, &post, &headers);
    SysFreeString(text);
    tk::Check(hr);
}

void TWebBrowser::Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName,
                            VARIANT* postData, VARIANT* headers) {
    tk::Check(ComPtr<IWebBrowser2>(DefaultInterface())
                  ->Navigate2(url, flags, targetFrameName, postData, headers));
}

void TWebBrowser::ExecWB(OLECMDID command, OLECMDEXECOPT option, VARIANT* input) {
    VARIANT in = Missing();
    VARIANT out = Missing();
    tk::Check(ComPtr<IWebBrowser2>(DefaultInterface())
                  ->ExecWB(command, option, input != nullptr ? input : &in, &out));
    VariantClear(&out);
}

ComPtr<IDispatch> TWebBrowser::Application() {
    return GetDispatchProp(kApplication);
}
ComPtr<IDispatch> TWebBrowser::Document() {
    return GetDispatchProp(kDocument);
}
std::wstring TWebBrowser::LocationName() {
    return GetStringProp(kLocationName);
}
std::wstring TWebBrowser::LocationURL() {
    return GetStringProp(kLocationURL);
}
READYSTATE TWebBrowser::ReadyState() {
    return static_cast<READYSTATE>(GetIntProp(kReadyState));
}

void TWebBrowser::InvokeEvent(int slot, DISPPARAMS* p) {
    switch (slot) {
    case 0:
        Fire(OnStatusTextChange, *this, VariantText(Arg(p, 0)));
        break;
    case 1:
        Fire(OnProgressChange, *this, ArgInt(Arg(p, 0)), ArgInt(Arg(p, 1)));
        break;
    case 2:
        Fire(OnCommandStateChange, *this, ArgInt(Arg(p, 0)), ArgBool(Arg(p, 1)));
        break;
    case 3:
        Fire(OnDownloadBegin, *this);
        break;
    case 4:
        Fire(OnDownloadComplete, *this);
        break;
    case 5:
        Fire(OnTitleChange, *this, VariantText(Arg(p, 0)));
        break;
    case 6:
        Fire(OnPropertyChange, *this, VariantText(Arg(p, 0)));
        break;
    case 7:
        if (OnBeforeNavigate2) {
            VARIANT spare[5];
            for (VARIANT& v : spare) {
                VariantInit(&v);
            }
            VARIANT_BOOL cancel = VARIANT_FALSE;
            Fire(OnBeforeNavigate2, *this, ArgDispatch(Arg(p, 0)),
                 ArgVariantRef(Arg(p, 1), spare[0]), ArgVariantRef(Arg(p, 2), spare[1]),
                 ArgVariantRef(Arg(p, 3), spare[2]), ArgVariantRef(Arg(p, 4), spare[3]),
                 ArgVariantRef(Arg(p, 5), spare[4]), ArgBoolRef(Arg(p, 6), cancel));
            for (VARIANT& v : spare) {
                VariantClear(&v);
            }
        }
        break;
    case 8:
        if (OnNewWindow2) {
            IDispatch* dispSpare = nullptr;
            VARIANT_BOOL cancel = VARIANT_FALSE;
            IDispatch** ppDisp = ArgDispatchRef(Arg(p, 0), dispSpare);
            Fire(OnNewWindow2, *this, ppDisp, ArgBoolRef(Arg(p, 1), cancel));
            if (dispSpare != nullptr) {
                dispSpare->Release(); // the engine never saw it
            }
        }
        break;
    case 9:
    case 10: {
        TNavigateEvent& handler = slot == 9 ? OnNavigateComplete2 : OnDocumentComplete;
        if (handler) {
            VARIANT spare;
            VariantInit(&spare);
            Fire(handler, *this, ArgDispatch(Arg(p, 0)), ArgVariantRef(Arg(p, 1), spare));
            VariantClear(&spare);
        }
        break;
    }
    case 11:
        Fire(OnQuit, *this);
        break;
    default: {
        TBoolEvent* slots[] = {&OnVisible,   &OnToolBar,    &OnMenuBar,
                               &OnStatusBar, &OnFullScreen, &OnTheaterMode};
        int i = slot - 12;
        if (i >= 0 && i < 6) {
            Fire(*slots[i], *this, ArgBool(Arg(p, 0)));
        }
        break;
    }
    }
}

} // namespace host
