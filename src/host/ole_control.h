// TOleControl: a generic ActiveX control host.
//
// Creates the control object on first use (after construction, so that a derived host's answers
// to the engine's first questions are its own), completes it (client site, InitNew, sinks),
// keeps it in-place active inside a parent window, reads and writes its properties by dispatch
// id, and routes the calls of its event interface to InvokeEvent. The COM objects that the control
// calls back (client site, sinks) are separate reference-counted objects that outlive this one if
// the control keeps them: after destruction they answer without touching it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <memory>
#include <string>

namespace host {

using Microsoft::WRL::ComPtr;

// Class description of a wrapped control: one shared, immutable record per class.
struct TControlData {
    CLSID ClassID;
    IID EventIID;
    int EventCount;
    const DISPID* EventDispIDs; // EventCount entries, in slot order
    int Version;
};

class OleSite;
class EventSink;

class TOleControl {
public:
    TOleControl(const TOleControl&) = delete;
    TOleControl& operator=(const TOleControl&) = delete;
    virtual ~TOleControl();

    // Parent window of the control. Creates the control object if not yet done, sets the
    // client site if the control has none and, when
    // complete, notifies OnAmbientPropertyChange(DISPID_UNKNOWN).
    void SetParent(HWND parent);
    HWND Parent() const { return parent_; }

    // The control's window (the engine's in-place window); created on first use, which
    // in-place activates the control. Raises "OLE control activation failed" or "Could not
    // obtain OLE control window handle".
    HWND Handle();
    // True while the control's window exists; false again after the engine destroyed it.
    bool HandleAllocated() const { return window_ != nullptr && IsWindow(window_); }

    // Position inside the parent, in pixels of the parent's client area.
    void SetBounds(int left, int top, int width, int height);
    RECT Bounds() const { return bounds_; }
    void SetVisible(bool visible);
    bool Visible() const { return visible_; }
    // True when the window exists, is visible and enabled (and its parent chain visible).
    bool CanFocus() const;
    void SetFocus();

    // Completion on first use: InitNew, IOleControl and IDispatch, sinks, ambient notify.
    void Complete();
    bool IsComplete() const { return completed_; }

    // The control object, created on first use (never inside a constructor, so that the
    // most-derived host answers the engine's first questions to its site).
    IOleObject* OleObject();
    // The control's dispatch interface (completes the control first).
    IDispatch* DefaultDispatch();
    IOleControl* ControlInterface();
    IOleInPlaceActiveObject* InPlaceActiveObject() const { return inPlaceActive_.Get(); }

    // Properties by dispatch id; both complete the control first and raise on failure.
    VARIANT GetProperty(DISPID id); // caller owns the result (VariantClear)
    void SetProperty(DISPID id, const VARIANT& value);
    int32_t GetIntProp(DISPID id);
    bool GetBoolProp(DISPID id);
    std::wstring GetStringProp(DISPID id);
    ComPtr<IDispatch> GetDispatchProp(DISPID id);
    void SetBoolProp(DISPID id, bool value);

    // Number of engine event calls being delivered right now (nested calls count).
    int EventDepth() const { return eventDepth_; }

protected:
    // Makes only the site objects; the control object comes with the first use.
    explicit TOleControl(const TControlData& data);

    // An event of the control's event interface, by slot index in TControlData order.
    // Arguments as the caller gave them (reversed in params->rgvarg).
    virtual void InvokeEvent(int slot, DISPPARAMS* params) = 0;
    // An event call whose dispatch id has no slot.
    virtual void InvokeOtherEvent(DISPID id, DISPPARAMS* params);

    // The window procedure in front of the engine's window. The default passes the message to
    // the engine's own procedure; key notifications (CN_BASE + key message) are offered to
    // the in-place active object's TranslateAccelerator.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT CallPreviousProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Offers a key message to the in-place active object; true when it was consumed.
    bool TranslateKeyToControl(UINT keyMsg, WPARAM wParam, LPARAM lParam);

    // Host extension points for the client site: extra interfaces the site object answers
    // (looked up before the base site's interfaces), and ambient properties answered before
    // the standard ones. Return E_NOINTERFACE / DISP_E_MEMBERNOTFOUND when not answered.
    virtual HRESULT QueryHostInterface(REFIID iid, void** object);
    virtual HRESULT GetAmbientProperty(DISPID id, VARIANT* result);
    // The standard ambient properties of a container (user mode, colours, font, locale ...).
    HRESULT StandardAmbient(DISPID id, VARIANT* result);
    // The client site object (one COM identity for every interface it answers).
    IUnknown* ClientSite() const;
    // Runs once each time the control has been completed.
    virtual void Completed();
    // Runs after SetParent gave the control a parent window.
    virtual void ParentSet();

    void AddRefEventDepth() { ++eventDepth_; }
    void ReleaseEventDepth() { --eventDepth_; }

private:
    friend class OleSite;
    friend class EventSink;

    void EnsureCreated();
    void CreateControlWindow();
    void DestroyControl() noexcept;
    void Uncomplete() noexcept;
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
    void DetachWindow() noexcept;

    const TControlData& data_;
    ComPtr<OleSite> site_;
    ComPtr<EventSink> sink_;
    ComPtr<IConnectionPoint> propertyPoint_;
    ComPtr<IConnectionPoint> eventPoint_;
    ComPtr<IOleObject> oleObject_;
    ComPtr<IPersistStreamInit> persist_;
    ComPtr<IOleControl> control_;
    ComPtr<IDispatch> dispatch_;
    ComPtr<IOleInPlaceObject> inPlaceObject_;
    ComPtr<IOleInPlaceActiveObject> inPlaceActive_;
    DWORD miscStatus_ = 0;
    DWORD propertySinkCookie_ = 0;
    DWORD eventSinkCookie_ = 0;
    bool completed_ = false;
    bool clientSiteSet_ = false;
    bool destroyed_ = false;
    bool boundsSet_ = false;
    HWND parent_ = nullptr;
    HWND window_ = nullptr;
    WNDPROC previousProc_ = nullptr;
    RECT bounds_{0, 0, 100, 100};
    bool visible_ = true;
    int eventDepth_ = 0;
};

} // namespace host
