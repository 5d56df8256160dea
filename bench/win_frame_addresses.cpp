// A start with 10 and with 50 addresses on the command line (one window each, after the first
// window's blank page), until the frame is idle: medians of three starts each, taken in turn.
// Stand-in engine, in this process.
//
// Prints frame_start_10_addresses <ms>, frame_start_50_addresses <ms> and
// frame_50_vs_10_addresses_ratio <x>.
#include "bench_support.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace kvbench;

namespace {

// Milliseconds from making the frame to the frame idle with a window for each of `count`
// addresses.
double StartWithAddresses(int count) {
    std::wstring folder = TempFolder(L"kvbench-addresses");
    // The windows of an earlier start, ended without the exit, would be offered back first.
    DeleteFileW((folder + L"kvbr.session").c_str());
    TFrameStart start = StartIn(folder);
    for (int i = 0; i < count; ++i) {
        start.arguments.push_back(L"http://site" + std::to_wstring(i) + L".example/");
    }
    double t0 = NowMs();
    double ms = 0;
    {
        TMainForm frame(start);
        frame.Show(SW_SHOWNORMAL);
        Pump();
        tk::Application::RunIdleHandlers();
        ms = NowMs() - t0;
        if (frame.BrowserWindowCount() != count + 1) {
            std::fprintf(stderr, "expected %d windows, have %d\n", count + 1,
                         frame.BrowserWindowCount());
        }
        frame.FreeChildren();
    }
    Pump();
    DeleteFileW((folder + L"kvbr.session").c_str());
    DeleteFileW((folder + L"kvbr.ini").c_str());
    RemoveDirectoryW(folder.c_str());
    return ms;
}

} // namespace

int main() {
    if (!StartUp()) {
        return 2;
    }
    {
        stub::ScopedRegistration engine;
        std::vector<double> ten, fifty;
        for (int round = 0; round < 3; ++round) {
            ten.push_back(StartWithAddresses(10));
            fifty.push_back(StartWithAddresses(50));
        }
        std::printf("frame_start_10_addresses %.0f ms\n", Median(ten));
        std::printf("frame_start_50_addresses %.0f ms\n", Median(fifty));
        std::printf("frame_50_vs_10_addresses_ratio %.2f x\n", Median(fifty) / Median(ten));
    }
    OleUninitialize();
    return 0;
}
