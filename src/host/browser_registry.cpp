#include "host/browser_registry.h"

#include "toolkit/system_library.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

namespace host {
namespace {

constexpr const wchar_t* kPostPlatformKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform";
constexpr const wchar_t* kNavigatingKey = L"AppEvents\\Schemes\\Apps\\Explorer\\Navigating";
constexpr const wchar_t* kCurrentSound = L".Current";
constexpr const wchar_t* kParkedSound = L"Old_Current";

// Closes a registry key on scope exit.
struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h != nullptr) {
            RegCloseKey(h);
        }
    }
};

bool SubKeyExists(HKEY base, const wchar_t* name) {
    Key k;
    return RegOpenKeyExW(base, name, 0, KEY_READ, &k.h) == ERROR_SUCCESS;
}

// Renames base\from to base\to by copying everything and deleting the old key. Nothing
// happens when from is missing or to exists already; a failed copy leaves from as it was.
void RenameKey(HKEY base, const wchar_t* from, const wchar_t* to) {
    if (!SubKeyExists(base, from) || SubKeyExists(base, to)) {
        return;
    }
    Key source, target;
    if (RegOpenKeyExW(base, from, 0, KEY_READ, &source.h) != ERROR_SUCCESS) {
        return;
    }
    DWORD disposition = 0;
    if (RegCreateKeyExW(base, to, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target.h,
                        &disposition) != ERROR_SUCCESS) {
        return;
    }
    if (disposition != REG_CREATED_NEW_KEY) {
        return; // made by someone else in between: never overwrite it
    }
    if (RegCopyTreeW(source.h, nullptr, target.h) != ERROR_SUCCESS) {
        RegCloseKey(target.h);
        target.h = nullptr;
        RegDeleteTreeW(base, to);
        return;
    }
    RegCloseKey(source.h);
    source.h = nullptr;
    RegDeleteTreeW(base, from);
}

} // namespace

std::wstring BrowserVersionText() {
    wchar_t sep[8] = L".";
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) <= 0 || sep[0] == 0) {
        sep[0] = L'.';
        sep[1] = 0;
    }
    return std::wstring(L"14") + sep + L"52";
}

const wchar_t* SupportAddress() {
    return L"http://www.quelmar.com/embeddedbrowser/";
}

std::wstring DefaultUserAgent() {
    return L"EmbeddedBrowser " + BrowserVersionText() + L" from: " + SupportAddress();
}

void RegisterUserAgent(std::wstring& userAgent) {
    if (userAgent != DefaultUserAgent()) {
        userAgent += L" EmbeddedBrowser " + BrowserVersionText();
    }
    Key key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kPostPlatformKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key.h, nullptr) != ERROR_SUCCESS) {
        return;
    }
    const wchar_t empty[1] = {0};
    RegSetValueExW(key.h, userAgent.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(empty),
                   sizeof(empty));
}

void UnregisterUserAgent(const std::wstring& userAgent) {
    Key key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPostPlatformKey, 0, KEY_SET_VALUE, &key.h) !=
        ERROR_SUCCESS) {
        return;
    }
    RegDeleteValueW(key.h, userAgent.c_str());
}

void ApplyProxy(const std::wstring& proxy) {
    std::vector<INTERNET_PER_CONN_OPTIONW> options(3);
    std::wstring server = proxy;
    wchar_t bypass[] = L"local";
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[0].Value.dwValue = PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[1].Value.pszValue = server.data();
    options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    options[2].Value.pszValue = bypass;
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof(list);
    list.pszConnection = nullptr; // the default connection
    list.dwOptionCount = 3;
    list.pOptions = options.data();
    // Bound on first use, so that the internet library stays out of the program's start.
    auto open = tk::SystemFunction<decltype(&InternetOpenW)>(L"wininet.dll", "InternetOpenW");
    auto setOption =
        tk::SystemFunction<decltype(&InternetSetOptionW)>(L"wininet.dll", "InternetSetOptionW");
    auto close =
        tk::SystemFunction<decltype(&InternetCloseHandle)>(L"wininet.dll", "InternetCloseHandle");
    if (open == nullptr || setOption == nullptr || close == nullptr) {
        return;
    }
    HINTERNET session = open(L"APPNAME123", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (session == nullptr) {
        return;
    }
    setOption(session, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof(list));
    setOption(session, INTERNET_OPTION_REFRESH, nullptr, 0);
    close(session);
}

void SetNavigationSound(bool silence) {
    Key navigating;
    if (silence) {
        if (!SubKeyExists(HKEY_CURRENT_USER,
                          (std::wstring(kNavigatingKey) + L"\\" + kCurrentSound).c_str())) {
            return;
        }
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kNavigatingKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &navigating.h, nullptr) != ERROR_SUCCESS) {
            return;
        }
        RenameKey(navigating.h, kCurrentSound, kParkedSound);
    } else {
        if (!SubKeyExists(HKEY_CURRENT_USER,
                          (std::wstring(kNavigatingKey) + L"\\" + kParkedSound).c_str())) {
            return;
        }
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kNavigatingKey, 0, KEY_ALL_ACCESS, &navigating.h) !=
            ERROR_SUCCESS) {
            return;
        }
        RenameKey(navigating.h, kParkedSound, kCurrentSound);
    }
}

} // namespace host
