// Self-checks of the stand-in engine, driven through COM by a small hand-written container, so
// that host tests can trust what the stand-in reports.
#include "engine_stub/engine_stub.h"
#include "win32/support/pump.h"

#include <gtest/gtest.h>

#include <docobj.h>
#include <exdispid.h>
#include <mshtml.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <functional>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

struct SeenEvent {
    DISPID id;
    std::vector<VARTYPE> types;      // first argument first
    std::vector<std::wstring> texts; // string value of each argument (through references)
    std::vector<LONG> ints;
    IDispatch* disp = nullptr; // first argument when VT_DISPATCH (not owned)
};

std::wstring TextOf(const VARIANT& v) {
    const VARIANT* p = &v;
    if (p->vt == (VT_VARIANT | VT_BYREF) && p->pvarVal) {
        p = p->pvarVal;
    }
    return p->vt == VT_BSTR && p->bstrVal ? std::wstring(p->bstrVal) : std::wstring();
}

LONG IntOf(const VARIANT& v) {
    if (v.vt == VT_I4) {
        return v.lVal;
    }
    if (v.vt == VT_BOOL) {
        return v.boolVal ? 1 : 0;
    }
    return 0;
}

// Event sink of DWebBrowserEvents2: records everything, optionally cancels or hands back a
// browser for NewWindow2.
class Sink final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs;
        if (n == 0) {
            delete this;
        }
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        if (failAll) {
            return E_FAIL;
        }
        SeenEvent e{id, {}, {}, {}};
        for (UINT i = p->cArgs; i-- > 0;) {
            e.types.push_back(p->rgvarg[i].vt);
            e.texts.push_back(TextOf(p->rgvarg[i]));
            e.ints.push_back(IntOf(p->rgvarg[i]));
        }
        if (p->cArgs > 0 && p->rgvarg[p->cArgs - 1].vt == VT_DISPATCH) {
            e.disp = p->rgvarg[p->cArgs - 1].pdispVal;
        }
        events.push_back(e);
        if (id == DISPID_BEFORENAVIGATE2 && p->cArgs == 7) {
            // PostData (fifth argument) through all its references.
            postChain.clear();
            for (const VARIANT* v = &p->rgvarg[2]; v != nullptr;
                 v = v->vt == (VT_VARIANT | VT_BYREF) ? v->pvarVal : nullptr) {
                postChain.push_back(v->vt);
            }
        }
        if (id == DISPID_BEFORENAVIGATE2 && p->cArgs == 7 && cancelNavigation) {
            *p->rgvarg[0].pboolVal = VARIANT_TRUE;
        }
        if (id == DISPID_NEWWINDOW2 && p->cArgs == 2) {
            if (cancelNewWindow) {
                *p->rgvarg[0].pboolVal = VARIANT_TRUE;
            } else if (newWindow) {
                newWindow->AddRef();
                *p->rgvarg[1].ppdispVal = newWindow;
            }
        }
        return S_OK;
    }

    std::vector<DISPID> Ids() const {
        std::vector<DISPID> ids;
        for (const auto& e : events) {
            ids.push_back(e.id);
        }
        return ids;
    }
    std::vector<SeenEvent> Of(DISPID id) const {
        std::vector<SeenEvent> out;
        std::copy_if(events.begin(), events.end(), std::back_inserter(out),
                     [&](const SeenEvent& e) { return e.id == id; });
        return out;
    }

    ULONG refs = 1;
    std::vector<SeenEvent> events;
    std::vector<VARTYPE> postChain; // of the last BeforeNavigate2
    bool cancelNavigation = false;
    bool cancelNewWindow = false;
    bool failAll = false;
    IDispatch* newWindow = nullptr; // not owned
};

// Client site, in-place site and ambient properties of the container.
class Site final : public IOleClientSite, public IOleInPlaceSite, public IDispatch {
public:
    explicit Site(HWND window) : window_(window) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs;
        if (n == 0) {
            delete this;
        }
        return n;
    }
    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
        *c = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
        *w = window_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
        calls.push_back(L"OnInPlaceActivate");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override {
        calls.push_back(L"OnUIActivate");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** f, IOleInPlaceUIWindow** d,
                                               LPRECT pos, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO) override {
        *f = nullptr;
        *d = nullptr;
        *pos = RECT{10, 20, 210, 170};
        *clip = RECT{0, 0, 32767, 32767};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override {
        calls.push_back(L"OnUIDeactivate");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
        calls.push_back(L"OnInPlaceDeactivate");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }
    // IDispatch: ambient properties
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* r,
                                     EXCEPINFO*, UINT*) override {
        if (id == -5512) {
            r->vt = VT_I4;
            r->lVal = downloadControl;
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    ULONG refs = 1;
    LONG downloadControl = 0x70;
    std::vector<std::wstring> calls;

private:
    HWND window_;
};

// One engine hosted the way the program does it.
struct Hosted {
    HWND parent = nullptr;
    Site* site = nullptr;
    Sink* sink = nullptr;
    ComPtr<IOleObject> ole;
    ComPtr<IWebBrowser2> browser;
    DWORD eventCookie = 0;
    DWORD propCookie = 0;
    stub::Engine* engine = nullptr;

    Hosted() {
        parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        site = new Site(parent);
        sink = new Sink;
        EXPECT_EQ(S_OK,
                  CoCreateInstance(CLSID_WebBrowser, nullptr,
                                   CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&ole)));
        if (!ole) {
            return;
        }
        DWORD misc = 0;
        EXPECT_EQ(S_OK, ole->GetMiscStatus(DVASPECT_CONTENT, &misc));
        EXPECT_EQ(0x20191u, misc);
        EXPECT_EQ(S_OK, ole->SetClientSite(site));
        ComPtr<IPersistStreamInit> persist;
        EXPECT_EQ(S_OK, ole.As(&persist));
        EXPECT_EQ(S_OK, persist->InitNew());
        ComPtr<IConnectionPointContainer> cpc;
        EXPECT_EQ(S_OK, ole.As(&cpc));
        ComPtr<IConnectionPoint> cp;
        EXPECT_EQ(S_OK, cpc->FindConnectionPoint(IID_IPropertyNotifySink, &cp));
        // A plain IDispatch stands in for the property sink: the stub only counts it.
        EXPECT_EQ(CONNECT_E_CANNOTCONNECT, cp->Advise(sink, &propCookie));
        cp.Reset();
        EXPECT_EQ(S_OK, cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, &cp));
        EXPECT_EQ(S_OK, cp->Advise(sink, &eventCookie));
        ComPtr<IOleControl> control;
        EXPECT_EQ(S_OK, ole.As(&control));
        EXPECT_EQ(S_OK, control->OnAmbientPropertyChange(DISPID_UNKNOWN));
        RECT pos{10, 20, 210, 170};
        EXPECT_EQ(S_OK, ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, parent, &pos));
        ComPtr<IOleInPlaceObject> inPlace;
        EXPECT_EQ(S_OK, ole.As(&inPlace));
        HWND w = nullptr;
        EXPECT_EQ(S_OK, inPlace->GetWindow(&w));
        EXPECT_EQ(S_OK, ole.As(&browser));
        engine = stub::Last();
    }

    void Teardown() {
        if (ole) {
            ole->Close(OLECLOSE_NOSAVE);
            ComPtr<IConnectionPointContainer> cpc;
            ComPtr<IConnectionPoint> cp;
            if (SUCCEEDED(ole.As(&cpc)) &&
                SUCCEEDED(cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, &cp))) {
                cp->Unadvise(eventCookie);
            }
            ole->SetClientSite(nullptr);
        }
        browser.Reset();
        ole.Reset();
        engine = nullptr;
    }

    ~Hosted() {
        Teardown();
        sink->Release();
        site->Release();
        DestroyWindow(parent);
    }

    HRESULT Navigate(const std::wstring& url) {
        VARIANT u;
        VariantInit(&u);
        u.vt = VT_BSTR;
        u.bstrVal = SysAllocString(url.c_str());
        VARIANT zero[4];
        for (auto& z : zero) {
            VariantInit(&z);
            z.vt = VT_I4;
            z.lVal = 0;
        }
        HRESULT hr = browser->Navigate2(&u, &zero[0], &zero[1], &zero[2], &zero[3]);
        VariantClear(&u);
        return hr;
    }

    bool WaitComplete() {
        return kvtest::PumpUntil([&] { return engine->State() == READYSTATE_COMPLETE; }, 5000);
    }

    VARIANT Get(DISPID id) {
        VARIANT r;
        VariantInit(&r);
        DISPPARAMS none{};
        EXPECT_EQ(S_OK, browser->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr,
                                        nullptr));
        return r;
    }
};

class EngineStubTest : public ::testing::Test {
protected:
    void SetUp() override {
        stub::ClearPages();
        stub::ClearCallLog();
        baseline_ = stub::LiveObjects();
    }
    void TearDown() override {
        kvtest::PumpFor(20); // stale posted steps must find nothing to do
        EXPECT_TRUE(stub::Instances().empty());
        EXPECT_EQ(baseline_, stub::LiveObjects());
        stub::ClearPages();
    }
    stub::ScopedRegistration registration_;
    long baseline_ = 0;
};

TEST_F(EngineStubTest, HostingAndTeardownAreLoggedInOrderAndFreeTheEngine) {
    {
        Hosted h;
        ASSERT_NE(nullptr, h.engine);
        EXPECT_EQ(1u, stub::Instances().size());
        HWND w = h.engine->Window();
        ASSERT_NE(nullptr, w);
        EXPECT_EQ(h.parent, GetParent(w));
        RECT rc;
        GetWindowRect(w, &rc);
        MapWindowPoints(nullptr, h.parent, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_EQ(10, rc.left);
        EXPECT_EQ(20, rc.top);
        EXPECT_EQ(200, rc.right - rc.left);

        ComPtr<IOleInPlaceObject> inPlace;
        ASSERT_EQ(S_OK, h.ole.As(&inPlace));
        RECT moved{5, 6, 105, 56};
        EXPECT_EQ(S_OK, inPlace->SetObjectRects(&moved, &moved));
        GetClientRect(w, &rc);
        EXPECT_EQ(100, rc.right);
        EXPECT_EQ(50, rc.bottom);

        EXPECT_EQ(S_OK, h.ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, h.site, 0, h.parent, &moved));
        h.Teardown();
        EXPECT_FALSE(IsWindow(w));
        std::vector<std::wstring> siteCalls{L"OnInPlaceActivate", L"OnUIActivate",
                                            L"OnUIDeactivate", L"OnInPlaceDeactivate"};
        EXPECT_EQ(siteCalls, h.site->calls);
    }
    // The site is asked for the host interfaces and two ambients inside SetClientSite only.
    std::vector<std::wstring> expected{L"GetMiscStatus",
                                       L"SetClientSite",
                                       L"Site IDocHostUIHandler no",
                                       L"Site IOleCommandTarget no",
                                       L"Site IPropertyNotifySink no",
                                       L"Ambient -5501 none",
                                       L"Ambient -5502 none",
                                       L"InitNew",
                                       L"Advise IPropertyNotifySink",
                                       L"Advise DWebBrowserEvents2",
                                       L"OnAmbientPropertyChange -1",
                                       L"DoVerb -5",
                                       L"GetWindow",
                                       L"SetObjectRects 5 6 105 56",
                                       L"DoVerb -4",
                                       L"Close 1",
                                       L"Unadvise DWebBrowserEvents2",
                                       L"SetClientSite null",
                                       L"Release final"};
    EXPECT_EQ(expected, stub::CallLog());
}

TEST_F(EngineStubTest, SimplePageRaisesEventsInPlatformOrderOnlyWhilePumping) {
    stub::Page page;
    page.title = L"第一页";
    page.text = L"hello text";
    stub::SetPage(L"http://a.test/", page);
    Hosted h;
    ASSERT_EQ(S_OK, h.Navigate(L"http://a.test/"));

    // Inside the call: BeforeNavigate2 only.
    ASSERT_EQ(std::vector<DISPID>{DISPID_BEFORENAVIGATE2}, h.sink->Ids());
    const SeenEvent& before = h.sink->events[0];
    std::vector<VARTYPE> beforeTypes{
        VT_DISPATCH,           VT_VARIANT | VT_BYREF, VT_VARIANT | VT_BYREF, VT_VARIANT | VT_BYREF,
        VT_VARIANT | VT_BYREF, VT_VARIANT | VT_BYREF, VT_BOOL | VT_BYREF};
    EXPECT_EQ(beforeTypes, before.types);
    EXPECT_EQ(L"http://a.test/", before.texts[1]);
    ComPtr<IDispatch> self;
    ASSERT_EQ(S_OK, h.browser.As(&self));
    EXPECT_EQ(self.Get(), before.disp);

    Sleep(100);
    EXPECT_EQ(READYSTATE_LOADING, h.engine->State());
    EXPECT_EQ(1u, h.sink->events.size());
    ASSERT_TRUE(h.WaitComplete());
    kvtest::PumpFor(50);

    // DownloadBegin, back and forward states, then two status texts: the platform's order.
    std::vector<DISPID> order{
        DISPID_BEFORENAVIGATE2,    DISPID_DOWNLOADBEGIN,      DISPID_COMMANDSTATECHANGE,
        DISPID_COMMANDSTATECHANGE, DISPID_STATUSTEXTCHANGE,   DISPID_STATUSTEXTCHANGE,
        DISPID_PROGRESSCHANGE,     DISPID_COMMANDSTATECHANGE, DISPID_PROGRESSCHANGE,
        DISPID_DOWNLOADCOMPLETE,   DISPID_TITLECHANGE,        DISPID_NAVIGATECOMPLETE2,
        DISPID_DOCUMENTCOMPLETE,   DISPID_PROGRESSCHANGE,     DISPID_STATUSTEXTCHANGE};
    EXPECT_EQ(order, h.sink->Ids());
    auto complete = h.sink->Of(DISPID_NAVIGATECOMPLETE2);
    ASSERT_EQ(1u, complete.size());
    EXPECT_EQ((std::vector<VARTYPE>{VT_DISPATCH, VT_VARIANT | VT_BYREF}), complete[0].types);
    EXPECT_EQ(L"http://a.test/", complete[0].texts[1]);
    auto title = h.sink->Of(DISPID_TITLECHANGE);
    ASSERT_EQ(1u, title.size());
    EXPECT_EQ(std::vector<VARTYPE>{VT_BSTR}, title[0].types);
    EXPECT_EQ(L"第一页", title[0].texts[0]);
    auto states = h.sink->Of(DISPID_COMMANDSTATECHANGE);
    EXPECT_EQ((std::vector<VARTYPE>{VT_I4, VT_BOOL}), states[0].types);
    EXPECT_EQ(2, states[0].ints[0]);
    EXPECT_EQ(0, states[0].ints[1]); // nothing to go back to after the first page
    EXPECT_EQ(1, states[1].ints[0]);
    auto texts = h.sink->Of(DISPID_STATUSTEXTCHANGE);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(L"Start downloading http://a.test/", texts[0].texts[0]);
    EXPECT_EQ(L"Downloading http://a.test/", texts[1].texts[0]);

    // Properties as the host reads them, through Invoke.
    VARIANT v = h.Get(DISPID_READYSTATE);
    EXPECT_EQ(VT_I4, v.vt);
    EXPECT_EQ(READYSTATE_COMPLETE, v.lVal);
    v = h.Get(210);
    EXPECT_EQ(L"第一页", TextOf(v));
    VariantClear(&v);
    v = h.Get(211);
    EXPECT_EQ(L"http://a.test/", TextOf(v));
    VariantClear(&v);
    v = h.Get(203);
    ASSERT_EQ(VT_DISPATCH, v.vt);
    ComPtr<IHTMLDocument2> doc;
    ASSERT_EQ(S_OK, v.pdispVal->QueryInterface(IID_PPV_ARGS(&doc)));
    VariantClear(&v);
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, doc->get_title(&text));
    EXPECT_STREQ(L"第一页", text);
    SysFreeString(text);
    ComPtr<IHTMLElement> body;
    ASSERT_EQ(S_OK, doc->get_body(&body));
    ASSERT_EQ(S_OK, body->get_innerText(&text));
    EXPECT_STREQ(L"hello text", text);
    SysFreeString(text);

    auto calls = h.engine->Navigations();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(L"Navigate2", calls[0].method);
    EXPECT_EQ(VT_BSTR, calls[0].urlType);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(VT_I4, calls[0].optionalTypes[i]);
        EXPECT_EQ(0, calls[0].optionalInts[i]);
    }
}

TEST_F(EngineStubTest, DocumentIsNullBeforeTheFirstNavigationAndAboutBlankIsTitled) {
    Hosted h;
    VARIANT v = h.Get(203);
    EXPECT_EQ(VT_DISPATCH, v.vt);
    EXPECT_EQ(nullptr, v.pdispVal);
    ASSERT_EQ(S_OK, h.Navigate(L"about:blank"));
    ASSERT_TRUE(h.WaitComplete());
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, h.browser->get_LocationName(&name));
    EXPECT_STREQ(L"about:blank", name);
    SysFreeString(name);
}

TEST_F(EngineStubTest, CancelInBeforeNavigate2StopsTheLoad) {
    Hosted h;
    h.sink->cancelNavigation = true;
    ASSERT_EQ(S_OK, h.Navigate(L"http://cancelled.test/"));
    kvtest::PumpFor(200);
    EXPECT_EQ(std::vector<DISPID>{DISPID_BEFORENAVIGATE2}, h.sink->Ids());
    EXPECT_EQ(READYSTATE_UNINITIALIZED, h.engine->State());
    EXPECT_EQ(L"", h.engine->Url());
}

TEST_F(EngineStubTest, FailuresAnswerWithoutRaisingEvents) {
    stub::Page refused;
    refused.navigateResult = E_ACCESSDENIED;
    stub::SetPage(L"http://refused.test/", refused);
    Hosted h;
    EXPECT_EQ(E_ACCESSDENIED, h.Navigate(L"http://refused.test/"));
    h.engine->FailNext(L"Navigate2", E_OUTOFMEMORY);
    EXPECT_EQ(E_OUTOFMEMORY, h.Navigate(L"http://other.test/"));
    EXPECT_EQ(E_FAIL, h.browser->GoBack());
    EXPECT_EQ(E_FAIL, h.browser->GoForward());
    kvtest::PumpFor(100);
    EXPECT_TRUE(h.sink->events.empty());
    EXPECT_EQ(S_OK, h.Navigate(L"http://other.test/")); // the failure was for one call only
}

TEST_F(EngineStubTest, HistoryMovesBackAndForwardWithCommandStates) {
    Hosted h;
    ASSERT_EQ(S_OK, h.Navigate(L"http://one.test/"));
    ASSERT_TRUE(h.WaitComplete());
    ASSERT_EQ(S_OK, h.Navigate(L"http://two.test/"));
    ASSERT_TRUE(h.WaitComplete());
    h.sink->events.clear();
    ASSERT_EQ(S_OK, h.browser->GoBack());
    ASSERT_TRUE(h.WaitComplete());
    kvtest::PumpFor(30);
    EXPECT_EQ(L"http://one.test/", h.engine->Url());
    auto before = h.sink->Of(DISPID_BEFORENAVIGATE2);
    ASSERT_EQ(1u, before.size());
    EXPECT_EQ(L"http://one.test/", before[0].texts[1]);
    auto states = h.sink->Of(DISPID_COMMANDSTATECHANGE);
    ASSERT_EQ(3u, states.size());
    EXPECT_EQ(0, states[0].ints[1]); // back: nothing before the first page
    EXPECT_EQ(1, states[1].ints[1]); // forward: the second page
    EXPECT_EQ(E_FAIL, h.browser->GoBack());
    ASSERT_EQ(S_OK, h.browser->GoForward());
    ASSERT_TRUE(h.WaitComplete());
    EXPECT_EQ(L"http://two.test/", h.engine->Url());
    EXPECT_EQ(2, h.engine->HistoryLength());
}

TEST_F(EngineStubTest, NewNavigationAbandonsTheOneInProgress) {
    Hosted h;
    ASSERT_EQ(S_OK, h.Navigate(L"http://old.test/"));
    ASSERT_EQ(S_OK, h.Navigate(L"http://new.test/")); // the old load's steps are still queued
    ASSERT_TRUE(h.WaitComplete());
    kvtest::PumpFor(100);
    auto done = h.sink->Of(DISPID_DOCUMENTCOMPLETE);
    ASSERT_EQ(1u, done.size());
    EXPECT_EQ(L"http://new.test/", done[0].texts[1]);
    EXPECT_EQ(1u, h.sink->Of(DISPID_TITLECHANGE).size());
    EXPECT_EQ(L"http://new.test/", h.engine->Title());
}

TEST_F(EngineStubTest, FramesRaiseTheirOwnEventsWithTheirOwnObjects) {
    stub::Page page;
    page.title = L"frames";
    page.frames = 2;
    stub::SetPage(L"http://frames.test/", page);
    Hosted h;
    ASSERT_EQ(S_OK, h.Navigate(L"http://frames.test/"));
    ASSERT_TRUE(h.WaitComplete());
    ComPtr<IDispatch> self;
    ASSERT_EQ(S_OK, h.browser.As(&self));
    auto done = h.sink->Of(DISPID_DOCUMENTCOMPLETE);
    ASSERT_EQ(3u, done.size());
    EXPECT_NE(self.Get(), done[0].disp);
    EXPECT_NE(done[0].disp, done[1].disp);
    EXPECT_EQ(self.Get(), done[2].disp); // the top level completes last
    EXPECT_EQ(3u, h.sink->Of(DISPID_BEFORENAVIGATE2).size());
    EXPECT_EQ(L"http://frames.test/", h.engine->Url());
    EXPECT_EQ(L"frames", h.engine->Title());
}

TEST_F(EngineStubTest, NewWindow2LoadsThePageInTheHandedBackBrowser) {
    Hosted first;
    Hosted second;
    ComPtr<IDispatch> other;
    ASSERT_EQ(S_OK, second.browser.As(&other));
    first.sink->newWindow = other.Get();
    auto result = first.engine->RaiseNewWindow2(L"http://popup.test/");
    EXPECT_FALSE(result.cancelled);
    EXPECT_TRUE(result.gotDispatch);
    EXPECT_TRUE(result.loaded);
    ASSERT_TRUE(second.WaitComplete());
    EXPECT_EQ(L"http://popup.test/", second.engine->Url());
    EXPECT_EQ(L"", first.engine->Url());
    auto ppDisp = first.sink->Of(DISPID_NEWWINDOW2);
    ASSERT_EQ(1u, ppDisp.size());
    EXPECT_EQ((std::vector<VARTYPE>{VT_DISPATCH | VT_BYREF, VT_BOOL | VT_BYREF}), ppDisp[0].types);

    first.sink->cancelNewWindow = true;
    result = first.engine->RaiseNewWindow2(L"http://popup2.test/");
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(1u, second.engine->Navigations().size());
}

TEST_F(EngineStubTest, PagePopupAndCloseRequestComeAfterCompletion) {
    stub::Page page;
    page.popupUrl = L"http://popup.test/";
    page.closeWhenComplete = true;
    stub::SetPage(L"http://opener.test/", page);
    Hosted h;
    ASSERT_EQ(S_OK, h.Navigate(L"http://opener.test/"));
    ASSERT_TRUE(kvtest::PumpUntil([&] { return h.engine->CloseReceived(); }, 5000));
    auto ids = h.sink->Ids();
    auto complete = std::find(ids.begin(), ids.end(), DISPID_DOCUMENTCOMPLETE);
    auto popup = std::find(ids.begin(), ids.end(), DISPID_NEWWINDOW2);
    EXPECT_TRUE(complete < popup && popup != ids.end());
    // As the platform's engine, the close destroys the engine's window; its handle stays.
    EXPECT_NE(nullptr, h.engine->Window());
    EXPECT_FALSE(IsWindow(h.engine->Window()));
}

TEST_F(EngineStubTest, NeverCompletingPageStaysLoadingUntilStopped) {
    stub::Page page;
    page.neverComplete = true;
    stub::SetPage(L"http://slow.test/", page);
    Hosted h;
    ASSERT_EQ(S_OK, h.Navigate(L"http://slow.test/"));
    kvtest::PumpFor(200);
    EXPECT_EQ(READYSTATE_LOADING, h.engine->State());
    EXPECT_EQ((std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_DOWNLOADBEGIN}), h.sink->Ids());
    ASSERT_EQ(S_OK, h.browser->Stop());
    EXPECT_EQ(READYSTATE_LOADING, h.engine->State()); // as the platform's engine
    EXPECT_EQ(DISPID_DOWNLOADCOMPLETE, h.sink->Of(DISPID_DOWNLOADCOMPLETE).at(0).id);
}

TEST_F(EngineStubTest, FailingSinkDoesNotKeepEventsFromOtherSinks) {
    Hosted h;
    Sink* failing = new Sink;
    failing->failAll = true;
    ComPtr<IConnectionPointContainer> cpc;
    ComPtr<IConnectionPoint> cp;
    ASSERT_EQ(S_OK, h.ole.As(&cpc));
    ASSERT_EQ(S_OK, cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, &cp));
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, cp->Advise(failing, &cookie));
    ASSERT_EQ(S_OK, h.Navigate(L"http://a.test/"));
    ASSERT_TRUE(h.WaitComplete());
    EXPECT_EQ(1u, h.sink->Of(DISPID_DOCUMENTCOMPLETE).size());
    EXPECT_EQ(S_OK, cp->Unadvise(cookie));
    EXPECT_EQ(1u, failing->refs);
    failing->Release();
}

TEST_F(EngineStubTest, ControlCallsReachTheStubAndAreRecorded) {
    Hosted h;
    h.site->downloadControl = 0x1234;
    ComPtr<IOleControl> control;
    ASSERT_EQ(S_OK, h.ole.As(&control));
    ASSERT_EQ(S_OK, control->OnAmbientPropertyChange(-5512));
    ASSERT_TRUE(h.engine->DownloadControl().has_value());
    EXPECT_EQ(0x1234, *h.engine->DownloadControl());
    EXPECT_TRUE(h.engine->SiteAnswers(IID_IOleInPlaceSite));
    EXPECT_FALSE(h.engine->SiteAnswers(IID_IOleCommandTarget));

    ComPtr<IOleInPlaceActiveObject> active;
    ASSERT_EQ(S_OK, h.ole.As(&active));
    h.engine->ConsumeKey(VK_F5);
    MSG key{h.engine->Window(), WM_SYSKEYDOWN, VK_F5, 0, 0, {}};
    EXPECT_EQ(S_OK, active->TranslateAccelerator(&key));
    key.wParam = VK_F6;
    EXPECT_EQ(S_FALSE, active->TranslateAccelerator(&key));
    EXPECT_EQ(2u, h.engine->Keys().size());

    ASSERT_EQ(S_OK, h.Navigate(L"http://a.test/"));
    ASSERT_TRUE(h.WaitComplete());
    ComPtr<IDispatch> docDisp;
    ASSERT_EQ(S_OK, h.browser->get_Document(&docDisp));
    ComPtr<IOleCommandTarget> target;
    ASSERT_EQ(S_OK, docDisp.As(&target));
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(S_OK, target->Exec(nullptr, OLECMDID_GETZOOMRANGE, 0, nullptr, &out));
    EXPECT_EQ(VT_I4, out.vt);
    EXPECT_EQ(MAKELONG(0, 4), out.lVal);
    VARIANT level;
    VariantInit(&level);
    level.vt = VT_I4;
    level.lVal = 4;
    ASSERT_EQ(S_OK,
              target->Exec(nullptr, OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &level, nullptr));
    EXPECT_EQ(4, h.engine->ZoomLevel());
    EXPECT_EQ(S_OK, h.browser->ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr));
    std::vector<std::wstring> commands{L"Exec none 20 0", L"Exec none 19 2", L"ExecWB 6 1"};
    EXPECT_EQ(commands, h.engine->Commands());

    VARIANT visible;
    VariantInit(&visible);
    visible.vt = VT_BOOL;
    visible.boolVal = VARIANT_FALSE;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&visible, &named, 1, 1};
    ASSERT_EQ(S_OK, h.browser->Invoke(402, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr,
                                      nullptr, nullptr));
    VARIANT_BOOL now = VARIANT_TRUE;
    ASSERT_EQ(S_OK, h.browser->get_Visible(&now));
    EXPECT_EQ(VARIANT_FALSE, now);
}

TEST_F(EngineStubTest, PagesFileDescribesPagesForOtherProcesses) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring path = std::wstring(dir) + L"kvstub_pages_test.txt";
    {
        std::ofstream out(path.c_str(), std::ios::binary);
        out << "\xEF\xBB\xBF# comment\r\n"
            << "http://f.test/\t\xE6\xA0\x87\xE9\xA2\x98\tframes=2,close\tbody words\r\n"
            << "http://slow.test/\tSlow\tnever\n"
            << "http://bad.test/\tBad\tfail=80004005\n"
            << "http://gone.test/\tGone\terror\n";
    }
    EXPECT_EQ(4, stub::LoadPages(path));
    DeleteFileW(path.c_str());
    EXPECT_EQ(-1, stub::LoadPages(path));

    Hosted h;
    EXPECT_EQ(E_FAIL, h.Navigate(L"http://bad.test/"));
    ASSERT_EQ(S_OK, h.Navigate(L"http://f.test/"));
    ASSERT_TRUE(kvtest::PumpUntil([&] { return h.engine->CloseReceived(); }, 5000));
    EXPECT_EQ(L"\u6807\u9898", h.engine->Title());
    EXPECT_EQ(3u, h.sink->Of(DISPID_DOCUMENTCOMPLETE).size());
    ASSERT_EQ(S_OK, h.Navigate(L"http://slow.test/"));
    kvtest::PumpFor(100);
    EXPECT_EQ(READYSTATE_LOADING, h.engine->State());
    ASSERT_EQ(S_OK, h.Navigate(L"http://gone.test/"));
    EXPECT_TRUE(kvtest::PumpUntil([&] { return !h.sink->Of(271).empty(); }, 5000));
    EXPECT_EQ(READYSTATE_LOADING, h.engine->State());
}

TEST_F(EngineStubTest, FailingPageEndsWithNavigateErrorAndStaysLoading) {
    stub::Page page;
    page.navigateError = true;
    stub::SetPage(L"http://gone.test/", page);
    Hosted h;
    ASSERT_EQ(S_OK, h.Navigate(L"http://gone.test/"));
    ASSERT_TRUE(kvtest::PumpUntil([&] { return !h.sink->Of(271).empty(); }, 5000));
    kvtest::PumpFor(50);
    EXPECT_EQ((std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_DOWNLOADBEGIN,
                                   DISPID_COMMANDSTATECHANGE, DISPID_COMMANDSTATECHANGE,
                                   DISPID_STATUSTEXTCHANGE, DISPID_STATUSTEXTCHANGE,
                                   DISPID_STATUSTEXTCHANGE, DISPID_DOWNLOADCOMPLETE, 271}),
              h.sink->Ids());
    EXPECT_EQ(READYSTATE_LOADING, h.engine->State());
    EXPECT_EQ(L"http://gone.test/", h.engine->Url());
    VARIANT v = h.Get(203);
    EXPECT_TRUE(v.vt == VT_EMPTY || (v.vt == VT_DISPATCH && v.pdispVal == nullptr));
    VariantClear(&v);
    auto error = h.sink->Of(271).at(0);
    EXPECT_EQ((std::vector<VARTYPE>{VT_DISPATCH, VT_VARIANT | VT_BYREF, VT_VARIANT | VT_BYREF,
                                    VT_VARIANT | VT_BYREF, VT_BOOL | VT_BYREF}),
              error.types);
    EXPECT_EQ(L"http://gone.test/", error.texts[1]);
}

TEST_F(EngineStubTest, PostDataComesDoublyByReference) {
    Hosted h;
    ASSERT_EQ(S_OK, h.Navigate(L"http://post.test/"));
    EXPECT_EQ((std::vector<VARTYPE>{VT_VARIANT | VT_BYREF, VT_VARIANT | VT_BYREF, VT_EMPTY}),
              h.sink->postChain);
}

// Run by hand in a prefix where kvstub.dll is registered (KVSTUB_REGISTERED=1): the class
// comes from the DLL through the registry, not from this process's registration.
TEST(EngineStubDll, RegisteredDllAnswersForWebBrowser) {
    wchar_t flag[8] = {};
    if (!GetEnvironmentVariableW(L"KVSTUB_REGISTERED", flag, 8)) {
        GTEST_SKIP() << "KVSTUB_REGISTERED not set";
    }
    ComPtr<IWebBrowser2> browser;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&browser)));
    EXPECT_TRUE(stub::Instances().empty()); // not this process's statically linked copy
    VARIANT u;
    VariantInit(&u);
    u.vt = VT_BSTR;
    u.bstrVal = SysAllocString(L"about:blank");
    ASSERT_EQ(S_OK, browser->Navigate2(&u, nullptr, nullptr, nullptr, nullptr));
    VariantClear(&u);
    // The platform's control under Wine never gets past loading; the stand-in completes.
    READYSTATE state = READYSTATE_UNINITIALIZED;
    EXPECT_TRUE(kvtest::PumpUntil(
        [&] { return SUCCEEDED(browser->get_ReadyState(&state)) && state == 4; }, 3000));
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, browser->get_LocationName(&name));
    EXPECT_STREQ(L"about:blank", name);
    SysFreeString(name);
    browser.Reset();

    wchar_t logPath[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"KVSTUB_LOG", logPath, MAX_PATH)) {
        std::ifstream in(logPath, std::ios::binary);
        std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string pid = std::to_string(GetCurrentProcessId());
        EXPECT_NE(std::string::npos, log.find(pid + " Navigate2 about:blank\n"));
        EXPECT_NE(std::string::npos, log.find(pid + " Event 259\n"));
        EXPECT_NE(std::string::npos, log.find(pid + " Release final\n"));
    }
}

} // namespace
