// The browser settings a host keeps in the current user's registry and WinINet while it lives,
// read back from the test prefix: the user-agent token, the navigation sound and the proxy.
#include "win32/support/loopback_http.h" // before windows.h

#include "host/browser_registry.h"
#include "host/embedded_browser.h"
#include "engine_stub/engine_stub.h"
#include "win32/support/parent_window.h"
#include "win32/support/user_proxy_values.h"

#include <gtest/gtest.h>

#include <urlmon.h>
#include <wininet.h>

#include <algorithm>
#include <functional>
#include <map>

#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::RawValues;
using kvtest::ReadRawProxy;
using kvtest::Sz;
using kvtest::WriteRawProxy;

const wchar_t kPostPlatform[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform";
const wchar_t kNavigating[] = L"AppEvents\\Schemes\\Apps\\Explorer\\Navigating";

// Names of the values under the "Post Platform" key.
std::vector<std::wstring> UserAgentValues() {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPostPlatform, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD n = 512;
        if (RegEnumValueW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, n);
    }
    RegCloseKey(key);
    return names;
}

void ClearUserAgents() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kPostPlatform);
}

std::wstring SoundKey(const wchar_t* sub) {
    return std::wstring(kNavigating) + L"\\" + sub;
}

// The default value of a key under Navigating, "<missing>" when the key is not there.
std::wstring SoundOf(const wchar_t* sub) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SoundKey(sub).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return L"<missing>";
    }
    wchar_t data[260] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS) {
        data[0] = 0;
    }
    // A sub-key proves that the whole tree moved.
    HKEY child = nullptr;
    bool hasChild = RegOpenKeyExW(key, L"Detail", 0, KEY_READ, &child) == ERROR_SUCCESS;
    if (child) {
        RegCloseKey(child);
    }
    RegCloseKey(key);
    return std::wstring(data) + (hasChild ? L"+Detail" : L"");
}

void SetSound(const wchar_t* sub, const wchar_t* file) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SoundKey(sub).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(file),
                   static_cast<DWORD>((wcslen(file) + 1) * sizeof(wchar_t)));
    HKEY child = nullptr;
    RegCreateKeyExW(key, L"Detail", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
    RegCloseKey(child);
    RegCloseKey(key);
}

void ClearSounds() {
    RegDeleteTreeW(HKEY_CURRENT_USER, SoundKey(L".Current").c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, SoundKey(L"Old_Current").c_str());
}

class HostRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        ClearUserAgents();
        ClearSounds();
    }
    void TearDown() override {
        ClearUserAgents();
        ClearSounds();
        SetSound(L".Current", L"C:\\windows\\media\\start.wav"); // as a new prefix has it
    }
    std::unique_ptr<host::TEmbeddedBrowser>
    Placed(std::function<void(host::TEmbeddedBrowser&)> configure = {}) {
        auto b = std::make_unique<host::TEmbeddedBrowser>();
        if (configure) {
            configure(*b);
        }
        b->SetParent(parent_.get());
        return b;
    }

    stub::ScopedRegistration registration_;
    kvtest::ParentWindow parent_;
};

TEST_F(HostRegistry, DefaultUserAgentIsRegisteredUnchangedAndRemoved) {
    auto b = Placed();
    EXPECT_EQ(b->UserAgent(),
              L"EmbeddedBrowser 14.52 from: http://www.quelmar.com/embeddedbrowser/");
    EXPECT_EQ(UserAgentValues(),
              std::vector<std::wstring>{L"EmbeddedBrowser 14.52 from: "
                                        L"http://www.quelmar.com/embeddedbrowser/"});
    b.reset();
    EXPECT_TRUE(UserAgentValues().empty());
}

TEST_F(HostRegistry, OtherUserAgentIsExtendedAndExactlyThatNameRemoved) {
    auto b = Placed([](host::TEmbeddedBrowser& h) { h.SetUserAgent(L"KVBrowser/3.4"); });
    EXPECT_EQ(b->UserAgent(), L"KVBrowser/3.4 EmbeddedBrowser 14.52");
    EXPECT_EQ(UserAgentValues(), std::vector<std::wstring>{L"KVBrowser/3.4 EmbeddedBrowser 14.52"});
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kPostPlatform, 0, KEY_READ, &key), ERROR_SUCCESS);
    wchar_t data[16] = L"x";
    DWORD size = sizeof(data), type = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"KVBrowser/3.4 EmbeddedBrowser 14.52", nullptr, &type,
                               reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(data, L"");
    b.reset();
    EXPECT_TRUE(UserAgentValues().empty());
}

TEST_F(HostRegistry, TwoHostsWithOneTextWriteItOnceAndTheFirstGoneRemovesIt) {
    auto setText = [](host::TEmbeddedBrowser& h) { h.SetUserAgent(L"Same"); };
    auto first = Placed(setText);
    auto second = Placed(setText);
    EXPECT_EQ(UserAgentValues(), std::vector<std::wstring>{L"Same EmbeddedBrowser 14.52"});
    first.reset();
    EXPECT_TRUE(UserAgentValues().empty());
    second.reset();
    EXPECT_TRUE(UserAgentValues().empty());
}

TEST_F(HostRegistry, NavigationSoundIsParkedWhileTheHostLives) {
    SetSound(L".Current", L"click.wav");
    auto b = Placed([](host::TEmbeddedBrowser& h) { h.VisualEffects.DisableSounds = true; });
    EXPECT_EQ(SoundOf(L".Current"), L"<missing>");
    EXPECT_EQ(SoundOf(L"Old_Current"), L"click.wav+Detail");
    b.reset();
    EXPECT_EQ(SoundOf(L".Current"), L"click.wav+Detail");
    EXPECT_EQ(SoundOf(L"Old_Current"), L"<missing>");

    // Without DisableSounds nothing moves.
    auto quiet = Placed();
    EXPECT_EQ(SoundOf(L".Current"), L"click.wav+Detail");
    quiet.reset();
    EXPECT_EQ(SoundOf(L".Current"), L"click.wav+Detail");
}

TEST_F(HostRegistry, SilencingAndRestoringNeverOverwriteAParkedSound) {
    // ".Current" absent: silencing changes nothing.
    host::SetNavigationSound(true);
    EXPECT_EQ(SoundOf(L".Current"), L"<missing>");
    EXPECT_EQ(SoundOf(L"Old_Current"), L"<missing>");
    // "Old_Current" alone: silencing changes nothing; restoring brings it back.
    SetSound(L"Old_Current", L"parked.wav");
    host::SetNavigationSound(true);
    EXPECT_EQ(SoundOf(L"Old_Current"), L"parked.wav+Detail");
    host::SetNavigationSound(false);
    EXPECT_EQ(SoundOf(L".Current"), L"parked.wav+Detail");
    EXPECT_EQ(SoundOf(L"Old_Current"), L"<missing>");
    // Both present: neither silencing nor restoring overwrites anything.
    SetSound(L"Old_Current", L"older.wav");
    host::SetNavigationSound(true);
    EXPECT_EQ(SoundOf(L".Current"), L"parked.wav+Detail");
    EXPECT_EQ(SoundOf(L"Old_Current"), L"older.wav+Detail");
    host::SetNavigationSound(false);
    EXPECT_EQ(SoundOf(L".Current"), L"parked.wav+Detail");
    EXPECT_EQ(SoundOf(L"Old_Current"), L"older.wav+Detail");
    // Restoring with "Old_Current" absent changes nothing.
    RegDeleteTreeW(HKEY_CURRENT_USER, SoundKey(L"Old_Current").c_str());
    host::SetNavigationSound(false);
    EXPECT_EQ(SoundOf(L".Current"), L"parked.wav+Detail");
    EXPECT_EQ(SoundOf(L"Old_Current"), L"<missing>");
}

struct ProxyState {
    DWORD flags = 0;
    std::wstring server, bypass;
    bool read = false;
};

// What WinINet holds for the default connection.
ProxyState ReadProxy() {
    INTERNET_PER_CONN_OPTIONW options[3] = {};
    options[0].dwOption = INTERNET_PER_CONN_FLAGS;
    options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
    options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
    INTERNET_PER_CONN_OPTION_LISTW list{};
    list.dwSize = sizeof(list);
    list.dwOptionCount = 3;
    list.pOptions = options;
    DWORD size = sizeof(list);
    ProxyState s;
    s.read = InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size);
    if (s.read) {
        s.flags = options[0].Value.dwValue;
        if (options[1].Value.pszValue) {
            s.server = options[1].Value.pszValue;
            GlobalFree(options[1].Value.pszValue);
        }
        if (options[2].Value.pszValue) {
            s.bypass = options[2].Value.pszValue;
            GlobalFree(options[2].Value.pszValue);
        }
    }
    return s;
}

// The test program itself, started with one of the disabled tests below as a second process.
DWORD RunSelf(const wchar_t* test, bool killOnSignal) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(exe) +
                        L"\" --gtest_also_run_disabled_tests --gtest_filter=HostRegistry." + test;
    HANDLE signal = CreateEventW(nullptr, TRUE, FALSE, L"KvProxyHolderReady");
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(signal);
        return 99;
    }
    if (killOnSignal) {
        HANDLE both[] = {signal, pi.hProcess};
        if (WaitForMultipleObjects(2, both, FALSE, 30000) == WAIT_OBJECT_0) {
            TerminateProcess(pi.hProcess, 9);
        }
    }
    WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(signal);
    return code;
}

// Run only as a second process: holds a host with a proxy until it is killed.
TEST_F(HostRegistry, DISABLED_HoldsAProxyUntilKilled) {
    auto b = Placed([](host::TEmbeddedBrowser& h) {
        h.ProxySettings.Server = L"127.0.0.1";
        h.ProxySettings.Port = 3999;
    });
    HANDLE signal = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"KvProxyHolderReady");
    SetEvent(signal);
    Sleep(30000);
}

// Run only as a second process: a start of a host that sets no proxy.
TEST_F(HostRegistry, DISABLED_StartsWithoutAProxy) {
    auto b = Placed();
}

TEST_F(HostRegistry, TheUsersProxyValuesAreKeptByteForByte) {
    const RawValues original = ReadRawProxy();
    RawValues user;
    user[L"ProxyEnable"] = {REG_DWORD, std::vector<BYTE>{1, 0, 0, 0}};
    user[L"ProxyServer"] = Sz(L"127.0.0.1:3128");
    user[L"ProxyOverride"] = Sz(L"<local>;*.intra.example");
    user[L"AutoConfigURL"] = Sz(L"http://pac.example/proxy.pac");
    kvtest::LoopbackHttpServer server({{"http://www.example-host.com:80/kvbr/proxy.txt",
                                        kvtest::Reply{"200 OK", "through the proxy"}}});
    ASSERT_TRUE(server.Running());
    struct Case {
        const char* name;
        std::function<void()> run;
    } cases[] = {
        {"a host that sets no proxy", [&] { Placed().reset(); }},
        {"a host with a proxy, two hosts, one after the other",
         [&] {
             auto b = Placed([&](host::TEmbeddedBrowser& h) {
                 h.ProxySettings.Server = L"127.0.0.1";
                 h.ProxySettings.Port = server.Port();
             });
             auto c = Placed([&](host::TEmbeddedBrowser& h) {
                 h.ProxySettings.Server = L"127.0.0.1";
                 h.ProxySettings.Port = server.Port();
             });
             ProxyState set = ReadProxy();
             EXPECT_EQ(set.server, L"127.0.0.1:" + std::to_wstring(server.Port()));
             EXPECT_NE(set.flags & PROXY_TYPE_PROXY, 0u);
             // An outside address goes through the host's proxy.
             wchar_t temp[MAX_PATH];
             GetTempPathW(MAX_PATH, temp);
             std::wstring file = std::wstring(temp) + L"kv_proxy_test.txt";
             EXPECT_EQ(URLDownloadToFileW(nullptr, L"http://www.example-host.com/kvbr/proxy.txt",
                                          file.c_str(), 0, nullptr),
                       S_OK);
             DeleteFileW(file.c_str());
             auto seen = server.Requests();
             EXPECT_NE(std::find(seen.begin(), seen.end(),
                                 "http://www.example-host.com:80/kvbr/proxy.txt"),
                       seen.end());
             b.reset();
             // The other host still holds its proxy.
             EXPECT_EQ(ReadProxy().server, L"127.0.0.1:" + std::to_wstring(server.Port()));
         }},
        {"a program killed while it holds a proxy, then started again",
         [&] {
             EXPECT_EQ(RunSelf(L"DISABLED_HoldsAProxyUntilKilled", true), 9u);
             EXPECT_EQ(ReadProxy().server, L"127.0.0.1:3999");
             EXPECT_EQ(RunSelf(L"DISABLED_StartsWithoutAProxy", false), 0u);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRawProxy(user);
        c.run();
        EXPECT_EQ(ReadRawProxy(), user);
        HKEY saved = nullptr;
        EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER,
                                L"Software\\Quelmar\\EmbeddedBrowser\\SavedProxy", 0, KEY_READ,
                                &saved),
                  ERROR_SUCCESS);
        if (saved != nullptr) {
            RegCloseKey(saved);
        }
    }
    WriteRawProxy(original);
}

} // namespace
