// The frame's session file against the stand-in engine: what is written while windows open,
// close and change, when it is written, and the clean mark at exit. (The question at the next
// start is tested with the real program, killed and started again: tests/e2e.)
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "host/embedded_browser.h"
#include "toolkit/application.h"
#include "win32/support/frame_start.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class FrameSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        stub::ClearPages();
    }
    void TearDown() override {
        frame_.reset();
        kvtest::DrainQuit();
        stub::ClearPages();
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }
    TMainForm& Open() { return kvtest::ShowFrame(frame_, kvtest::FrameStartIn(program_.Path())); }
    TMDIChild* OpenAt(const std::wstring& caption, const std::wstring& url) {
        TMDIChild* w = frame_->OpenBrowserWindow(caption);
        w->WebBrowser1->NavigateUrl(url);
        EXPECT_EQ(w->WebBrowser1->WaitForComplete(), host::WaitResult::Complete);
        return w;
    }
    // Lets the idle moments come until the file holds bytes, or 3 s pass.
    std::string SettledFile(const std::string& bytes) {
        kvtest::PumpUntil(
            [&] {
                tk::Application::RunIdleHandlers();
                return kvtest::ReadBytes(SessionFile()).value_or("") == bytes;
            },
            3000);
        return kvtest::ReadBytes(SessionFile()).value_or("(none)");
    }
    FILETIME WriteTime() const {
        WIN32_FILE_ATTRIBUTE_DATA d{};
        GetFileAttributesExW(SessionFile().c_str(), GetFileExInfoStandard, &d);
        return d.ftLastWriteTime;
    }
    std::wstring SessionFile() const { return program_.Path() + L"kvbr.session"; }

    stub::ScopedRegistration engine_;
    kvtest::TempFolder program_{L"kvsession"};
    std::unique_ptr<TMainForm> frame_;
};

TEST_F(FrameSessionTest, WindowsAreWrittenInTabOrderWithoutBlankAndHelpPages) {
    TMainForm& f = Open();
    // The first, blank window alone: a session without windows.
    EXPECT_EQ(SettledFile("KVBR-SESSION 1\r\nclean=0\r\nactive=-1\r\nend=0\r\n"),
              "KVBR-SESSION 1\r\nclean=0\r\nactive=-1\r\nend=0\r\n");
    OpenAt(L"KV-2", L"http://a.example/");
    TMDIChild* b = OpenAt(L"KV-3", L"http://b.example/");
    f.N16Click(); // the online help
    ASSERT_EQ(f.ActiveBrowserWindow()->WebBrowser1->WaitForComplete(), host::WaitResult::Complete);
    b->Activate();
    const std::string three = "KVBR-SESSION 1\r\nclean=0\r\nactive=1\r\nurl=http://a.example/\r\n"
                              "url=http://b.example/\r\nend=2\r\n";
    EXPECT_EQ(SettledFile(three), three);

    // A new address of a window, and a closed window.
    b->WebBrowser1->NavigateUrl(L"http://c.example/");
    ASSERT_EQ(b->WebBrowser1->WaitForComplete(), host::WaitResult::Complete);
    const std::string moved = "KVBR-SESSION 1\r\nclean=0\r\nactive=1\r\nurl=http://a.example/\r\n"
                              "url=http://c.example/\r\nend=2\r\n";
    EXPECT_EQ(SettledFile(moved), moved);
    f.TabWindows()[1]->Close(); // a.example, behind the active window
    const std::string closed =
        "KVBR-SESSION 1\r\nclean=0\r\nactive=0\r\nurl=http://c.example/\r\nend=1\r\n";
    EXPECT_EQ(SettledFile(closed), closed);

    // Nothing changes: idle moments over two seconds write nothing.
    FILETIME before = WriteTime();
    kvtest::PumpUntil(
        [] {
            tk::Application::RunIdleHandlers();
            return false;
        },
        2500);
    FILETIME after = WriteTime();
    EXPECT_EQ(CompareFileTime(&before, &after), 0);

    // The exit marks it clean.
    kvtest::ExpectModal(IDOK, L"真的要退出么?");
    EXPECT_TRUE(f.Close());
    kvtest::DrainQuit();
    EXPECT_EQ(kvtest::ReadBytes(SessionFile()).value_or(""),
              "KVBR-SESSION 1\r\nclean=1\r\nactive=-1\r\nend=0\r\n");
}

} // namespace
