#include "host/embedded_browser.h"

#include "toolkit/application.h"
#include "toolkit/com.h"
#include "toolkit/error.h"

#include <exdispid.h>

#include <cstring>

namespace host {
namespace {

constexpr const wchar_t* kSupportAddress = L"http://www.quelmar.com/embeddedbrowser/";
constexpr DISPID kAmbientDownloadControl = -5512; // DISPID_AMBIENT_DLCONTROL
constexpr DISPID kNavigateError = 271;            // DISPID_NAVIGATEERROR
// An item-identifier list larger than this is not a shell item identity.
constexpr size_t kMaxItemIdListBytes = 1u << 20;

DWORD g_waitLimitMs = 10000;

// "14.52" with the user's decimal separator.
std::wstring VersionText() {
    wchar_t sep[8] = L".";
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) <= 0 || sep[0] == 0) {
        sep[0] = L'.';
        sep[1] = 0;
    }
    return std::wstring(L"14") + sep + L"52";
}

VARIANT IntVariant(LONG value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

} // namespace

TEmbeddedBrowser::TEmbeddedBrowser() : alive_(std::make_shared<int>(0)) {
    // Shell folder DDE server.
    RefreshShellDdeConfig();
    dde_ = std::make_unique<DdeMessageWindow>(
        DdeHostLink{[this] { return HandleAllocated() ? Handle() : nullptr; },
                    [this] { return DisableErrors.EnableDDE; },
                    [this](const std::wstring& url) { NavigateUrl(url); },
                    [this](PCIDLIST_ABSOLUTE list) { NavigateItemIdList(list); }});
    userAgent_ = L"EmbeddedBrowser " + VersionText() + L" from: " + kSupportAddress;
    SetDownloadOptions(DefaultDownloadOptions());
    SetUserInterfaceOptions(TUserInterfaceOptions{});
}

TEmbeddedBrowser::~TEmbeddedBrowser() {
    dde_.reset(); // shell folder DDE server
    // Waits running inside this host see it gone.
    alive_.reset();
}

std::wstring TEmbeddedBrowser::About() const {
    return std::wstring(L"Embedded browser host. Support: ") + kSupportAddress;
}

void TEmbeddedBrowser::SetDownloadOptions(TDownloadControlOptions options) {
    downloadOptions_ = options;
    downloadControlValue_ = DownloadControlValueOf(options);
    if (ComPtr<IOleControl> control = tk::QueryAs<IOleControl>(Application())) {
        control->OnAmbientPropertyChange(kAmbientDownloadControl);
    }
}

void TEmbeddedBrowser::SetUserInterfaceOptions(TUserInterfaceOptions options) {
    uiOptions_ = options;
    hostUIFlagsValue_ = HostUIFlagsValueOf(options);
    // The engine reads the host flags with the download options' notification.
    if (ComPtr<IOleControl> control = tk::QueryAs<IOleControl>(Application())) {
        control->OnAmbientPropertyChange(kAmbientDownloadControl);
    }
}

HRESULT TEmbeddedBrowser::GetAmbientProperty(DISPID id, VARIANT* result) {
    if (id == kAmbientDownloadControl) {
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(downloadControlValue_);
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

void TEmbeddedBrowser::InvokeEvent(int slot, DISPPARAMS* params) {
    ++eventCount_;
    if (slot == 7) { // BeforeNavigate2: a new navigation clears an earlier failure
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
    if (msg == WM_DDE_EXECUTE || msg == WM_DDE_TERMINATE) { // shell folder DDE server
        dde_->HandleControlMessage(msg, wParam, lParam);
        return 0;
    }
    if (msg == WM_CLOSE) {
        bool canClose = true;
        if (OnCloseQuery) {
            AddRefEventDepth();
            std::weak_ptr<int> alive = alive_;
            TCloseQueryEvent handler = OnCloseQuery;
            bool ok = tk::Guard([&] { handler(*this, canClose); });
            if (alive.expired()) {
                return 0;
            }
            ReleaseEventDepth();
            if (!ok) {
                canClose = false;
            }
        }
        return canClose ? CallPreviousProc(msg, wParam, lParam) : 0;
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
    size_t size = ItemIdListSize(reinterpret_cast<const uint8_t*>(idList), kMaxItemIdListBytes);
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
    navigationFailed_ = false;
    NavigateUrl(L"about:blank");
    return WaitForComplete();
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
    // Only a failure reported during this wait counts: an earlier one says nothing about the
    // page that is loading now (a refresh, or a local file whose BeforeNavigate2 is late).
    navigationFailed_ = false;
    std::weak_ptr<int> alive = alive_;
    ULONGLONG lastSign = GetTickCount64();
    uint64_t seenEvents = eventCount_;
    READYSTATE seenState = ReadyState();
    for (;;) {
        if (seenState == READYSTATE_COMPLETE) {
            return WaitResult::Complete;
        }
        if (navigationFailed_) {
            return WaitResult::Failed;
        }
        if (tk::Application::ProcessMessages() == tk::PumpResult::Quit) {
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
        tk::Application::WaitForMessage(50);
    }
}

} // namespace host
