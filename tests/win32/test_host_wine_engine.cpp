// Smoke tests against Wine's own WebBrowser control (no HTML renderer here): hosting,
// navigation events and teardown work with the platform's engine, not only with ours.
#include "host/embedded_browser.h"
#include "win32/support/parent_window.h"
#include "win32/support/pump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct EventLog {
    std::vector<std::wstring> names;
    size_t IndexOf(const std::wstring& n) const {
        for (size_t i = 0; i < names.size(); ++i) {
            if (names[i] == n) {
                return i;
            }
        }
        return std::wstring::npos;
    }
    bool Has(const std::wstring& n) const { return IndexOf(n) != std::wstring::npos; }
};

void Record(host::TEmbeddedBrowser& b, EventLog& log, bool& insideCall, bool& beforeInside) {
    b.OnBeforeNavigate2 = [&](host::TWebBrowser&, IDispatch*, VARIANT* url, VARIANT*, VARIANT*,
                              VARIANT*, VARIANT*, VARIANT_BOOL* cancel) {
        log.names.push_back(L"BeforeNavigate2");
        beforeInside = insideCall;
        EXPECT_NE(url, nullptr);
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(*cancel, VARIANT_FALSE);
    };
    b.OnDownloadBegin = [&](host::TWebBrowser&) { log.names.push_back(L"DownloadBegin"); };
    b.OnDownloadComplete = [&](host::TWebBrowser&) { log.names.push_back(L"DownloadComplete"); };
    b.OnStatusTextChange = [&](host::TWebBrowser&, const std::wstring&) {
        log.names.push_back(L"StatusTextChange");
    };
}

TEST(WineEngine, HostsNavigatesBlankAndTearsDown) {
    kvtest::ParentWindow parent;
    EventLog log;
    bool insideCall = false, beforeInside = false;
    {
        host::TEmbeddedBrowser browser;
        Record(browser, log, insideCall, beforeInside);
        browser.SetParent(parent.get());
        browser.SetBounds(0, 0, 600, 400);
        HWND window = browser.Handle();
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ(GetParent(window), parent.get());

        insideCall = true;
        browser.NavigateUrl(L"about:blank");
        insideCall = false;
        EXPECT_TRUE(beforeInside) << "BeforeNavigate2 must arrive inside Navigate2";
        EXPECT_TRUE(kvtest::PumpUntil([&] { return log.Has(L"DownloadComplete"); }, 5000));
        ASSERT_TRUE(log.Has(L"BeforeNavigate2"));
        ASSERT_TRUE(log.Has(L"DownloadBegin"));
        EXPECT_LT(log.IndexOf(L"BeforeNavigate2"), log.IndexOf(L"DownloadBegin"));
        EXPECT_LT(log.IndexOf(L"DownloadBegin"), log.IndexOf(L"DownloadComplete"));
        EXPECT_EQ(browser.LocationURL(), L"about:blank");
    }
    // Teardown leaves no engine window behind in the parent.
    EXPECT_EQ(GetWindow(parent.get(), GW_CHILD), nullptr);
}

TEST(WineEngine, PlainNavigateWithMissingArgumentsStartsNavigation) {
    kvtest::ParentWindow parent;
    EventLog log;
    bool insideCall = false, beforeInside = false;
    host::TEmbeddedBrowser browser;
    Record(browser, log, insideCall, beforeInside);
    browser.SetParent(parent.get());
    browser.Handle();
    browser.Navigate(L"about:blank");
    EXPECT_TRUE(kvtest::PumpUntil([&] { return log.Has(L"BeforeNavigate2"); }, 5000));
}

// Under an engine that never completes a page, the wait must still end so that the program
// becomes usable; the host stays usable afterwards.
TEST(WineEngine, NavigateBlankEndsEvenWithoutRenderer) {
    kvtest::ParentWindow parent;
    host::TEmbeddedBrowser browser;
    browser.SetParent(parent.get());
    browser.Handle();
    host::WaitResult r = browser.NavigateBlank();
    EXPECT_TRUE(host::CanGoOn(r)) << static_cast<int>(r);
    EXPECT_EQ(browser.LocationURL(), L"about:blank");
}

TEST(WineEngine, PropertiesBeforeWindowExists) {
    host::TEmbeddedBrowser browser;
    EXPECT_EQ(browser.LocationURL(), L"");
    EXPECT_NE(browser.Application(), nullptr);
}

} // namespace
