// A long address history file is read while the frame starts: windows opened and addresses
// recorded before its lines arrive, and an end of the program before they do.
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "toolkit/application.h"
#include "win32/support/frame_start.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

class FrameHistoryTest : public testing::Test {
protected:
    // A history of `lines` addresses of about 31 bytes, and the frame made with it.
    void Start(int lines) {
        kvtest::ResetModals();
        file_.clear();
        for (int i = 0; i < lines; ++i) {
            file_ += "http://line" + std::to_string(i) + ".example/a.html\r\n";
        }
        kvtest::WriteBytes(path_, file_);
        frame_ = std::make_unique<TMainForm>(kvtest::FrameStartIn(folder_.Path()));
        frame_->BuildContents();
    }
    void TearDown() override {
        frame_.reset();
        kvtest::DrainQuit();
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }
    // The file is read once the program is first idle, as its message loop finds it.
    bool Arrived() {
        return kvtest::PumpUntil(
            [this] {
                tk::Application::RunIdleHandlers();
                return frame_->HistoryLoaded();
            },
            10000);
    }

    stub::ScopedRegistration engine_;
    kvtest::TempFolder folder_{L"kvhist"};
    const std::wstring path_ = folder_.Path() + L"UrlsList.txt";
    std::string file_;
    std::unique_ptr<TMainForm> frame_;
};

TEST_F(FrameHistoryTest, WindowsOpenedBeforeArrivalGetTheLoadedLinesBehindTheirOwn) {
    Start(60000); // 1.9 MB: more than the frame reads before it shows
    TMDIChild* plain = frame_->OpenBrowserWindow(L"KV-1");
    TMDIChild* typing = frame_->OpenBrowserWindow(L"KV-2");
    EXPECT_EQ(plain->URLS.Items(), std::vector<std::string>{"http://www.baidu.com/s?tn=trevox_pg"});
    for (const wchar_t* typed : {L"http://mine.example/", L"HTTP://LINE7.EXAMPLE/A.HTML"}) {
        typing->URLS.SetText(typed);
        typing->GoToAddress();
    }
    kvtest::PumpFor(500); // messages, but never idle: the start is not over
    ASSERT_FALSE(frame_->HistoryLoaded()) << "the recordings are to come before the lines";
    ASSERT_TRUE(Arrived());

    ASSERT_EQ(plain->URLS.Items().size(), 60001u);
    EXPECT_EQ(plain->URLS.Items()[60000], "http://line59999.example/a.html");
    ASSERT_EQ(typing->URLS.Items().size(), 60002u);
    EXPECT_EQ(typing->URLS.Items()[0], "http://line7.example/a.html"); // as the file writes it
    EXPECT_EQ(typing->URLS.Items()[1], "http://mine.example/");
    EXPECT_EQ(typing->URLS.Items()[2], "http://www.baidu.com/s?tn=trevox_pg");
    EXPECT_EQ(typing->URLS.Items()[10], "http://line8.example/a.html");
    EXPECT_EQ(frame_->ListBoxURL, typing->URLS.Items());
}

TEST_F(FrameHistoryTest, EndingRightAfterTheStartWritesEveryLine) {
    for (bool question : {true, false}) {
        SCOPED_TRACE(question ? "exit" : "end of session");
        // 25 MB are still being read when the exit question is answered.
        Start(question ? 800000 : 60000);
        if (question) {
            kvtest::ExpectModal(IDOK, L"真的要退出么?");
            EXPECT_TRUE(frame_->Close());
        } else {
            EXPECT_TRUE(SendMessageW(frame_->Handle(), WM_QUERYENDSESSION, 0, 0));
        }
        const std::string written = kvtest::ReadBytes(path_).value_or("");
        EXPECT_EQ(written.size(), file_.size() + 37);
        EXPECT_TRUE(written == "http://www.baidu.com/s?tn=trevox_pg\r\n" + file_);
        frame_.reset();
        kvtest::DrainQuit();
    }
}

TEST_F(FrameHistoryTest, UnreadableFileIsReportedWhenItsReadingEndsAndTheStartGoesOn) {
    kvtest::WriteBytes(path_, std::string(2000000, 'x'));
    HANDLE held = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    kvtest::ExpectModal(IDOK, L"UrlsList.txt");
    frame_ = std::make_unique<TMainForm>(kvtest::FrameStartIn(folder_.Path()));
    frame_->BuildContents();
    EXPECT_TRUE(Arrived());
    CloseHandle(held);
    EXPECT_EQ(frame_->ListBoxURL, std::vector<std::string>{"http://www.baidu.com/s?tn=trevox_pg"});
}

} // namespace
