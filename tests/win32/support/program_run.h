// Runs of the real program in end-to-end tests: kvbr.exe copied into a program folder of its
// own and started with a working directory of its own, with the stand-in engine's log and
// pages; its windows found and its message boxes answered from the test process.
#pragma once

#include "win32/support/modal.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace kvtest {

inline constexpr DWORD kStartMs = 20000;
inline constexpr DWORD kStepMs = 10000;

inline std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

inline std::wstring Text(HWND w) {
    wchar_t buf[512] = {};
    GetWindowTextW(w, buf, 512);
    return buf;
}

inline std::wstring ClassOf(HWND w) {
    wchar_t buf[64] = {};
    GetClassNameW(w, buf, 64);
    return buf;
}

inline bool WaitFor(const std::function<bool()>& pred, DWORD ms) {
    ULONGLONG end = GetTickCount64() + ms;
    while (!pred()) {
        if (GetTickCount64() >= end) {
            return false;
        }
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(20);
    }
    return true;
}

inline std::string Utf8(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

// One run of kvbr.exe copied into its own program folder.
class ProgramRun {
public:
    // exeName: the copy's file name, for runs of a renamed program.
    explicit ProgramRun(const wchar_t* name = L"kve2e", const wchar_t* exeName = L"kvbr.exe")
        : folder_(name), work_(std::wstring(name) + L"w") {
        exe_ = folder_.Path() + exeName;
        EXPECT_TRUE(CopyFileW((ModuleFolder() + L"kvbr.exe").c_str(), exe_.c_str(), FALSE));
    }
    ~ProgramRun() { Kill(); }
    const std::wstring& Folder() const { return folder_.Path(); }
    const std::wstring& Work() const { return work_.Path(); }
    std::wstring LogFile() const { return work_.Path() + L"stub.log"; }

    // Pages for the stand-in engine: url TAB title TAB flags, one a line.
    void SetPages(const std::string& lines) { WriteBytes(folder_.Path() + L"pages.txt", lines); }

    bool Start(const std::vector<std::wstring>& args, size_t windows) {
        Kill(); // a run before this one has ended
        std::wstring cmd = L"\"" + exe_ + L"\"";
        for (const auto& a : args) {
            cmd += L" \"" + a + L"\"";
        }
        SetEnvironmentVariableW(L"KVSTUB_LOG", LogFile().c_str());
        std::wstring pages = folder_.Path() + L"pages.txt";
        SetEnvironmentVariableW(L"KVSTUB_PAGES", Exists(pages) ? pages.c_str() : nullptr);
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        std::vector<wchar_t> line(cmd.begin(), cmd.end());
        line.push_back(L'\0');
        if (!CreateProcessW(exe_.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            work_.Path().c_str(), &si, &pi_)) {
            return false;
        }
        return WaitFor([&] { return Frame() != nullptr && Windows().size() == windows; }, kStartMs);
    }

    HWND Frame() const {
        struct Find {
            DWORD pid;
            HWND found;
        } f{pi_.dwProcessId, nullptr};
        EnumWindows(
            [](HWND w, LPARAM lp) -> BOOL {
                auto* f = reinterpret_cast<Find*>(lp);
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == f->pid && ClassOf(w) == L"tkMDIFrame") {
                    f->found = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&f));
        return f.found;
    }

    // The browser windows, in the MDI area's order.
    std::vector<HWND> Windows() const {
        std::vector<HWND> v;
        HWND frame = Frame();
        HWND client = frame ? FindWindowExW(frame, nullptr, L"MDIClient", nullptr) : nullptr;
        for (HWND c = client ? GetWindow(client, GW_CHILD) : nullptr; c != nullptr;
             c = GetWindow(c, GW_HWNDNEXT)) {
            if (ClassOf(c) == L"tkMDIChild") {
                v.push_back(c);
            }
        }
        return v;
    }

    // Captions of the browser windows, sorted.
    std::vector<std::wstring> Captions() const {
        std::vector<std::wstring> v;
        HWND frame = Frame();
        HWND client = frame ? FindWindowExW(frame, nullptr, L"MDIClient", nullptr) : nullptr;
        for (HWND c = client ? GetWindow(client, GW_CHILD) : nullptr; c != nullptr;
             c = GetWindow(c, GW_HWNDNEXT)) {
            if (ClassOf(c) == L"tkMDIChild") {
                v.push_back(Text(c));
            }
        }
        std::sort(v.begin(), v.end());
        return v;
    }

    // Ends the program at once, as a crash does, and waits until it is gone.
    void Kill() {
        if (pi_.hProcess == nullptr) {
            return;
        }
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi_.hProcess, 99);
            WaitForSingleObject(pi_.hProcess, kStepMs);
        }
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
        pi_ = PROCESS_INFORMATION{};
    }

    bool Running() const {
        return pi_.hProcess != nullptr && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
    }

    // Asks the frame to close and answers the exit question; returns its text.
    std::wstring AskExit(int answer) {
        PostMessageW(Frame(), WM_CLOSE, 0, 0);
        return Answer(L"Quelmar浏览器", answer);
    }

    // Waits for a box of the program with this caption and presses the button.
    std::wstring Answer(const std::wstring& caption, int button) {
        HWND box = nullptr;
        if (!WaitFor([&] { return (box = FindDialog(caption)) != nullptr; }, kStepMs)) {
            return L"(no box)";
        }
        std::wstring text = DialogText(box);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
        WaitFor([&] { return !IsWindow(box); }, kStepMs);
        return text;
    }

    // Closes the frame, answers OK to the exit question and waits for the process to end.
    bool Exit() {
        PostMessageW(Frame(), WM_CLOSE, 0, 0);
        if (Answer(L"Quelmar浏览器", IDOK) == L"(no box)") {
            return false;
        }
        return WaitForSingleObject(pi_.hProcess, kStepMs) == WAIT_OBJECT_0;
    }

    bool WaitExit(DWORD& code) {
        if (WaitForSingleObject(pi_.hProcess, kStepMs) != WAIT_OBJECT_0) {
            return false;
        }
        GetExitCodeProcess(pi_.hProcess, &code);
        return true;
    }

    // Lines of the stand-in's log for this run, without the process id.
    std::vector<std::string> Log() const {
        std::vector<std::string> out;
        std::string all = ReadBytes(LogFile()).value_or("");
        size_t at = 0;
        while (at < all.size()) {
            size_t end = all.find('\n', at);
            std::string line =
                all.substr(at, end == std::string::npos ? std::string::npos : end - at);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            size_t space = line.find(' ');
            out.push_back(space == std::string::npos ? line : line.substr(space + 1));
            if (end == std::string::npos) {
                break;
            }
            at = end + 1;
        }
        return out;
    }

    bool Logged(const std::string& line) const {
        auto log = Log();
        return std::find(log.begin(), log.end(), line) != log.end();
    }

private:
    TempFolder folder_;
    TempFolder work_;
    std::wstring exe_;
    PROCESS_INFORMATION pi_{};
};

} // namespace kvtest
