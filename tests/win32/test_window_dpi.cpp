// Browser windows on a monitor of another scale: only the frame hears of the change, and the
// windows open in it and those opened after it follow (here 96 -> 144 -> 96 DPI).
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "win32/support/modal.h"
#include "win32/support/pump.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class WindowDpiTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::ResetModals();
        stub::ClearPages();
        TFrameStart s;
        s.programFolder = program_.Path();
        s.settingsPath = program_.Path() + L"kvbr.ini";
        s.useCommandLine = false;
        frame_ = std::make_unique<TMainForm>(s);
        frame_->Show(SW_SHOWNORMAL);
        kvtest::PumpIdle();
        ASSERT_NE(frame_->ActiveBrowserWindow(), nullptr);
    }
    void TearDown() override {
        frame_.reset();
        kvtest::DrainQuit();
        stub::ClearPages();
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }
    void SendDpi(UINT dpi, RECT r) {
        SendMessageW(frame_->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&r));
        kvtest::PumpFor(30);
    }

    kvtest::TempFolder program_;
    std::unique_ptr<TMainForm> frame_;
};

LONG FontHeight(HWND control) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    GetObjectW(font, sizeof(lf), &lf);
    return lf.lfHeight;
}

int Height(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r.bottom - r.top;
}

RECT InClient(HWND h, HWND window) {
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The window's controls at one scale: font, navigation buttons and their pictures, address box,
// go button, status bar and its progress bar; the engine between the bars.
struct Sizes {
    LONG font;
    int buttonWidth, buttonHeight, image, addressHeight, goWidth, statusHeight, progressWidth;
};

void ExpectSizes(TMDIChild& w, const Sizes& e) {
    EXPECT_EQ(FontHeight(w.URLS.Handle()), e.font);
    EXPECT_EQ(FontHeight(w.SpeedButton1.Handle()), e.font);
    EXPECT_EQ(FontHeight(w.StatusBar1.Handle()), e.font);
    LRESULT button = SendMessageW(w.ToolBar1.Handle(), TB_GETBUTTONSIZE, 0, 0);
    EXPECT_EQ(LOWORD(button), e.buttonWidth);
    EXPECT_EQ(HIWORD(button), e.buttonHeight);
    HIMAGELIST list =
        reinterpret_cast<HIMAGELIST>(SendMessageW(w.ToolBar1.Handle(), TB_GETIMAGELIST, 0, 0));
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    EXPECT_EQ(cx, e.image);
    EXPECT_EQ(Height(w.URLS.Handle()), e.addressHeight);
    RECT go = w.SpeedButton1.BoundsInParent();
    EXPECT_EQ(go.right - go.left, e.goWidth);
    EXPECT_EQ(Height(w.StatusBar1.Handle()), e.statusHeight);
    RECT progress = w.FProgressBar.BoundsInParent();
    EXPECT_EQ(progress.right - progress.left, e.progressWidth);

    HWND h = w.Handle();
    RECT client{};
    GetClientRect(h, &client);
    RECT cool = InClient(w.CoolBar1.Handle(), h);
    RECT status = InClient(w.StatusBar1.Handle(), h);
    RECT page = InClient(w.WebBrowser1->Handle(), h);
    EXPECT_GE(cool.bottom, e.buttonHeight);
    EXPECT_EQ(status.bottom, client.bottom);
    EXPECT_EQ(page.left, 0);
    EXPECT_EQ(page.right, client.right);
    EXPECT_EQ(page.top, cool.bottom);
    EXPECT_EQ(page.bottom, status.top);
}

TEST_F(WindowDpiTest, OpenWindowsFollowTheFrameAndNewOnesAreBuiltAtItsScale) {
    if (tk::DpiOf(frame_->Handle()) != 96) {
        GTEST_SKIP() << "the screen here is not at 96 DPI";
    }
    frame_->S1Click(); // status bars shown
    TMDIChild* first = frame_->ActiveBrowserWindow();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(first->StatusBar1Visible());
    const Sizes at96{-12, 30, 29, 23, 22, 57, 20, 96};
    const Sizes at144{-18, 45, 44, 35, 29, 86, 28, 144};
    {
        SCOPED_TRACE("96");
        ExpectSizes(*first, at96);
    }
    // A window whose address box has not needed its list yet follows the scale as well.
    TMDIChild* waiting = frame_->OpenBrowserWindow(L"第三");
    ASSERT_NE(waiting, nullptr);
    kvtest::PumpFor(30);
    {
        SCOPED_TRACE("second window at 96");
        ExpectSizes(*waiting, at96);
    }

    SendDpi(144, RECT{40, 30, 940, 630});
    {
        SCOPED_TRACE("open window at 144");
        ExpectSizes(*first, at144);
    }
    {
        SCOPED_TRACE("second window at 144");
        ExpectSizes(*waiting, at144);
    }
    TMDIChild* second = frame_->OpenBrowserWindow(L"第二");
    ASSERT_NE(second, nullptr);
    kvtest::PumpFor(30);
    {
        SCOPED_TRACE("window opened at 144");
        ExpectSizes(*second, at144);
    }

    SendDpi(96, RECT{10, 10, 760, 610});
    {
        SCOPED_TRACE("back to 96, first window");
        ExpectSizes(*first, at96);
    }
    {
        SCOPED_TRACE("back to 96, second window");
        ExpectSizes(*second, at96);
    }
}

// The frame's tab strip shows its row of tabs and the line under it, and no empty page area
// below (it showed as a flat rounded box under the tabs), at either scale.
TEST_F(WindowDpiTest, TabStripIsItsRowOfTabsAndTheLineUnderIt) {
    if (tk::DpiOf(frame_->Handle()) != 96) {
        GTEST_SKIP() << "the screen here is not at 96 DPI";
    }
    struct Case {
        UINT dpi;
        int rowBottom, stripHeight;
    };
    const Case cases[] = {{96, 18, 19}, {144, 25, 26}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        if (c.dpi != 96) {
            SendDpi(c.dpi, RECT{40, 30, 940, 630});
        }
        HWND strip = frame_->TabControl1.Handle();
        RECT row{};
        ASSERT_TRUE(SendMessageW(strip, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)));
        EXPECT_EQ(row.bottom, c.rowBottom);
        EXPECT_EQ(Height(strip), c.stripHeight);
    }
}

} // namespace
