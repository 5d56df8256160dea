// The real program killed and started again, with the stand-in engine: the question about
// the last session's windows, what Yes and No open, a normal exit, damaged session files, and
// an idle program that writes nothing.
#include "win32/support/modal.h"
#include "win32/support/program_run.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using kvtest::kStepMs;
using kvtest::Text;
using kvtest::Utf8;
using kvtest::WaitFor;
using Program = kvtest::ProgramRun;

constexpr const wchar_t* kQuestion = L"上次浏览器没有正常关闭，要重新打开上次的窗口吗？";
constexpr const wchar_t* kCaption = L"Quelmar浏览器";

std::string SessionOf(const Program& p) {
    return kvtest::ReadBytes(p.Folder() + L"kvbr.session").value_or("");
}

// Waits until the session file holds these window lines.
bool SessionHolds(const Program& p, const std::string& part) {
    return WaitFor([&] { return SessionOf(p).find(part) != std::string::npos; }, kStepMs);
}

// Addresses the program asked the engine for, in order, since the log was cleared.
std::vector<std::string> Navigated(const Program& p) {
    std::vector<std::string> v;
    for (const std::string& line : p.Log()) {
        if (line.rfind("Navigate2 ", 0) == 0) {
            v.push_back(line.substr(10));
        }
    }
    return v;
}

HWND ActiveWindow(const Program& p) {
    HWND client = FindWindowExW(p.Frame(), nullptr, L"MDIClient", nullptr);
    return reinterpret_cast<HWND>(SendMessageW(client, WM_MDIGETACTIVE, 0, 0));
}

// No box of the program comes within a second and a half.
bool NoQuestion() {
    return !WaitFor([] { return kvtest::FindDialog(kCaption) != nullptr; }, 1500);
}

TEST(E2ESession, KilledWithThreeWindowsComesBackInOrderOnYes) {
    Program p;
    const std::wstring chinese = L"http://www.example.com/中文/页";
    ASSERT_TRUE(p.Start({L"http://a.example/", chinese, L"http://c.example/"}, 4));
    // "中文/页" in GBK.
    ASSERT_TRUE(SessionHolds(p, "active=2\r\nurl=http://a.example/\r\n"
                                "url=http://www.example.com/\xD6\xD0\xCE\xC4/\xD2\xB3\r\n"
                                "url=http://c.example/\r\nend=3\r\n"))
        << SessionOf(p);
    p.Kill();

    DeleteFileW(p.LogFile().c_str());
    ASSERT_TRUE(p.Start({L"http://arg.example/"}, 2));
    EXPECT_EQ(p.Answer(kCaption, IDYES), kQuestion);
    ASSERT_TRUE(
        WaitFor([&] { return p.Windows().size() == 5 && Navigated(p).size() == 5; }, kStepMs));
    EXPECT_EQ(Navigated(p),
              (std::vector<std::string>{"about:blank", "http://arg.example/", "http://a.example/",
                                        Utf8(chinese), "http://c.example/"}));
    // The stand-in titles a page with its address: the active window is the third one.
    EXPECT_TRUE(WaitFor([&] { return Text(ActiveWindow(p)) == L"http://c.example/"; }, kStepMs))
        << Utf8(Text(ActiveWindow(p)));
    EXPECT_TRUE(p.Exit());
}

TEST(E2ESession, NoOpensNoneAndTheNextUncleanEndAsksAboutTheNewerSession) {
    Program p;
    ASSERT_TRUE(p.Start({L"http://old.example/"}, 2));
    ASSERT_TRUE(SessionHolds(p, "url=http://old.example/\r\nend=1\r\n"));
    p.Kill();

    ASSERT_TRUE(p.Start({L"http://new.example/"}, 2));
    EXPECT_EQ(p.Answer(kCaption, IDNO), kQuestion);
    Sleep(500);
    EXPECT_EQ(p.Windows().size(), 2u);
    ASSERT_TRUE(SessionHolds(p, "active=0\r\nurl=http://new.example/\r\nend=1\r\n"))
        << SessionOf(p);
    p.Kill();

    DeleteFileW(p.LogFile().c_str());
    ASSERT_TRUE(p.Start({}, 1));
    EXPECT_EQ(p.Answer(kCaption, IDYES), kQuestion);
    ASSERT_TRUE(WaitFor([&] { return p.Windows().size() == 2; }, kStepMs));
    Sleep(500);
    EXPECT_EQ(p.Windows().size(), 2u);
    EXPECT_EQ(Navigated(p), (std::vector<std::string>{"about:blank", "http://new.example/"}));
    EXPECT_TRUE(p.Exit());
}

TEST(E2ESession, ANormalExitGivesNoQuestion) {
    Program p;
    ASSERT_TRUE(p.Start({L"http://a.example/"}, 2));
    ASSERT_TRUE(SessionHolds(p, "url=http://a.example/\r\nend=1\r\n"));
    ASSERT_TRUE(p.Exit());
    EXPECT_EQ(SessionOf(p).substr(0, 25), "KVBR-SESSION 1\r\nclean=1\r\n");
    ASSERT_TRUE(p.Start({}, 1));
    EXPECT_TRUE(NoQuestion());
    EXPECT_EQ(p.Windows().size(), 1u);
    EXPECT_TRUE(p.Exit());
}

TEST(E2ESession, DamagedEmptyOrNewerFilesGiveNoQuestionAndAreReplaced) {
    const std::string cases[] = {
        std::string("\x7F"
                    "ELF\x02\x01\x01\x00\x00\xFF\xFE\r\n\x00\x00",
                    16),
        "KVBR-SESSION 1\r\nclean=0\r\nactive=0\r\nurl=http://a.example/\r\nend",
        std::string(10u << 20, '\xB0'),
        "", // empty
        "KVBR-SESSION 2\r\nclean=0\r\nactive=0\r\nurl=http://a.example/\r\nend=1\r\n",
    };
    for (const std::string& bytes : cases) {
        Program p;
        kvtest::WriteBytes(p.Folder() + L"kvbr.session", bytes);
        ASSERT_TRUE(p.Start({}, 1));
        EXPECT_TRUE(NoQuestion()) << bytes.size();
        EXPECT_TRUE(p.Running());
        // Read only once it is small: a reader holding the file keeps it from being replaced.
        auto replaced = [&] {
            WIN32_FILE_ATTRIBUTE_DATA d{};
            return GetFileAttributesExW((p.Folder() + L"kvbr.session").c_str(),
                                        GetFileExInfoStandard, &d) &&
                   d.nFileSizeLow < 100 && d.nFileSizeHigh == 0 &&
                   SessionOf(p) == "KVBR-SESSION 1\r\nclean=0\r\nactive=-1\r\nend=0\r\n";
        };
        EXPECT_TRUE(WaitFor(replaced, kStepMs)) << bytes.size();
        p.Kill();
    }
}

TEST(E2ESession, AnIdleProgramWritesNothing) {
    Program p;
    ASSERT_TRUE(p.Start({L"http://a.example/", L"http://b.example/"}, 3));
    ASSERT_TRUE(SessionHolds(p, "url=http://b.example/\r\nend=2\r\n"));
    Sleep(1500); // past the last write's second
    WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
    ASSERT_TRUE(GetFileAttributesExW((p.Folder() + L"kvbr.session").c_str(), GetFileExInfoStandard,
                                     &before));
    // Six seconds with an idle moment every 50 ms: each one would write if the program did
    // not compare the session with what it wrote last.
    ULONGLONG end = GetTickCount64() + 6000;
    while (GetTickCount64() < end) {
        PostMessageW(p.Frame(), WM_NULL, 0, 0);
        Sleep(50);
    }
    ASSERT_TRUE(GetFileAttributesExW((p.Folder() + L"kvbr.session").c_str(), GetFileExInfoStandard,
                                     &after));
    EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
    EXPECT_FALSE(kvtest::Exists(p.Folder() + L"kvbr.session.new"));
    EXPECT_TRUE(p.Exit());
}

} // namespace
