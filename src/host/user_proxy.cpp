#include "host/user_proxy.h"

#include "toolkit/system_library.h"

#include <windows.h>
#include <wininet.h>

#include <optional>
#include <string>
#include <vector>

namespace host {
namespace {

// The program's own key; nothing else of the user's is written here.
constexpr const wchar_t* kSavedKey = L"Software\\Quelmar\\EmbeddedBrowser\\SavedProxy";
constexpr const wchar_t* kHoldersKey = L"Software\\Quelmar\\EmbeddedBrowser\\SavedProxy\\Holders";

int g_holds = 0;          // hosts of this process that set a proxy and live
bool g_recovered = false; // RecoverUserProxy ran in this process

struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h != nullptr) {
            RegCloseKey(h);
        }
    }
};

// The per-connection values the user had. A text that is not there (none) differs from an
// empty one: WinINet deletes the registry value for none and writes "" for an empty text.
struct UserProxy {
    DWORD flags = PROXY_TYPE_DIRECT;
    std::optional<std::wstring> server, bypass, autoConfigUrl;
};

constexpr DWORD kTextOptions[] = {INTERNET_PER_CONN_PROXY_SERVER, INTERNET_PER_CONN_PROXY_BYPASS,
                                  INTERNET_PER_CONN_AUTOCONFIG_URL};
constexpr const wchar_t* kTextNames[] = {L"Server", L"Bypass", L"AutoConfigURL"};

std::optional<std::wstring>& TextOf(UserProxy& p, size_t i) {
    return i == 0 ? p.server : i == 1 ? p.bypass : p.autoConfigUrl;
}

std::optional<UserProxy> QueryUserProxy() {
    auto query =
        tk::SystemFunction<decltype(&InternetQueryOptionW)>(L"wininet.dll", "InternetQueryOptionW");
    if (query == nullptr) {
        return std::nullopt;
    }
    INTERNET_PER_CONN_OPTIONW options[4] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    for (size_t i = 0; i < 3; ++i) {
        options[i + 1].dwOption = kTextOptions[i];
    }
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof(list);
    list.dwOptionCount = 4;
    list.pOptions = options;
    DWORD size = sizeof(list);
    if (!query(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size)) {
        return std::nullopt;
    }
    UserProxy p;
    p.flags = options[0].Value.dwValue;
    for (size_t i = 0; i < 3; ++i) {
        if (wchar_t* text = options[i + 1].Value.pszValue) {
            TextOf(p, i) = std::wstring(text);
            GlobalFree(text);
        }
    }
    return p;
}

void WriteUserProxy(UserProxy p) {
    auto set =
        tk::SystemFunction<decltype(&InternetSetOptionW)>(L"wininet.dll", "InternetSetOptionW");
    if (set == nullptr) {
        return;
    }
    INTERNET_PER_CONN_OPTIONW options[4] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[0].Value.dwValue = p.flags;
    for (size_t i = 0; i < 3; ++i) {
        options[i + 1].dwOption = kTextOptions[i];
        std::optional<std::wstring>& text = TextOf(p, i);
        options[i + 1].Value.pszValue = text ? text->data() : nullptr;
    }
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof(list);
    list.dwOptionCount = 4;
    list.pOptions = options;
    set(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof(list));
    set(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
}

std::optional<UserProxy> ReadSaved() {
    Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSavedKey, 0, KEY_QUERY_VALUE, &key.h) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    UserProxy p;
    DWORD type = 0, size = sizeof(p.flags);
    if (RegQueryValueExW(key.h, L"Flags", nullptr, &type, reinterpret_cast<BYTE*>(&p.flags),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
        return std::nullopt; // not saved completely: nothing to put back
    }
    for (size_t i = 0; i < 3; ++i) {
        DWORD bytes = 0;
        if (RegQueryValueExW(key.h, kTextNames[i], nullptr, &type, nullptr, &bytes) !=
                ERROR_SUCCESS ||
            type != REG_SZ) {
            continue;
        }
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (RegQueryValueExW(key.h, kTextNames[i], nullptr, &type,
                             reinterpret_cast<BYTE*>(text.data()), &bytes) == ERROR_SUCCESS) {
            text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
            TextOf(p, i) = std::move(text);
        }
    }
    return p;
}

// The flags are written last: a save cut short is no save.
bool WriteSaved(UserProxy p) {
    Key key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSavedKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key.h,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    for (size_t i = 0; i < 3; ++i) {
        const std::optional<std::wstring>& text = TextOf(p, i);
        if (!text) {
            RegDeleteValueW(key.h, kTextNames[i]);
        } else if (RegSetValueExW(key.h, kTextNames[i], 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(text->c_str()),
                                  static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t))) !=
                   ERROR_SUCCESS) {
            return false;
        }
    }
    return RegSetValueExW(key.h, L"Flags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&p.flags),
                          sizeof(p.flags)) == ERROR_SUCCESS;
}

// A process by its id and start time, so that a reused id is not taken for it.
std::wstring HolderName(DWORD pid, const FILETIME& created) {
    wchar_t name[64];
    wsprintfW(name, L"%lu-%08lX%08lX", static_cast<unsigned long>(pid),
              static_cast<unsigned long>(created.dwHighDateTime),
              static_cast<unsigned long>(created.dwLowDateTime));
    return name;
}

std::optional<std::wstring> NameOfProcess(HANDLE process, DWORD pid) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return std::nullopt;
    }
    return HolderName(pid, created);
}

std::wstring OwnHolderName() {
    return NameOfProcess(GetCurrentProcess(), GetCurrentProcessId()).value_or(L"");
}

bool HolderRuns(const std::wstring& name) {
    DWORD pid = static_cast<DWORD>(wcstoul(name.c_str(), nullptr, 10));
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) {
        // A process that exists but may not be asked about is taken as running.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD code = 0;
    bool runs = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE &&
                NameOfProcess(process, pid) == name;
    CloseHandle(process);
    return runs;
}

// Removes the holders that no longer run; true when one still does.
bool PruneHolders() {
    Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kHoldersKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key.h) !=
        ERROR_SUCCESS) {
        return false;
    }
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[64];
        DWORD n = 64;
        if (RegEnumValueW(key.h, i, name, &n, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, n);
    }
    bool running = false;
    for (const std::wstring& name : names) {
        if (HolderRuns(name)) {
            running = true;
        } else {
            RegDeleteValueW(key.h, name.c_str());
        }
    }
    return running;
}

// Puts the saved values back and forgets them, unless a running instance still holds them.
void RestoreUnlessHeld() {
    if (PruneHolders()) {
        return;
    }
    if (std::optional<UserProxy> saved = ReadSaved()) {
        WriteUserProxy(*saved);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kSavedKey);
}

} // namespace

bool HoldUserProxy() {
    if (g_holds > 0) {
        ++g_holds;
        return true;
    }
    RecoverUserProxy();
    // While another running instance holds the saved values, what is set now is its proxy.
    if (!PruneHolders() || !ReadSaved()) {
        // Values left by an instance that ended without putting them back go back first.
        RestoreUnlessHeld();
        std::optional<UserProxy> user = QueryUserProxy();
        if (!user || !WriteSaved(*user)) {
            RegDeleteTreeW(HKEY_CURRENT_USER, kSavedKey);
            return false;
        }
    }
    Key key;
    const std::wstring self = OwnHolderName();
    if (self.empty() ||
        RegCreateKeyExW(HKEY_CURRENT_USER, kHoldersKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key.h, nullptr) != ERROR_SUCCESS ||
        RegSetValueExW(key.h, self.c_str(), 0, REG_NONE, nullptr, 0) != ERROR_SUCCESS) {
        RestoreUnlessHeld();
        return false;
    }
    g_holds = 1;
    return true;
}

void ReleaseUserProxy() {
    if (g_holds == 0 || --g_holds > 0) {
        return;
    }
    Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kHoldersKey, 0, KEY_SET_VALUE, &key.h) == ERROR_SUCCESS) {
        RegDeleteValueW(key.h, OwnHolderName().c_str());
    }
    RestoreUnlessHeld();
}

void RecoverUserProxy() {
    if (g_recovered) {
        return;
    }
    g_recovered = true;
    Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSavedKey, 0, KEY_QUERY_VALUE, &key.h) != ERROR_SUCCESS) {
        return; // nothing saved: the usual case
    }
    RestoreUnlessHeld();
}

} // namespace host
