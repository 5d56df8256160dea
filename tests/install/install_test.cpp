// The installer, run silently the way a user's installation would go: install, start the
// installed program from its shortcut's folder, install again over it, uninstall. The cases
// run in this order and build on each other. The installer is given by KV_SETUP (a Windows
// path); scripts/test.sh runs this in a throwaway prefix of its own.
#include "win32/support/modal.h"
#include "win32/support/program_run.h"
#include "win32/support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using kvtest::kStartMs;
using kvtest::kStepMs;
using kvtest::ReadBytes;
using kvtest::WaitFor;
using Microsoft::WRL::ComPtr;

const wchar_t* const kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVBrowser";

std::wstring Folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    EXPECT_EQ(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
    return path;
}

std::wstring InstallFolder() {
    return Folder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\KVBrowser\\";
}

std::wstring Shortcut() {
    return Folder(CSIDL_PROGRAMS) + L"\\KV浏览器.lnk";
}

std::wstring InstallerPath() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"KV_SETUP", path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? path : L"";
}

// Runs a command line and waits for it; returns its exit code, or -1.
long RunAndWait(const std::wstring& cmd, DWORD ms) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> line(cmd.begin(), cmd.end());
    line.push_back(L'\0');
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        return -1;
    }
    long code = -1;
    if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) {
        DWORD c = 0;
        GetExitCodeProcess(pi.hProcess, &c);
        code = static_cast<long>(c);
    } else {
        TerminateProcess(pi.hProcess, 99);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return code;
}

// Names in a folder, sorted, without "." and "..".
std::vector<std::wstring> Listing(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        std::wstring n = fd.cFileName;
        if (n != L"." && n != L"..") {
            names.push_back(n);
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

const wchar_t* const kEmulationKey =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

// The document mode value under the program's name, or -1 when there is none.
long DocumentMode() {
    DWORD mode = 0;
    DWORD size = sizeof(mode);
    if (RegGetValueW(HKEY_CURRENT_USER, kEmulationKey, L"kvbr.exe", RRF_RT_REG_DWORD, nullptr,
                     &mode, &size) != ERROR_SUCCESS) {
        return -1;
    }
    return static_cast<long>(mode);
}

void SetDocumentMode(DWORD mode) {
    EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kEmulationKey, L"kvbr.exe", REG_DWORD, &mode,
                              sizeof(mode)),
              ERROR_SUCCESS);
}

void RemoveDocumentMode() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kEmulationKey, L"kvbr.exe");
}

// Any key of the program's maker left in the user's registry.
bool MakersKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Quelmar", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

long EstimatedSize() {
    DWORD size = 0;
    DWORD bytes = sizeof(size);
    if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, L"EstimatedSize", RRF_RT_REG_DWORD, nullptr,
                     &size, &bytes) != ERROR_SUCCESS) {
        return -1;
    }
    return static_cast<long>(size);
}

std::wstring RegText(const wchar_t* name) {
    wchar_t buf[MAX_PATH] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS) {
        return L"(absent)";
    }
    return buf;
}

struct Link {
    std::wstring target, workingFolder;
};

Link ReadShortcut(const std::wstring& path) {
    Link link;
    ComPtr<IShellLinkW> shell;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&shell)))) {
        return link;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(shell.As(&file)) || FAILED(file->Load(path.c_str(), STGM_READ))) {
        return link;
    }
    wchar_t buf[MAX_PATH] = {};
    if (SUCCEEDED(shell->GetPath(buf, MAX_PATH, nullptr, 0))) {
        link.target = buf;
    }
    buf[0] = L'\0';
    if (SUCCEEDED(shell->GetWorkingDirectory(buf, MAX_PATH))) {
        link.workingFolder = buf;
    }
    return link;
}

// Folder names compared the platform's way: letter case and a trailing separator do not count.
bool SameFolder(std::wstring a, std::wstring b) {
    for (auto* s : {&a, &b}) {
        if (!s->empty() && s->back() == L'\\') {
            s->pop_back();
        }
    }
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The installed program started as its shortcut starts it; waits for its frame and first
// window, then answers the exit question.
void RunInstalledProgramOnce(const std::wstring& exe, const std::wstring& workingFolder) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"";
    std::vector<wchar_t> line(cmd.begin(), cmd.end());
    line.push_back(L'\0');
    ASSERT_TRUE(CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               workingFolder.c_str(), &si, &pi));
    HWND frame = nullptr;
    auto frameUp = [&] {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, L"tkMDIFrame", nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            HWND client = FindWindowExW(w, nullptr, L"MDIClient", nullptr);
            if (pid == pi.dwProcessId && client != nullptr &&
                FindWindowExW(client, nullptr, L"tkMDIChild", nullptr) != nullptr) {
                frame = w;
                return true;
            }
        }
        return false;
    };
    bool up = WaitFor(frameUp, kStartMs);
    EXPECT_TRUE(up);
    if (up) {
        // The first window may already be in the title (" - [KV-1]"), or not yet.
        EXPECT_EQ(kvtest::Text(frame).rfind(L"Quelmar浏览器V3.4", 0), 0u) << kvtest::Text(frame);
        EXPECT_TRUE(IsWindowVisible(frame));
        PostMessageW(frame, WM_CLOSE, 0, 0);
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = kvtest::FindDialog(L"Quelmar浏览器")) != nullptr; },
                            kStepMs));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    }
    DWORD code = 99;
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, kStepMs), WAIT_OBJECT_0);
    GetExitCodeProcess(pi.hProcess, &code);
    if (code == STILL_ACTIVE) {
        TerminateProcess(pi.hProcess, 99);
    }
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

const char* const kHistory = "http://user.example/page\r\nhttp://www.baidu.com/s?tn=trevox_pg\r\n";
const char* const kSites = "新浪:http://www.sina.com.cn\r\n";

TEST(Installer, SilentInstallPutsProgramShortcutAndUninstallerInPlace) {
    ASSERT_FALSE(InstallerPath().empty()) << "KV_SETUP names no installer";
    ASSERT_TRUE(kvtest::Exists(InstallerPath()));
    ASSERT_FALSE(kvtest::Exists(InstallFolder())) << "the prefix is not a fresh one";

    EXPECT_EQ(RunAndWait(L"\"" + InstallerPath() + L"\" /S", 60000), 0);

    EXPECT_EQ(Listing(InstallFolder()), (std::vector<std::wstring>{L"kvbr.exe", L"uninstall.exe"}));
    ASSERT_TRUE(kvtest::Exists(Shortcut()));
    Link link = ReadShortcut(Shortcut());
    EXPECT_TRUE(SameFolder(link.target, InstallFolder() + L"kvbr.exe"))
        << kvtest::Utf8(link.target);
    EXPECT_TRUE(SameFolder(link.workingFolder, InstallFolder()))
        << kvtest::Utf8(link.workingFolder);
    EXPECT_EQ(RegText(L"DisplayName"), L"KV浏览器");
    EXPECT_EQ(RegText(L"DisplayVersion"), L"3.4");
    EXPECT_TRUE(SameFolder(RegText(L"InstallLocation"), InstallFolder()));
    // The program files' size in KB, as the Apps list shows it.
    long long bytes =
        FileSize(InstallFolder() + L"kvbr.exe") + FileSize(InstallFolder() + L"uninstall.exe");
    EXPECT_NEAR(EstimatedSize(), bytes / 1024, 1) << bytes;
}

TEST(Installer, InstalledProgramRunsAndReinstallKeepsTheUsersFiles) {
    std::wstring dir = InstallFolder();
    ASSERT_TRUE(kvtest::Exists(dir + L"kvbr.exe"));
    Link link = ReadShortcut(Shortcut());
    ASSERT_FALSE(link.workingFolder.empty());

    RunInstalledProgramOnce(dir + L"kvbr.exe", link.workingFolder);
    // The history beside the program and the settings in the shortcut's working folder: both
    // in the install folder, which the user can write to.
    EXPECT_EQ(ReadBytes(dir + L"UrlsList.txt").value_or("(missing)"),
              "http://www.baidu.com/s?tn=trevox_pg\r\n");
    EXPECT_EQ(DocumentMode(), 11001);
    std::string ini = ReadBytes(dir + L"kvbr.ini").value_or("(missing)");
    EXPECT_NE(ini.find("\r\nN10=1\r\n"), std::string::npos) << ini;

    kvtest::WriteBytes(dir + L"UrlsList.txt", kHistory);
    kvtest::WriteBytes(dir + L"newslist.txt", kSites);
    EXPECT_EQ(RunAndWait(L"\"" + InstallerPath() + L"\" /S", 60000), 0);
    EXPECT_EQ(ReadBytes(dir + L"UrlsList.txt").value_or("(missing)"), kHistory);
    EXPECT_EQ(ReadBytes(dir + L"newslist.txt").value_or("(missing)"), kSites);
    EXPECT_EQ(ReadBytes(dir + L"kvbr.ini").value_or("(missing)"), ini);
    EXPECT_EQ(Listing(dir),
              (std::vector<std::wstring>{L"UrlsList.txt", L"kvbr.exe", L"kvbr.ini", L"kvbr.session",
                                         L"newslist.txt", L"uninstall.exe"}));
    // The program still starts over its own kept files.
    RunInstalledProgramOnce(dir + L"kvbr.exe", link.workingFolder);
    EXPECT_EQ(ReadBytes(dir + L"UrlsList.txt").value_or("(missing)"), kHistory);
}

TEST(Installer, SilentUninstallLeavesOnlyTheUsersFiles) {
    std::wstring dir = InstallFolder();
    ASSERT_TRUE(kvtest::Exists(dir + L"uninstall.exe"));
    // The uninstaller hands over to a copy of itself in the temporary folder and returns.
    EXPECT_EQ(RunAndWait(L"\"" + dir + L"uninstall.exe\" /S", 60000), 0);
    auto finished = [&] {
        return !kvtest::Exists(dir + L"uninstall.exe") && !kvtest::Exists(Shortcut()) &&
               RegText(L"DisplayName") == L"(absent)";
    };
    EXPECT_TRUE(WaitFor(finished, 30000));
    EXPECT_EQ(Listing(dir), (std::vector<std::wstring>{L"UrlsList.txt", L"kvbr.ini",
                                                       L"kvbr.session", L"newslist.txt"}));
    EXPECT_EQ(ReadBytes(dir + L"UrlsList.txt").value_or("(missing)"), kHistory);
    EXPECT_FALSE(kvtest::Exists(Shortcut()));
    // The document mode the program set for itself goes with it, and so does its note of it.
    EXPECT_EQ(DocumentMode(), -1);
    EXPECT_FALSE(MakersKeyExists());
}

TEST(Installer, UninstallKeepsADocumentModeTheUserChose) {
    struct Case {
        const char* name;
        DWORD before; // set by the user before the program's first start (0: none)
        DWORD after;  // set by the user after the program has run (0: none)
        long kept;    // under the program's name after the uninstall
    };
    const Case cases[] = {
        {"the newest mode, set before the first start", 11001, 0, 11001},
        {"another mode, set after the program wrote its own", 0, 10000, 10000},
        {"the program's own value", 0, 0, -1},
    };
    std::wstring dir = InstallFolder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveDocumentMode();
        ASSERT_EQ(RunAndWait(L"\"" + InstallerPath() + L"\" /S", 60000), 0);
        ASSERT_TRUE(kvtest::Exists(dir + L"uninstall.exe"));
        if (c.before != 0) {
            SetDocumentMode(c.before);
        }
        RunInstalledProgramOnce(dir + L"kvbr.exe", dir);
        EXPECT_EQ(DocumentMode(), c.before != 0 ? static_cast<long>(c.before) : 11001);
        if (c.after != 0) {
            SetDocumentMode(c.after);
        }
        // Run in place ("_?=" and the folder, last and unquoted) the uninstaller returns only
        // once it has finished; it cannot remove itself then.
        std::wstring folder = dir.substr(0, dir.size() - 1);
        EXPECT_EQ(RunAndWait(L"\"" + dir + L"uninstall.exe\" /S _?=" + folder, 60000), 0);
        EXPECT_EQ(DocumentMode(), c.kept);
        EXPECT_TRUE(DeleteFileW((dir + L"uninstall.exe").c_str()));
        EXPECT_FALSE(MakersKeyExists());
        EXPECT_EQ(Listing(dir), (std::vector<std::wstring>{L"UrlsList.txt", L"kvbr.ini",
                                                           L"kvbr.session", L"newslist.txt"}));
    }
    RemoveDocumentMode();
}

} // namespace
