#include "doc_tools/open_save.h"

#include "doc_tools/core/page_text.h"
#include "doc_tools/variant_holder.h"
#include "toolkit/com.h"
#include "toolkit/dialogs.h"
#include "toolkit/error.h"
#include "toolkit/files.h"
#include "toolkit/system_codec.h"
#include "toolkit/system_library.h"

#include <commdlg.h>

#include <vector>

namespace doc {
namespace {

using tk::ComPtr;

// Filters as the dialog wants them: pairs of texts ended by NUL, a second NUL at the end.
constexpr wchar_t kOpenFilter[] = L"Internet Files and Url Shortcuts\0*.htm;*.html;*.HTML;*.HTM\0";
constexpr wchar_t kOpenTitle[] = L"Browser Open Dialog - Internet Files and Url Shortcuts";
constexpr wchar_t kSaveFilter[] = L"Text file\0*.txt\0Word file\0*.doc\0";
constexpr wchar_t kSaveTitle[] = L"Web Site Text";
constexpr wchar_t kSaveName[] = L"WebSiteText.txt";
constexpr wchar_t kSaveExtension[] = L"txt";
constexpr DWORD kNameBuffer = 32768;

// A property of an automation object, looked up by name; raised when the object refuses.
void GetByName(IDispatch* object, const wchar_t* name, VariantHolder& result) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    tk::Check(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    DISPPARAMS none{};
    tk::Check(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                             &result.v, nullptr, nullptr));
}

// The object a property holds, or null.
ComPtr<IDispatch> ObjectByName(IDispatch* object, const wchar_t* name) {
    VariantHolder v;
    GetByName(object, name, v);
    ComPtr<IDispatch> result;
    if (V_VT(&v.v) == VT_DISPATCH) {
        result = V_DISPATCH(&v.v);
    } else if (V_VT(&v.v) == VT_UNKNOWN && V_UNKNOWN(&v.v) != nullptr) {
        V_UNKNOWN(&v.v)->QueryInterface(IID_PPV_ARGS(&result));
    }
    return result;
}

struct FileDialog {
    bool save = false;
    const wchar_t* filter = nullptr;
    DWORD filterIndex = 1;
    const wchar_t* title = nullptr;
    const wchar_t* defaultExtension = nullptr;
    const wchar_t* fileName = nullptr;
};

// Runs the dialog; the chosen path, or nothing when the user cancelled.
std::optional<std::wstring> RunFileDialog(HWND owner, const FileDialog& d) {
    std::vector<wchar_t> name(kNameBuffer, L'\0');
    if (d.fileName != nullptr) {
        lstrcpynW(name.data(), d.fileName, static_cast<int>(name.size()));
    }
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = d.filter;
    ofn.nFilterIndex = d.filterIndex;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = kNameBuffer;
    ofn.lpstrTitle = d.title;
    ofn.lpstrDefExt = d.defaultExtension;
    // No question before an existing file is replaced.
    // The current folder stays where it is: files opened by a relative name (the settings
    // file of a program started elsewhere) must not follow the user's browsing.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    // Bound on first use: the library brings the print spooler's with it, whose start would
    // otherwise delay every start of the program.
    using FileNameFn = BOOL(WINAPI*)(OPENFILENAMEW*);
    using ErrorFn = DWORD(WINAPI*)();
    auto run = tk::RequiredSystemFunction<FileNameFn>(L"comdlg32.dll", d.save ? "GetSaveFileNameW"
                                                                              : "GetOpenFileNameW");
    auto lastError = tk::RequiredSystemFunction<ErrorFn>(L"comdlg32.dll", "CommDlgExtendedError");
    BOOL ok = FALSE;
    {
        tk::OwnDialogScope own;
        tk::KeepCurrentFolder folder; // Wine moves it even with OFN_NOCHANGEDIR
        tk::CenterDialogOver center(owner);
        ok = run(&ofn);
    }
    if (!ok) {
        DWORD error = lastError();
        if (error != 0) {
            throw tk::Error(L"The file dialog failed (" + std::to_wstring(error) + L")");
        }
        return std::nullopt;
    }
    return std::wstring(name.data());
}

// The top-level window that a dialog of the host's window belongs to.
HWND DialogOwner(HWND hostWindow) {
    HWND root = GetAncestor(hostWindow, GA_ROOT);
    return root != nullptr ? root : hostWindow;
}

// After a dialog: the host is still there (its window is destroyed with it) and wanted.
bool StillThere(HWND hostWindow, const TStillWanted& stillWanted) {
    return IsWindow(hostWindow) && (!stillWanted || stillWanted());
}

} // namespace

std::optional<std::string> ReadPageText(host::TEmbeddedBrowser& host) {
    if (!IsHtmlDocument(host.Document().Get())) {
        return std::nullopt;
    }
    ComPtr<IDispatch> engine = host.Application();
    if (!engine) {
        return std::string();
    }
    ComPtr<IDispatch> document = ObjectByName(engine.Get(), L"Document");
    ComPtr<IDispatch> element =
        document ? ObjectByName(document.Get(), L"documentElement") : nullptr;
    if (!element) {
        return std::string();
    }
    VariantHolder text;
    GetByName(element.Get(), L"innerText", text);
    if (V_VT(&text.v) != VT_BSTR) {
        if (V_VT(&text.v) == VT_NULL || V_VT(&text.v) == VT_EMPTY) {
            return std::string();
        }
        tk::Check(VariantChangeType(&text.v, &text.v, 0, VT_BSTR));
    }
    BSTR b = V_BSTR(&text.v);
    return tk::SystemCodec().ToAnsi(std::wstring_view(b, b ? SysStringLen(b) : 0));
}

void ShowOpenDialog(host::TEmbeddedBrowser& host, const TStillWanted& stillWanted) {
    HWND hostWindow = host.Handle();
    FileDialog d;
    d.filter = kOpenFilter;
    d.title = kOpenTitle;
    std::optional<std::wstring> path = RunFileDialog(DialogOwner(hostWindow), d);
    if (!path || !StillThere(hostWindow, stillWanted)) {
        return;
    }
    host.NavigateUrl(*path);
}

void SavePageText(host::TEmbeddedBrowser& host, const TStillWanted& stillWanted) {
    if (!WaitForPage(host, stillWanted)) {
        return;
    }
    HWND hostWindow = host.Handle();
    // Read before the dialog opens: a page that changes meanwhile is saved as it was.
    std::string bytes = PageTextFileBytes(ReadPageText(host));
    FileDialog d;
    d.save = true;
    d.filter = kSaveFilter;
    d.filterIndex = 1;
    d.title = kSaveTitle;
    d.defaultExtension = kSaveExtension;
    d.fileName = kSaveName;
    std::optional<std::wstring> path = RunFileDialog(DialogOwner(hostWindow), d);
    if (!path || !StillThere(hostWindow, stillWanted)) {
        return;
    }
    // The same bytes whichever filter was chosen.
    tk::WriteFileReplacing(*path, bytes);
}

} // namespace doc
