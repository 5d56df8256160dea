#include "host/embedded_browser.h"

#include "common/core/item_id_list.h"
#include "host/browser_registry.h"
#include "host/host_callbacks.h"
#include "host/user_proxy.h"
#include "toolkit/application.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/com.h"
#include "toolkit/dialogs.h"
#include "toolkit/error.h"
#include "toolkit/forms.h"

#include <commctrl.h>
#include <dde.h>
#include <exdispid.h>
#include <float.h>
#include <mshtml.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace host {
namespace {

constexpr DISPID kNavigateError = 271; // DISPID_NAVIGATEERROR
// An item-identifier list larger than this is not a shell item identity.
constexpr size_t kMaxItemIdListBytes = 1u << 20;

DWORD g_waitLimitMs = 10000;

// Floating-point exception mask found at program start.
const unsigned int g_startFpMask = _control87(0, 0) & _MCW_EM;

} // namespace

void TDisableErrors::SetFpExceptions(bool value) {
    fpExceptions_ = value;
    // All floating-point exceptions masked, or the mask the program started with.
    _control87(value ? _MCW_EM : g_startFpMask, _MCW_EM);
}

TEmbeddedBrowser::TEmbeddedBrowser() : alive_(std::make_shared<int>(0)) {
    // The engine object is made on first use, after construction: its first questions to the
    // client site reach the answers below.
    callbacks_ = tk::Adopt(new HostCallbacks(this, ClientSite()));
    // Shell folder DDE server.
    RefreshShellDdeConfig();
    dde_ = std::make_unique<DdeMessageWindow>(
        DdeHostLink{[this] { return HandleAllocated() ? Handle() : nullptr; },
                    [this] { return DisableErrors.EnableDDE; },
                    [this](const std::wstring& url) { NavigateUrl(url); },
                    [this](PCIDLIST_ABSOLUTE list) { NavigateItemIdList(list); }});
    userAgent_ = host::DefaultUserAgent();
    SetDownloadOptions(DefaultDownloadOptions());
    SetUserInterfaceOptions(TUserInterfaceOptions{});
}

TEmbeddedBrowser::~TEmbeddedBrowser() {
    dde_.reset(); // shell folder DDE server
    // Waits running inside this host see it gone; the engine's calls get default answers.
    alive_.reset();
    callbacks_->Detach();
    if (VisualEffects.DisableSounds) {
        host::SetNavigationSound(false);
    }
    if (VisualEffects.TextSize != 2 && IsComplete()) {
        ApplyTextSize(2);
    }
    host::UnregisterUserAgent(userAgent_);
    StopWatching();
    // The user's own proxy comes back with the last host that set one; a host that set none
    // changes nothing.
    if (proxyHeld_) {
        host::ReleaseUserProxy();
    }
}

std::wstring TEmbeddedBrowser::About() const {
    return std::wstring(L"Embedded browser host. Support: ") + host::SupportAddress();
}

void TEmbeddedBrowser::NotifyDownloadControl() {
    if (!IsComplete()) {
        return; // completion notifies
    }
    if (ComPtr<IOleControl> control = tk::QueryAs<IOleControl>(Application())) {
        control->OnAmbientPropertyChange(kAmbientDownloadControl);
    }
}

void TEmbeddedBrowser::SetDownloadOptions(TDownloadControlOptions options) {
    downloadOptions_ = options;
    downloadControlValue_ = DownloadControlValueOf(options);
    NotifyDownloadControl();
}

void TEmbeddedBrowser::SetUserInterfaceOptions(TUserInterfaceOptions options) {
    uiOptions_ = options;
    hostUIFlagsValue_ = HostUIFlagsValueOf(options);
    // The engine reads the host flags with the download options' notification.
    NotifyDownloadControl();
}

void TEmbeddedBrowser::Completed() {
    NotifyDownloadControl();
}

void TEmbeddedBrowser::ParentSet() {
    Load();
}

// Runs once, when the host is first placed on its form.
void TEmbeddedBrowser::Load() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    host::RegisterUserAgent(userAgent_);
    downloadControlValue_ = DownloadControlValueOf(downloadOptions_);
    hostUIFlagsValue_ = HostUIFlagsValueOf(uiOptions_);
    StartWatching();
    host::RecoverUserProxy();
    std::wstring proxy = ProxyText(ProxySettings);
    // Set only once the user's values are saved where a later start finds them.
    if (!proxy.empty() && host::HoldUserProxy()) {
        proxyHeld_ = true;
        host::ApplyProxy(proxy);
    }
    if (VisualEffects.DisableSounds) {
        host::SetNavigationSound(true);
    }
}

HRESULT TEmbeddedBrowser::QueryHostInterface(REFIID iid, void** object) {
    *object = nullptr;
    if (void* p = callbacks_ ? callbacks_->Find(iid) : nullptr) {
        callbacks_->AddRef();
        *object = p;
        return S_OK;
    }
    return E_NOINTERFACE;
}

void TEmbeddedBrowser::InvokeEvent(int slot, DISPPARAMS* params) {
    ++eventCount_;
    // The failure mark belongs to the navigation that failed: it goes when the next one begins
    // (BeforeNavigate2) or a new download starts (DownloadBegin, as for a reload).
    if (slot == 7 || slot == 3) {
        navigationFailed_ = false;
    }
    TWebBrowser::InvokeEvent(slot, params);
}

void TEmbeddedBrowser::InvokeOtherEvent(DISPID id, DISPPARAMS* params) {
    ++eventCount_;
    if (id != kNavigateError || params == nullptr || params->cArgs == 0) {
        return;
    }
    // Only a failure of the top-level document ends a wait; frames may fail on their own.
    VARIANT* first = &params->rgvarg[params->cArgs - 1];
    IDispatch* disp = V_VT(first) == VT_DISPATCH ? V_DISPATCH(first) : nullptr;
    ComPtr<IUnknown> sender, self;
    if (disp != nullptr) {
        disp->QueryInterface(IID_PPV_ARGS(&sender));
    }
    if (IDispatch* mine = DefaultDispatch()) {
        mine->QueryInterface(IID_PPV_ARGS(&self));
    }
    if (sender == nullptr || sender == self) {
        navigationFailed_ = true;
    }
}

LRESULT TEmbeddedBrowser::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= tk::CN_BASE + WM_KEYDOWN && msg <= tk::CN_BASE + WM_DEADCHAR) {
        UINT key = msg - tk::CN_BASE;
        bool extended = (lParam & (1 << 24)) != 0;
        // Editing keys and the arrow keys go to the page the normal way; the engine would
        // otherwise handle them twice.
        if (wParam == VK_BACK || wParam == VK_RETURN ||
            ((wParam == VK_LEFT || wParam == VK_RIGHT) && extended)) {
            return 0;
        }
        ComPtr<IOleInPlaceActiveObject> active =
            tk::QueryAs<IOleInPlaceActiveObject>(Application());
        if (!active) {
            return 0;
        }
        MSG m{};
        m.hwnd = Handle();
        m.message = key;
        m.wParam = wParam;
        m.lParam = lParam;
        m.time = static_cast<DWORD>(GetMessageTime());
        m.pt.x = 0x115DE1F1;
        m.pt.y = 0x115DE1F1;
        return active->TranslateAccelerator(&m) == S_OK ? 1 : 0;
    }
    if (msg == WM_CLOSE) {
        bool canClose = true;
        if (OnCloseQuery) {
            AddRefEventDepth();
            std::weak_ptr<int> alive = alive_;
            TCloseQueryEvent handler = OnCloseQuery;
            // A handler that fails refuses the close.
            bool ok = tk::Guard([&] { handler(*this, canClose); });
            if (alive.expired()) {
                return 0;
            }
            ReleaseEventDepth();
            if (!ok) {
                canClose = false;
            }
        }
        // The engine destroys its window on the close; the base notices the window go.
        return canClose ? CallPreviousProc(msg, wParam, lParam) : 0;
    }
    // Shell folder conversations are the host's own and never reach the engine.
    if (msg == WM_DDE_EXECUTE || msg == WM_DDE_TERMINATE) {
        dde_->HandleControlMessage(msg, wParam, lParam);
        return 0;
    }
    return TWebBrowser::WndProc(msg, wParam, lParam);
}

void TEmbeddedBrowser::NavigateUrl(const std::wstring& url) {
    if (IsBlankAddress(url)) {
        return;
    }
    VARIANT address;
    VariantInit(&address);
    V_VT(&address) = VT_BSTR;
    V_BSTR(&address) = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    if (V_BSTR(&address) == nullptr) {
        tk::ThrowHr(E_OUTOFMEMORY);
    }
    VARIANT flags = IntVariant(0), target = IntVariant(0), post = IntVariant(0),
            headers = IntVariant(0);
    struct Clear {
        VARIANT* v;
        ~Clear() { VariantClear(v); }
    } clear{&address};
    Navigate2(&address, &flags, &target, &post, &headers);
}

void TEmbeddedBrowser::NavigateItemIdList(PCIDLIST_ABSOLUTE idList) {
    if (idList == nullptr) {
        return;
    }
    size_t size = kv::ItemIdListSize(reinterpret_cast<const uint8_t*>(idList), kMaxItemIdListBytes);
    if (size == 0) {
        return;
    }
    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size));
    if (bytes == nullptr) {
        return;
    }
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(bytes, &data))) {
        SafeArrayDestroy(bytes);
        return;
    }
    std::memcpy(data, idList, size);
    SafeArrayUnaccessData(bytes);
    VARIANT target;
    VariantInit(&target);
    V_VT(&target) = VT_ARRAY | VT_UI1;
    V_ARRAY(&target) = bytes;
    struct Clear {
        VARIANT* v;
        ~Clear() { VariantClear(v); }
    } clear{&target};
    VARIANT e1, e2, e3, e4;
    VariantInit(&e1);
    VariantInit(&e2);
    VariantInit(&e3);
    VariantInit(&e4);
    Navigate2(&target, &e1, &e2, &e3, &e4);
}

WaitResult TEmbeddedBrowser::NavigateBlank() {
    std::weak_ptr<int> alive = alive_;
    navigationFailed_ = false;
    NavigateUrl(L"about:blank");
    // A handler of the navigation start may have destroyed this host inside the call.
    if (alive.expired()) {
        return WaitResult::HostDestroyed;
    }
    // The mark was cleared above: a failure reported inside the navigate call is this page's.
    return Wait();
}

DWORD TEmbeddedBrowser::WaitLimitMs() {
    return g_waitLimitMs;
}
void TEmbeddedBrowser::SetWaitLimitMs(DWORD ms) {
    g_waitLimitMs = ms;
}

// Ends when the page is complete; when the engine reports the top-level navigation failed;
// when the engine has shown no sign of progress (no event, no change of ready state) for
// WaitLimitMs; when the host is destroyed by a handler running inside the wait (the host is not
// touched again); or when the program is quitting (WM_QUIT stays for the outer loop). Sleeps in
// the message wait while nothing happens, so the wait uses no CPU.
WaitResult TEmbeddedBrowser::WaitForComplete() {
    // A page whose navigation failed does not wait: nothing is coming.
    return Wait();
}

void TEmbeddedBrowser::LoadStarting() {
    navigationFailed_ = false;
}

WaitResult TEmbeddedBrowser::Wait() {
    std::weak_ptr<int> alive = alive_;
    ULONGLONG lastSign = GetTickCount64();
    uint64_t seenEvents = eventCount_;
    READYSTATE seenState = ReadyState();
    // The user sees a wait that does not end at once: the busy cursor over the frame.
    std::optional<tk::BusyCursorScope> busy;
    for (;;) {
        if (waitsAbandoned_) {
            return WaitResult::Abandoned;
        }
        if (seenState == READYSTATE_COMPLETE) {
            return WaitResult::Complete;
        }
        if (navigationFailed_) {
            return WaitResult::Failed;
        }
        if (!busy) {
            busy.emplace(HandleAllocated() ? Handle() : Parent());
        }
        tk::PumpResult pumped = tk::Application::ProcessMessage();
        if (pumped == tk::PumpResult::Quit) {
            return alive.expired() ? WaitResult::HostDestroyed : WaitResult::Quit;
        }
        if (alive.expired()) {
            return WaitResult::HostDestroyed;
        }
        READYSTATE state = ReadyState();
        ULONGLONG now = GetTickCount64();
        if (state != seenState || eventCount_ != seenEvents) {
            seenState = state;
            seenEvents = eventCount_;
            lastSign = now;
            continue;
        }
        if (now - lastSign >= g_waitLimitMs) {
            return WaitResult::TimedOut;
        }
        if (pumped == tk::PumpResult::Idle) {
            tk::Application::WaitForMessage(50);
        }
    }
}

} // namespace host
