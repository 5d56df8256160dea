// The site list button end to end: the prefix's internet settings point at a proxy on
// 127.0.0.1 run by this test, so the maker's real address is served here. A download that
// succeeds replaces the list and the file; a missing page leaves both.
#include "win32/support/loopback_http.h"

#include "app/main_form.h"
#include "engine_stub/engine_stub.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kInternetSettings =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Points the current user's internet settings at a proxy and puts back what was there
// (other test programs share the prefix).
class ProxySettings {
public:
    explicit ProxySettings(const std::wstring& server) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) != 0) {
            key_ = nullptr;
            return;
        }
        DWORD enable = 0, size = sizeof(enable), type = 0;
        if (RegQueryValueExW(key_, L"ProxyEnable", nullptr, &type, reinterpret_cast<BYTE*>(&enable),
                             &size) == 0) {
            oldEnable_ = enable;
        }
        wchar_t text[512] = {};
        size = sizeof(text) - sizeof(wchar_t);
        if (RegQueryValueExW(key_, L"ProxyServer", nullptr, &type, reinterpret_cast<BYTE*>(text),
                             &size) == 0) {
            oldServer_ = std::wstring(text);
        }
        DWORD on = 1;
        ok_ = RegSetValueExW(key_, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<BYTE*>(&on),
                             sizeof(on)) == 0 &&
              SetText(L"ProxyServer", server);
    }
    ~ProxySettings() {
        if (key_ == nullptr) {
            return;
        }
        if (oldEnable_) {
            DWORD v = *oldEnable_;
            RegSetValueExW(key_, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v),
                           sizeof(v));
        } else {
            RegDeleteValueW(key_, L"ProxyEnable");
        }
        if (oldServer_) {
            SetText(L"ProxyServer", *oldServer_);
        } else {
            RegDeleteValueW(key_, L"ProxyServer");
        }
        RegCloseKey(key_);
    }
    bool Ok() const { return ok_; }

private:
    bool SetText(const wchar_t* name, const std::wstring& text) {
        return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == 0;
    }
    HKEY key_ = nullptr;
    bool ok_ = false;
    std::optional<DWORD> oldEnable_;
    std::optional<std::wstring> oldServer_;
};

// "新浪:www.sina.com.cn" and "网易:http://www.163.com/" in GBK.
const std::string kSina = "\xd0\xc2\xc0\xcb:www.sina.com.cn";
const std::string k163 = "\xcd\xf8\xd2\xd7:http://www.163.com/";

TEST(SiteListProxy, ButtonReplacesTheListOnlyWhenTheDownloadSucceeds) {
    kvtest::ResetModals();
    stub::ScopedRegistration engine;
    kvtest::TempFolder program(L"kvproxy");
    kvtest::LoopbackHttpServer server({});
    ASSERT_TRUE(server.Running());
    const std::string body = kSina + "\r\n" + k163 + "\r\n";
    // The proxy gets the absolute address, with or without the default port.
    for (const char* target : {"http://www.quelmar.com:80/kvbr/newslist.txt",
                               "http://www.quelmar.com/kvbr/newslist.txt"}) {
        server.SetReply(target, kvtest::Reply{"200 OK", body});
    }
    ProxySettings proxy(L"127.0.0.1:" + std::to_wstring(server.Port()));
    ASSERT_TRUE(proxy.Ok());

    TFrameStart s;
    s.programFolder = program.Path();
    s.settingsPath = program.Path() + L"kvbr.ini";
    s.useCommandLine = false;
    auto frame = std::make_unique<TMainForm>(s);
    frame->Show(SW_SHOWNORMAL);
    kvtest::PumpIdle();
    ASSERT_EQ(frame->SiteItems().size(), 3u);

    frame->ToolButton4Click();
    std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].find("www.quelmar.com"), std::string::npos) << requests[0];
    EXPECT_NE(requests[0].find("/kvbr/newslist.txt"), std::string::npos) << requests[0];
    EXPECT_EQ(frame->SiteItems(), (std::vector<std::string>{kSina, k163}));
    EXPECT_EQ(kvtest::ReadBytes(program.Path() + L"newslist.txt").value_or("<missing>"), body);

    // The page is gone: the list and the file stay as they are, and nothing is said.
    for (const char* target : {"http://www.quelmar.com:80/kvbr/newslist.txt",
                               "http://www.quelmar.com/kvbr/newslist.txt"}) {
        server.SetReply(target, kvtest::Reply{"404 Not Found", "<html>gone</html>"});
    }
    frame->ToolButton4Click();
    EXPECT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(frame->SiteItems(), (std::vector<std::string>{kSina, k163}));
    EXPECT_EQ(kvtest::ReadBytes(program.Path() + L"newslist.txt").value_or("<missing>"), body);
    EXPECT_TRUE(kvtest::SeenModals().empty());

    frame.reset();
    kvtest::DrainQuit();
}

} // namespace
