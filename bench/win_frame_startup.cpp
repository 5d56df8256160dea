// Start-up times.
// 1. This process as the program starts: from process creation to the first window complete
//    and the frame idle, with the stand-in engine.
// 2. Side by side under the platform's own engine: Wine's iexplore.exe about:blank from
//    process start to its window shown, and kvbr.exe (beside this program) to its frame shown;
//    medians of nine starts each, taken in turn.
// 3. When each is usable: its first window (for kvbr.exe the first browser window, for Wine's
//    iexplore.exe its top-level window) shown, painted (nothing left to paint) and its thread
//    answering a sent message; medians of five starts each, taken in turn.
#include "bench_support.h"
#include "browser_window/mdi_child.h"
#include "engine_stub/engine_stub.h"

#include <cstdio>
#include <string>

using namespace kvbench;

namespace {

double FileTimeMs(const FILETIME& t) {
    ULARGE_INTEGER u{};
    u.LowPart = t.dwLowDateTime;
    u.HighPart = t.dwHighDateTime;
    return static_cast<double>(u.QuadPart) / 10000.0;
}

double NowFileTimeMs() {
    FILETIME t{};
    GetSystemTimeAsFileTime(&t);
    return FileTimeMs(t);
}

double ProcessCreationMs(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    return FileTimeMs(created);
}

struct FindShown {
    DWORD pid;
    const wchar_t* className; // null: any top-level window
    HWND found;
};

BOOL CALLBACK FindShownProc(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<FindShown*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != f->pid || !IsWindowVisible(w)) {
        return TRUE;
    }
    if (f->className != nullptr) {
        wchar_t cls[64] = {};
        GetClassNameW(w, cls, 64);
        if (lstrcmpW(cls, f->className) != 0) {
            return TRUE;
        }
    }
    f->found = w;
    return FALSE;
}

BOOL CALLBACK FindShownChildProc(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<FindShown*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (IsWindowVisible(w) && lstrcmpW(cls, f->className) == 0) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

// The window a start is waiting for: a visible top-level window of the process (of
// `className` when given), or, with `childClass`, a visible window of that class inside it.
HWND ShownWindow(DWORD pid, const wchar_t* className, const wchar_t* childClass) {
    FindShown f{pid, className, nullptr};
    EnumWindows(FindShownProc, reinterpret_cast<LPARAM>(&f));
    if (f.found == nullptr || childClass == nullptr) {
        return f.found;
    }
    FindShown c{pid, childClass, nullptr};
    EnumChildWindows(f.found, FindShownChildProc, reinterpret_cast<LPARAM>(&c));
    return c.found;
}

// Shown, answering a sent message, and nothing of it left to paint.
bool Usable(HWND w) {
    DWORD_PTR answer = 0;
    return w != nullptr &&
           SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer) != 0 &&
           IsWindowVisible(w) && !GetUpdateRect(w, nullptr, FALSE);
}

// Milliseconds from the process's creation to its first visible top-level window (with
// `usable`: until that window, or its `childClass` window, is usable); -1 when it did not get
// there within the limit.
double TimeToWindow(const std::wstring& exe, const std::wstring& args, const wchar_t* className,
                    const std::wstring& workDir, bool usable = false,
                    const wchar_t* childClass = nullptr) {
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
        return -1;
    }
    double result = -1;
    ULONGLONG end = GetTickCount64() + 30000;
    while (GetTickCount64() < end) {
        HWND shown = ShownWindow(pi.dwProcessId, className, childClass);
        if (shown != nullptr && (!usable || Usable(shown))) {
            result = NowFileTimeMs() - ProcessCreationMs(pi.hProcess);
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 2) == WAIT_OBJECT_0) {
            break;
        }
    }
    // Measured: the processes this benchmark started go now.
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}

std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

} // namespace

int main() {
    if (!StartUp()) {
        return 2;
    }
    std::wstring folder = TempFolder(L"kvstartup");
    {
        stub::ScopedRegistration engine;
        TMainForm frame(StartIn(folder));
        frame.Show(SW_SHOWNORMAL); // returns once the first window's blank page is complete
        Pump();
        tk::Application::RunIdleHandlers();
        double ms = NowFileTimeMs() - ProcessCreationMs(GetCurrentProcess());
        std::printf("frame_startup_stub_engine %.1f ms\n", ms);
        frame.FreeChildren();
    }

    wchar_t windows[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramFiles", windows, MAX_PATH);
    std::wstring iexplore = std::wstring(windows) + L"\\Internet Explorer\\iexplore.exe";
    std::wstring kvbr = ModuleFolder() + L"kvbr.exe";
    // Nine starts of each, in turn, so that a busy moment of the machine weighs on both alike;
    // the medians are compared.
    // Both engines start helper processes of their own (Wine's engine looks for its renderer):
    // a pause after each start lets them end before the next start is measured.
    std::vector<double> ieTimes, kvTimes;
    for (int round = 0; round < 9; ++round) {
        double ieOne = TimeToWindow(iexplore, L"about:blank", nullptr, folder);
        Sleep(500);
        double kvOne = TimeToWindow(kvbr, L"", L"tkMDIFrame", folder);
        Sleep(500);
        if (ieOne > 0 && kvOne > 0) {
            ieTimes.push_back(ieOne);
            kvTimes.push_back(kvOne);
        }
    }
    double ie = ieTimes.empty() ? -1 : Median(ieTimes);
    double kv = kvTimes.empty() ? -1 : Median(kvTimes);
    std::printf("iexplore_window_shown_median %.1f ms\n", ie);
    std::printf("kvbr_frame_shown_median %.1f ms\n", kv);
    if (ie > 0 && kv > 0) {
        std::printf("kvbr_vs_iexplore_startup_ratio %.2f x\n", kv / ie);
    }

    std::vector<double> ieUsable, kvUsable;
    for (int round = 0; round < 5; ++round) {
        double ieOne = TimeToWindow(iexplore, L"about:blank", nullptr, folder, true);
        Sleep(500);
        double kvOne = TimeToWindow(kvbr, L"", L"tkMDIFrame", folder, true, L"tkMDIChild");
        Sleep(500);
        if (ieOne > 0 && kvOne > 0) {
            ieUsable.push_back(ieOne);
            kvUsable.push_back(kvOne);
        }
    }
    if (!ieUsable.empty()) {
        double ieU = Median(ieUsable);
        double kvU = Median(kvUsable);
        std::printf("iexplore_usable_median %.1f ms\n", ieU);
        std::printf("kvbr_first_window_usable_median %.1f ms\n", kvU);
        std::printf("kvbr_vs_iexplore_usable_ratio %.2f x\n", kvU / ieU);
    }
    DeleteFileW((folder + L"kvbr.ini").c_str());
    RemoveDirectoryW(folder.c_str());
    OleUninitialize();
    return 0;
}
