// What the Windows benchmarks share: the clock, draining the message queue, the process's
// memory, the start-up every program makes, scratch folders and a frame with a long history.
#pragma once

#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "toolkit/application.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace kvbench {

// Milliseconds on the performance counter; only differences mean anything.
inline double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// Handles everything queued, as the program's own loop would; a WM_QUIT is dropped so that
// a benchmark goes on to its next step.
inline void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            continue;
        }
        tk::Application::DispatchOne(m);
    }
}

// The process's private commit charge in bytes.
inline std::size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                         sizeof(pmc));
    // Wine reports the commit charge in PagefileUsage and leaves PrivateUsage at 0.
    return pmc.PrivateUsage != 0 ? pmc.PrivateUsage : pmc.PagefileUsage;
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// OLE, the common control classes any of the program's windows use, and the toolkit, as the
// program starts them. False when OLE would not start; the caller then ends with 2. Pair
// with OleUninitialize.
[[nodiscard]] inline bool StartUp() {
    if (FAILED(OleInitialize(nullptr))) {
        return false;
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                              ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    tk::Application::Initialize(GetModuleHandleW(nullptr));
    return true;
}

// A new folder "<temp><name>-<process id>\" for one run; the caller empties and removes it.
inline std::wstring TempFolder(const wchar_t* name) {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, base);
    std::wstring p =
        std::wstring(base) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(p.c_str(), nullptr);
    return p;
}

inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(f);
}

// A frame that keeps its settings in `folder` and ignores this process's command line.
inline TFrameStart StartIn(const std::wstring& folder) {
    TFrameStart start;
    start.programFolder = folder;
    start.settingsPath = folder + L"kvbr.ini";
    start.useCommandLine = false;
    return start;
}

// Replaces the frame's history with `entries` long addresses.
inline void FillHistory(TMainForm& frame, int entries) {
    std::string file;
    for (int i = 0; i < entries; ++i) {
        file += "http://www.example" + std::to_string(i) + ".com/some/path/page.html\r\n";
    }
    frame.ListBoxURL = kv::LineList::FromFileBytes(std::move(file));
}

// Shows the frame without its first-show handler and lets it settle, idle work included.
inline void ShowSettled(TMainForm& frame) {
    ShowWindow(frame.Handle(), SW_SHOWNORMAL);
    frame.BuildContents();
    Pump();
    tk::Application::RunIdleHandlers();
}

// Milliseconds the n-th window takes to show its blank page; an incomplete page is reported
// on stderr, so that its figure is not taken for a real one.
inline double BlankPageMs(TMDIChild& w, int n) {
    double t0 = NowMs();
    host::WaitResult r = w.WebBrowser1->NavigateBlank();
    double t1 = NowMs();
    if (r != host::WaitResult::Complete) {
        std::fprintf(stderr, "blank page of window %d not complete\n", n);
    }
    return t1 - t0;
}

} // namespace kvbench
