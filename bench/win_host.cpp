// Creating, in-place activating and destroying one browser host, and the memory each live
// host adds; with the stand-in engine and with the platform's own WebBrowser control.
// Prints "name value unit" lines.
#include "bench_support.h"
#include "engine_stub/engine_stub.h"
#include "host/embedded_browser.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using namespace kvbench;

namespace {

HWND g_parent = nullptr;

void Settle() {
    tk::Application::ProcessMessages();
}

std::unique_ptr<host::TEmbeddedBrowser> MakeHost() {
    auto b = std::make_unique<host::TEmbeddedBrowser>();
    b->SetParent(g_parent);
    b->SetBounds(0, 0, 600, 400);
    b->Handle();
    return b;
}

double MedianMicros(int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        { auto b = MakeHost(); }
        auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        Settle();
    }
    return Median(times);
}

double KilobytesPerLiveHost(int count) {
    {
        auto warm = MakeHost(); // first-use costs (DLLs, classes) are not per host
    }
    Settle();
    size_t before = PrivateBytes();
    std::vector<std::unique_ptr<host::TEmbeddedBrowser>> hosts;
    for (int i = 0; i < count; ++i) {
        hosts.push_back(MakeHost());
    }
    Settle();
    size_t after = PrivateBytes();
    hosts.clear();
    Settle();
    return (static_cast<double>(after) - static_cast<double>(before)) / 1024.0 / count;
}

void Measure(const char* engine) {
    MedianMicros(3); // warm-up
    std::printf("host_create_activate_destroy_%s %.0f us\n", engine, MedianMicros(30));
    std::printf("host_memory_per_live_%s %.1f KB\n", engine, KilobytesPerLiveHost(20));
}

} // namespace

int main() {
    if (!StartUp()) {
        return 2;
    }
    g_parent = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640,
                               480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    int rc = 0;
    try {
        {
            stub::ScopedRegistration registration;
            Measure("stub");
        }
        Measure("platform");
    } catch (...) {
        std::fprintf(stderr, "benchmark failed\n");
        rc = 1;
    }
    DestroyWindow(g_parent);
    OleUninitialize();
    return rc;
}
