// A long address history file is read while the frame starts: windows opened and addresses
// recorded before its lines arrive, and an exit before they do.
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "win32/support/frame_start.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class FrameHistoryTest : public testing::Test {
protected:
    void SetUp() override { kvtest::ResetModals(); }
    // A history of `lines` addresses, about 31 bytes each, and the frame made with it.
    void Start(int lines) {
        for (int i = 0; i < lines; ++i) {
            file_ += "http://line" + std::to_string(i) + ".example/a.html\r\n";
        }
        kvtest::WriteBytes(Path(), file_);
        frame_ = std::make_unique<TMainForm>(kvtest::FrameStartIn(folder_.Path()));
        frame_->BuildContents();
    }
    // The file as the frame writes it: the partner home added in front.
    void ExpectFileComplete() {
        const std::string written = kvtest::ReadBytes(Path()).value_or("");
        EXPECT_EQ(written.size(), file_.size() + 37);
        EXPECT_TRUE(written == "http://www.baidu.com/s?tn=trevox_pg\r\n" + file_);
    }
    void TearDown() override {
        frame_.reset();
        kvtest::DrainQuit();
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }
    std::wstring Path() const { return folder_.Path() + L"UrlsList.txt"; }
    bool Arrived() {
        return kvtest::PumpUntil([this] { return frame_->HistoryLoaded(); }, 10000);
    }

    stub::ScopedRegistration engine_;
    kvtest::TempFolder folder_{L"kvhist"};
    std::string file_;
    std::unique_ptr<TMainForm> frame_;
};

TEST_F(FrameHistoryTest, WindowsOpenedBeforeArrivalGetTheLoadedLinesBehindTheirOwn) {
    Start(60000); // 1.9 MB: more than the frame reads before it shows
    TMDIChild* plain = frame_->OpenBrowserWindow(L"KV-1");
    TMDIChild* typing = frame_->OpenBrowserWindow(L"KV-2");
    ASSERT_FALSE(frame_->HistoryLoaded());
    EXPECT_EQ(plain->URLS.Items(), std::vector<std::string>{"http://www.baidu.com/s?tn=trevox_pg"});
    typing->URLS.SetText(L"http://mine.example/");
    typing->GoToAddress();
    typing->URLS.SetText(L"HTTP://LINE7.EXAMPLE/A.HTML");
    typing->GoToAddress();
    ASSERT_FALSE(frame_->HistoryLoaded()) << "the recordings are to come before the lines";
    ASSERT_TRUE(Arrived());

    const std::string line7 = "http://line7.example/a.html";
    ASSERT_EQ(plain->URLS.Items().size(), 60001u);
    EXPECT_EQ(plain->URLS.Items()[0], "http://www.baidu.com/s?tn=trevox_pg");
    EXPECT_EQ(plain->URLS.Items()[8], line7);
    EXPECT_EQ(plain->URLS.Items()[60000], "http://line59999.example/a.html");
    ASSERT_EQ(typing->URLS.Items().size(), 60002u);
    EXPECT_EQ(typing->URLS.Items()[0], line7); // moved up, as the file writes it
    EXPECT_EQ(typing->URLS.Items()[1], "http://mine.example/");
    EXPECT_EQ(typing->URLS.Items()[2], "http://www.baidu.com/s?tn=trevox_pg");
    EXPECT_EQ(typing->URLS.Items()[9], "http://line6.example/a.html");
    EXPECT_EQ(typing->URLS.Items()[10], "http://line8.example/a.html");
    EXPECT_EQ(typing->URLS.Text(), L"HTTP://LINE7.EXAMPLE/A.HTML");
    EXPECT_EQ(frame_->ListBoxURL, typing->URLS.Items());
    EXPECT_EQ(frame_->OpenBrowserWindow(L"KV-3")->URLS.Items(), frame_->ListBoxURL);
}

TEST_F(FrameHistoryTest, ExitRightAfterTheStartWritesEveryLine) {
    Start(800000); // 25 MB: still being read when the exit question is answered
    kvtest::ExpectModal(IDOK, L"真的要退出么?");
    EXPECT_TRUE(frame_->Close());
    ExpectFileComplete();
}

TEST_F(FrameHistoryTest, EndOfSessionRightAfterTheStartWritesEveryLine) {
    Start(60000);
    EXPECT_TRUE(SendMessageW(frame_->Handle(), WM_QUERYENDSESSION, 0, 0));
    ExpectFileComplete();
}

TEST_F(FrameHistoryTest, UnreadableFileIsReportedWhenItsReadingEndsAndTheStartGoesOn) {
    Start(60000);
    frame_.reset();
    HANDLE held = CreateFileW(Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    kvtest::ExpectModal(IDOK, L"UrlsList.txt");
    frame_ = std::make_unique<TMainForm>(kvtest::FrameStartIn(folder_.Path()));
    frame_->BuildContents();
    EXPECT_TRUE(Arrived());
    CloseHandle(held);
    EXPECT_EQ(frame_->ListBoxURL, std::vector<std::string>{"http://www.baidu.com/s?tn=trevox_pg"});
}

} // namespace
