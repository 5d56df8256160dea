// The real program with the stand-in engine registered as the platform's WebBrowser class:
// a page's pop-up request asked about or blocked, and addresses typed into a window's address
// box loaded, recorded and saved with the history at exit.
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

// One run of kvbr.exe from a program folder and working directory of its own.
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

    // Pages of the stand-in engine: url TAB title TAB flags, one a line.
    void SetPages(const std::string& lines) {
        kvtest::WriteBytes(folder_.Path() + L"pages.txt", lines);
    }

    bool Start(const std::vector<std::wstring>& args, size_t windows) {
        std::wstring cmd = L"\"" + exe_ + L"\"";
        for (const auto& a : args) {
            cmd += L" \"" + a + L"\"";
        }
        std::wstring log = work_.Path() + L"stub.log";
        SetEnvironmentVariableW(L"KVSTUB_LOG", log.c_str());
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

    // Waits for a box of the program with this caption, presses the button, returns its text.
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

    bool Exit() {
        PostMessageW(Frame(), WM_CLOSE, 0, 0);
        if (Answer(L"Quelmar浏览器", IDOK) == L"(no box)") {
            return false;
        }
        return WaitForSingleObject(pi_.hProcess, kStepMs) == WAIT_OBJECT_0;
    }

    // Lines of the stand-in's log (UTF-8), without the process id.
    std::vector<std::string> Log() const {
        std::vector<std::string> out;
        std::string all = kvtest::ReadBytes(work_.Path() + L"stub.log").value_or("");
        size_t at = 0;
        while (at < all.size()) {
            size_t end = all.find('\n', at);
            std::string line = all.substr(at, end == std::string::npos ? end : end - at);
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
    kvtest::TempFolder folder_{L"kvnave2e"};
    kvtest::TempFolder work_{L"kvnave2ew"};
    std::wstring exe_;
    PROCESS_INFORMATION pi_{};
};

// The edit part of a browser window's address box.
HWND AddressEdit(HWND window) {
    struct Find {
        HWND edit = nullptr;
    } f;
    EnumChildWindows(
        window,
        [](HWND w, LPARAM lp) -> BOOL {
            if (ClassOf(w) == L"ComboBox") {
                HWND edit = FindWindowExW(w, nullptr, L"Edit", nullptr);
                if (edit) {
                    reinterpret_cast<Find*>(lp)->edit = edit;
                    return FALSE;
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.edit;
}

std::wstring EditText(HWND edit) {
    wchar_t buf[1024] = {};
    SendMessageW(edit, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf));
    return buf;
}

void TypeAndEnter(HWND edit, const std::wstring& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
}

TEST(E2ENavigation, PopupIsAskedAboutAndOpensAWindowOnConsent) {
    Program p;
    p.SetPages("http://pop.example/\tPop\tpopup=http://child.example/\n");
    ASSERT_TRUE(p.Start({L"http://pop.example/"}, 2));
    EXPECT_EQ(p.Answer(L"弹出窗口", IDOK), L"允许弹出窗口么？");
    EXPECT_TRUE(WaitFor([&] { return p.Windows().size() == 3; }, kStepMs));
    EXPECT_TRUE(WaitFor([&] { return p.Logged("Navigate2 http://child.example/"); }, kStepMs));
    ASSERT_TRUE(p.Exit());
    // Neither the address from the command line nor the pop-up's page was entered by the user.
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""),
              kv::PartnerHomeUrl() + "\r\n");
}

TEST(E2ENavigation, BlockedPopupOpensNothingAndAsksNothing) {
    Program p;
    kvtest::WriteBytes(p.Work() + L"kvbr.ini", "TabTop=0\r\nTabLeft=0\r\nN10=1\r\nN14=1\r\n");
    p.SetPages("http://pop.example/\tPop\tpopup=http://child.example/\n");
    ASSERT_TRUE(p.Start({L"http://pop.example/"}, 2));
    // The stand-in logs each event it raises; 251 is the new-window request.
    ASSERT_TRUE(WaitFor([&] { return p.Logged("Event 251"); }, kStepMs));
    Sleep(500);
    EXPECT_EQ(kvtest::FindDialog(L"弹出窗口"), nullptr);
    EXPECT_EQ(p.Windows().size(), 2u);
    EXPECT_FALSE(p.Logged("Navigate2 http://child.example/"));
    ASSERT_TRUE(p.Exit());
}

TEST(E2ENavigation, TypedAddressesAreLoadedRecordedAndSaved) {
    Program p;
    ASSERT_TRUE(p.Start({}, 1));
    // The window exists before its controls do.
    HWND edit = nullptr;
    WaitFor([&] { return (edit = AddressEdit(p.Windows().front())) != nullptr; }, kStepMs);
    ASSERT_NE(edit, nullptr);
    const std::string search = kv::PartnerSearchPrefix() + "kvword";
    TypeAndEnter(edit, L"kvword");
    ASSERT_TRUE(WaitFor([&] { return p.Logged("Navigate2 " + search); }, kStepMs));
    // The finished load puts its address into the box; typing before that would be undone.
    std::wstring searchText(search.begin(), search.end());
    ASSERT_TRUE(WaitFor([&] { return EditText(edit) == searchText; }, kStepMs));
    TypeAndEnter(edit, L"news.example.org");
    ASSERT_TRUE(WaitFor([&] { return p.Logged("Navigate2 news.example.org"); }, kStepMs));
    ASSERT_TRUE(p.Exit());
    EXPECT_EQ(kvtest::ReadBytes(p.Folder() + L"UrlsList.txt").value_or(""),
              "news.example.org\r\n" + search + "\r\n" + kv::PartnerHomeUrl() + "\r\n");
}

} // namespace
