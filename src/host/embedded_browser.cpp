#include "host/embedded_browser.h"

#include "doc_tools/browser_registry.h"
#include "host/core/dialog_caption.h"
#include "toolkit/application.h"
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
#include <vector>

namespace host {
namespace {

constexpr DISPID kAmbientDownloadControl = -5512; // DISPID_AMBIENT_DLCONTROL
constexpr DISPID kNavigateError = 271;            // DISPID_NAVIGATEERROR
// An item-identifier list larger than this is not a shell item identity.
constexpr size_t kMaxItemIdListBytes = 1u << 20;
// The program declares per-monitor DPI awareness; the engine is told so with the host flags.
constexpr DWORD kDocHostUIFlagDpiAware = 0x40000000;
constexpr UINT kContextMenuResource = 24641;
constexpr UINT kTrackFlags = 0x1502; // right button, return command, position animation

// Not in every import library.
const IID kIidDocHostUIHandler2 = {
    0x3050F6D0, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID kIidDocHostShowUI = {
    0xC4D244B0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
const GUID kCgidShellDocView = {0x000214D1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr DWORD kGetEncodingMenu = 27; // the document's menu of character sets
constexpr UINT kEncodingEntry = 2292;
const GUID kCgidExplorer = {0x000214D0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kCgidDocHostCommandHandler = {
    0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};

DWORD g_waitLimitMs = 10000;

VARIANT IntVariant(LONG value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

// Floating-point exception mask found at program start.
const unsigned int g_startFpMask = _control87(0, 0) & _MCW_EM;

// hhctrl.ocx, loaded on first use and freed at exit.
class HtmlHelpLibrary {
public:
    using HtmlHelpAFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    ~HtmlHelpLibrary() {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    HtmlHelpAFn Function() {
        if (module_ == nullptr) {
            module_ = LoadLibraryW(L"hhctrl.ocx");
            if (module_ != nullptr) {
                fn_ = reinterpret_cast<HtmlHelpAFn>(
                    reinterpret_cast<void*>(GetProcAddress(module_, "HtmlHelpA")));
            }
        }
        return fn_;
    }

private:
    HMODULE module_ = nullptr;
    HtmlHelpAFn fn_ = nullptr;
};

HtmlHelpLibrary& HtmlHelp() {
    static HtmlHelpLibrary library;
    return library;
}

std::string AnsiText(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, nullptr);
    }
    return out;
}

bool IsDialogWindow(HWND w) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    return lstrcmpW(cls, L"#32770") == 0;
}

std::wstring WindowText(HWND w) {
    int n = GetWindowTextLengthW(w);
    std::wstring text(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
    int got = GetWindowTextW(w, text.data(), n + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

HICON ApplicationIcon() {
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    return icon != nullptr ? icon : LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
}

// Calls a copy of a slot: the handler may replace the slot or destroy the host while it runs.
template <class F, class... A> HRESULT CallSlot(const F& slot, A&&... args) {
    F copy = slot;
    return copy(std::forward<A>(args)...);
}

} // namespace

void TDisableErrors::SetFpExceptions(bool value) {
    fpExceptions_ = value;
    // All floating-point exceptions masked, or the mask the program started with.
    _control87(value ? _MCW_EM : g_startFpMask, _MCW_EM);
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
    userAgent_ = doc_tools::DefaultUserAgent();
    SetDownloadOptions(DefaultDownloadOptions());
    SetUserInterfaceOptions(TUserInterfaceOptions{});
}

TEmbeddedBrowser::~TEmbeddedBrowser() {
    dde_.reset(); // shell folder DDE server
    // Waits running inside this host see it gone; the engine's calls get default answers.
    alive_.reset();
    callbacks_->Detach();
    if (VisualEffects.DisableSounds) {
        doc_tools::SetNavigationSound(false);
    }
    if (VisualEffects.TextSize != 2 && IsComplete()) {
        ApplyTextSize(2);
    }
    doc_tools::UnregisterUserAgent(userAgent_);
    StopWatching();
    // Every host's end resets the proxy, set or not.
    doc_tools::ApplyProxy(std::wstring());
}

std::wstring TEmbeddedBrowser::About() const {
    return std::wstring(L"Embedded browser host. Support: ") + doc_tools::SupportAddress();
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
    doc_tools::RegisterUserAgent(userAgent_);
    downloadControlValue_ = DownloadControlValueOf(downloadOptions_);
    hostUIFlagsValue_ = HostUIFlagsValueOf(uiOptions_);
    // The form the host is placed on. An MDI child is never activated as a top-level window:
    // its frame is, so the frame's activations are watched for it, while it is the frame's
    // active child.
    HWND form = Parent();
    if (form != nullptr && (GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0) {
        // A frame of the toolkit's tells its watchers; another frame is not watched.
        HWND frame = GetAncestor(form, GA_ROOT);
        if (auto* f = dynamic_cast<tk::Form*>(tk::Window::FromHandle(frame))) {
            owner_ = frame;
            mdiForm_ = form;
            frameWatcher_ = f->AddDeactivationWatcher([this](HWND activated) {
                // The host on the frame's active child looks after the box.
                HWND client = GetParent(mdiForm_);
                if (client != nullptr && reinterpret_cast<HWND>(SendMessageW(
                                             client, WM_MDIGETACTIVE, 0, 0)) == mdiForm_) {
                    WatchActivation(activated);
                }
            });
        }
    } else if (form != nullptr && IsWindow(form) &&
               SetWindowSubclass(form, &OwnerHookProc, reinterpret_cast<UINT_PTR>(this),
                                 reinterpret_cast<DWORD_PTR>(this))) {
        owner_ = form;
    }
    std::wstring proxy = ProxyText(ProxySettings);
    if (!proxy.empty()) {
        doc_tools::ApplyProxy(proxy);
    }
    if (VisualEffects.DisableSounds) {
        doc_tools::SetNavigationSound(true);
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

HRESULT TEmbeddedBrowser::HostGetHostInfo(DOCHOSTUIINFO* info) {
    if (info == nullptr) {
        return E_POINTER;
    }
    info->cbSize = sizeof(DOCHOSTUIINFO);
    info->dwFlags = hostUIFlagsValue_ | kDocHostUIFlagDpiAware;
    info->dwDoubleClick = 0;
    return OnGetHostInfo ? CallSlot(OnGetHostInfo, info) : S_OK;
}

HRESULT TEmbeddedBrowser::HostShowContextMenu(DWORD id, POINT* pt, IUnknown* target,
                                              IDispatch* object) {
    if (OnShowContextMenu) {
        return CallSlot(OnShowContextMenu, id, pt, target, object);
    }
    switch (ChooseContextMenu(RightClickMenu, RightClickShortCuts, id)) {
    case ContextMenuAnswer::NoMenu:
        return S_OK;
    case ContextMenuAnswer::EngineMenu:
        return S_FALSE;
    case ContextMenuAnswer::OwnMenu:
        break;
    }
    return TrackOwnMenu(id, pt, target);
}

// The engine's own context menu resource without the entries the host disables.
HRESULT TEmbeddedBrowser::TrackOwnMenu(DWORD id, POINT* pt, IUnknown* target) {
    HMODULE module = GetModuleHandleW(L"SHDOCLC.DLL");
    bool loadedHere = false;
    if (module == nullptr) {
        module = LoadLibraryW(L"SHDOCLC.DLL");
        loadedHere = module != nullptr;
    }
    struct Library {
        HMODULE m;
        bool free;
        ~Library() {
            if (free) {
                FreeLibrary(m);
            }
        }
    } library{module, loadedHere};
    if (module == nullptr || target == nullptr) {
        return S_FALSE;
    }
    ComPtr<IOleWindow> oleWindow;
    HWND document = nullptr;
    if (FAILED(target->QueryInterface(IID_PPV_ARGS(&oleWindow))) ||
        FAILED(oleWindow->GetWindow(&document)) || document == nullptr) {
        return S_FALSE;
    }
    HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(kContextMenuResource));
    if (menu == nullptr) {
        return S_FALSE;
    }
    struct Menu {
        HMENU m;
        ~Menu() { DestroyMenu(m); }
    } owned{menu};
    HMENU popup = GetSubMenu(menu, static_cast<int>(id));
    if (popup == nullptr) {
        return S_FALSE;
    }
    for (uint32_t command : DisabledMenuCommands(RightClickShortCuts)) {
        DeleteMenu(popup, command, MF_BYCOMMAND);
    }
    // The Encoding entry opens the document's own menu of character sets.
    ComPtr<IOleCommandTarget> commands;
    bool encodingMenu = false;
    if (!RightClickShortCuts.DisableEncoding &&
        SUCCEEDED(target->QueryInterface(IID_PPV_ARGS(&commands)))) {
        VARIANT encodings;
        VariantInit(&encodings);
        if (SUCCEEDED(
                commands->Exec(&kCgidShellDocView, kGetEncodingMenu, 0, nullptr, &encodings)) &&
            V_VT(&encodings) != VT_EMPTY && V_BYREF(&encodings) != nullptr) {
            MENUITEMINFOW item{};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_SUBMENU;
            item.hSubMenu = static_cast<HMENU>(V_BYREF(&encodings));
            encodingMenu = SetMenuItemInfoW(popup, kEncodingEntry, FALSE, &item) != FALSE;
        }
    }
    POINT at = pt != nullptr ? *pt : POINT{0, 0};
    int chosen =
        static_cast<int>(TrackPopupMenuEx(popup, kTrackFlags, at.x, at.y, document, nullptr));
    if (encodingMenu) {
        // The document owns that menu: it must not go with ours.
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_SUBMENU;
        item.hSubMenu = nullptr;
        SetMenuItemInfoW(popup, kEncodingEntry, FALSE, &item);
    }
    if (chosen != 0) {
        SendMessageW(document, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    }
    return S_OK;
}

HRESULT TEmbeddedBrowser::HostTranslateAccelerator(LPMSG msg, const GUID* group, DWORD command) {
    if (OnTranslateAccelerator) {
        return CallSlot(OnTranslateAccelerator, msg, group, command);
    }
    if (msg == nullptr) {
        return S_FALSE;
    }
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    return ShortcutSwallowed(ShortCuts, ctrl, static_cast<uint32_t>(msg->wParam)) ? S_OK : S_FALSE;
}

HRESULT TEmbeddedBrowser::HostQueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) {
    if (VisualEffects.TextSize != 2) {
        ApplyTextSize(VisualEffects.TextSize);
    }
    return S_OK;
}

HRESULT TEmbeddedBrowser::HostExec(const GUID* group, DWORD command, DWORD, VARIANT* in,
                                   VARIANT* out) {
    if (group == nullptr) {
        return OLECMDERR_E_UNKNOWNGROUP;
    }
    HRESULT answer = OLECMDERR_E_NOTSUPPORTED;
    if (*group == kCgidExplorer && command == 37 && OnUnload) {
        THostNotifyEvent handler = OnUnload;
        handler(*this);
        return S_OK;
    }
    if (*group == kCgidDocHostCommandHandler) {
        if (OnRefresh && (command == 2300 || command == 6041 || command == 6042)) {
            bool cancel = false;
            TRefreshEvent handler = OnRefresh;
            handler(*this, static_cast<int>(command), cancel);
            return cancel ? S_OK : answer;
        }
        if (command == 40 && OnScriptError) { // OLECMDID_SHOWSCRIPTERROR
            return ScriptError(in, out);
        }
    }
    return answer;
}

// The page's script error: the five error properties of the window's event object, by name.
HRESULT TEmbeddedBrowser::ScriptError(VARIANT* in, VARIANT* out) {
    const HRESULT engineShowsBox = OLECMDERR_E_NOTSUPPORTED;
    IUnknown* object = nullptr;
    if (in != nullptr && (V_VT(in) == VT_UNKNOWN || V_VT(in) == VT_DISPATCH)) {
        object = V_UNKNOWN(in);
    }
    ComPtr<IHTMLDocument2> document;
    if (object == nullptr || FAILED(object->QueryInterface(IID_PPV_ARGS(&document)))) {
        return engineShowsBox;
    }
    ComPtr<IHTMLWindow2> window;
    if (FAILED(document->get_parentWindow(&window)) || !window) {
        return engineShowsBox;
    }
    ComPtr<IHTMLEventObj> event;
    ComPtr<IDispatch> properties;
    if (FAILED(window->get_event(&event)) || !event || FAILED(event.As(&properties))) {
        return engineShowsBox;
    }
    auto read = [&](const wchar_t* name) {
        std::wstring copy = name;
        LPOLESTR names[1] = {copy.data()};
        DISPID id = DISPID_UNKNOWN;
        if (FAILED(properties->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id))) {
            throw tk::Error(L"'" + copy + L"' not supported.", DISP_E_UNKNOWNNAME);
        }
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT value;
        VariantInit(&value);
        EXCEPINFO excep{};
        UINT argErr = 0;
        HRESULT hr = properties->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET,
                                        &none, &value, &excep, &argErr);
        std::wstring description =
            excep.bstrDescription != nullptr ? std::wstring(excep.bstrDescription) : L"";
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrHelpFile);
        if (FAILED(hr)) {
            VariantClear(&value);
            if (!description.empty()) {
                throw tk::Error(description, hr);
            }
            tk::ThrowHr(hr);
        }
        std::wstring text = VariantText(&value);
        VariantClear(&value);
        return text;
    };
    std::wstring character = read(L"errorCharacter");
    std::wstring code = read(L"errorCode");
    std::wstring message = read(L"errorMessage");
    std::wstring url = read(L"errorUrl");
    std::wstring line = read(L"errorline");
    bool continueScript = true, showDialog = true;
    TScriptErrorEvent handler = OnScriptError;
    handler(*this, line, character, code, message, url, continueScript, showDialog);
    if (out != nullptr) {
        VariantClear(out);
        V_VT(out) = VT_BOOL;
        V_BOOL(out) = continueScript ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return showDialog ? engineShowsBox : S_OK;
}

HRESULT TEmbeddedBrowser::HostShowHelp(HWND window, LPOLESTR file, UINT command, DWORD data,
                                       POINT pt, IDispatch* hit) {
    if (OnShowHelp) {
        return CallSlot(OnShowHelp, window, file, command, data, pt, hit);
    }
    if (HelpFile.empty()) {
        return S_FALSE;
    }
    if (HtmlHelpLibrary::HtmlHelpAFn help = HtmlHelp().Function()) {
        std::string path = AnsiText(HelpFile);
        help(window, path.c_str(), command, data); // its failures are not reported
    }
    return S_OK;
}

HRESULT TEmbeddedBrowser::HostInvoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                     UINT* argErr) {
    if (id == kAmbientDownloadControl && (flags & DISPATCH_PROPERTYGET) != 0 && result != nullptr) {
        VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(downloadControlValue_);
        return S_OK;
    }
    if (OnInvoke) {
        return CallSlot(OnInvoke, id, iid, lcid, flags, params, result, excep, argErr);
    }
    if ((flags & DISPATCH_PROPERTYGET) == 0 || result == nullptr) {
        return DISP_E_MEMBERNOTFOUND;
    }
    VariantInit(result);
    return StandardAmbient(id, result);
}

void TEmbeddedBrowser::ApplyTextSize(int32_t size) {
    try {
        ComPtr<IOleCommandTarget> target = tk::QueryAs<IOleCommandTarget>(Document());
        if (!target) {
            return;
        }
        VARIANT range;
        VariantInit(&range);
        if (SUCCEEDED(target->Exec(nullptr, OLECMDID_GETZOOMRANGE, OLECMDEXECOPT_DONTPROMPTUSER,
                                   nullptr, &range)) &&
            SUCCEEDED(VariantChangeType(&range, &range, 0, VT_I4))) {
            auto bounds = static_cast<uint32_t>(V_I4(&range));
            int32_t low = static_cast<int32_t>(bounds & 0xFFFF);
            int32_t high = static_cast<int32_t>(bounds >> 16);
            if (low <= high) {
                size = size < low ? low : (size > high ? high : size);
            }
        }
        VariantClear(&range);
        VARIANT level = IntVariant(size);
        target->Exec(nullptr, OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &level, nullptr);
    } catch (...) {
        // A document command fails silently.
    }
}

LRESULT CALLBACK TEmbeddedBrowser::OwnerHookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<TEmbeddedBrowser*>(data);
    if (msg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) {
        tk::Guard([&] { self->WatchActivation(reinterpret_cast<HWND>(lParam)); });
        // The host may be gone now; only the previous procedure runs.
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &OwnerHookProc, id);
        self->owner_ = nullptr;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void TEmbeddedBrowser::StopWatching() noexcept {
    if (owner_ == nullptr) {
        return;
    }
    if (mdiForm_ == nullptr) {
        if (IsWindow(owner_)) {
            RemoveWindowSubclass(owner_, &OwnerHookProc, reinterpret_cast<UINT_PTR>(this));
        }
    } else if (auto* f = dynamic_cast<tk::Form*>(tk::Window::FromHandle(owner_))) {
        f->RemoveDeactivationWatcher(frameWatcher_);
    }
    owner_ = nullptr;
}

// A window is being activated above the host's form: the engine's dialogs get the host's icon
// and caption, or are closed.
void TEmbeddedBrowser::WatchActivation(HWND activated) {
    // Only the engine's boxes: not the program's own, and no window of another program.
    bool engineDialog = activated != nullptr && IsDialogWindow(activated) &&
                        !tk::OwnDialogScope::Active() &&
                        GetWindowThreadProcessId(activated, nullptr) == GetCurrentThreadId();
    if (engineDialog) {
        if (MessagesBoxes.DisableAll) {
            SendMessageW(activated, WM_CLOSE, 0, 0);
        }
        if (MessagesBoxes.ReplaceIcon && IsWindow(activated)) {
            SendMessageW(activated, WM_SETICON, ICON_SMALL,
                         reinterpret_cast<LPARAM>(ApplicationIcon()));
        }
        if (MessagesBoxes.ReplaceCaption && IsWindow(activated)) {
            std::wstring title = WindowText(activated);
            std::wstring caption = DialogCaption(title, MessagesBoxes.NewCaption);
            if (DisableErrors.ScriptError && IsErrorDialogTitle(title)) {
                SendMessageW(activated, WM_CLOSE, 0, 0);
            }
            if (IsWindow(activated)) {
                SetWindowTextW(activated, caption.c_str());
            }
        }
    }
    if (activated != nullptr && OnShowDialog) {
        TShowDialogEvent handler = OnShowDialog;
        handler(*this, activated);
    }
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
    // Only a failure reported during this wait counts: an earlier one says nothing about the
    // page that is loading now (a refresh, or a local file whose BeforeNavigate2 is late).
    navigationFailed_ = false;
    return Wait();
}

WaitResult TEmbeddedBrowser::Wait() {
    std::weak_ptr<int> alive = alive_;
    ULONGLONG lastSign = GetTickCount64();
    uint64_t seenEvents = eventCount_;
    READYSTATE seenState = ReadyState();
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
