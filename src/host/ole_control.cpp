#include "host/ole_control.h"

#include "toolkit/application.h"
#include "toolkit/com.h"
#include "toolkit/error.h"

#include <olectl.h>

#include <map>
#include <new>

namespace host {
namespace {

constexpr const wchar_t* kControlProp = L"host.OleControl";

// The control that is UI active inside each top-level form.
std::map<HWND, TOleControl*>& UIActiveControls() {
    static std::map<HWND, TOleControl*> controls;
    return controls;
}

int ScreenDpi() {
    HDC dc = GetDC(nullptr);
    int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc != nullptr) {
        ReleaseDC(nullptr, dc);
    }
    return dpi > 0 ? dpi : 96;
}

OLE_COLOR ToOleColor(COLORREF c) {
    return static_cast<OLE_COLOR>(c);
}

// IDispatch answered by dispatch id only: no type information, no names.
class DispatchById : public IDispatch {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count != nullptr) {
            *count = 0;
        }
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr) {
            *info = nullptr;
        }
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
};

} // namespace

// The client site: client site, control site, in-place site and frame, ambient properties and
// property change sink in one object. Its owner pointer is cleared when the control goes, so a
// control that keeps a reference can still call it safely.
class OleSite final : public IOleClientSite,
                      public IOleControlSite,
                      public IOleInPlaceSite,
                      public IOleInPlaceFrame,
                      public DispatchById,
                      public IPropertyNotifySink {
public:
    explicit OleSite(TOleControl* owner) : owner_(owner) {}
    void Detach() { owner_ = nullptr; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (owner_ != nullptr) {
            HRESULT hr = E_NOINTERFACE;
            // Host interfaces take precedence over the site's own.
            try {
                hr = owner_->QueryHostInterface(iid, object);
            } catch (...) {
                tk::ReportCurrentException();
                hr = E_NOINTERFACE;
            }
            if (SUCCEEDED(hr) && *object != nullptr) {
                return S_OK;
            }
            *object = nullptr;
        }
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
            *object = static_cast<IOleClientSite*>(this);
        } else if (iid == IID_IOleControlSite) {
            *object = static_cast<IOleControlSite*>(this);
        } else if (iid == IID_IOleInPlaceSite || iid == IID_IOleWindow) {
            *object = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow) {
            *object = static_cast<IOleInPlaceFrame*>(this);
        } else if (iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
        } else if (iid == IID_IPropertyNotifySink) {
            *object = static_cast<IPropertyNotifySink*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
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

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker != nullptr) {
            *moniker = nullptr;
        }
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        if (container != nullptr) {
            *container = nullptr;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** disp) override {
        if (disp == nullptr) {
            return E_POINTER;
        }
        *disp = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override {
        if (himetric == nullptr || container == nullptr) {
            return E_POINTER;
        }
        int dpi = ScreenDpi();
        if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
            container->x = static_cast<float>(MulDiv(himetric->x, dpi, 2540));
            container->y = static_cast<float>(MulDiv(himetric->y, dpi, 2540));
        } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
            himetric->x = MulDiv(static_cast<int>(container->x), 2540, dpi);
            himetric->y = MulDiv(static_cast<int>(container->y), 2540, dpi);
        } else {
            return E_INVALIDARG;
        }
        return S_OK;
    }
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    STDMETHODIMP OnFocus(BOOL) override { return S_OK; }
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and frame)
    STDMETHODIMP GetWindow(HWND* window) override {
        if (window == nullptr) {
            return E_POINTER;
        }
        *window = owner_ != nullptr ? owner_->parent_ : nullptr;
        return *window != nullptr ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return owner_ != nullptr ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override {
        if (owner_ != nullptr && owner_->parent_ != nullptr) {
            HWND form = GetAncestor(owner_->parent_, GA_ROOT);
            auto& active = UIActiveControls();
            auto it = active.find(form);
            if (it != active.end() && it->second != owner_ && it->second->inPlaceObject_) {
                // Only one control of a form is UI active at a time.
                it->second->inPlaceObject_->UIDeactivate();
            }
            active[form] = owner_;
        }
        return S_OK;
    }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (frame == nullptr || doc == nullptr || pos == nullptr || clip == nullptr ||
            info == nullptr) {
            return E_POINTER;
        }
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *doc = nullptr;
        if (owner_ != nullptr) {
            *pos = owner_->bounds_;
        } else {
            SetRectEmpty(pos);
        }
        SetRect(clip, 0, 0, 32767, 32767);
        info->fMDIApp = FALSE;
        info->hwndFrame = (owner_ != nullptr && owner_->parent_ != nullptr)
                              ? GetAncestor(owner_->parent_, GA_ROOT)
                              : nullptr;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override {
        if (owner_ != nullptr) {
            auto& active = UIActiveControls();
            for (auto it = active.begin(); it != active.end(); ++it) {
                if (it->second == owner_) {
                    active.erase(it);
                    break;
                }
            }
        }
        return S_OK;
    }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT pos) override {
        if (pos == nullptr) {
            return E_POINTER;
        }
        if (owner_ != nullptr && owner_->inPlaceObject_) {
            RECT clip{0, 0, 32767, 32767};
            owner_->bounds_ = *pos;
            owner_->inPlaceObject_->SetObjectRects(pos, &clip);
        }
        return S_OK;
    }

    // IOleInPlaceUIWindow / IOleInPlaceFrame: no tool space is given, no menus are merged
    // (the browser window has no menu bar of its own).
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override {
        return widths == nullptr ? S_OK : INPLACE_E_NOTOOLSPACE;
    }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) override {
        if (widths == nullptr) {
            return E_POINTER;
        }
        widths->width[0] = 0;
        widths->width[2] = 0;
        widths->width[4] = 0;
        return S_OK;
    }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: ambient properties.
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                        EXCEPINFO*, UINT*) override {
        if (owner_ == nullptr) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if ((flags & DISPATCH_PROPERTYGET) == 0 || result == nullptr) {
            return DISP_E_MEMBERNOTFOUND;
        }
        VariantInit(result);
        TOleControl* owner = owner_;
        return tk::GuardHr([&]() -> HRESULT {
            HRESULT hr = owner->GetAmbientProperty(id, result);
            if (hr != DISP_E_MEMBERNOTFOUND) {
                return hr;
            }
            return owner->StandardAmbient(id, result);
        });
    }

    // IPropertyNotifySink
    STDMETHODIMP OnChanged(DISPID) override { return S_OK; }
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

private:
    ~OleSite() = default;
    LONG refs_ = 1;
    TOleControl* owner_;
};

// Receives the control's event calls and routes them to the owner's slots.
class EventSink final : public DispatchById {
public:
    EventSink(TOleControl* owner, const TControlData& data) : owner_(owner), data_(data) {}
    void Detach() { owner_ = nullptr; }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == data_.EventIID) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
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
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO*, UINT*) override {
        if (result != nullptr) {
            VariantInit(result);
        }
        TOleControl* owner = owner_;
        if (owner == nullptr) {
            return S_OK;
        }
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        DISPPARAMS* args = params != nullptr ? params : &none;
        // Keep this sink alive even if the handler destroys the control.
        ComPtr<EventSink> self(this);
        int slot = -1;
        for (int i = 0; i < data_.EventCount; ++i) {
            if (data_.EventDispIDs[i] == id) {
                slot = i;
                break;
            }
        }
        // A handler's error is reported here and never returned to the engine.
        tk::Guard([&] {
            owner->AddRefEventDepth();
            struct Leave {
                EventSink* sink;
                TOleControl* owner;
                ~Leave() {
                    if (sink->owner_ != nullptr) {
                        owner->ReleaseEventDepth();
                    }
                }
            } leave{this, owner};
            if (slot >= 0) {
                owner->InvokeEvent(slot, args);
            } else {
                owner->InvokeOtherEvent(id, args);
            }
        });
        return S_OK;
    }

private:
    ~EventSink() = default;
    LONG refs_ = 1;
    TOleControl* owner_;
    const TControlData& data_;
};

TOleControl::TOleControl(const TControlData& data) : data_(data) {
    site_ = tk::Adopt(new OleSite(this));
    sink_ = tk::Adopt(new EventSink(this, data_));
}

// The engine object is made on first use, never inside a constructor: the engine asks its
// client site for the host's interfaces while the site is being set, and only a fully
// constructed host can answer them with its own.
void TOleControl::EnsureCreated() {
    if (oleObject_ || destroyed_) {
        if (!oleObject_) {
            tk::ThrowHr(E_UNEXPECTED);
        }
        return;
    }
    ComPtr<IOleObject> object;
    tk::Check(CoCreateInstance(data_.ClassID, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                               IID_IOleObject, reinterpret_cast<void**>(object.GetAddressOf())));
    oleObject_ = object;
    oleObject_->GetMiscStatus(DVASPECT_CONTENT, &miscStatus_);
    HRESULT hr = oleObject_.As(&persist_);
    if (SUCCEEDED(hr) && (miscStatus_ & OLEMISC_SETCLIENTSITEFIRST)) {
        hr = oleObject_->SetClientSite(site_.Get());
        clientSiteSet_ = SUCCEEDED(hr);
    }
    if (FAILED(hr)) {
        if (clientSiteSet_) {
            oleObject_->SetClientSite(nullptr);
            clientSiteSet_ = false;
        }
        persist_.Reset();
        oleObject_.Reset();
        tk::ThrowHr(hr);
    }
    SIZEL extent{0, 0};
    if (!boundsSet_ && SUCCEEDED(oleObject_->GetExtent(DVASPECT_CONTENT, &extent)) &&
        extent.cx > 0 && extent.cy > 0) {
        int dpi = ScreenDpi();
        bounds_ = RECT{0, 0, MulDiv(extent.cx, dpi, 2540), MulDiv(extent.cy, dpi, 2540)};
    }
}

IOleObject* TOleControl::OleObject() {
    EnsureCreated();
    return oleObject_.Get();
}

IUnknown* TOleControl::ClientSite() const {
    return static_cast<IOleClientSite*>(site_.Get());
}

TOleControl::~TOleControl() {
    DestroyControl();
}

void TOleControl::DestroyControl() noexcept {
    destroyed_ = true;
    // Nothing the control does from here on reaches this object.
    if (sink_) {
        sink_->Detach();
    }
    if (site_) {
        site_->Detach();
    }
    for (auto it = UIActiveControls().begin(); it != UIActiveControls().end();) {
        it = it->second == this ? UIActiveControls().erase(it) : std::next(it);
    }
    DetachWindow();
    if (inPlaceObject_) {
        inPlaceObject_->UIDeactivate();
    }
    if (oleObject_) {
        oleObject_->Close(OLECLOSE_NOSAVE);
    }
    Uncomplete();
    if (oleObject_ && clientSiteSet_) {
        oleObject_->SetClientSite(nullptr);
        clientSiteSet_ = false;
    }
    inPlaceActive_.Reset();
    inPlaceObject_.Reset();
    persist_.Reset();
    oleObject_.Reset();
    site_.Reset();
    sink_.Reset();
}

void TOleControl::Uncomplete() noexcept {
    if (eventPoint_) {
        eventPoint_->Unadvise(eventSinkCookie_);
        eventPoint_.Reset();
        eventSinkCookie_ = 0;
    }
    if (propertyPoint_) {
        propertyPoint_->Unadvise(propertySinkCookie_);
        propertyPoint_.Reset();
        propertySinkCookie_ = 0;
    }
    control_.Reset();
    dispatch_.Reset();
    completed_ = false;
}

void TOleControl::Complete() {
    if (completed_) {
        return;
    }
    EnsureCreated();
    try {
        if (!clientSiteSet_) {
            tk::Check(oleObject_->SetClientSite(site_.Get()));
            clientSiteSet_ = true;
        }
        tk::Check(persist_->InitNew());
        tk::Check(oleObject_.As(&control_));
        tk::Check(oleObject_.As(&dispatch_));
        ComPtr<IConnectionPointContainer> container;
        tk::Check(oleObject_.As(&container));
        // The property change sink is optional; the event sink is what makes the control useful.
        if (SUCCEEDED(container->FindConnectionPoint(IID_IPropertyNotifySink, &propertyPoint_))) {
            if (FAILED(propertyPoint_->Advise(static_cast<IPropertyNotifySink*>(site_.Get()),
                                              &propertySinkCookie_))) {
                propertyPoint_.Reset();
            }
        }
        tk::Check(container->FindConnectionPoint(data_.EventIID, &eventPoint_));
        HRESULT hr = eventPoint_->Advise(sink_.Get(), &eventSinkCookie_);
        if (FAILED(hr)) {
            eventPoint_.Reset();
            tk::ThrowHr(hr);
        }
        completed_ = true;
        control_->OnAmbientPropertyChange(DISPID_UNKNOWN);
    } catch (...) {
        Uncomplete();
        throw;
    }
    Completed();
}

void TOleControl::Completed() {}

IDispatch* TOleControl::DefaultDispatch() {
    Complete();
    return dispatch_.Get();
}

IOleControl* TOleControl::ControlInterface() {
    Complete();
    return control_.Get();
}

void TOleControl::SetParent(HWND parent) {
    parent_ = parent;
    if (parent_ == nullptr) {
        return;
    }
    EnsureCreated();
    if (!clientSiteSet_) {
        tk::Check(oleObject_->SetClientSite(site_.Get()));
        clientSiteSet_ = true;
    }
    if (completed_) {
        control_->OnAmbientPropertyChange(DISPID_UNKNOWN);
    }
    ParentSet();
}

void TOleControl::ParentSet() {}

HWND TOleControl::Handle() {
    if (window_ != nullptr && !IsWindow(window_)) {
        // The engine destroyed its window without this control seeing it go.
        DetachWindow();
    }
    if (window_ == nullptr) {
        CreateControlWindow();
    }
    return window_;
}

void TOleControl::CreateControlWindow() {
    Complete();
    if (parent_ == nullptr) {
        throw tk::Error(L"Control has no parent window", E_UNEXPECTED);
    }
    tk::Check(
        oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent_, &bounds_));
    if (FAILED(oleObject_.As(&inPlaceObject_)) || !inPlaceObject_) {
        throw tk::Error(L"OLE control activation failed", E_FAIL);
    }
    oleObject_.As(&inPlaceActive_);
    HWND window = nullptr;
    // A window the engine destroyed earlier (after a page closed it) is no window.
    if (FAILED(inPlaceObject_->GetWindow(&window)) || window == nullptr || !IsWindow(window)) {
        throw tk::Error(L"Could not obtain OLE control window handle", E_FAIL);
    }
    window_ = window;
    SetPropW(window_, kControlProp, this);
    SetPropW(window_, tk::kKeyTargetProp, this);
    previousProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
    if (!visible_) {
        ShowWindow(window_, SW_HIDE);
    }
}

void TOleControl::DetachWindow() noexcept {
    if (window_ == nullptr) {
        return;
    }
    if (IsWindow(window_)) {
        if (previousProc_ != nullptr &&
            GetWindowLongPtrW(window_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&SubclassProc)) {
            SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
        }
        RemovePropW(window_, kControlProp);
        RemovePropW(window_, tk::kKeyTargetProp);
    }
    window_ = nullptr;
}

LRESULT CALLBACK TOleControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<TOleControl*>(GetPropW(hwnd, kControlProp));
    if (self == nullptr) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        // The engine's window goes first (for instance after the page closed it).
        WNDPROC previous = self->previousProc_;
        self->DetachWindow();
        return previous != nullptr ? CallWindowProcW(previous, hwnd, msg, wParam, lParam) : 0;
    }
    LRESULT result = 0;
    if (!tk::Guard([&] { result = self->WndProc(msg, wParam, lParam); })) {
        result = 0;
    }
    return result;
}

LRESULT TOleControl::CallPreviousProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (window_ == nullptr || previousProc_ == nullptr) {
        return 0;
    }
    HWND window = window_;
    WNDPROC previous = previousProc_;
    return CallWindowProcW(previous, window, msg, wParam, lParam);
}

bool TOleControl::TranslateKeyToControl(UINT keyMsg, WPARAM wParam, LPARAM lParam) {
    if (!inPlaceActive_) {
        return false;
    }
    MSG m{};
    m.hwnd = window_;
    m.message = keyMsg;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = static_cast<DWORD>(GetMessageTime());
    // The point is not used by the engine for keys.
    m.pt.x = 0x115DE1F1;
    m.pt.y = 0x115DE1F1;
    ComPtr<IOleInPlaceActiveObject> active = inPlaceActive_;
    return active->TranslateAccelerator(&m) == S_OK;
}

LRESULT TOleControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= tk::CN_BASE + WM_KEYDOWN && msg <= tk::CN_BASE + WM_SYSDEADCHAR) {
        return TranslateKeyToControl(msg - tk::CN_BASE, wParam, lParam) ? 1 : 0;
    }
    return CallPreviousProc(msg, wParam, lParam);
}

void TOleControl::InvokeOtherEvent(DISPID, DISPPARAMS*) {}

HRESULT TOleControl::QueryHostInterface(REFIID, void** object) {
    if (object != nullptr) {
        *object = nullptr;
    }
    return E_NOINTERFACE;
}

HRESULT TOleControl::GetAmbientProperty(DISPID, VARIANT*) {
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT TOleControl::StandardAmbient(DISPID id, VARIANT* result) {
    switch (id) {
    case DISPID_AMBIENT_USERMODE:
    case DISPID_AMBIENT_MESSAGEREFLECT:
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = VARIANT_TRUE;
        return S_OK;
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = VARIANT_FALSE;
        return S_OK;
    case DISPID_AMBIENT_LOCALEID:
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(GetUserDefaultLCID());
        return S_OK;
    case DISPID_AMBIENT_BACKCOLOR:
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(ToOleColor(GetSysColor(COLOR_BTNFACE)));
        return S_OK;
    case DISPID_AMBIENT_FORECOLOR:
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(ToOleColor(GetSysColor(COLOR_WINDOWTEXT)));
        return S_OK;
    case DISPID_AMBIENT_FONT: {
        HFONT font = parent_ != nullptr
                         ? reinterpret_cast<HFONT>(SendMessageW(parent_, WM_GETFONT, 0, 0))
                         : nullptr;
        if (font == nullptr) {
            font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        }
        LOGFONTW lf{};
        if (GetObjectW(font, sizeof(lf), &lf) == 0) {
            return DISP_E_MEMBERNOTFOUND;
        }
        HDC dc = GetDC(nullptr);
        int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc != nullptr) {
            ReleaseDC(nullptr, dc);
        }
        FONTDESC desc{};
        desc.cbSizeofstruct = sizeof(desc);
        desc.lpstrName = lf.lfFaceName;
        int height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
        desc.cySize.int64 = static_cast<LONGLONG>(MulDiv(height, 72, dpi)) * 10000;
        desc.sWeight = static_cast<SHORT>(lf.lfWeight);
        desc.sCharset = lf.lfCharSet;
        desc.fItalic = lf.lfItalic;
        desc.fUnderline = lf.lfUnderline;
        desc.fStrikethrough = lf.lfStrikeOut;
        IFontDisp* disp = nullptr;
        if (FAILED(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&disp)))) {
            return DISP_E_MEMBERNOTFOUND;
        }
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = disp;
        return S_OK;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

void TOleControl::SetBounds(int left, int top, int width, int height) {
    bounds_ = RECT{left, top, left + width, top + height};
    boundsSet_ = true;
    if (inPlaceObject_) {
        RECT clip{0, 0, 32767, 32767};
        inPlaceObject_->SetObjectRects(&bounds_, &clip);
    }
}

void TOleControl::SetVisible(bool visible) {
    visible_ = visible;
    if (window_ != nullptr && IsWindow(window_)) {
        ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
    }
}

bool TOleControl::CanFocus() const {
    if (window_ == nullptr || !IsWindow(window_) || !IsWindowVisible(window_) ||
        !IsWindowEnabled(window_)) {
        return false;
    }
    for (HWND w = parent_; w != nullptr; w = GetParent(w)) {
        if (!IsWindowVisible(w) || !IsWindowEnabled(w)) {
            return false;
        }
    }
    return true;
}

void TOleControl::SetFocus() {
    if (window_ == nullptr || !IsWindow(window_)) {
        return;
    }
    // UI activation gives the engine's document the keyboard focus.
    if (oleObject_ && parent_ != nullptr) {
        oleObject_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_.Get(), 0, parent_, &bounds_);
    }
    if (GetFocus() == nullptr || !IsChild(window_, GetFocus())) {
        ::SetFocus(window_);
    }
}

VARIANT TOleControl::GetProperty(DISPID id) {
    IDispatch* disp = DefaultDispatch();
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO excep{};
    UINT argErr = 0;
    HRESULT hr = disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                              &result, &excep, &argErr);
    if (FAILED(hr)) {
        VariantClear(&result);
        std::wstring text;
        if (hr == DISP_E_EXCEPTION) {
            if (excep.pfnDeferredFillIn != nullptr) {
                excep.pfnDeferredFillIn(&excep);
            }
            if (excep.bstrDescription != nullptr) {
                text = excep.bstrDescription;
            }
            if (FAILED(excep.scode)) {
                hr = excep.scode;
            }
        }
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrHelpFile);
        if (text.empty()) {
            tk::ThrowHr(hr);
        }
        throw tk::Error(text, hr);
    }
    return result;
}

void TOleControl::SetProperty(DISPID id, const VARIANT& value) {
    IDispatch* disp = DefaultDispatch();
    VARIANT arg = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    WORD flags = V_VT(&value) == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    EXCEPINFO excep{};
    UINT argErr = 0;
    HRESULT hr =
        disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr, &excep, &argErr);
    std::wstring text;
    if (hr == DISP_E_EXCEPTION && excep.bstrDescription != nullptr) {
        text = excep.bstrDescription;
    }
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
    if (FAILED(hr)) {
        if (text.empty()) {
            tk::ThrowHr(hr);
        }
        throw tk::Error(text, hr);
    }
}

namespace {

// Owns a VARIANT for the duration of a typed read.
struct VariantHolder {
    VARIANT v;
    explicit VariantHolder(VARIANT value) : v(value) {}
    ~VariantHolder() { VariantClear(&v); }
    VariantHolder(const VariantHolder&) = delete;
    VariantHolder& operator=(const VariantHolder&) = delete;
};

} // namespace

int32_t TOleControl::GetIntProp(DISPID id) {
    VariantHolder h(GetProperty(id));
    tk::Check(VariantChangeType(&h.v, &h.v, 0, VT_I4));
    return V_I4(&h.v);
}

bool TOleControl::GetBoolProp(DISPID id) {
    VariantHolder h(GetProperty(id));
    tk::Check(VariantChangeType(&h.v, &h.v, 0, VT_BOOL));
    return V_BOOL(&h.v) != VARIANT_FALSE;
}

std::wstring TOleControl::GetStringProp(DISPID id) {
    VariantHolder h(GetProperty(id));
    if (V_VT(&h.v) == VT_EMPTY || V_VT(&h.v) == VT_NULL) {
        return {};
    }
    tk::Check(VariantChangeType(&h.v, &h.v, 0, VT_BSTR));
    return V_BSTR(&h.v) != nullptr ? std::wstring(V_BSTR(&h.v), SysStringLen(V_BSTR(&h.v)))
                                   : std::wstring{};
}

ComPtr<IDispatch> TOleControl::GetDispatchProp(DISPID id) {
    VariantHolder h(GetProperty(id));
    ComPtr<IDispatch> result;
    if (V_VT(&h.v) == VT_DISPATCH) {
        result = V_DISPATCH(&h.v);
    } else if (V_VT(&h.v) == VT_UNKNOWN && V_UNKNOWN(&h.v) != nullptr) {
        V_UNKNOWN(&h.v)->QueryInterface(IID_PPV_ARGS(&result));
    }
    return result;
}

void TOleControl::SetBoolProp(DISPID id, bool value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    SetProperty(id, v);
}

} // namespace host
