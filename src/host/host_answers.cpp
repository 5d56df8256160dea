// The host's own rules for the engine's host calls: host information, the context menu, keys,
// commands, script errors, help and the ambient properties.
#include "host/host_callbacks.h"

#include "toolkit/com.h"

#include <mshtml.h>

#include <string>

namespace host {
namespace {

// The program declares per-monitor DPI awareness; the engine is told so with the host flags.
constexpr DWORD kDocHostUIFlagDpiAware = 0x40000000;
constexpr UINT kContextMenuResource = 24641;
constexpr UINT kTrackFlags = 0x1502; // right button, return command, position animation
const GUID kCgidShellDocView = {0x000214D1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr DWORD kGetEncodingMenu = 27; // the document's menu of character sets
constexpr UINT kEncodingEntry = 2292;
const GUID kCgidExplorer = {0x000214D0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kCgidDocHostCommandHandler = {
    0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};

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

} // namespace

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

} // namespace host
