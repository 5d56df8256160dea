#include "favorites/shell_items.h"

#include "common/core/item_id_list.h"
#include "favorites/core/menu_rules.h"
#include "toolkit/application.h"
#include "toolkit/com.h"
#include "toolkit/error.h"

#include <commctrl.h>
#include <intshcut.h>
#include <isguids.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <ntquery.h>

#include <cstring>
#include <vector>

namespace fav {
namespace {

using tk::Adopt;
using tk::ComPtr;

// The shell hands out closed lists in blocks of its own; the walk over one still stops at this
// many bytes.
constexpr size_t kMaxItemIdBytes = 1u << 20;

const uint8_t* Bytes(LPCITEMIDLIST id) {
    return reinterpret_cast<const uint8_t*>(id);
}

std::wstring NameOf(IShellFolder* folder, LPCITEMIDLIST relative, SHGDNF flags) {
    if (folder == nullptr || relative == nullptr) {
        return {};
    }
    STRRET name{};
    if (FAILED(folder->GetDisplayNameOf(relative, flags, &name))) {
        return {};
    }
    // Turns each of the three forms (wide string, offset into the identity, inline ANSI text)
    // into text and frees a wide string.
    LPWSTR text = nullptr;
    if (FAILED(StrRetToStrW(&name, relative, &text)) || text == nullptr) {
        return {};
    }
    std::wstring result(text);
    CoTaskMemFree(text);
    return result;
}

std::wstring QueryString(HKEY root, const wchar_t* subKey, const wchar_t* value, bool& found) {
    found = false;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return {};
    }
    std::wstring result;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, value, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<wchar_t> buf(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
        if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                             &size) == ERROR_SUCCESS) {
            result.assign(buf.data());
            found = true;
        }
    }
    RegCloseKey(key);
    return result;
}

} // namespace

size_t ItemIdSize(LPCITEMIDLIST id) {
    return id == nullptr ? 0 : kv::ItemIdListSize(Bytes(id), kMaxItemIdBytes);
}

LPITEMIDLIST NewItemId(size_t size) {
    void* block = CoTaskMemAlloc(size);
    if (block != nullptr) {
        std::memset(block, 0, size);
    }
    return static_cast<LPITEMIDLIST>(block);
}

LPITEMIDLIST CopyItemId(LPCITEMIDLIST id) {
    size_t size = ItemIdSize(id);
    if (size == 0) {
        return nullptr;
    }
    LPITEMIDLIST copy = NewItemId(size);
    if (copy != nullptr) {
        std::memcpy(copy, id, size);
    }
    return copy;
}

LPITEMIDLIST JoinItemIds(LPCITEMIDLIST parent, LPCITEMIDLIST child) {
    std::vector<uint8_t> joined =
        kv::JoinItemIdLists(Bytes(parent), kMaxItemIdBytes, Bytes(child), kMaxItemIdBytes);
    if (joined.empty()) {
        return nullptr;
    }
    LPITEMIDLIST id = NewItemId(joined.size());
    if (id != nullptr) {
        std::memcpy(id, joined.data(), joined.size());
    }
    return id;
}

void StripLastItemId(LPITEMIDLIST id) {
    if (id != nullptr) {
        (void)kv::StripLastItem(reinterpret_cast<uint8_t*>(id), ItemIdSize(id));
    }
}

void FreeItemId(LPCITEMIDLIST id) {
    CoTaskMemFree(const_cast<LPITEMIDLIST>(id));
}

std::wstring DisplayName(IShellFolder* folder, LPCITEMIDLIST relative) {
    return NameOf(folder, relative, SHGDN_NORMAL);
}

std::wstring ParsingName(IShellFolder* folder, LPCITEMIDLIST relative) {
    return NameOf(folder, relative, SHGDN_FORPARSING);
}

std::wstring TypeName(LPCITEMIDLIST absolute) {
    if (absolute == nullptr) {
        return {};
    }
    SHFILEINFOW info{};
    if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof(info),
                       SHGFI_PIDL | SHGFI_TYPENAME) == 0) {
        return {};
    }
    return info.szTypeName;
}

bool HasTypeName(const std::wstring& typeName, LPCITEMIDLIST absolute) {
    return TypeName(absolute) == typeName;
}

FolderTypeNames::FolderTypeNames(IShellFolder* folder) : folder_(folder) {
    if (folder_ == nullptr ||
        FAILED(folder_->QueryInterface(IID_IShellFolder2, reinterpret_cast<void**>(&details_))) ||
        details_ == nullptr) {
        details_ = nullptr;
        return;
    }
    // The column whose property is the storage type (FMTID_Storage, PID_STG_STORAGETYPE).
    for (UINT c = 0; c < 64; ++c) {
        SHCOLUMNID id{};
        if (FAILED(details_->MapColumnToSCID(c, &id))) {
            break;
        }
        if (IsEqualGUID(id.fmtid, FMTID_Storage) && id.pid == PID_STG_STORAGETYPE) {
            column_ = static_cast<int>(c);
            break;
        }
    }
}

FolderTypeNames::~FolderTypeNames() {
    if (details_ != nullptr) {
        details_->Release();
    }
}

std::wstring FolderTypeNames::Ask(LPCITEMIDLIST relative, LPCITEMIDLIST absolute) {
    if (column_ >= 0) {
        SHELLDETAILS d{};
        LPWSTR text = nullptr;
        if (SUCCEEDED(details_->GetDetailsOf(relative, static_cast<UINT>(column_), &d)) &&
            SUCCEEDED(StrRetToStrW(&d.str, relative, &text)) && text != nullptr) {
            std::wstring type(text);
            CoTaskMemFree(text);
            return type;
        }
    }
    return TypeName(absolute);
}

std::wstring FolderTypeNames::Of(LPCITEMIDLIST relative, LPCITEMIDLIST absolute, bool isFolder) {
    if (isFolder) {
        return Ask(relative, absolute);
    }
    std::wstring name = NameOf(folder_, relative, SHGDN_INFOLDER | SHGDN_FORPARSING);
    size_t dot = name.find_last_of(L".\\/");
    std::wstring extension =
        dot != std::wstring::npos && name[dot] == L'.' ? name.substr(dot) : std::wstring();
    for (const auto& known : byExtension_) {
        if (known.first == extension) {
            return known.second;
        }
    }
    std::wstring type = Ask(relative, absolute);
    byExtension_.emplace_back(std::move(extension), type);
    return type;
}

bool IsFolderItem(IShellFolder* folder, LPCITEMIDLIST relative) {
    if (folder == nullptr || relative == nullptr) {
        return false;
    }
    SFGAOF attributes = SFGAO_FOLDER;
    return SUCCEEDED(folder->GetAttributesOf(1, &relative, &attributes)) &&
           (attributes & SFGAO_FOLDER) != 0;
}

bool IsSubmenuFolder(const std::wstring& channelTypeName, IShellFolder* folder,
                     LPCITEMIDLIST relative, LPCITEMIDLIST absolute) {
    return IsFolderItem(folder, relative) && !HasTypeName(channelTypeName, absolute);
}

int SmallIconIndex(LPCITEMIDLIST absolute) {
    if (absolute == nullptr) {
        return -1;
    }
    // Only the index: asking for the icon handle too would leave one icon per call to free.
    SHFILEINFOW info{};
    if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof(info),
                       SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON) == 0) {
        return -1;
    }
    return info.iIcon;
}

HIMAGELIST SystemSmallImages(LPCITEMIDLIST absolute) {
    if (absolute == nullptr) {
        return nullptr;
    }
    SHFILEINFOW info{};
    return reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof(info),
                       SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON));
}

std::wstring UrlFromInternetShortcut(const std::wstring& path) {
    IUniformResourceLocatorW* raw = nullptr;
    if (FAILED(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IUniformResourceLocatorW, reinterpret_cast<void**>(&raw))) ||
        raw == nullptr) {
        return {};
    }
    ComPtr<IUniformResourceLocatorW> shortcut = Adopt(raw);
    ComPtr<IPersistFile> file;
    if (FAILED(shortcut->QueryInterface(IID_IPersistFile,
                                        reinterpret_cast<void**>(file.GetAddressOf()))) ||
        FAILED(file->Load(path.c_str(), STGM_READ))) {
        return {};
    }
    LPWSTR url = nullptr;
    if (FAILED(shortcut->GetURL(&url)) || url == nullptr) {
        return {};
    }
    std::wstring result(url);
    CoTaskMemFree(url);
    return result;
}

std::wstring UrlFromIniFile(const std::wstring& path) {
    // The value may be longer than any first guess: grow until it fits.
    std::vector<wchar_t> buf(1024);
    for (;;) {
        DWORD n = GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", buf.data(),
                                           static_cast<DWORD>(buf.size()), path.c_str());
        if (n + 1 < buf.size() || buf.size() >= (1u << 20)) {
            return std::wstring(buf.data(), n);
        }
        buf.resize(buf.size() * 4);
    }
}

std::wstring UrlFromShellLink(const std::wstring& path) {
    IShellLinkW* raw = nullptr;
    tk::Check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                               reinterpret_cast<void**>(&raw)));
    ComPtr<IShellLinkW> link = Adopt(raw);
    ComPtr<IPersistFile> file;
    tk::Check(
        link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.GetAddressOf())));
    if (FAILED(file->Load(path.c_str(), STGM_READ))) {
        return {};
    }
    if (FAILED(link->Resolve(tk::Application::ActiveOwner(), SLR_NOUPDATE))) {
        return {};
    }
    wchar_t target[MAX_PATH + 1] = {};
    if (link->GetPath(target, MAX_PATH + 1, nullptr, SLGP_UNCPRIORITY) == S_OK) {
        return target;
    }
    return {};
}

std::wstring UrlFromChannelLink(IShellFolder* folder, LPCITEMIDLIST relative, bool& failed) {
    failed = true;
    if (folder == nullptr || relative == nullptr) {
        return {};
    }
    IShellLinkW* raw = nullptr;
    if (FAILED(folder->GetUIObjectOf(nullptr, 1, &relative, IID_IShellLinkW, nullptr,
                                     reinterpret_cast<void**>(&raw))) ||
        raw == nullptr) {
        return {};
    }
    ComPtr<IShellLinkW> link = Adopt(raw);
    LPITEMIDLIST target = nullptr;
    if (FAILED(link->GetIDList(&target)) || target == nullptr) {
        return {};
    }
    ItemIdPtr owned(target);
    IShellFolder* desktopRaw = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktopRaw)) || desktopRaw == nullptr) {
        return {};
    }
    ComPtr<IShellFolder> desktop = Adopt(desktopRaw);
    std::wstring url = NameOf(desktop.Get(), target, SHGDN_NORMAL);
    failed = url.empty();
    return url;
}

std::wstring ClassTypeName(const wchar_t* className, const wchar_t* fallback) {
    bool found = false;
    std::wstring name = QueryString(HKEY_CLASSES_ROOT, className, nullptr, found);
    return found ? name : std::wstring(fallback);
}

bool BrowserVersionAbove4() {
    bool found = false;
    std::wstring version = QueryString(
        HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer", L"Version", found);
    return VersionAbove4(found ? version : std::wstring(L"0"));
}

} // namespace fav
