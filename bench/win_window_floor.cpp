// Opening a browser window against a floor: a minimal Win32 program's maximised MDI child with
// the same controls (a rebar holding a tool bar of four buttons with pictures, a hidden check box
// and a panel with an editable combo box and a button; a status bar with a progress bar, hidden
// as the program's is by default), built without drawing and drawn once, as cheap as this system
// makes it; its frame and MDI area have the sizes of the program's. Both are opened in turn in this
// process, so that a busy machine slows both alike: the floor until nothing is left queued for
// its own windows, the program until its whole queue is empty and its idle work is done
// (drawing and the frame's title included). Each side handles only its own messages while it
// is timed: what the program leaves for later (a tab strip repainted at idle) is counted in
// the program's next turn, not in the floor's. The program's windows
// use the stand-in engine, which completes a blank page at once, and a 10,000-line history.
//
// Prints:
//   floor_open_window_median <ms>            the minimal child
//   program_open_window_median <ms>          TMainForm::OpenBrowserWindow
//   program_vs_floor_open_ratio <x>
//   program_blank_page_window_<n> <ms>       NavigateBlank of the n-th window (1 and 100)
//   program_blank_page_settled_window_<n> <ms>  the same until the queue is empty and the idle
//                                            work (the frame's title) is done
#include "bench_support.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace kvbench;

namespace {

// ---- The floor: plain Win32, no toolkit.

HWND floorClient = nullptr;

// Handles what is queued for the floor's frame and the windows inside it, nothing else.
void PumpFloor(HWND frame) {
    MSG m;
    while (PeekMessageW(&m, frame, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    // Its paints too: a filtered peek hands out no paint at all while a window of the program
    // is waiting for one (Wine repaints the thread's first waiting window first), which would
    // leave the floor's drawing to the program's turn.
    RedrawWindow(frame, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

LRESULT CALLBACK FloorFrameProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    return DefFrameProcW(h, floorClient, msg, wp, lp);
}

LRESULT CALLBACK FloorChildProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SIZE) {
        HWND rebar = GetDlgItem(h, 1);
        HWND status = GetDlgItem(h, 2);
        if (rebar != nullptr && status != nullptr) {
            SendMessageW(rebar, WM_SIZE, 0, 0);
            SendMessageW(status, WM_SIZE, 0, 0);
        }
    }
    return DefMDIChildProcW(h, msg, wp, lp);
}

void RegisterFloorClass(const wchar_t* name, WNDPROC proc, int background) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = GetSysColorBrush(background);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

// The floor's frame has the size of the program's and its MDI area the same place and size in
// it, so that both draw windows of the same size.
HWND MakeFloorFrame(HWND programFrame, HWND programClient, POINT at) {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    RegisterFloorClass(L"floorFrame", FloorFrameProc, COLOR_APPWORKSPACE);
    RegisterFloorClass(L"floorChild", FloorChildProc, COLOR_BTNFACE);
    RECT outer{}, area{};
    GetWindowRect(programFrame, &outer);
    GetWindowRect(programClient, &area);
    MapWindowPoints(nullptr, programFrame, reinterpret_cast<POINT*>(&area), 2);
    HWND frame = CreateWindowExW(0, L"floorFrame", L"floor", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                 at.x, at.y, outer.right - outer.left, outer.bottom - outer.top,
                                 nullptr, nullptr, inst, nullptr);
    CLIENTCREATESTRUCT ccs{};
    ccs.idFirstChild = 1000;
    floorClient = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, area.left,
        area.top, area.right - area.left, area.bottom - area.top, frame, nullptr, inst, &ccs);
    // Shown without taking the activation from the program's frame, which a user would be
    // working in: its first window would otherwise pay for activating it again.
    ShowWindow(frame, SW_SHOWNOACTIVATE);
    return frame;
}

void OpenFloorChild(HIMAGELIST images, HFONT font, int n) {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    MDICREATESTRUCTW mcs{};
    mcs.szClass = L"floorChild";
    mcs.szTitle = L"KV";
    mcs.hOwner = inst;
    mcs.x = mcs.y = mcs.cx = mcs.cy = CW_USEDEFAULT;
    mcs.style = WS_MAXIMIZE | WS_VISIBLE | WS_CLIPCHILDREN;
    auto h = reinterpret_cast<HWND>(
        SendMessageW(floorClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    SendMessageW(h, WM_SETREDRAW, FALSE, 0);
    HWND rebar =
        CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, L"",
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                            RBS_BANDBORDERS | RBS_AUTOSIZE | CCS_NODIVIDER | CCS_TOP,
                        0, 0, 0, 0, h, reinterpret_cast<HMENU>(1), inst, nullptr);
    HWND tb = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                              WS_CHILD | WS_VISIBLE | CCS_NODIVIDER | CCS_NORESIZE |
                                  CCS_NOPARENTALIGN | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT,
                              0, 0, 100, 30, rebar, nullptr, inst, nullptr);
    SendMessageW(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(tb, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageW(tb, TB_SETBUTTONSIZE, 0, MAKELPARAM(30, 29));
    TBBUTTON buttons[4] = {};
    for (int i = 0; i < 4; ++i) {
        buttons[i].iBitmap = i;
        buttons[i].idCommand = i + 1;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_BUTTON;
        buttons[i].iString = -1;
    }
    SendMessageW(tb, TB_ADDBUTTONSW, 4, reinterpret_cast<LPARAM>(buttons));
    HWND check = CreateWindowExW(0, WC_BUTTONW, L"不用代理", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 73,
                                 20, rebar, nullptr, inst, nullptr);
    SendMessageW(check, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND panel = CreateWindowExW(WS_EX_CONTROLPARENT, L"STATIC", L"",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 376, 25, rebar,
                                 nullptr, inst, nullptr);
    HWND combo = CreateWindowExW(
        0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
        0, 2, 318, 300, panel, nullptr, inst, nullptr);
    SendMessageW(combo, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND go = CreateWindowExW(0, WC_BUTTONW, L"转到", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 319, 0,
                              57, 24, panel, nullptr, inst, nullptr);
    SendMessageW(go, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND bands[3] = {tb, check, panel};
    int widths[3] = {133, 83, 435};
    for (int i = 0; i < 3; ++i) {
        REBARBANDINFOW rb{};
        rb.cbSize = sizeof(rb);
        rb.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
        rb.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | (i == 1 ? RBBS_HIDDEN : 0);
        rb.hwndChild = bands[i];
        rb.cxMinChild = i == 0 ? 120 : 73;
        rb.cyMinChild = i == 0 ? 29 : 25;
        rb.cx = static_cast<UINT>(widths[i]);
        SendMessageW(rebar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&rb));
    }
    HWND status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | CCS_BOTTOM, 0, 0, 0, 0, h,
                                  reinterpret_cast<HMENU>(2), inst, nullptr);
    int parts[3] = {0, 100, -1};
    SendMessageW(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 2, 2, 96, 16, status, nullptr,
                    inst, nullptr);
    SendMessageW(rebar, WM_SIZE, 0, 0);
    SendMessageW(status, WM_SIZE, 0, 0);
    SendMessageW(h, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(h, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    // The caption is numbered once the window exists, as the program does.
    SetWindowTextW(h, (L"KV-" + std::to_wstring(n)).c_str());
}

// Five 24 x 24 pictures for the tool bar's buttons, as many as the program's.
HIMAGELIST FloorImages() {
    HIMAGELIST images = ImageList_Create(24, 24, ILC_COLOR32 | ILC_MASK, 5, 4);
    HDC screen = GetDC(nullptr);
    for (int i = 0; i < 5; ++i) {
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP picture = CreateCompatibleBitmap(screen, 24, 24);
        HGDIOBJ old = SelectObject(dc, picture);
        RECT all{0, 0, 24, 24};
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        Ellipse(dc, 2 + i, 2, 22, 22 - i);
        SelectObject(dc, old);
        DeleteDC(dc);
        ImageList_AddMasked(images, picture, GetSysColor(COLOR_BTNFACE));
        DeleteObject(picture);
    }
    ReleaseDC(nullptr, screen);
    return images;
}

} // namespace

int main() {
    if (!StartUp()) {
        return 2;
    }
    {
        stub::ScopedRegistration engine;
        std::wstring folder = TempFolder(L"kvbench-floor");
        TMainForm frame(StartIn(folder));
        FillHistory(frame, 10000);
        ShowSettled(frame);
        // The two frames one above the other, the same size, neither covering the other: a
        // covered part of a window costs nothing to draw.
        RECT screen{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
        int height = (screen.bottom - screen.top) / 2;
        SetWindowPos(frame.Handle(), nullptr, screen.left, screen.top, screen.right - screen.left,
                     height, SWP_NOZORDER | SWP_NOACTIVATE);
        Pump();
        tk::Application::RunIdleHandlers();

        HWND floorFrame = MakeFloorFrame(frame.Handle(), frame.ClientHandle(),
                                         POINT{screen.left, screen.top + height});
        HIMAGELIST images = FloorImages();
        HFONT font =
            CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, L"宋体");
        Pump();
        tk::Application::RunIdleHandlers();

        std::vector<double> floorTimes, programTimes;
        for (int n = 1; n <= 100; ++n) {
            double t0 = NowMs();
            OpenFloorChild(images, font, n);
            PumpFloor(floorFrame);
            double t1 = NowMs();
            TMDIChild* w = frame.OpenBrowserWindow(L"KV-" + std::to_wstring(n));
            Pump();
            tk::Application::RunIdleHandlers();
            double t2 = NowMs();
            double blankMs = BlankPageMs(*w, n);
            Pump();
            tk::Application::RunIdleHandlers();
            double settledMs = NowMs() - t2;
            floorTimes.push_back(t1 - t0);
            programTimes.push_back(t2 - t1);
            if (n == 1 || n == 100) {
                std::printf("program_blank_page_window_%d %.2f ms\n", n, blankMs);
                std::printf("program_blank_page_settled_window_%d %.2f ms\n", n, settledMs);
            }
        }
        double floorMs = Median(floorTimes);
        double programMs = Median(programTimes);
        std::printf("floor_open_window_median %.1f ms\n", floorMs);
        std::printf("program_open_window_median %.1f ms\n", programMs);
        std::printf("program_vs_floor_open_ratio %.2f x\n", programMs / floorMs);
        frame.FreeChildren();
        DestroyWindow(floorFrame);
        DeleteObject(font);
        ImageList_Destroy(images);
        DeleteFileW((folder + L"kvbr.ini").c_str());
        RemoveDirectoryW(folder.c_str());
    }
    OleUninitialize();
    return 0;
}
