// The stand-in engine object: OLE control, automation object and event source.
#include "engine_stub/stub_internal.h"
#include "engine_stub/unimplemented.h"

#include <docobj.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <set>

namespace stub {

namespace detail {
namespace {

// Dispatch ids of IWebBrowser2 members.
enum : DISPID {
    kGoBack = 100,
    kGoForward = 101,
    kGoHome = 102,
    kNavigate = 104,
    kRefresh2 = 105,
    kStop = 106,
    kApplication = 200,
    kParent = 201,
    kContainer = 202,
    kDocument = 203,
    kLocationName = 210,
    kLocationUrl = 211,
    kBusy = 212,
    kNavigate2 = 500,
    kExecWB = 502,
    kRefresh = -550,
    kReadyState = -525,
    kHwnd = -515,
};

constexpr DWORD kMiscStatus = 0x20191;
constexpr UINT kStepMessage = WM_APP + 0x51;
constexpr wchar_t kPumpClass[] = L"KvStubEnginePump";
constexpr wchar_t kViewClass[] = L"KvStubEngineView";
constexpr VARTYPE kNullPointer = 0xFFFF; // an optional argument passed as a null pointer
constexpr DISPID kNavigateError = 271;
// Host interfaces that not every import library defines.
const IID kIidDocHostUIHandler = {
    0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
const IID kIidDocHostShowUI = {
    0xC4D244B0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
const GUID kCgidDocHostCommandHandler = {
    0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

class StubBrowser;

struct State {
    std::vector<std::wstring> log;
    HANDLE logFile = INVALID_HANDLE_VALUE;
    std::map<std::wstring, Page> pages;
    std::vector<StubBrowser*> instances;
    long objects = 0;
    long locks = 0;
    unsigned nextSerial = 1;
    HWND pump = nullptr;
    HostingFault fault = HostingFault::None;
};

State& Global() {
    static State* state = new State; // never freed: objects may go after static destruction
    return *state;
}

std::wstring Utf16(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

// Variant holding a copy of another (VariantCopy semantics), freed on scope exit.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    ~Var() { VariantClear(&v); }
    Var(const Var&) = delete;
    Var& operator=(const Var&) = delete;
};

VARIANT MakeI4(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT MakeBool(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

LRESULT CALLBACK PumpProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ViewProc(HWND, UINT, WPARAM, LPARAM);

void EnsurePump() {
    if (Global().pump) {
        return;
    }
    HINSTANCE module = ThisModule();
    WNDCLASSW wc{};
    wc.lpfnWndProc = PumpProc;
    wc.hInstance = module;
    wc.lpszClassName = kPumpClass;
    RegisterClassW(&wc); // fails harmlessly when already registered
    Global().pump =
        CreateWindowExW(0, kPumpClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
}

void RegisterViewClass() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ViewProc;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kViewClass;
    RegisterClassW(&wc);
}

// One connection point: sinks by cookie. Its reference count is the engine's.
class ConnectionPoint : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* owner, IID iid, const wchar_t* name,
                    bool dispinterface)
        : owner_(owner), iid_(iid), name_(name), dispinterface_(dispinterface) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
            *out = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (!iid) {
            return E_POINTER;
        }
        *iid = iid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** c) override {
        if (!c) {
            return E_POINTER;
        }
        *c = owner_;
        owner_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        return Safe([&]() -> HRESULT {
            if (!sink || !cookie) {
                return E_POINTER;
            }
            *cookie = 0;
            Log(std::wstring(L"Advise ") + name_);
            // Sinks of a dispinterface may answer only IDispatch.
            ComPtr<IUnknown> probe;
            bool answers =
                SUCCEEDED(sink->QueryInterface(iid_, &probe)) ||
                (dispinterface_ && SUCCEEDED(sink->QueryInterface(IID_IDispatch, &probe)));
            if (!answers) {
                return CONNECT_E_CANNOTCONNECT;
            }
            DWORD next = nextCookie_++;
            sinks_[next] = sink;
            *cookie = next;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        return Safe([&]() -> HRESULT {
            Log(std::wstring(L"Unadvise ") + name_);
            auto it = sinks_.find(cookie);
            if (it == sinks_.end()) {
                return CONNECT_E_NOCONNECTION;
            }
            ComPtr<IUnknown> keep = std::move(it->second); // released after the map is updated
            sinks_.erase(it);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** e) override {
        if (e) {
            *e = nullptr;
        }
        return E_NOTIMPL;
    }

    // The sinks at this moment: a handler may advise or unadvise while an event runs.
    std::vector<ComPtr<IUnknown>> Sinks() const {
        std::vector<ComPtr<IUnknown>> out;
        for (const auto& s : sinks_) {
            out.push_back(s.second);
        }
        return out;
    }
    void Clear() {
        auto sinks = std::move(sinks_);
        sinks_.clear();
    }
    bool Empty() const { return sinks_.empty(); }

private:
    IConnectionPointContainer* owner_;
    IID iid_;
    const wchar_t* name_;
    bool dispinterface_;
    std::map<DWORD, ComPtr<IUnknown>> sinks_;
    DWORD nextCookie_ = 1;
};

class StubBrowser final : public NotImplWebBrowser2,
                          public IOleObject,
                          public IOleInPlaceObject,
                          public IOleInPlaceActiveObject,
                          public IPersistStreamInit,
                          public IOleControl,
                          public IConnectionPointContainer,
                          public Engine {
public:
    StubBrowser()
        : events_(this, DIID_DWebBrowserEvents2, L"DWebBrowserEvents2", true),
          propertySinks_(this, IID_IPropertyNotifySink, L"IPropertyNotifySink", false),
          shared_(std::make_shared<DocumentShared>()), serial_(Global().nextSerial++) {
        ObjectCreated();
        EnsurePump();
        Global().instances.push_back(this);
        props_[402] = MakeBool(true);  // Visible
        props_[403] = MakeBool(false); // StatusBar
        SetBstr(&props_[404], L"");    // StatusText
        props_[405] = MakeI4(0);       // ToolBar
        props_[406] = MakeBool(false); // MenuBar
        props_[407] = MakeBool(false); // FullScreen
        for (DISPID id = 550; id <= 556; ++id) {
            props_[id] = MakeBool(id == 553); // RegisterAsDropTarget is on by default
        }
    }
    ~StubBrowser() override {
        for (auto& p : props_) {
            VariantClear(&p.second);
        }
        auto& list = Global().instances;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        if (list.empty()) {
            // The DLL may be unloaded now: leave no window or class behind that points into it.
            if (Global().pump) {
                DestroyWindow(Global().pump);
                Global().pump = nullptr;
            }
            UnregisterClassW(kPumpClass, ThisModule());
            UnregisterClassW(kViewClass, ThisModule());
        }
        ObjectDestroyed();
    }
    StubBrowser(const StubBrowser&) = delete;
    StubBrowser& operator=(const StubBrowser&) = delete;

    IDispatch* Disp() { return static_cast<IWebBrowser2*>(this); }
    unsigned Serial() const { return serial_; }

    // ---- IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IWebBrowser ||
            iid == IID_IWebBrowserApp || iid == IID_IWebBrowser2) {
            *out = static_cast<IWebBrowser2*>(this);
        } else if (iid == IID_IOleObject) {
            *out = static_cast<IOleObject*>(this);
        } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) {
            if (Global().fault == HostingFault::NoInPlaceObject) {
                return E_NOINTERFACE;
            }
            *out = static_cast<IOleInPlaceObject*>(this);
        } else if (iid == IID_IOleInPlaceActiveObject) {
            *out = static_cast<IOleInPlaceActiveObject*>(this);
        } else if (iid == IID_IPersist || iid == IID_IPersistStreamInit) {
            *out = static_cast<IPersistStreamInit*>(this);
        } else if (iid == IID_IOleControl) {
            *out = static_cast<IOleControl*>(this);
        } else if (iid == IID_IConnectionPointContainer) {
            *out = static_cast<IConnectionPointContainer*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) {
            Safe([&] {
                Log(L"Release final");
                return S_OK;
            });
            Teardown();
            delete this;
        }
        return n;
    }

    // ---- IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) {
            *info = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        static const std::pair<const wchar_t*, DISPID> table[] = {
            {L"GoBack", kGoBack},
            {L"GoForward", kGoForward},
            {L"GoHome", kGoHome},
            {L"Navigate", kNavigate},
            {L"Refresh", kRefresh},
            {L"Refresh2", kRefresh2},
            {L"Stop", kStop},
            {L"Application", kApplication},
            {L"Document", kDocument},
            {L"LocationName", kLocationName},
            {L"LocationURL", kLocationUrl},
            {L"Busy", kBusy},
            {L"Navigate2", kNavigate2},
            {L"ExecWB", kExecWB},
            {L"ReadyState", kReadyState},
            {L"Visible", 402},
            {L"StatusBar", 403},
            {L"StatusText", 404},
            {L"ToolBar", 405},
            {L"MenuBar", 406},
            {L"FullScreen", 407},
            {L"Offline", 550},
            {L"Silent", 551},
            {L"RegisterAsBrowser", 552},
            {L"RegisterAsDropTarget", 553},
            {L"TheaterMode", 554},
            {L"AddressBar", 555},
            {L"Resizable", 556},
        };
        if (!names || !ids) {
            return E_POINTER;
        }
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            if (i > 0) {
                hr = DISP_E_UNKNOWNNAME; // no named arguments
                continue;
            }
            bool found = false;
            for (const auto& entry : table) {
                if (names[i] && _wcsicmp(names[i], entry.first) == 0) {
                    ids[i] = entry.second;
                    found = true;
                }
            }
            if (!found) {
                hr = DISP_E_UNKNOWNNAME;
            }
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        return Safe([&]() -> HRESULT { return DoInvoke(id, flags, params, result); });
    }

    // ---- IWebBrowser / IWebBrowserApp / IWebBrowser2
    HRESULT STDMETHODCALLTYPE GoBack() override {
        return Safe([&] { return Go(-1, L"GoBack"); });
    }
    HRESULT STDMETHODCALLTYPE GoForward() override {
        return Safe([&] { return Go(1, L"GoForward"); });
    }
    HRESULT STDMETHODCALLTYPE GoHome() override {
        return Safe([&]() -> HRESULT {
            Log(L"GoHome");
            if (auto hr = TakeFailure(L"GoHome")) {
                return *hr;
            }
            return StartTopLevel(L"about:blank", nullptr, -1);
        });
    }
    HRESULT STDMETHODCALLTYPE Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* post,
                                       VARIANT* headers) override {
        return Safe([&]() -> HRESULT {
            std::wstring text = url ? std::wstring(url, SysStringLen(url)) : std::wstring();
            Log(L"Navigate " + text);
            NavigateCall call;
            call.method = L"Navigate";
            call.urlType = VT_BSTR;
            call.url = text;
            RecordOptional(call, {flags, target, post, headers});
            navigations_.push_back(call);
            if (auto hr = TakeFailure(L"Navigate")) {
                return *hr;
            }
            return StartTopLevel(text, &call, -1);
        });
    }
    HRESULT STDMETHODCALLTYPE Refresh() override {
        return Safe([&]() -> HRESULT {
            Log(L"Refresh");
            if (auto hr = TakeFailure(L"Refresh")) {
                return *hr;
            }
            StartRefresh();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Refresh2(VARIANT*) override { return Refresh(); }
    HRESULT STDMETHODCALLTYPE Stop() override {
        return Safe([&]() -> HRESULT {
            Log(L"Stop");
            if (auto hr = TakeFailure(L"Stop")) {
                return *hr;
            }
            StopLoad();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch** p) override { return SelfOut(p); }
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** p) override { return SelfOut(p); }
    HRESULT STDMETHODCALLTYPE get_Container(IDispatch** p) override {
        if (!p) {
            return E_POINTER;
        }
        *p = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** p) override {
        if (!p) {
            return E_POINTER;
        }
        *p = nullptr;
        if (auto hr = TakeFailure(L"Document")) {
            return *hr;
        }
        if (document_) {
            *p = document_.Get();
            document_->AddRef();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL* p) override {
        if (!p) {
            return E_POINTER;
        }
        *p = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* p) override {
        return StringOut(p, L"LocationName", title_);
    }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* p) override {
        return StringOut(p, L"LocationURL", url_);
    }
    HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL* p) override {
        if (!p) {
            return E_POINTER;
        }
        *p = loading_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Quit() override {
        return Safe([&] {
            Log(L"Quit");
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* p) override {
        return StringOut(p, L"Name", L"Microsoft Web StubBrowser Control");
    }
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* p) override {
        if (!p) {
            return E_POINTER;
        }
        *p = reinterpret_cast<SHANDLE_PTR>(window_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* p) override { return BoolOut(402, p); }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL v) override { return BoolIn(402, v); }
    HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL* p) override { return BoolOut(403, p); }
    HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL v) override { return BoolIn(403, v); }
    HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* p) override {
        return Safe([&]() -> HRESULT {
            if (!p) {
                return E_POINTER;
            }
            const VARIANT& v = props_[404];
            *p = AllocBstr(v.vt == VT_BSTR && v.bstrVal ? v.bstrVal : L"");
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE put_StatusText(BSTR text) override {
        return Safe([&] {
            VARIANT v;
            VariantInit(&v);
            v.vt = VT_BSTR;
            v.bstrVal = text;
            return PutProperty(404, v);
        });
    }
    HRESULT STDMETHODCALLTYPE get_ToolBar(int* p) override {
        if (!p) {
            return E_POINTER;
        }
        *p = props_[405].lVal;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_ToolBar(int v) override {
        return Safe([&] { return PutProperty(405, MakeI4(v)); });
    }
    HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL* p) override { return BoolOut(406, p); }
    HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL v) override { return BoolIn(406, v); }
    HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL* p) override { return BoolOut(407, p); }
    HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL v) override { return BoolIn(407, v); }
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* url, VARIANT* flags, VARIANT* target,
                                        VARIANT* post, VARIANT* headers) override {
        return Safe([&] { return DoNavigate2(url, flags, target, post, headers); });
    }
    HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID, OLECMDF* f) override {
        if (!f) {
            return E_POINTER;
        }
        *f = static_cast<OLECMDF>(OLECMDF_SUPPORTED | OLECMDF_ENABLED);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID id, OLECMDEXECOPT option, VARIANT*,
                                     VARIANT*) override {
        return Safe([&]() -> HRESULT {
            std::wstring entry = L"ExecWB " + std::to_wstring(static_cast<int>(id)) + L" " +
                                 std::to_wstring(static_cast<int>(option));
            shared_->commands.push_back(entry);
            Log(entry);
            if (auto hr = TakeFailure(L"ExecWB")) {
                return *hr;
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* p) override {
        if (!p) {
            return E_POINTER;
        }
        if (auto hr = TakeFailure(L"ReadyState")) {
            return *hr;
        }
        *p = state_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL* p) override { return BoolOut(550, p); }
    HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL v) override { return BoolIn(550, v); }
    HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL* p) override { return BoolOut(551, p); }
    HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL v) override { return BoolIn(551, v); }
    HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL* p) override {
        return BoolOut(552, p);
    }
    HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL v) override {
        return BoolIn(552, v);
    }
    HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL* p) override {
        return BoolOut(553, p);
    }
    HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL v) override {
        return BoolIn(553, v);
    }
    HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL* p) override { return BoolOut(554, p); }
    HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL v) override { return BoolIn(554, v); }
    HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL* p) override { return BoolOut(555, p); }
    HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL v) override { return BoolIn(555, v); }
    HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL* p) override { return BoolOut(556, p); }
    HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL v) override { return BoolIn(556, v); }

    // ---- IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
        return Safe([&] {
            Log(site ? L"SetClientSite" : L"SetClientSite null");
            site_ = site;
            hostUi_.Reset();
            hostCommands_.Reset();
            if (!site) {
                return S_OK;
            }
            // As the platform's engine: the host interfaces are asked for here and only here.
            ComPtr<IUnknown> probe;
            bool ui = SUCCEEDED(site->QueryInterface(
                kIidDocHostUIHandler, reinterpret_cast<void**>(hostUi_.GetAddressOf())));
            Log(std::wstring(L"Site IDocHostUIHandler ") + (ui ? L"yes" : L"no"));
            bool cmd = SUCCEEDED(site->QueryInterface(
                IID_IOleCommandTarget, reinterpret_cast<void**>(hostCommands_.GetAddressOf())));
            Log(std::wstring(L"Site IOleCommandTarget ") + (cmd ? L"yes" : L"no"));
            bool notify = SUCCEEDED(site->QueryInterface(
                IID_IPropertyNotifySink, reinterpret_cast<void**>(probe.GetAddressOf())));
            Log(std::wstring(L"Site IPropertyNotifySink ") + (notify ? L"yes" : L"no"));
            for (DISPID id : {-5501, -5502}) {
                Var v;
                v.v = Ambient(id);
                Var text;
                bool answered =
                    v.v.vt != VT_EMPTY && SUCCEEDED(VariantChangeType(&text.v, &v.v, 0, VT_BSTR));
                Log(L"Ambient " + std::to_wstring(id) + L" " +
                    (answered ? std::wstring(text.v.bstrVal) : std::wstring(L"none")));
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
        if (!site) {
            return E_POINTER;
        }
        *site = site_.Get();
        if (*site) {
            (*site)->AddRef();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override {
        return Safe([&] {
            Log(L"SetHostNames");
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Close(DWORD option) override {
        return Safe([&] {
            Log(L"Close " + std::to_wstring(option));
            ComPtr<IUnknown> self(static_cast<IWebBrowser2*>(this));
            Abandon();
            Deactivate();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override {
        if (m) {
            *m = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** d) override {
        if (d) {
            *d = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                     LPCRECT pos) override {
        return Safe([&]() -> HRESULT {
            Log(L"DoVerb " + std::to_wstring(verb));
            ComPtr<IUnknown> self(static_cast<IWebBrowser2*>(this));
            switch (verb) {
            case OLEIVERB_INPLACEACTIVATE:
            case OLEIVERB_SHOW:
                return Activate(site, parent, pos, false);
            case OLEIVERB_UIACTIVATE:
            case OLEIVERB_PRIMARY:
                return Activate(site, parent, pos, true);
            case OLEIVERB_HIDE:
                if (window_) {
                    ShowWindow(window_, SW_HIDE);
                }
                return S_OK;
            default:
                return OLEOBJ_S_INVALIDVERB;
            }
        });
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** e) override {
        if (e) {
            *e = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* id) override {
        if (!id) {
            return E_POINTER;
        }
        *id = CLSID_WebBrowser;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* t) override {
        if (t) {
            *t = nullptr;
        }
        return OLE_S_USEREG;
    }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* size) override {
        return Safe([&]() -> HRESULT {
            if (!size) {
                return E_POINTER;
            }
            Log(L"SetExtent " + std::to_wstring(size->cx) + L" " + std::to_wstring(size->cy));
            extent_ = *size;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override {
        return Safe([&]() -> HRESULT {
            if (!size) {
                return E_POINTER;
            }
            Log(L"GetExtent");
            *size = extent_;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD* c) override {
        if (c) {
            *c = 0;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** e) override {
        if (e) {
            *e = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
        return Safe([&]() -> HRESULT {
            if (!status) {
                return E_POINTER;
            }
            Log(L"GetMiscStatus");
            *status = kMiscStatus;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // ---- IOleWindow / IOleInPlaceObject / IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        return Safe([&]() -> HRESULT {
            if (!window) {
                return E_POINTER;
            }
            Log(L"GetWindow");
            if (Global().fault == HostingFault::NoWindow) {
                *window = nullptr;
                return E_FAIL;
            }
            *window = window_;
            return window_ ? S_OK : E_FAIL;
        });
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
        return Safe([&] {
            Log(L"InPlaceDeactivate");
            ComPtr<IUnknown> self(static_cast<IWebBrowser2*>(this));
            Deactivate();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE UIDeactivate() override {
        return Safe([&] {
            Log(L"UIDeactivate");
            ComPtr<IUnknown> self(static_cast<IWebBrowser2*>(this));
            LeaveUi();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT) override {
        return Safe([&]() -> HRESULT {
            if (!pos) {
                return E_POINTER;
            }
            Log(L"SetObjectRects " + std::to_wstring(pos->left) + L" " + std::to_wstring(pos->top) +
                L" " + std::to_wstring(pos->right) + L" " + std::to_wstring(pos->bottom));
            if (window_) {
                MoveWindow(window_, pos->left, pos->top, pos->right - pos->left,
                           pos->bottom - pos->top, TRUE);
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override {
        return Safe([&]() -> HRESULT {
            if (!msg) {
                return E_POINTER;
            }
            Log(L"TranslateAccelerator " + Hex(msg->message) + L" " +
                Hex(static_cast<unsigned long>(msg->wParam)));
            keys_.push_back(*msg);
            bool keyMessage = msg->message == WM_KEYDOWN || msg->message == WM_KEYUP ||
                              msg->message == WM_SYSKEYDOWN || msg->message == WM_SYSKEYUP;
            if (keyMessage && consumed_.count(static_cast<UINT>(msg->wParam))) {
                return S_OK;
            }
            return S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

    // ---- IPersistStreamInit
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override { return GetUserClassID(id); }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override {
        return Safe([&] {
            Log(L"Load");
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitNew() override {
        return Safe([&] {
            Log(L"InitNew");
            return S_OK;
        });
    }

    // ---- IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override {
        return Safe([&] {
            Log(L"OnAmbientPropertyChange " + std::to_wstring(id));
            ambientChanges_.push_back(id);
            if (id == kAmbientDownloadControl) {
                VARIANT v = Ambient(id);
                Var holder;
                holder.v = v;
                Var asInt;
                if (SUCCEEDED(VariantChangeType(&asInt.v, &holder.v, 0, VT_I4))) {
                    downloadControl_ = asInt.v.lVal;
                    Log(L"Ambient -5512 " + Hex(static_cast<unsigned long>(asInt.v.lVal)));
                } else {
                    downloadControl_.reset();
                    Log(L"Ambient -5512 none");
                }
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override {
        return Safe([&] {
            Log(std::wstring(L"FreezeEvents ") + (freeze ? L"1" : L"0"));
            return S_OK;
        });
    }

    // ---- IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** e) override {
        if (e) {
            *e = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** cp) override {
        if (!cp) {
            return E_POINTER;
        }
        *cp = nullptr;
        if (iid == DIID_DWebBrowserEvents2) {
            *cp = &events_;
        } else if (iid == IID_IPropertyNotifySink) {
            *cp = &propertySinks_;
        } else {
            return CONNECT_E_NOCONNECTION;
        }
        (*cp)->AddRef();
        return S_OK;
    }

    // ---- Engine
    IWebBrowser2* Browser() override { return this; }
    HWND Window() const override { return window_; }
    READYSTATE State() const override { return state_; }
    std::wstring Url() const override { return url_; }
    std::wstring Title() const override { return title_; }
    std::vector<NavigateCall> Navigations() const override { return navigations_; }
    std::vector<std::wstring> Commands() const override { return shared_->commands; }
    void FailNext(const std::wstring& method, HRESULT hr) override {
        if (method == L"Exec") {
            shared_->failures[method] = hr;
        } else {
            failures_[method] = hr;
        }
    }
    NewWindowResult RaiseNewWindow2(const std::wstring& url) override {
        ComPtr<IUnknown> self(static_cast<IWebBrowser2*>(this));
        NewWindowResult result;
        IDispatch* handed = nullptr;
        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT args[2];
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        // Reversed: Cancel, ppDisp.
        args[0].vt = VT_BOOL | VT_BYREF;
        args[0].pboolVal = &cancel;
        args[1].vt = VT_DISPATCH | VT_BYREF;
        args[1].ppdispVal = &handed;
        Raise(DISPID_NEWWINDOW2, args, 2);
        ComPtr<IDispatch> other = Adopt(handed); // the handler's reference is ours now
        result.cancelled = cancel != VARIANT_FALSE;
        result.gotDispatch = other != nullptr;
        if (result.cancelled || !other) {
            return result;
        }
        ComPtr<IWebBrowser2> browser;
        if (SUCCEEDED(other.As(&browser))) {
            Var target;
            target.v.vt = VT_BSTR;
            target.v.bstrVal = AllocBstr(url);
            Var empty[4];
            result.loaded = SUCCEEDED(
                browser->Navigate2(&target.v, &empty[0].v, &empty[1].v, &empty[2].v, &empty[3].v));
        }
        return result;
    }
    void RequestClose() override {
        if (window_) {
            PostMessageW(window_, WM_CLOSE, 0, 0);
        }
    }
    bool CloseReceived() const override { return closeReceived_; }
    void RaiseEvent(DISPID id, const std::vector<VARIANT>& args) override {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        Raise(id, reversed.empty() ? nullptr : reversed.data(), static_cast<UINT>(reversed.size()));
    }
    bool SiteAnswers(REFIID iid) override {
        if (!site_) {
            return false;
        }
        ComPtr<IUnknown> answer;
        return SUCCEEDED(
            site_->QueryInterface(iid, reinterpret_cast<void**>(answer.GetAddressOf())));
    }
    VARIANT Ambient(DISPID id) override {
        VARIANT result;
        VariantInit(&result);
        ComPtr<IDispatch> disp;
        if (!site_ || FAILED(site_.As(&disp))) {
            return result;
        }
        DISPPARAMS none{};
        if (FAILED(disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                &result, nullptr, nullptr))) {
            VariantClear(&result);
        }
        return result;
    }
    HRESULT HostGetHostInfo(DOCHOSTUIINFO* info) override {
        return hostUi_ ? hostUi_->GetHostInfo(info) : E_NOINTERFACE;
    }
    HRESULT HostShowContextMenu(DWORD id, POINT pt) override {
        if (!hostUi_) {
            return E_NOINTERFACE;
        }
        ComPtr<IUnknown> self(static_cast<IWebBrowser2*>(this));
        ComPtr<IUnknown> target(static_cast<IOleInPlaceObject*>(this));
        return hostUi_->ShowContextMenu(id, &pt, target.Get(), nullptr);
    }
    HRESULT HostTranslateAccelerator(const MSG& msg) override {
        if (!hostUi_) {
            return E_NOINTERFACE;
        }
        MSG copy = msg;
        return hostUi_->TranslateAccelerator(&copy, nullptr, 0);
    }
    HRESULT HostQueryStatus() override {
        if (!hostCommands_) {
            return E_NOINTERFACE;
        }
        OLECMD command{OLECMDID_ZOOM, 0};
        return hostCommands_->QueryStatus(nullptr, 1, &command, nullptr);
    }
    HRESULT HostExec(const GUID* group, DWORD id, VARIANT* in, VARIANT* out) override {
        if (!hostCommands_) {
            return E_NOINTERFACE;
        }
        ComPtr<IOleCommandTarget> target = hostCommands_;
        return target->Exec(group, id, 0, in, out);
    }
    HRESULT HostShowMessage(const std::wstring& text, const std::wstring& caption, DWORD type,
                            LRESULT* result) override {
        ComPtr<IDocHostShowUI> show;
        if (!site_ || FAILED(site_->QueryInterface(
                          kIidDocHostShowUI, reinterpret_cast<void**>(show.GetAddressOf())))) {
            return E_NOINTERFACE;
        }
        std::wstring t = text, c = caption;
        return show->ShowMessage(window_, t.data(), c.data(), type, nullptr, 0, result);
    }
    HRESULT RaiseScriptError(const ScriptError& error, VARIANT* out) override {
        if (!document_) {
            return E_UNEXPECTED;
        }
        if (!hostCommands_) {
            return E_NOINTERFACE;
        }
        ComPtr<IUnknown> self(static_cast<IWebBrowser2*>(this));
        ComPtr<IOleCommandTarget> target = hostCommands_;
        shared_->scriptError = error;
        Var in;
        in.v.vt = VT_UNKNOWN;
        in.v.punkVal = document_.Get();
        document_->AddRef();
        HRESULT hr =
            target->Exec(&kCgidDocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, &in.v, out);
        shared_->scriptError.reset();
        return hr;
    }
    void ConsumeKey(UINT vk) override { consumed_.insert(vk); }
    std::vector<MSG> Keys() const override { return keys_; }
    std::vector<DISPID> AmbientChanges() const override { return ambientChanges_; }
    std::optional<LONG> DownloadControl() const override { return downloadControl_; }
    LONG ZoomLevel() const override { return shared_->zoom; }
    int HistoryLength() const override { return static_cast<int>(history_.size()); }
    int HistoryIndex() const override { return historyIndex_; }

    // ---- posted steps and window messages
    void RunStep(unsigned generation) {
        if (generation != generation_ || steps_.empty()) {
            return;
        }
        ComPtr<IUnknown> self(static_cast<IWebBrowser2*>(this));
        auto step = std::move(steps_.front());
        steps_.pop_front();
        step();
        if (generation == generation_ && !steps_.empty()) {
            PostStep();
        }
    }
    void OnClose() {
        closeReceived_ = true;
        Log(L"WM_CLOSE");
    }
    void Paint(HDC dc, RECT rc) {
        std::wstring text = title_ + L"\r\n" + url_ + L"\r\n\r\n" + FindPage(url_).text;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, DT_LEFT | DT_WORDBREAK);
    }

private:
    std::optional<HRESULT> TakeFailure(const std::wstring& method) {
        auto it = failures_.find(method);
        if (it == failures_.end()) {
            return std::nullopt;
        }
        HRESULT hr = it->second;
        failures_.erase(it);
        return hr;
    }

    HRESULT SelfOut(IDispatch** p) {
        if (!p) {
            return E_POINTER;
        }
        *p = nullptr;
        if (auto hr = TakeFailure(L"Application")) {
            return *hr;
        }
        *p = Disp();
        AddRef();
        return S_OK;
    }
    HRESULT StringOut(BSTR* p, const wchar_t* name, const std::wstring& text) {
        return Safe([&]() -> HRESULT {
            if (!p) {
                return E_POINTER;
            }
            *p = nullptr;
            if (auto hr = TakeFailure(name)) {
                return *hr;
            }
            *p = AllocBstr(text);
            return S_OK;
        });
    }
    HRESULT BoolOut(DISPID id, VARIANT_BOOL* p) {
        if (!p) {
            return E_POINTER;
        }
        *p = props_[id].boolVal;
        return S_OK;
    }
    HRESULT BoolIn(DISPID id, VARIANT_BOOL v) {
        return Safe([&] {
            VARIANT b;
            VariantInit(&b);
            b.vt = VT_BOOL;
            b.boolVal = v;
            return PutProperty(id, b);
        });
    }
    HRESULT PutProperty(DISPID id, const VARIANT& value) {
        Log(L"Put " + std::to_wstring(id));
        VARIANT& slot = props_[id];
        Var converted;
        HRESULT hr = VariantChangeType(&converted.v, const_cast<VARIANT*>(&value), 0, slot.vt);
        if (FAILED(hr)) {
            return DISP_E_TYPEMISMATCH;
        }
        VariantClear(&slot);
        slot = converted.v;
        VariantInit(&converted.v);
        return S_OK;
    }

    HRESULT DoInvoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) {
        DISPPARAMS none{};
        if (!params) {
            params = &none;
        }
        Var scratch;
        if (!result) {
            result = &scratch.v;
        }
        VariantInit(result);
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (params->cArgs < 1 || props_.find(id) == props_.end()) {
                return DISP_E_MEMBERNOTFOUND;
            }
            if (auto hr = TakeFailure(L"Put")) {
                return *hr;
            }
            Var value;
            if (FAILED(VariantCopyInd(&value.v, &params->rgvarg[0]))) {
                return DISP_E_TYPEMISMATCH;
            }
            return PutProperty(id, value.v);
        }
        // Argument i of a method call, first argument first; missing ones as VT_ERROR.
        auto arg = [&](UINT i) -> VARIANT* {
            return i < params->cArgs ? &params->rgvarg[params->cArgs - 1 - i] : nullptr;
        };
        switch (id) {
        case kApplication:
        case kParent: {
            IDispatch* d = nullptr;
            HRESULT hr = SelfOut(&d);
            if (SUCCEEDED(hr)) {
                result->vt = VT_DISPATCH;
                result->pdispVal = d;
            }
            return hr;
        }
        case kContainer:
            result->vt = VT_DISPATCH;
            result->pdispVal = nullptr;
            return S_OK;
        case kDocument: {
            IDispatch* d = nullptr;
            HRESULT hr = get_Document(&d);
            if (SUCCEEDED(hr)) {
                result->vt = VT_DISPATCH;
                result->pdispVal = d;
            }
            return hr;
        }
        case kLocationName:
        case kLocationUrl: {
            BSTR b = nullptr;
            HRESULT hr = id == kLocationName ? get_LocationName(&b) : get_LocationURL(&b);
            if (SUCCEEDED(hr)) {
                result->vt = VT_BSTR;
                result->bstrVal = b;
            }
            return hr;
        }
        case kBusy:
            result->vt = VT_BOOL;
            return get_Busy(&result->boolVal);
        case kReadyState: {
            READYSTATE rs = READYSTATE_UNINITIALIZED;
            HRESULT hr = get_ReadyState(&rs);
            if (SUCCEEDED(hr)) {
                result->vt = VT_I4;
                result->lVal = rs;
            }
            return hr;
        }
        case kHwnd:
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(reinterpret_cast<LONG_PTR>(window_));
            return S_OK;
        case kGoBack:
            return GoBack();
        case kGoForward:
            return GoForward();
        case kGoHome:
            return GoHome();
        case kStop:
            return Stop();
        case kRefresh:
        case kRefresh2:
            return Refresh();
        case kNavigate: {
            VARIANT* url = arg(0);
            Var text;
            if (!url || FAILED(VariantChangeType(&text.v, url, 0, VT_BSTR))) {
                return DISP_E_TYPEMISMATCH;
            }
            return Navigate(text.v.bstrVal, arg(1), arg(2), arg(3), arg(4));
        }
        case kNavigate2:
            return Navigate2(arg(0), arg(1), arg(2), arg(3), arg(4));
        case kExecWB: {
            Var cmd, opt;
            if (!arg(0) || FAILED(VariantChangeType(&cmd.v, arg(0), 0, VT_I4))) {
                return DISP_E_TYPEMISMATCH;
            }
            if (arg(1)) {
                VariantChangeType(&opt.v, arg(1), 0, VT_I4);
            }
            return ExecWB(static_cast<OLECMDID>(cmd.v.lVal),
                          static_cast<OLECMDEXECOPT>(opt.v.vt == VT_I4 ? opt.v.lVal : 0), arg(2),
                          arg(3));
        }
        default: {
            auto it = props_.find(id);
            if (it == props_.end()) {
                return DISP_E_MEMBERNOTFOUND;
            }
            return VariantCopy(result, &it->second);
        }
        }
    }

    static void RecordOptional(NavigateCall& call, std::initializer_list<VARIANT*> args) {
        int i = 0;
        for (VARIANT* a : args) {
            if (!a) {
                call.optionalTypes[i] = kNullPointer;
            } else {
                call.optionalTypes[i] = a->vt;
                if (a->vt == VT_I4) {
                    call.optionalInts[i] = a->lVal;
                } else if (a->vt == (VT_I4 | VT_BYREF) && a->plVal) {
                    call.optionalInts[i] = *a->plVal;
                }
            }
            ++i;
        }
    }

    HRESULT DoNavigate2(VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* post,
                        VARIANT* headers) {
        NavigateCall call;
        call.method = L"Navigate2";
        VARIANT* u = url;
        // A variant passed on through Invoke may arrive wrapped by reference.
        if (u && u->vt == (VT_VARIANT | VT_BYREF) && u->pvarVal) {
            u = u->pvarVal;
        }
        call.urlType = u ? u->vt : kNullPointer;
        std::wstring address;
        if (u && u->vt == VT_BSTR) {
            call.url = u->bstrVal ? std::wstring(u->bstrVal, SysStringLen(u->bstrVal)) : L"";
            address = call.url;
        } else if (u && u->vt == (VT_BSTR | VT_BYREF) && u->pbstrVal) {
            call.url = *u->pbstrVal ? std::wstring(*u->pbstrVal, SysStringLen(*u->pbstrVal)) : L"";
            address = call.url;
        } else if (u && u->vt == (VT_ARRAY | VT_UI1) && u->parray) {
            SAFEARRAY* sa = u->parray;
            LONG lo = 0, hi = -1;
            SafeArrayGetLBound(sa, 1, &lo);
            SafeArrayGetUBound(sa, 1, &hi);
            void* data = nullptr;
            if (hi >= lo && SUCCEEDED(SafeArrayAccessData(sa, &data))) {
                const BYTE* b = static_cast<const BYTE*>(data);
                call.bytes.assign(b, b + (hi - lo + 1));
                SafeArrayUnaccessData(sa);
            }
            address = L"itemidlist:" + std::to_wstring(call.bytes.size());
        }
        RecordOptional(call, {flags, target, post, headers});
        Log(L"Navigate2 " + address);
        navigations_.push_back(call);
        if (auto hr = TakeFailure(L"Navigate2")) {
            return *hr;
        }
        if (!u ||
            (u->vt != VT_BSTR && u->vt != (VT_BSTR | VT_BYREF) && u->vt != (VT_ARRAY | VT_UI1))) {
            return E_INVALIDARG;
        }
        return StartTopLevel(address, &call, -1);
    }

    // Starts a top-level load: BeforeNavigate2 now, the rest posted. historyIndex >= 0 loads
    // that history entry (back or forward) instead of adding one.
    HRESULT StartTopLevel(const std::wstring& url, const NavigateCall* call, int historyIndex) {
        Page page = FindPage(url);
        if (FAILED(page.navigateResult)) {
            return page.navigateResult;
        }
        ComPtr<IUnknown> self(static_cast<IWebBrowser2*>(this));
        Abandon();
        unsigned generation = generation_;
        LONG flags = 0;
        std::wstring target, headers;
        if (call) {
            flags = call->optionalTypes[0] == VT_I4 ? call->optionalInts[0] : 0;
        }
        if (RaiseBeforeNavigate2(Disp(), url, flags, target, headers)) {
            return S_OK; // cancelled: nothing else happens
        }
        if (generation != generation_) {
            return S_OK; // the handler started another navigation
        }
        loading_ = true;
        state_ = READYSTATE_LOADING;
        bool canBack = historyIndex >= 0 ? historyIndex > 0 : historyIndex_ >= 0;
        bool canForward = historyIndex >= 0 && historyIndex + 1 < static_cast<int>(history_.size());
        QueueLoad(url, page, historyIndex, canBack, canForward, true);
        PostStep();
        return page.navigateResult;
    }

    void StartRefresh() {
        if (url_.empty()) {
            return;
        }
        ComPtr<IUnknown> self(static_cast<IWebBrowser2*>(this));
        Abandon();
        loading_ = true;
        state_ = READYSTATE_LOADING;
        bool canBack = historyIndex_ > 0;
        bool canForward = historyIndex_ + 1 < static_cast<int>(history_.size());
        QueueLoad(url_, FindPage(url_), historyIndex_, canBack, canForward, false);
        PostStep();
    }

    // The posted part of a load. A refresh (navigation false) raises no NavigateComplete2 or
    // DocumentComplete, as on the platform.
    void QueueLoad(const std::wstring& url, const Page& page, int historyIndex, bool canBack,
                   bool canForward, bool navigation) {
        auto& q = steps_;
        q.push_back([this] {
            downloading_ = true;
            RaiseSimple(DISPID_DOWNLOADBEGIN);
        });
        if (page.neverComplete) {
            return;
        }
        q.push_back([this, canBack] { RaiseCommandState(CSC_NAVIGATEBACK, canBack); });
        q.push_back([this, canForward] { RaiseCommandState(CSC_NAVIGATEFORWARD, canForward); });
        q.push_back([this, url] { RaiseStatus(L"Start downloading " + url); });
        q.push_back([this, url] { RaiseStatus(L"Downloading " + url); });
        if (page.navigateError) {
            q.push_back([this] { RaiseStatus(L""); });
            q.push_back([this] {
                downloading_ = false;
                RaiseSimple(DISPID_DOWNLOADCOMPLETE);
            });
            q.push_back([this, url] {
                url_ = url;
                title_.clear();
                document_.Reset();
                RaiseNavigateError(url);
            });
            return;
        }
        q.push_back([this] { RaiseProgress(50, 100); });
        q.push_back([this] { RaiseCommandState(CSC_UPDATECOMMANDS, false); });
        q.push_back([this] { RaiseProgress(100, 100); });
        q.push_back([this] {
            downloading_ = false;
            RaiseSimple(DISPID_DOWNLOADCOMPLETE);
        });
        std::wstring title = page.title.empty() ? url : page.title;
        q.push_back([this, url, title] {
            // The host takes LocationName as its caption on TitleChange: it must be current.
            url_ = url;
            title_ = title;
            Var t;
            t.v.vt = VT_BSTR;
            t.v.bstrVal = AllocBstr(title);
            Raise(DISPID_TITLECHANGE, &t.v, 1);
        });
        if (navigation) {
            q.push_back([this, url, title, text = page.text, historyIndex] {
                if (historyIndex >= 0) {
                    historyIndex_ = historyIndex;
                } else {
                    history_.resize(static_cast<size_t>(historyIndex_ + 1));
                    history_.push_back(url);
                    historyIndex_ = static_cast<int>(history_.size()) - 1;
                }
                document_ = MakeDocument(shared_, url, title, text);
                state_ = READYSTATE_INTERACTIVE;
                RaiseUrlEvent(DISPID_NAVIGATECOMPLETE2, Disp(), url);
            });
            for (int i = 1; i <= page.frames; ++i) {
                std::wstring frameUrl = url + L"#frame" + std::to_wstring(i);
                auto frame = std::make_shared<ComPtr<IDispatch>>(
                    MakeFrame(frameUrl, L"frame" + std::to_wstring(i)));
                q.push_back([this, frame, frameUrl] {
                    RaiseBeforeNavigate2(frame->Get(), frameUrl, 0, L"", L"");
                });
                q.push_back([this, frame, frameUrl] {
                    RaiseUrlEvent(DISPID_NAVIGATECOMPLETE2, frame->Get(), frameUrl);
                });
                q.push_back([this, frame, frameUrl] {
                    RaiseUrlEvent(DISPID_DOCUMENTCOMPLETE, frame->Get(), frameUrl);
                });
            }
            q.push_back([this, url] {
                state_ = READYSTATE_COMPLETE;
                loading_ = false;
                RaiseUrlEvent(DISPID_DOCUMENTCOMPLETE, Disp(), url);
            });
        } else {
            q.push_back([this] {
                state_ = READYSTATE_COMPLETE;
                loading_ = false;
            });
        }
        q.push_back([this] { RaiseProgress(-1, 100); });
        q.push_back([this] { RaiseStatus(L""); });
        if (navigation && !page.popupUrl.empty()) {
            q.push_back([this, popup = page.popupUrl] { RaiseNewWindow2(popup); });
        }
        if (navigation && page.closeWhenComplete) {
            q.push_back([this] { RequestClose(); });
        }
    }

    void PostStep() {
        if (Global().pump) {
            PostMessageW(Global().pump, kStepMessage, serial_, generation_);
        }
    }

    // Drops what is still to come of the current load.
    void Abandon() {
        ++generation_;
        steps_.clear();
    }

    // Stop: the load ends where it is; the previous page stays and counts as complete.
    void StopLoad() {
        bool wasLoading = loading_;
        bool wasDownloading = downloading_;
        Abandon();
        loading_ = false;
        downloading_ = false;
        if (!wasLoading) {
            return;
        }
        // The ready state stays where the load was (1 while loading), as the platform's.
        if (wasDownloading) {
            RaiseSimple(DISPID_DOWNLOADCOMPLETE);
        }
        RaiseStatus(L"");
    }

    HRESULT Go(int delta, const wchar_t* name) {
        Log(name);
        if (auto hr = TakeFailure(name)) {
            return *hr;
        }
        int target = historyIndex_ + delta;
        if (historyIndex_ < 0 || target < 0 || target >= static_cast<int>(history_.size())) {
            return E_FAIL;
        }
        return StartTopLevel(history_[static_cast<size_t>(target)], nullptr, target);
    }

    HRESULT Activate(IOleClientSite* site, HWND parent, LPCRECT pos, bool ui) {
        if (site && !site_) {
            site_ = site;
        }
        ComPtr<IOleClientSite> clientSite = site ? ComPtr<IOleClientSite>(site) : site_;
        if (!window_) {
            if (!clientSite) {
                return E_UNEXPECTED;
            }
            ComPtr<IOleInPlaceSite> inPlace;
            if (FAILED(clientSite.As(&inPlace))) {
                return E_NOINTERFACE;
            }
            if (inPlace->CanInPlaceActivate() != S_OK) {
                return E_FAIL;
            }
            inPlace->OnInPlaceActivate();
            inPlaceSite_ = inPlace;
            HWND siteWindow = nullptr;
            if (FAILED(inPlace->GetWindow(&siteWindow)) || !siteWindow) {
                siteWindow = parent;
            }
            RECT posRect{0, 0, 100, 100}, clipRect{0, 0, 100, 100};
            OLEINPLACEFRAMEINFO info{};
            info.cb = sizeof(info);
            frame_.Reset();
            uiWindow_.Reset();
            inPlace->GetWindowContext(frame_.GetAddressOf(), uiWindow_.GetAddressOf(), &posRect,
                                      &clipRect, &info);
            if (pos) {
                posRect = *pos;
            }
            RegisterViewClass();
            window_ = CreateWindowExW(
                0, kViewClass, L"",
                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP,
                posRect.left, posRect.top, posRect.right - posRect.left,
                posRect.bottom - posRect.top, siteWindow, nullptr, ThisModule(), this);
            if (!window_) {
                inPlace->OnInPlaceDeactivate();
                inPlaceSite_.Reset();
                return E_FAIL;
            }
        }
        if (ui && !uiActive_ && inPlaceSite_) {
            uiActive_ = true;
            inPlaceSite_->OnUIActivate();
            if (frame_) {
                frame_->SetActiveObject(this, L"");
            }
            if (uiWindow_) {
                uiWindow_->SetActiveObject(this, L"");
            }
            SetFocus(window_);
        }
        return S_OK;
    }

    void LeaveUi() {
        if (!uiActive_) {
            return;
        }
        uiActive_ = false;
        if (frame_) {
            frame_->SetActiveObject(nullptr, nullptr);
        }
        if (uiWindow_) {
            uiWindow_->SetActiveObject(nullptr, nullptr);
        }
        if (inPlaceSite_) {
            inPlaceSite_->OnUIDeactivate(FALSE);
        }
    }

    void Deactivate() {
        LeaveUi();
        if (window_) {
            HWND w = window_;
            window_ = nullptr;
            SetWindowLongPtrW(w, GWLP_USERDATA, 0);
            DestroyWindow(w);
        }
        frame_.Reset();
        uiWindow_.Reset();
        if (auto site = std::move(inPlaceSite_)) {
            site->OnInPlaceDeactivate();
        }
    }

    void Teardown() noexcept {
        Abandon();
        if (window_) {
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
            window_ = nullptr;
        }
        frame_.Reset();
        uiWindow_.Reset();
        inPlaceSite_.Reset();
        events_.Clear();
        propertySinks_.Clear();
        document_.Reset();
        hostUi_.Reset();
        hostCommands_.Reset();
        site_.Reset();
    }

    // ---- raising events
    void Raise(DISPID id, VARIANT* reversedArgs, UINT count) {
        Log(L"Event " + std::to_wstring(id));
        DISPPARAMS params{reversedArgs, nullptr, count, 0};
        for (auto& sink : events_.Sinks()) {
            try {
                ComPtr<IDispatch> disp;
                if (FAILED(sink.As(&disp))) {
                    continue;
                }
                Var ignored;
                EXCEPINFO excep{};
                UINT argErr = 0;
                disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                             &ignored.v, &excep, &argErr);
                SysFreeString(excep.bstrSource);
                SysFreeString(excep.bstrDescription);
                SysFreeString(excep.bstrHelpFile);
            } catch (...) {
                Log(L"Exception in event sink");
            }
        }
    }

    void RaiseSimple(DISPID id) { Raise(id, nullptr, 0); }

    void RaiseStatus(const std::wstring& text) {
        Var t;
        t.v.vt = VT_BSTR;
        t.v.bstrVal = AllocBstr(text);
        Raise(DISPID_STATUSTEXTCHANGE, &t.v, 1);
    }

    void RaiseProgress(LONG progress, LONG max) {
        VARIANT args[2] = {MakeI4(max), MakeI4(progress)};
        Raise(DISPID_PROGRESSCHANGE, args, 2);
    }

    void RaiseCommandState(LONG command, bool enable) {
        VARIANT args[2] = {MakeBool(enable), MakeI4(command)};
        Raise(DISPID_COMMANDSTATECHANGE, args, 2);
    }

    // NavigateComplete2 and DocumentComplete: pDisp, URL by reference.
    void RaiseUrlEvent(DISPID id, IDispatch* disp, const std::wstring& url) {
        Var urlValue;
        urlValue.v.vt = VT_BSTR;
        urlValue.v.bstrVal = AllocBstr(url);
        VARIANT args[2];
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        args[0].vt = VT_VARIANT | VT_BYREF;
        args[0].pvarVal = &urlValue.v;
        args[1].vt = VT_DISPATCH;
        args[1].pdispVal = disp;
        Raise(id, args, 2);
    }

    // NavigateError: pDisp, URL, Frame, StatusCode and Cancel by reference.
    void RaiseNavigateError(const std::wstring& url) {
        Var vUrl, vFrame, vStatus;
        vUrl.v.vt = VT_BSTR;
        vUrl.v.bstrVal = AllocBstr(url);
        vFrame.v.vt = VT_BSTR;
        vFrame.v.bstrVal = AllocBstr(L"");
        vStatus.v.vt = VT_I4;
        vStatus.v.lVal = static_cast<LONG>(INET_E_RESOURCE_NOT_FOUND);
        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT args[5];
        for (auto& a : args) {
            VariantInit(&a);
        }
        // Reversed: Cancel, StatusCode, Frame, URL, pDisp.
        args[0].vt = VT_BOOL | VT_BYREF;
        args[0].pboolVal = &cancel;
        VARIANT* byRef[3] = {&vStatus.v, &vFrame.v, &vUrl.v};
        for (int i = 0; i < 3; ++i) {
            args[i + 1].vt = VT_VARIANT | VT_BYREF;
            args[i + 1].pvarVal = byRef[i];
        }
        args[4].vt = VT_DISPATCH;
        args[4].pdispVal = Disp();
        Raise(kNavigateError, args, 5);
    }

    // Returns true when a handler cancelled.
    bool RaiseBeforeNavigate2(IDispatch* disp, const std::wstring& url, LONG flags,
                              const std::wstring& target, const std::wstring& headers) {
        Var vUrl, vFlags, vTarget, vPost, vHeaders;
        vUrl.v.vt = VT_BSTR;
        vUrl.v.bstrVal = AllocBstr(url);
        vFlags.v.vt = VT_I4;
        vFlags.v.lVal = flags;
        vTarget.v.vt = VT_BSTR;
        vTarget.v.bstrVal = AllocBstr(target);
        vHeaders.v.vt = VT_BSTR;
        vHeaders.v.bstrVal = AllocBstr(headers);
        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT args[7];
        for (auto& a : args) {
            VariantInit(&a);
        }
        // Reversed: Cancel, Headers, PostData, TargetFrameName, Flags, URL, pDisp.
        args[0].vt = VT_BOOL | VT_BYREF;
        args[0].pboolVal = &cancel;
        // PostData comes doubly by reference, as the platform passes it.
        VARIANT postRef;
        VariantInit(&postRef);
        postRef.vt = VT_VARIANT | VT_BYREF;
        postRef.pvarVal = &vPost.v;
        VARIANT* byRef[5] = {&vHeaders.v, &postRef, &vTarget.v, &vFlags.v, &vUrl.v};
        for (int i = 0; i < 5; ++i) {
            args[i + 1].vt = VT_VARIANT | VT_BYREF;
            args[i + 1].pvarVal = byRef[i];
        }
        args[6].vt = VT_DISPATCH;
        args[6].pdispVal = disp;
        Raise(DISPID_BEFORENAVIGATE2, args, 7);
        return cancel != VARIANT_FALSE;
    }

    ULONG refs_ = 1;
    ConnectionPoint events_;
    ConnectionPoint propertySinks_;
    std::shared_ptr<DocumentShared> shared_;
    unsigned serial_;
    ComPtr<IOleClientSite> site_;
    ComPtr<IDocHostUIHandler> hostUi_;       // asked for in SetClientSite only
    ComPtr<IOleCommandTarget> hostCommands_; // likewise
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IOleInPlaceFrame> frame_;
    ComPtr<IOleInPlaceUIWindow> uiWindow_;
    HWND window_ = nullptr;
    bool uiActive_ = false;
    bool closeReceived_ = false;
    SIZEL extent_{7938, 5292}; // 300 x 200 pixels at 96 dpi
    std::map<DISPID, VARIANT> props_;
    std::map<std::wstring, HRESULT> failures_;
    std::vector<NavigateCall> navigations_;
    std::vector<MSG> keys_;
    std::set<UINT> consumed_;
    std::vector<DISPID> ambientChanges_;
    std::optional<LONG> downloadControl_;

    READYSTATE state_ = READYSTATE_UNINITIALIZED;
    bool loading_ = false;
    bool downloading_ = false;
    std::wstring url_, title_;
    ComPtr<IDispatch> document_;
    std::vector<std::wstring> history_;
    int historyIndex_ = -1;
    unsigned generation_ = 0;
    std::deque<std::function<void()>> steps_;
};

LRESULT CALLBACK PumpProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kStepMessage) {
        Safe([&] {
            for (StubBrowser* b : Global().instances) {
                if (b->Serial() == static_cast<unsigned>(wParam)) {
                    b->RunStep(static_cast<unsigned>(lParam));
                    break;
                }
            }
            return S_OK;
        });
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* browser = reinterpret_cast<StubBrowser*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_CLOSE:
        // As the platform's engine: the close destroys the window (the engine keeps its handle).
        if (browser) {
            Safe([&] {
                browser->OnClose();
                return S_OK;
            });
        }
        DestroyWindow(hwnd);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (browser) {
            RECT rc;
            GetClientRect(hwnd, &rc);
            Safe([&] {
                browser->Paint(dc, rc);
                return S_OK;
            });
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_MOUSEACTIVATE:
        SetFocus(hwnd);
        return MA_ACTIVATE;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// The class object: creates engines; LockServer counts toward DllCanUnloadNow.
class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        return Safe([&]() -> HRESULT {
            if (!out) {
                return E_POINTER;
            }
            *out = nullptr;
            if (outer) {
                return CLASS_E_NOAGGREGATION;
            }
            auto* b = new StubBrowser;
            HRESULT hr = b->QueryInterface(iid, out);
            b->Release();
            return hr;
        });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        Global().locks += lock ? 1 : -1;
        return S_OK;
    }
};

} // namespace

void Log(std::wstring entry) {
    State& s = Global();
    if (s.logFile != INVALID_HANDLE_VALUE) {
        std::string line = std::to_string(GetCurrentProcessId()) + " " + Utf8(entry) + "\n";
        DWORD written = 0;
        WriteFile(s.logFile, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    s.log.push_back(std::move(entry));
}

void ObjectCreated() {
    ++Global().objects;
}
void ObjectDestroyed() {
    --Global().objects;
}

Page FindPage(const std::wstring& url) {
    auto it = Global().pages.find(url);
    if (it != Global().pages.end()) {
        Page page = it->second;
        if (page.title.empty()) {
            page.title = url;
        }
        return page;
    }
    Page page;
    page.title = url;
    return page;
}

std::wstring Hex(unsigned long value) {
    wchar_t buf[16];
    swprintf(buf, 16, L"0x%lX", value);
    return buf;
}

} // namespace detail

void SetHostingFault(HostingFault fault) {
    detail::Global().fault = fault;
}

using namespace detail;

ScopedRegistration::ScopedRegistration() {
    HRESULT hr = CoRegisterClassObject(CLSID_WebBrowser, ClassFactory(), CLSCTX_INPROC_SERVER,
                                       REGCLS_MULTIPLEUSE, &cookie_);
    if (FAILED(hr)) {
        cookie_ = 0;
        Log(L"Exception CoRegisterClassObject " + Hex(static_cast<unsigned long>(hr)));
    }
}

ScopedRegistration::~ScopedRegistration() {
    if (cookie_) {
        CoRevokeClassObject(cookie_);
    }
}

void SetPage(const std::wstring& url, const Page& page) {
    Global().pages[url] = page;
}
void ClearPages() {
    Global().pages.clear();
}

std::vector<Engine*> Instances() {
    return std::vector<Engine*>(Global().instances.begin(), Global().instances.end());
}

Engine* Last() {
    return Global().instances.empty() ? nullptr : Global().instances.back();
}

std::vector<std::wstring> CallLog() {
    return Global().log;
}
void ClearCallLog() {
    Global().log.clear();
}

IClassFactory* ClassFactory() {
    static Factory factory;
    return &factory;
}

long LiveObjects() {
    return Global().objects + Global().locks;
}

void SetLogFile(const std::wstring& path) {
    State& s = Global();
    if (s.logFile != INVALID_HANDLE_VALUE) {
        CloseHandle(s.logFile);
        s.logFile = INVALID_HANDLE_VALUE;
    }
    if (!path.empty()) {
        s.logFile =
            CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    }
}

int LoadPages(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return -1;
    }
    std::string data;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(file, buf, sizeof(buf), &got, nullptr) && got > 0) {
        data.append(buf, got);
    }
    CloseHandle(file);
    if (data.size() >= 3 && data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        data.erase(0, 3);
    }
    std::wstring text = Utf16(data);
    int count = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? end : end - start);
        start = end == std::wstring::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == L'#') {
            continue;
        }
        std::vector<std::wstring> cols;
        size_t p = 0;
        for (;;) {
            size_t tab = line.find(L'\t', p);
            cols.push_back(line.substr(p, tab == std::wstring::npos ? tab : tab - p));
            if (tab == std::wstring::npos) {
                break;
            }
            p = tab + 1;
        }
        Page page;
        if (cols.size() > 1) {
            page.title = cols[1];
        }
        if (cols.size() > 3) {
            page.text = cols[3];
        }
        if (cols.size() > 2) {
            std::wstring flags = cols[2];
            std::replace(flags.begin(), flags.end(), L',', L' ');
            size_t q = 0;
            while (q < flags.size()) {
                size_t sp = flags.find(L' ', q);
                std::wstring f = flags.substr(q, sp == std::wstring::npos ? sp : sp - q);
                q = sp == std::wstring::npos ? flags.size() : sp + 1;
                if (f == L"never") {
                    page.neverComplete = true;
                } else if (f == L"close") {
                    page.closeWhenComplete = true;
                } else if (f == L"error") {
                    page.navigateError = true;
                } else if (f.rfind(L"frames=", 0) == 0) {
                    page.frames = _wtoi(f.c_str() + 7);
                } else if (f.rfind(L"popup=", 0) == 0) {
                    page.popupUrl = f.substr(6);
                } else if (f.rfind(L"fail=", 0) == 0) {
                    page.navigateResult = static_cast<HRESULT>(wcstoul(f.c_str() + 5, nullptr, 16));
                }
            }
        }
        Global().pages[cols[0]] = page;
        ++count;
    }
    return count;
}

} // namespace stub
