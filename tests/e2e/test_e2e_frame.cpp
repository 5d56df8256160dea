// The real program, started from a throwaway program folder and working directory, with the
// stand-in engine registered as the platform's WebBrowser class: start-up, windows per
// argument, the exit question and the files it writes.
#include "app/core/search_config.h"
#include "win32/support/modal.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr DWORD kStartMs = 20000;
constexpr DWORD kStepMs = 10000;

std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

std::wstring Text(HWND w) {
    wchar_t buf[512] = {};
    GetWindowTextW(w, buf, 512);
    return buf;
}

std::wstring ClassOf(HWND w) {
    wchar_t buf[64] = {};
    GetClassNameW(w, buf, 64);
    return buf;
}

bool WaitFor(const std::function<bool()>& pred, DWORD ms) {
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

std::string Utf8(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

// One run of kvbr.exe copied into its own program folder.
class Program {
public:
    Program() {
        exe_ = folder_.Path() + L"kvbr.exe";
        EXPECT_TRUE(CopyFileW((ModuleFolder() + L"kvbr.exe").c_str(), exe_.c_str(), FALSE));
    }
    ~Program() {
        if (pi_.hProcess != nullptr) {
            if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(pi_.hProcess, 99);
                WaitForSingleObject(pi_.hProcess, 5000);
            }
            CloseHandle(pi_.hProcess);
            CloseHandle(pi_.hThread);
        }
    }
    const std::wstring& Folder() const { return folder_.Path(); }
    const std::wstring& Work() const { return work_.Path(); }
    std::wstring LogFile() const { return work_.Path() + L"stub.log"; }

    // Pages for the stand-in engine: url TAB title TAB flags, one a line.
    void SetPages(const std::string& lines) {
        kvtest::WriteBytes(folder_.Path() + L"pages.txt", lines);
    }

    bool Start(const std::vector<std::wstring>& args, size_t windows) {
        std::wstring cmd = L"\"" + exe_ + L"\"";
        for (const auto& a : args) {
            cmd += L" \"" + a + L"\"";
        }
        SetEnvironmentVariableW(L"KVSTUB_LOG", LogFile().c_str());
        std::wstring pages = folder_.Path() + L"pages.txt";
        SetEnvironmentVariableW(L"KVSTUB_PAGES", kvtest::Exists(pages) ? pages.c_str() : nullptr);
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

    // Captions of the browser windows.
    std::vector<std::wstring> Windows() const {
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
        if (!WaitFor([&] { return (box = kvtest::FindDialog(caption)) != nullptr; }, kStepMs)) {
            return L"(no box)";
        }
        std::wstring text = kvtest::DialogText(box);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
        WaitFor([&] { return !IsWindow(box); }, kStepMs);
        return text;
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
        std::string all = kvtest::ReadBytes(LogFile()).value_or("");
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

private:
    kvtest::TempFolder folder_{L"kve2e"};
    kvtest::TempFolder work_{L"kve2ew"};
    std::wstring exe_;
    PROCESS_INFORMATION pi_{};
};

std::string SettingsValue(const std::string& ini, const std::string& key) {
    size_t at = ini.find(key + "=");
    if (at == std::string::npos) {
        return "(absent)";
    }
    size_t end = ini.find("\r\n", at);
    return ini.substr(at + key.size() + 1, end - at - key.size() - 1);
}

TEST(E2EFrame, FirstRunShowsOneWindowAndExitWritesBothFiles) {
    Program p;
    ASSERT_TRUE(p.Start({}, 1));
    EXPECT_EQ(Text(p.Frame()), L"Quelmar浏览器V3.4");
    EXPECT_EQ(p.AskExit(IDOK), L"真的要退出么?");
    DWORD code = 1;
    ASSERT_TRUE(p.WaitExit(code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""),
              kv::PartnerHomeUrl() + "\r\n");
    std::string ini = kvtest::ReadBytes(p.Work() + L"kvbr.ini").value_or("");
    EXPECT_EQ(SettingsValue(ini, "N10"), "1");
    EXPECT_EQ(SettingsValue(ini, "N14"), "0");
    EXPECT_EQ(SettingsValue(ini, "N11"), "1");
    EXPECT_EQ(SettingsValue(ini, "N9"), "1");
    EXPECT_EQ(ini.rfind("TabTop=", 0), 0u) << ini;
    EXPECT_FALSE(kvtest::Exists(p.Folder() + L"kvbr.ini"));
    auto log = p.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "Navigate2 about:blank"), log.end());
}

TEST(E2EFrame, ArgumentsOpenNumberedWindowsWithLowerCasedAddresses) {
    Program p;
    // Pages that never finish keep their windows' numbered captions.
    p.SetPages("http://a.example/x\t\tnever\nb.example\t\tnever\n");
    ASSERT_TRUE(p.Start({L"HTTP://A.Example/X", L"B.EXAMPLE"}, 3));
    auto isNavigated = [&p] {
        auto log = p.Log();
        return std::find(log.begin(), log.end(), "Navigate2 b.example") != log.end();
    };
    ASSERT_TRUE(WaitFor(isNavigated, kStepMs));
    auto windows = p.Windows();
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0], L"KV-2");
    EXPECT_EQ(windows[1], L"KV-3");
    EXPECT_EQ(windows[2], L"about:blank"); // the first window, titled by its page
    auto log = p.Log();
    auto at = [&](const std::string& line) {
        return std::find(log.begin(), log.end(), line) - log.begin();
    };
    EXPECT_LT(at("Navigate2 about:blank"), at("Navigate2 http://a.example/x"));
    EXPECT_LT(at("Navigate2 http://a.example/x"), at("Navigate2 b.example"));
    EXPECT_LT(at("Navigate2 b.example"), static_cast<std::ptrdiff_t>(log.size()));
    p.AskExit(IDOK);
    DWORD code = 1;
    EXPECT_TRUE(p.WaitExit(code));
}

TEST(E2EFrame, SettingsAreReadFromTheWorkingDirectoryOnly) {
    Program p;
    // Beside the program: ignored. The history there is used.
    kvtest::WriteBytes(p.Folder() + L"kvbr.ini", "TabTop=0\r\nTabLeft=0\r\nN10=1\r\nN14=1\r\n");
    kvtest::WriteBytes(p.Folder() + L"UrlsList.txt", "http://mine.example/\r\n");
    ASSERT_TRUE(p.Start({}, 1));
    p.AskExit(IDOK);
    DWORD code = 1;
    ASSERT_TRUE(p.WaitExit(code));
    EXPECT_EQ(SettingsValue(kvtest::ReadBytes(p.Work() + L"kvbr.ini").value_or(""), "N14"), "0");
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"kvbr.ini").value_or(""),
              "TabTop=0\r\nTabLeft=0\r\nN10=1\r\nN14=1\r\n");
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""),
              kv::PartnerHomeUrl() + "\r\nhttp://mine.example/\r\n");

    // In the working directory: applied, and a bad TabTop applies nothing.
    Program q;
    kvtest::WriteBytes(q.Work() + L"kvbr.ini",
                       "TabTop=0\r\nTabLeft=0\r\nN10=1\r\nN14=1\r\nN9=0\r\n");
    ASSERT_TRUE(q.Start({}, 1));
    q.AskExit(IDOK);
    ASSERT_TRUE(q.WaitExit(code));
    std::string ini = kvtest::ReadBytes(q.Work() + L"kvbr.ini").value_or("");
    EXPECT_EQ(SettingsValue(ini, "N14"), "1");
    EXPECT_EQ(SettingsValue(ini, "N9"), "0");

    Program r;
    kvtest::WriteBytes(r.Work() + L"kvbr.ini", "TabTop=abc\r\nTabLeft=0\r\nN14=1\r\nN9=0\r\n");
    ASSERT_TRUE(r.Start({}, 1));
    r.AskExit(IDOK);
    ASSERT_TRUE(r.WaitExit(code));
    ini = kvtest::ReadBytes(r.Work() + L"kvbr.ini").value_or("");
    EXPECT_EQ(SettingsValue(ini, "N14"), "0");
    EXPECT_EQ(SettingsValue(ini, "N9"), "1");
}

TEST(E2EFrame, CancelWritesNothingAndAFailedWriteKeepsTheProgramRunning) {
    Program p;
    const std::string old = "http://old.example/\r\n";
    kvtest::WriteBytes(p.Folder() + L"UrlsList.txt", old);
    ASSERT_TRUE(p.Start({L"c.example"}, 2));
    EXPECT_EQ(p.AskExit(IDCANCEL), L"真的要退出么?");
    Sleep(300);
    EXPECT_TRUE(p.Running());
    EXPECT_FALSE(kvtest::Exists(p.Work() + L"kvbr.ini"));
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""), old);
    EXPECT_EQ(p.Windows().size(), 2u);

    // The history file held open without sharing cannot be replaced.
    HANDLE held = CreateFileW((p.Folder() + L"UrlsList.txt").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(p.AskExit(IDOK), L"真的要退出么?");
    std::wstring report = p.Answer(L"KV浏览器", IDOK);
    CloseHandle(held);
    EXPECT_NE(report.find(L"UrlsList.txt"), std::wstring::npos) << Utf8(report);
    Sleep(300);
    EXPECT_TRUE(p.Running());
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""), old);
    EXPECT_FALSE(kvtest::Exists(p.Work() + L"kvbr.ini"));
    EXPECT_EQ(p.Windows().size(), 2u);

    // Nothing was lost: the next exit writes the whole history.
    p.AskExit(IDOK);
    DWORD code = 1;
    ASSERT_TRUE(p.WaitExit(code));
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""),
              kv::PartnerHomeUrl() + "\r\n" + old);
    EXPECT_TRUE(kvtest::Exists(p.Work() + L"kvbr.ini"));
}

} // namespace
