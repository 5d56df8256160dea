// The settings file stays in the folder the program was started from, whatever folder the
// open and save dialogs visit; the dialogs belong to the frame and open over it.
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "host/embedded_browser.h"
#include "win32/support/file_dialog.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace {

constexpr const wchar_t* kOpenCaption = L"Browser Open Dialog - Internet Files and Url Shortcuts";
constexpr const wchar_t* kSaveCaption = L"Web Site Text";

// A settings file up to its date, which changes from day to day.
std::string UpToDate(const std::wstring& path) {
    std::string file = kvtest::ReadBytes(path).value_or("(missing)");
    return file.substr(0, file.find("LastTime="));
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        kvtest::ResetFileDialogs();
        stub::ClearPages();
        GetCurrentDirectoryW(MAX_PATH, before_);
        ASSERT_TRUE(SetCurrentDirectoryW(start_.Path().c_str()));
    }
    void TearDown() override {
        frame_.reset();
        kvtest::DrainQuit();
        stub::ClearPages();
        SetCurrentDirectoryW(before_);
        EXPECT_EQ(kvtest::PendingModals(), 0u);
        EXPECT_EQ(kvtest::PendingFileDialogs(), 0u);
        kvtest::ResetFileDialogs();
    }
    // The frame as the program makes it: the settings file by its bare name.
    TMainForm& Open() {
        TFrameStart s;
        s.programFolder = program_.Path();
        s.useCommandLine = false;
        frame_ = std::make_unique<TMainForm>(s);
        frame_->Show(SW_SHOWNORMAL);
        SetWindowPos(frame_->Handle(), nullptr, 200, 150, 800, 500, SWP_NOZORDER);
        kvtest::PumpIdle();
        return *frame_;
    }

    wchar_t before_[MAX_PATH] = {};
    stub::ScopedRegistration engine_;
    kvtest::TempFolder program_{L"kvsprog"};
    kvtest::TempFolder start_{L"kvsstart"};
    kvtest::TempFolder other_{L"kvsother"};
    std::unique_ptr<TMainForm> frame_;
};

TEST_F(SettingsFileTest, DialogsThatBrowseElsewhereLeaveTheFileInTheStartFolder) {
    struct Case {
        const char* name;
        bool save;             // 保存文本 rather than 打开
        const wchar_t* chosen; // file chosen in the other folder; empty: cancelled
        bool endSession;       // the session ends instead of the exit question
        const char* expected;  // the file up to its date
    };
    const Case cases[] = {
        {"open, cancelled, exit", false, L"", false,
         "TabTop=5\r\nTabLeft=463\r\nN10=1\r\nN14=0\r\nN11=0\r\nN9=1\r\n"},
        {"open, chosen, end of session", false, L"page.htm", true,
         "TabTop=5\r\nTabLeft=463\r\nN10=1\r\nN14=0\r\nN11=0\r\nN9=1\r\n"},
        {"save text, cancelled, end of session", true, L"", true,
         "TabTop=5\r\nTabLeft=463\r\nN10=1\r\nN14=1\r\nN11=1\r\nN9=1\r\n"},
        {"save text, chosen, exit", true, L"text.txt", false,
         "TabTop=5\r\nTabLeft=463\r\nN10=1\r\nN14=1\r\nN11=1\r\nN9=1\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW((start_.Path() + L"kvbr.ini").c_str());
        TMainForm& f = Open();
        if (c.save) {
            f.N14Click(); // popup blocking on
        } else {
            f.N11Click(); // address bars hidden
        }
        kvtest::FileDialogAnswer a;
        a.caption = c.save ? kSaveCaption : kOpenCaption;
        a.browseTo = other_.Path();
        a.fileName = *c.chosen == 0 ? std::wstring() : other_.Path() + c.chosen;
        kvtest::AnswerFileDialog(a);
        if (c.save) {
            f.SaveAsText1Click();
        } else {
            f.FileOpen1Execute();
        }
        ASSERT_EQ(kvtest::SeenFileDialogs().size(), 1u);
        kvtest::SeenFileDialog seen = kvtest::SeenFileDialogs()[0];
        kvtest::ResetFileDialogs();
        wchar_t now[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, now);
        EXPECT_EQ(std::wstring(now) + L"\\", start_.Path());
        // Owned by the frame and over its middle (the frame spans 200..1000 x 150..650; Wine's
        // dialog still changes its own size a little once shown).
        EXPECT_EQ(seen.owner, f.Handle());
        EXPECT_NEAR((seen.bounds.left + seen.bounds.right) / 2, 600, 16);
        EXPECT_NEAR((seen.bounds.top + seen.bounds.bottom) / 2, 400, 16);

        if (c.endSession) {
            EXPECT_EQ(SendMessageW(f.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
        } else {
            kvtest::ExpectModal(IDOK, L"真的要退出么?");
            EXPECT_TRUE(f.Close());
            kvtest::DrainQuit();
        }
        frame_.reset();
        EXPECT_EQ(UpToDate(start_.Path() + L"kvbr.ini"), c.expected);
        EXPECT_FALSE(kvtest::Exists(other_.Path() + L"kvbr.ini"));
        EXPECT_FALSE(kvtest::Exists(program_.Path() + L"kvbr.ini"));
    }
}

// The tab strip's place in the frame's cool bar, in the cool bar's pixels.
POINT TabPlace(TMainForm& f) {
    return f.CoolBar1.ChildPosition(1);
}

// How far the last search button reaches past the tool bar's visible part (0: all shown).
int SearchButtonsCut(TMainForm& f) {
    RECT button = f.SpeedButton4.BoundsInParent();
    POINT end{button.right, button.top};
    MapWindowPoints(f.ToolBar2.Handle(), f.CoolBar1.Handle(), &end, 1);
    RECT bar{};
    GetWindowRect(f.ToolBar2.Handle(), &bar);
    MapWindowPoints(nullptr, f.CoolBar1.Handle(), reinterpret_cast<POINT*>(&bar), 2);
    POINT tab = TabPlace(f);
    int visibleEnd = tab.y < bar.bottom && tab.x > bar.left ? tab.x : bar.right;
    return end.x > visibleEnd ? end.x - visibleEnd : 0;
}

TEST_F(SettingsFileTest, TabStripPlaceIsKeptIn96DpiPixelsAndFitsEveryScale) {
    struct Case {
        const char* name;
        int fileTop, fileLeft; // "TabTop", "TabLeft" found at start; -1: no such lines
        int fileDpi;           // "TabDpi" found at start; 0: none, as in earlier versions
        UINT startDpi;         // the frame's scale when it is built
        UINT moveDpi;          // then moved to a monitor of this scale; 0: stays
        int x, y;              // the tab strip's place on the screen
        int writtenTop, writtenLeft;
        int cut; // pixels of the last search button hidden under the tab strip
    };
    const Case cases[] = {
        {"no file at 96", -1, -1, 0, 96, 0, 463, 5, 5, 463, 0},
        {"no file at 144", -1, -1, 0, 144, 0, 675, 8, 5, 450, 0},
        {"96-DPI file at 96", 0, 463, 0, 96, 0, 463, 5, 5, 463, 0},
        {"96-DPI file at 144", 0, 463, 0, 144, 0, 695, 8, 5, 463, 0},
        {"144-DPI file at 96", 5, 450, 144, 96, 0, 463, 5, 5, 463, 0},
        {"144-DPI file at 144", 5, 450, 144, 144, 0, 675, 8, 5, 450, 0},
        {"buttons covered by hand, same scale", 5, 423, 96, 96, 0, 423, 5, 5, 423, 26},
        {"buttons covered by hand, at 144", 5, 423, 0, 144, 0, 675, 8, 5, 450, 0},
        {"96-DPI file, moved to 144", 5, 463, 0, 96, 144, 695, 8, 5, 463, 0},
        {"no file at 144, moved to 96", -1, -1, 0, 144, 96, 463, 5, 5, 463, 0},
        {"at 144, moved back to 96", 5, 600, 144, 144, 96, 600, 5, 5, 600, 0},
        {"own row at 144", 40, 0, 0, 144, 0, 9, 47, 31, 6, 0},
    };
    const std::wstring ini = start_.Path() + L"kvbr.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string lines = c.fileTop < 0
                                ? std::string()
                                : "TabTop=" + std::to_string(c.fileTop) +
                                      "\r\nTabLeft=" + std::to_string(c.fileLeft) + "\r\n";
        if (c.fileDpi != 0) {
            lines += "TabDpi=" + std::to_string(c.fileDpi) + "\r\n";
        }
        kvtest::WriteBytes(ini, lines + "N10=1\r\nN14=0\r\nN11=1\r\nN9=1\r\n");
        TFrameStart s;
        s.programFolder = program_.Path();
        s.useCommandLine = false;
        frame_ = std::make_unique<TMainForm>(s);
        TMainForm& f = *frame_;
        RECT place{100, 50, 1300, 650};
        SendMessageW(f.Handle(), WM_DPICHANGED, MAKEWPARAM(c.startDpi, c.startDpi),
                     reinterpret_cast<LPARAM>(&place));
        f.Show(SW_SHOWNORMAL);
        kvtest::PumpIdle();
        if (c.moveDpi != 0) {
            SendMessageW(f.Handle(), WM_DPICHANGED, MAKEWPARAM(c.moveDpi, c.moveDpi),
                         reinterpret_cast<LPARAM>(&place));
            kvtest::PumpIdle();
        }
        POINT tab = TabPlace(f);
        EXPECT_EQ(tab.x, c.x);
        EXPECT_EQ(tab.y, c.y);
        EXPECT_EQ(SearchButtonsCut(f), c.cut);
        RECT strip = f.TabControl1.BoundsInParent();
        EXPECT_GE(strip.right - strip.left, 100);
        kvtest::ExpectModal(IDOK, L"真的要退出么?");
        EXPECT_TRUE(f.Close());
        kvtest::DrainQuit();
        frame_.reset();
        std::string written = UpToDate(ini);
        EXPECT_EQ(written.substr(0, written.find("N10")),
                  "TabTop=" + std::to_string(c.writtenTop) +
                      "\r\nTabLeft=" + std::to_string(c.writtenLeft) + "\r\n");
    }
}

} // namespace
