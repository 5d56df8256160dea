// Under Wine's own WebBrowser control (no HTML renderer here) the blank page reports a
// navigation error and never completes: the wait for it must end as a failure, not as a
// success nor a time-out that merely lets the caller go on.
#include "host/embedded_browser.h"
#include "win32/support/parent_window.h"

#include <gtest/gtest.h>

namespace {

TEST(WineEngineWait, BlankPageWaitEndsAsFailed) {
    kvtest::ParentWindow parent;
    host::TEmbeddedBrowser browser;
    browser.SetParent(parent.get());
    browser.Handle();
    ULONGLONG start = GetTickCount64();
    host::WaitResult r = browser.NavigateBlank();
    EXPECT_EQ(r, host::WaitResult::Failed) << static_cast<int>(r);
    EXPECT_LT(GetTickCount64() - start, 10000u);
    EXPECT_EQ(browser.ReadyState(), READYSTATE_LOADING);
    EXPECT_EQ(browser.LocationURL(), L"about:blank");
}

} // namespace
