// The real program under Wine's own WebBrowser control, which never completes a page here:
// it must still start, open its command-line windows, and end normally at the exit question.
#include "common/core/search_config.h"
#include "win32/support/program_run.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramWithWineEngine, StartsOpensCommandLineWindowsAndExits) {
    kvtest::ProgramRun p(L"kvwine");
    ASSERT_TRUE(p.Start({L"HTTP://WWW.Example.COM/", L"news.example.org"}, 3))
        << "the wait for the blank page must end under an engine that never completes it";
    EXPECT_EQ(kvtest::Text(p.Frame()).rfind(L"Quelmar浏览器V3.4", 0), 0u);
    EXPECT_EQ(p.AskExit(IDOK), L"真的要退出么?");
    DWORD code = 1;
    ASSERT_TRUE(p.WaitExit(code));
    EXPECT_EQ(code, 0u);
    // Nothing was entered, so the history holds the partner page only.
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""),
              kv::PartnerHomeUrl() + "\r\n");
    EXPECT_TRUE(kvtest::Exists(p.Work() + L"kvbr.ini"));
}

} // namespace
