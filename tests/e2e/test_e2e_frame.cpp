// The real program, started from a throwaway program folder and working directory, with the
// stand-in engine registered as the platform's WebBrowser class: start-up, windows per
// argument, the exit question and the files it writes.
#include "win32/support/modal.h"
#include "win32/support/program_run.h"
#include "win32/support/temp_folder.h"
#include "win32/support/user_proxy_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using kvtest::ClassOf;
using kvtest::kStartMs;
using kvtest::kStepMs;
using kvtest::Text;
using kvtest::Utf8;
using kvtest::WaitFor;
using Program = kvtest::ProgramRun;

std::string SettingsValue(const std::string& ini, const std::string& key) {
    size_t at = ini.find(key + "=");
    if (at == std::string::npos) {
        return "(absent)";
    }
    size_t end = ini.find("\r\n", at);
    return ini.substr(at + key.size() + 1, end - at - key.size() - 1);
}

TEST(E2EFrame, FirstRunShowsOneWindowAndExitWritesBothFiles) {
    Program p;
    ASSERT_TRUE(p.Start({}, 1));
    EXPECT_EQ(Text(p.Frame()), L"Quelmar浏览器V3.4");
    EXPECT_EQ(p.AskExit(IDOK), L"真的要退出么?");
    DWORD code = 1;
    ASSERT_TRUE(p.WaitExit(code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""),
              "http://www.baidu.com/s?tn=trevox_pg\r\n");
    std::string ini = kvtest::ReadBytes(p.Work() + L"kvbr.ini").value_or("");
    EXPECT_EQ(SettingsValue(ini, "N10"), "1");
    EXPECT_EQ(SettingsValue(ini, "N14"), "0");
    EXPECT_EQ(SettingsValue(ini, "N11"), "1");
    EXPECT_EQ(SettingsValue(ini, "N9"), "1");
    EXPECT_EQ(ini.rfind("TabTop=", 0), 0u) << ini;
    EXPECT_FALSE(kvtest::Exists(p.Folder() + L"kvbr.ini"));
    auto log = p.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "Navigate2 about:blank"), log.end());
}

TEST(E2EFrame, ArgumentsOpenNumberedWindowsWithLowerCasedAddresses) {
    Program p;
    // Pages that never finish keep their windows' numbered captions.
    p.SetPages("http://a.example/x\t\tnever\nb.example\t\tnever\n");
    ASSERT_TRUE(p.Start({L"HTTP://A.Example/X", L"B.EXAMPLE"}, 3));
    auto isNavigated = [&p] {
        auto log = p.Log();
        return std::find(log.begin(), log.end(), "Navigate2 b.example") != log.end();
    };
    ASSERT_TRUE(WaitFor(isNavigated, kStepMs));
    auto windows = p.Captions();
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0], L"KV-2");
    EXPECT_EQ(windows[1], L"KV-3");
    EXPECT_EQ(windows[2], L"about:blank"); // the first window, titled by its page
    auto log = p.Log();
    auto at = [&](const std::string& line) {
        return std::find(log.begin(), log.end(), line) - log.begin();
    };
    EXPECT_LT(at("Navigate2 about:blank"), at("Navigate2 http://a.example/x"));
    EXPECT_LT(at("Navigate2 http://a.example/x"), at("Navigate2 b.example"));
    EXPECT_LT(at("Navigate2 b.example"), static_cast<std::ptrdiff_t>(log.size()));
    p.AskExit(IDOK);
    DWORD code = 1;
    EXPECT_TRUE(p.WaitExit(code));
}

TEST(E2EFrame, SettingsAreReadFromTheWorkingDirectoryOnly) {
    Program p;
    // Beside the program: ignored. The history there is used.
    kvtest::WriteBytes(p.Folder() + L"kvbr.ini", "TabTop=0\r\nTabLeft=0\r\nN10=1\r\nN14=1\r\n");
    kvtest::WriteBytes(p.Folder() + L"UrlsList.txt", "http://mine.example/\r\n");
    ASSERT_TRUE(p.Start({}, 1));
    p.AskExit(IDOK);
    DWORD code = 1;
    ASSERT_TRUE(p.WaitExit(code));
    EXPECT_EQ(SettingsValue(kvtest::ReadBytes(p.Work() + L"kvbr.ini").value_or(""), "N14"), "0");
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"kvbr.ini").value_or(""),
              "TabTop=0\r\nTabLeft=0\r\nN10=1\r\nN14=1\r\n");
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""),
              "http://www.baidu.com/s?tn=trevox_pg\r\nhttp://mine.example/\r\n");

    // In the working directory: applied, and a bad TabTop applies nothing.
    Program q;
    kvtest::WriteBytes(q.Work() + L"kvbr.ini",
                       "TabTop=0\r\nTabLeft=0\r\nN10=1\r\nN14=1\r\nN9=0\r\n");
    ASSERT_TRUE(q.Start({}, 1));
    q.AskExit(IDOK);
    ASSERT_TRUE(q.WaitExit(code));
    std::string ini = kvtest::ReadBytes(q.Work() + L"kvbr.ini").value_or("");
    EXPECT_EQ(SettingsValue(ini, "N14"), "1");
    EXPECT_EQ(SettingsValue(ini, "N9"), "0");

    Program r;
    kvtest::WriteBytes(r.Work() + L"kvbr.ini", "TabTop=abc\r\nTabLeft=0\r\nN14=1\r\nN9=0\r\n");
    ASSERT_TRUE(r.Start({}, 1));
    r.AskExit(IDOK);
    ASSERT_TRUE(r.WaitExit(code));
    ini = kvtest::ReadBytes(r.Work() + L"kvbr.ini").value_or("");
    EXPECT_EQ(SettingsValue(ini, "N14"), "0");
    EXPECT_EQ(SettingsValue(ini, "N9"), "1");
}

TEST(E2EFrame, CancelWritesNothingAndAFailedWriteKeepsTheProgramRunning) {
    Program p;
    const std::string old = "http://old.example/\r\n";
    kvtest::WriteBytes(p.Folder() + L"UrlsList.txt", old);
    ASSERT_TRUE(p.Start({L"c.example"}, 2));
    EXPECT_EQ(p.AskExit(IDCANCEL), L"真的要退出么?");
    Sleep(300);
    EXPECT_TRUE(p.Running());
    EXPECT_FALSE(kvtest::Exists(p.Work() + L"kvbr.ini"));
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""), old);
    EXPECT_EQ(p.Captions().size(), 2u);

    // The history file held open without sharing cannot be replaced.
    HANDLE held = CreateFileW((p.Folder() + L"UrlsList.txt").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(p.AskExit(IDOK), L"真的要退出么?");
    std::wstring report = p.Answer(L"KV浏览器", IDOK);
    CloseHandle(held);
    EXPECT_NE(report.find(L"UrlsList.txt"), std::wstring::npos) << Utf8(report);
    Sleep(300);
    EXPECT_TRUE(p.Running());
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""), old);
    EXPECT_FALSE(kvtest::Exists(p.Work() + L"kvbr.ini"));
    EXPECT_EQ(p.Captions().size(), 2u);

    // Nothing was lost: the next exit writes the whole history.
    p.AskExit(IDOK);
    DWORD code = 1;
    ASSERT_TRUE(p.WaitExit(code));
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""),
              "http://www.baidu.com/s?tn=trevox_pg\r\n" + old);
    EXPECT_TRUE(kvtest::Exists(p.Work() + L"kvbr.ini"));
}

// The program sets no proxy of its own: the user's proxy values are the same, byte for byte,
// after it has opened windows, closed one and exited.
TEST(E2EFrame, TheUsersProxyIsLeftAsItWas) {
    const kvtest::RawValues original = kvtest::ReadRawProxy();
    kvtest::RawValues user;
    user[L"ProxyEnable"] = {REG_DWORD, std::vector<BYTE>{1, 0, 0, 0}};
    user[L"ProxyServer"] = kvtest::Sz(L"127.0.0.1:3128");
    user[L"ProxyOverride"] = kvtest::Sz(L"<local>;*.intra.example");
    user[L"AutoConfigURL"] = kvtest::Sz(L"http://pac.example/proxy.pac");
    kvtest::WriteRawProxy(user);
    {
        Program p;
        ASSERT_TRUE(p.Start({L"http://one.example/", L"http://two.example/"}, 3));
        PostMessageW(p.Windows().front(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return p.Windows().size() == 2; }, kStepMs));
        EXPECT_TRUE(p.Exit());
    }
    EXPECT_EQ(kvtest::ReadRawProxy(), user);
    kvtest::WriteRawProxy(original);
}

} // namespace
