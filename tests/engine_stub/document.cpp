// Documents and frame objects of the stand-in engine.
#include "engine_stub/stub_internal.h"
#include "engine_stub/unimplemented.h"
#include "engine_stub/unimplemented_window.h"

#include <docobj.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmdid.h>

#include <atomic>

namespace stub::detail {

namespace {

// IUnknown and an empty IDispatch for the small objects below.
template <class Base> class Counted : public Base {
public:
    Counted() { ObjectCreated(); }
    virtual ~Counted() { ObjectDestroyed(); }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) {
            delete this;
        }
        return n;
    }
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
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }

private:
    ULONG refs_ = 1;
};

constexpr DISPID kInnerTextId = static_cast<DISPID>(DISPID_IHTMLELEMENT_INNERTEXT);
constexpr DISPID kDocumentElementId = static_cast<DISPID>(DISPID_IHTMLDOCUMENT3_DOCUMENTELEMENT);

// Late-bound reading of the page text, as a script or an automation client does it:
// document.documentElement.innerText. One property name per object, looked up without regard
// to letter case as the platform's documents do.
HRESULT PageTextIdOfName(LPOLESTR* names, UINT count, DISPID* ids, const wchar_t* name, DISPID id) {
    if (!names || !ids) {
        return E_POINTER;
    }
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = i == 0 && names[i] && _wcsicmp(names[i], name) == 0 ? id : DISPID_UNKNOWN;
        if (ids[i] == DISPID_UNKNOWN) {
            hr = DISP_E_UNKNOWNNAME;
        }
    }
    return hr;
}

class Element : public Counted<NotImplHTMLElement> {
public:
    explicit Element(std::wstring text) : text_(std::move(text)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLElement) {
            *out = static_cast<IHTMLElement*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        return PageTextIdOfName(names, count, ids, L"innerText", kInnerTextId);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (id != kInnerTextId || !(flags & DISPATCH_PROPERTYGET)) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (!result) {
            return E_POINTER;
        }
        return Safe([&] {
            VariantInit(result);
            SetBstr(result, text_);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_innerText(BSTR* p) override { return Text(p, text_); }
    HRESULT STDMETHODCALLTYPE get_outerText(BSTR* p) override { return Text(p, text_); }
    HRESULT STDMETHODCALLTYPE get_tagName(BSTR* p) override { return Text(p, L"BODY"); }

private:
    static HRESULT Text(BSTR* p, const std::wstring& text) {
        if (!p) {
            return E_POINTER;
        }
        return Safe([&] {
            *p = AllocBstr(text);
            return S_OK;
        });
    }
    std::wstring text_;
};

// The window's event object during a script error: its properties by name (any letter case).
class EventObject : public Counted<NotImplHTMLEventObj> {
public:
    explicit EventObject(ScriptError error) : error_(std::move(error)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLEventObj) {
            *out = static_cast<IHTMLEventObj*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!names || !ids || count != 1) {
            return E_INVALIDARG;
        }
        ids[0] = DISPID_UNKNOWN;
        for (int i = 0; i < kCount; ++i) {
            if (_wcsicmp(names[0], kNames[i]) == 0 && _wcsicmp(names[0], error_.missing.c_str())) {
                ids[0] = 1000 + i;
                return S_OK;
            }
        }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        return Safe([&]() -> HRESULT {
            if (!(flags & DISPATCH_PROPERTYGET) || id < 1000 || id >= 1000 + kCount) {
                return DISP_E_MEMBERNOTFOUND;
            }
            if (!result) {
                return E_POINTER;
            }
            VariantInit(result);
            switch (id - 1000) {
            case 0:
                result->vt = VT_I4;
                result->lVal = error_.line;
                break;
            case 1:
                result->vt = VT_I4;
                result->lVal = error_.character;
                break;
            case 2:
                result->vt = VT_I4;
                result->lVal = error_.code;
                break;
            case 3:
                SetBstr(result, error_.message);
                break;
            default:
                SetBstr(result, error_.url);
                break;
            }
            return S_OK;
        });
    }

private:
    static constexpr int kCount = 5;
    static constexpr const wchar_t* kNames[kCount] = {L"errorLine", L"errorCharacter", L"errorCode",
                                                      L"errorMessage", L"errorUrl"};
    ScriptError error_;
};

// The page's window: only its event object.
class PageWindow : public Counted<NotImplHTMLWindow2> {
public:
    explicit PageWindow(std::shared_ptr<DocumentShared> shared) : shared_(std::move(shared)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLWindow2 ||
            iid == IID_IHTMLFramesCollection2) {
            *out = static_cast<IHTMLWindow2*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_event(IHTMLEventObj** p) override {
        if (!p) {
            return E_POINTER;
        }
        *p = nullptr;
        return Safe([&] {
            if (shared_->scriptError) {
                *p = new EventObject(*shared_->scriptError);
            }
            return S_OK;
        });
    }

private:
    std::shared_ptr<DocumentShared> shared_;
};

class Document : public Counted<NotImplHTMLDocument2>, public IOleCommandTarget {
public:
    Document(std::shared_ptr<DocumentShared> shared, std::wstring url, std::wstring title,
             std::wstring text)
        : shared_(std::move(shared)), url_(std::move(url)), title_(std::move(title)),
          text_(std::move(text)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLDocument ||
            iid == IID_IHTMLDocument2) {
            *out = static_cast<IHTMLDocument2*>(this);
        } else if (iid == IID_IOleCommandTarget) {
            *out = static_cast<IOleCommandTarget*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Counted::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Counted::Release(); }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        return PageTextIdOfName(names, count, ids, L"documentElement", kDocumentElementId);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (id != kDocumentElementId || !(flags & DISPATCH_PROPERTYGET)) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (!result) {
            return E_POINTER;
        }
        return Safe([&] {
            VariantInit(result);
            result->vt = VT_DISPATCH;
            result->pdispVal = static_cast<IHTMLElement*>(new Element(text_));
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE get_title(BSTR* p) override { return Text(p, title_); }
    HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** p) override {
        if (!p) {
            return E_POINTER;
        }
        return Safe([&] {
            *p = new PageWindow(shared_);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_URL(BSTR* p) override { return Text(p, url_); }
    HRESULT STDMETHODCALLTYPE get_readyState(BSTR* p) override { return Text(p, L"complete"); }
    HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) override {
        if (!p) {
            return E_POINTER;
        }
        return Safe([&] {
            *p = new Element(text_);
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG count, OLECMD commands[],
                                          OLECMDTEXT*) override {
        if (count && !commands) {
            return E_POINTER;
        }
        for (ULONG i = 0; i < count; ++i) {
            commands[i].cmdf = OLECMDF_SUPPORTED | OLECMDF_ENABLED;
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD id, DWORD option, VARIANT* in,
                                   VARIANT* out) override {
        return Safe([&]() -> HRESULT {
            std::wstring name = !group                      ? L"none"
                                : *group == kCgidWebBrowser ? L"CGID_WebBrowser"
                                                            : L"other";
            std::wstring entry =
                L"Exec " + name + L" " + std::to_wstring(id) + L" " + std::to_wstring(option);
            shared_->commands.push_back(entry);
            Log(entry);
            auto failure = shared_->failures.find(L"Exec");
            if (failure != shared_->failures.end()) {
                HRESULT hr = failure->second;
                shared_->failures.erase(failure);
                return hr;
            }
            if (!group && id == OLECMDID_GETZOOMRANGE && out) {
                VariantClear(out);
                out->vt = VT_I4;
                out->lVal = MAKELONG(0, 4);
            } else if (!group && id == OLECMDID_ZOOM) {
                if (in && in->vt == VT_I4) {
                    shared_->zoom = in->lVal;
                }
                if (out) {
                    VariantClear(out);
                    out->vt = VT_I4;
                    out->lVal = shared_->zoom;
                }
            }
            return S_OK;
        });
    }

private:
    static HRESULT Text(BSTR* p, const std::wstring& text) {
        if (!p) {
            return E_POINTER;
        }
        return Safe([&] {
            *p = AllocBstr(text);
            return S_OK;
        });
    }

    std::shared_ptr<DocumentShared> shared_;
    std::wstring url_, title_, text_;
};

class Frame : public Counted<IDispatch> {
public:
    Frame(std::wstring url, std::wstring name) : url_(std::move(url)), name_(std::move(name)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        return Safe([&]() -> HRESULT {
            if (!(flags & DISPATCH_PROPERTYGET)) {
                return DISP_E_MEMBERNOTFOUND;
            }
            if (!result) {
                return E_POINTER;
            }
            VariantInit(result);
            switch (id) {
            case DISPID_LOCATIONURL_PROPERTY:
                SetBstr(result, url_);
                return S_OK;
            case DISPID_LOCATIONNAME_PROPERTY:
                SetBstr(result, name_);
                return S_OK;
            case DISPID_READYSTATE:
                result->vt = VT_I4;
                result->lVal = READYSTATE_COMPLETE;
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
            }
        });
    }

private:
    static constexpr DISPID DISPID_LOCATIONNAME_PROPERTY = 210;
    static constexpr DISPID DISPID_LOCATIONURL_PROPERTY = 211;
    std::wstring url_, name_;
};

} // namespace

ComPtr<IDispatch> MakeDocument(std::shared_ptr<DocumentShared> shared, const std::wstring& url,
                               const std::wstring& title, const std::wstring& text) {
    return Adopt<IDispatch>(
        static_cast<IHTMLDocument2*>(new Document(std::move(shared), url, title, text)));
}

ComPtr<IDispatch> MakeFrame(const std::wstring& url, const std::wstring& name) {
    return Adopt<IDispatch>(new Frame(url, name));
}

BSTR AllocBstr(const std::wstring& text) {
    BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!b) {
        throw std::bad_alloc();
    }
    return b;
}

void SetBstr(VARIANT* v, const std::wstring& text) {
    BSTR b = AllocBstr(text);
    VariantClear(v);
    v->vt = VT_BSTR;
    v->bstrVal = b;
}

} // namespace stub::detail
