// Opening browser windows with a 10,000-line history (the 1st, 10th, 50th and 100th window),
// memory per open window, and one idle resynchronisation of the tab strip with 100 windows
// open when nothing changed. Stand-in engine, in this process.
#include "bench_support.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace kvbench;

int main() {
    if (!StartUp()) {
        return 2;
    }
    int rc = 0;
    {
        stub::ScopedRegistration engine;
        std::wstring folder = TempFolder(L"kvbench");
        TMainForm frame(StartIn(folder));
        FillHistory(frame, 10000);
        // Shown without its first-show handler, so that the first window is measured too.
        ShowSettled(frame);

        size_t memoryBefore = PrivateBytes();
        int opened = frame.BrowserWindowCount();
        for (int n = opened + 1; n <= 100; ++n) {
            double t0 = NowMs();
            TMDIChild* w = frame.OpenBrowserWindow(L"KV-" + std::to_wstring(n));
            double t1 = NowMs();
            double blankMs = BlankPageMs(*w, n);
            if (n == 1 || n == 10 || n == 50 || n == 100) {
                std::printf("frame_open_window_%d_history_10k %.2f ms\n", n, t1 - t0);
                std::printf("frame_blank_page_window_%d %.2f ms\n", n, blankMs);
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
        std::printf("frame_idle_resync_100_windows %.1f us\n", Median(samples));
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
