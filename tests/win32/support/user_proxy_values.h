// The user's proxy values under Internet Settings, read and written raw: tests compare them byte
// for byte before and after the program has run.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kvtest {

// The user's proxy values as the registry holds them: per name, its type and bytes, or absent.
inline const wchar_t kInternetSettings[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
inline const wchar_t* const kProxyValues[] = {L"ProxyEnable", L"ProxyServer", L"ProxyOverride",
                                              L"AutoConfigURL"};
using RawValues = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;

inline RawValues ReadRawProxy() {
    RawValues values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return values;
    }
    for (const wchar_t* name : kProxyValues) {
        std::vector<BYTE> data(4096);
        DWORD type = 0, size = static_cast<DWORD>(data.size());
        if (RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS) {
            data.resize(size);
            values[name] = {type, data};
        }
    }
    RegCloseKey(key);
    return values;
}

inline void WriteRawProxy(const RawValues& values) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (const wchar_t* name : kProxyValues) {
        auto it = values.find(name);
        if (it == values.end()) {
            RegDeleteValueW(key, name);
        } else {
            RegSetValueExW(key, name, 0, it->second.first, it->second.second.data(),
                           static_cast<DWORD>(it->second.second.size()));
        }
    }
    RegCloseKey(key);
}

inline std::pair<DWORD, std::vector<BYTE>> Sz(const std::wstring& text) {
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return {REG_SZ, std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t))};
}

} // namespace kvtest
