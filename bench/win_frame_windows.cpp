// Opening browser windows with a 10,000-line history (the 1st, 10th, 50th and 100th window),
// memory per open window, and one idle resynchronisation of the tab strip with 100 windows
// open when nothing changed. Stand-in engine, in this process.
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"
#include "toolkit/application.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            continue;
        }
        tk::Application::DispatchOne(m);
    }
}

size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                         sizeof(pmc));
    // Wine reports the commit charge here; PrivateUsage stays 0 there.
    return pmc.PagefileUsage;
}

std::wstring TempFolder() {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    std::wstring p = std::wstring(base) + L"kvbench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(p.c_str(), nullptr);
    return p + L"\\";
}

} // namespace

int main() {
    if (FAILED(OleInitialize(nullptr))) {
        return 2;
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                              ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    tk::Application::Initialize(GetModuleHandleW(nullptr));
    int rc = 0;
    {
        stub::ScopedRegistration engine;
        std::wstring folder = TempFolder();
        TFrameStart start;
        start.programFolder = folder;
        start.settingsPath = folder + L"kvbr.ini";
        start.useCommandLine = false;
        TMainForm frame(start);
        frame.ListBoxURL.clear();
        for (int i = 0; i < 10000; ++i) {
            frame.ListBoxURL.push_back("http://www.example" + std::to_string(i) +
                                       ".com/some/path/page.html");
        }
        // Shown without its first-show handler, so that the first window is measured too.
        ShowWindow(frame.Handle(), SW_SHOWNORMAL);
        Pump();
        tk::Application::RunIdleHandlers();

        size_t memoryBefore = PrivateBytes();
        int opened = frame.BrowserWindowCount();
        for (int n = opened + 1; n <= 100; ++n) {
            double t0 = NowMs();
            TMDIChild* w = frame.OpenBrowserWindow(L"KV-" + std::to_wstring(n));
            double t1 = NowMs();
            host::WaitResult r = w->WebBrowser1->NavigateBlank();
            double t2 = NowMs();
            if (r != host::WaitResult::Complete) {
                std::fprintf(stderr, "blank page of window %d not complete\n", n);
            }
            if (n == 1 || n == 10 || n == 50 || n == 100) {
                std::printf("frame_open_window_%d_history_10k %.2f ms\n", n, t1 - t0);
                std::printf("frame_blank_page_window_%d %.2f ms\n", n, t2 - t1);
            }
            Pump();
            tk::Application::RunIdleHandlers();
        }
        size_t memoryAfter = PrivateBytes();
        int added = frame.BrowserWindowCount() - opened;
        std::printf("frame_memory_per_window %.0f KB\n",
                    static_cast<double>(memoryAfter - memoryBefore) / 1024.0 / added);

        // Idle resynchronisation with nothing changed: median of many rounds.
        std::vector<double> samples;
        for (int round = 0; round < 200; ++round) {
            double t0 = NowMs();
            frame.ActionList1Update();
            samples.push_back((NowMs() - t0) * 1000.0);
        }
        std::sort(samples.begin(), samples.end());
        std::printf("frame_idle_resync_100_windows %.1f us\n", samples[samples.size() / 2]);
        if (frame.BrowserWindowCount() != 100) {
            std::fprintf(stderr, "expected 100 windows, have %d\n", frame.BrowserWindowCount());
            rc = 1;
        }
        frame.FreeChildren();
        DeleteFileW((folder + L"kvbr.ini").c_str());
        RemoveDirectoryW(folder.c_str());
    }
    OleUninitialize();
    return rc;
}
