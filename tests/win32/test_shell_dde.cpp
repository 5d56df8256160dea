// The shell's folder and HTML-file DDE conversations with real DDE messages and atoms: names
// from the registry, initiation, executes that navigate the host (the stand-in engine records
// them), item lists from shared memory and from addresses, errors, and requests from another
// thread.
#include "host/embedded_browser.h"
#include "host/shell_dde.h"
#include "engine_stub/engine_stub.h"
#include "win32/support/dialog_box.h"
#include "win32/support/engines.h"
#include "win32/support/modal.h"
#include "win32/support/parent_window.h"
#include "win32/support/pump.h"

#include <gtest/gtest.h>

#include <dde.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

// A default value under HKEY_CLASSES_ROOT for the time of the tests. The prefix is shared
// with the other test programs: what was created is removed, what was there is restored.
class ScopedClassValue {
public:
    ScopedClassValue(const std::wstring& path, const std::wstring& value) : path_(path) {
        size_t at = 0;
        for (;;) {
            size_t slash = path.find(L'\\', at);
            std::wstring prefix = path.substr(0, slash);
            HKEY k = nullptr;
            if (RegOpenKeyExW(HKEY_CLASSES_ROOT, prefix.c_str(), 0, KEY_READ, &k) !=
                ERROR_SUCCESS) {
                created_ = prefix;
                break;
            }
            RegCloseKey(k);
            if (slash == std::wstring::npos) {
                break;
            }
            at = slash + 1;
        }
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0,
                                  KEY_READ | KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (created_.empty()) {
            wchar_t old[1024];
            DWORD size = sizeof(old);
            DWORD type = 0;
            if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(old),
                                 &size) == ERROR_SUCCESS &&
                type == REG_SZ) {
                old_ = std::wstring(old, size / sizeof(wchar_t));
                if (!old_->empty() && old_->back() == L'\0') {
                    old_->pop_back();
                }
            }
        }
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    ~ScopedClassValue() {
        if (!created_.empty()) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, created_.c_str());
            return;
        }
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path_.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) {
            return;
        }
        if (old_) {
            RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(old_->c_str()),
                           static_cast<DWORD>((old_->size() + 1) * sizeof(wchar_t)));
        } else {
            RegDeleteValueW(key, nullptr);
        }
        RegCloseKey(key);
    }
    ScopedClassValue(const ScopedClassValue&) = delete;
    ScopedClassValue& operator=(const ScopedClassValue&) = delete;

private:
    std::wstring path_;
    std::wstring created_; // topmost key this object created
    std::optional<std::wstring> old_;
};

std::vector<std::unique_ptr<ScopedClassValue>>& Registry() {
    static std::vector<std::unique_ptr<ScopedClassValue>> values;
    return values;
}

// What a DDE client window received.
struct Received {
    UINT msg = 0;
    HWND from = nullptr;
    UINT_PTR lo = 0; // atoms of an initiation's answer; status word of an execute's answer
    UINT_PTR hi = 0; // command handle of an execute's answer
    LPARAM raw = 0;
};

// A DDE client window of the calling thread, as the shell's view would create.
class Client {
public:
    // An ANSI client window sends its commands in the ANSI code page.
    explicit Client(bool ansi = false) : ansi_(ansi) {
        static ATOM wide = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"KvDdeTestClient";
            return RegisterClassW(&wc);
        }();
        static ATOM narrow = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = "KvDdeTestClientA";
            return RegisterClassA(&wc);
        }();
        (void)wide;
        (void)narrow;
        hwnd = ansi ? CreateWindowExA(0, "KvDdeTestClientA", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr)
                    : CreateWindowExW(0, L"KvDdeTestClient", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Client() { DestroyWindow(hwnd); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Broadcasts WM_DDE_INITIATE as the shell does; the windows that answered.
    std::vector<HWND> Initiate(const wchar_t* app, const wchar_t* topic) {
        ATOM a = app != nullptr ? GlobalAddAtomW(app) : 0;
        ATOM t = topic != nullptr ? GlobalAddAtomW(topic) : 0;
        got.clear();
        DWORD_PTR unused = 0;
        SendMessageTimeoutW(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(hwnd),
                            MAKELPARAM(a, t), SMTO_ABORTIFHUNG, 2000, &unused);
        std::vector<HWND> answers;
        for (const Received& r : got) {
            if (r.msg == WM_DDE_ACK) {
                EXPECT_EQ(LOWORD(r.raw), a);
                EXPECT_EQ(HIWORD(r.raw), t);
                answers.push_back(r.from);
            }
        }
        if (a != 0) {
            GlobalDeleteAtom(a);
        }
        if (t != 0) {
            GlobalDeleteAtom(t);
        }
        return answers;
    }

    // Posts a Unicode execute to the server; the status word of its answer, none when no
    // answer came within the wait.
    std::optional<UINT_PTR> Execute(HWND server, const std::wstring& command, DWORD waitMs = 2000) {
        std::string bytes;
        if (ansi_) {
            int n =
                WideCharToMultiByte(CP_ACP, 0, command.c_str(), -1, nullptr, 0, nullptr, nullptr);
            bytes.resize(static_cast<size_t>(n));
            WideCharToMultiByte(CP_ACP, 0, command.c_str(), -1, bytes.data(), n, nullptr, nullptr);
        } else {
            bytes.assign(reinterpret_cast<const char*>(command.c_str()), (command.size() + 1) * 2);
        }
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes.size());
        std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
        GlobalUnlock(h);
        got.clear();
        PostMessageW(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(hwnd),
                     reinterpret_cast<LPARAM>(h));
        auto ack = [&]() -> const Received* {
            for (const Received& r : got) {
                if (r.msg == WM_DDE_ACK) {
                    return &r;
                }
            }
            return nullptr;
        };
        kvtest::PumpUntil([&] { return ack() != nullptr; }, waitMs);
        std::optional<UINT_PTR> status;
        if (const Received* r = ack()) {
            EXPECT_EQ(r->from, server);
            EXPECT_EQ(reinterpret_cast<HGLOBAL>(r->hi), h);
            status = r->lo;
        }
        GlobalFree(h);
        return status;
    }

    HWND hwnd = nullptr;
    std::vector<Received> got;

private:
    bool ansi_ = false;
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Client*>(GetWindowLongPtrW(w, GWLP_USERDATA));
        if (self != nullptr && (msg == WM_DDE_ACK || msg == WM_DDE_TERMINATE)) {
            Received r;
            r.msg = msg;
            r.from = reinterpret_cast<HWND>(wParam);
            r.raw = lParam;
            if (msg == WM_DDE_ACK && !InSendMessage()) { // an execute's answer is posted
                UnpackDDElParam(WM_DDE_ACK, lParam, &r.lo, &r.hi);
                FreeDDElParam(WM_DDE_ACK, lParam);
            }
            self->got.push_back(r);
            return 0;
        }
        return IsWindowUnicode(w) ? DefWindowProcW(w, msg, wParam, lParam)
                                  : DefWindowProcA(w, msg, wParam, lParam);
    }
};

// Shell shared memory, as the shell hands item lists to another window.
using AllocSharedFn = HANDLE(WINAPI*)(const void*, DWORD, DWORD);
using LockSharedFn = void*(WINAPI*)(HANDLE, DWORD);
using UnlockSharedFn = BOOL(WINAPI*)(void*);
template <class F> F Shell32(int ordinal) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryW(L"shell32.dll"), MAKEINTRESOURCEA(ordinal))));
}

// One item of 6 bytes and the closing zero count.
const std::vector<BYTE> kList{0x06, 0x00, 'K', 'V', 0x00, 0x01, 0x00, 0x00};

class ShellDdeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        auto& r = Registry();
        r.push_back(std::make_unique<ScopedClassValue>(L"htmlfile\\shell\\open\\ddeexec",
                                                       L"\"file:%1\",,-1,,,,,"));
        r.push_back(std::make_unique<ScopedClassValue>(
            L"htmlfile\\shell\\open\\ddeexec\\application", L"KvTestHtml"));
        r.push_back(std::make_unique<ScopedClassValue>(L"htmlfile\\shell\\open\\ddeexec\\topic",
                                                       L"WWW_OpenURL"));
        r.push_back(std::make_unique<ScopedClassValue>(L"Folder\\shell\\open\\ddeexec\\application",
                                                       L"Folders"));
        r.push_back(std::make_unique<ScopedClassValue>(L"Folder\\shell\\open\\ddeexec\\topic",
                                                       L"AppProperties"));
        r.push_back(std::make_unique<ScopedClassValue>(L"Folder\\shell\\explore\\ddeexec",
                                                       L"[ExploreFolder(%l, %I, %S)]"));
        r.push_back(std::make_unique<ScopedClassValue>(L"Directory\\shell\\find\\ddeexec",
                                                       L"[FindFolder(%l, %I)]"));
    }
    static void TearDownTestSuite() {
        auto& r = Registry();
        while (!r.empty()) {
            r.pop_back();
        }
    }

    void SetUp() override {
        stub::ClearPages();
        kvtest::ResetModals();
        host_ = std::make_unique<host::TEmbeddedBrowser>();
        host_->SetParent(parent_.get());
        host_->SetBounds(0, 0, 300, 200);
        control_ = host_->Handle();
        engine_ = kvtest::EngineOf(host_->DefaultInterface());
        ASSERT_NE(engine_, nullptr);
        // Every test starts in a folder conversation.
        ASSERT_EQ(client_.Initiate(L"Folders", L"AppProperties"), std::vector<HWND>{control_});
        ASSERT_FALSE(host::DdeConversationKind());
    }
    void TearDown() override {
        host_.reset();
        EXPECT_EQ(kvtest::PendingModals(), 0u);
    }

    size_t NavigationCount() const { return engine_->Navigations().size(); }
    std::wstring LastUrl() const {
        auto n = engine_->Navigations();
        return n.empty() ? L"" : n.back().url;
    }
    std::vector<BYTE> LastBytes() const {
        auto n = engine_->Navigations();
        return n.empty() ? std::vector<BYTE>{} : n.back().bytes;
    }

    stub::ScopedRegistration registration_;
    kvtest::ParentWindow parent_;
    std::unique_ptr<host::TEmbeddedBrowser> host_;
    HWND control_ = nullptr;
    stub::Engine* engine_ = nullptr;
    Client client_;
};

TEST_F(ShellDdeTest, NamesReadFromTheRegistryWhenAHostIsMade) {
    const host::ShellDdeConfig& c = host::CurrentShellDdeConfig();
    EXPECT_EQ(c.HtmlFileApplication, L"KvTestHtml");
    EXPECT_EQ(c.HtmlFileTopic, L"WWW_OpenURL");
    EXPECT_EQ(c.FolderApplication, L"Folders");
    EXPECT_EQ(c.FolderTopic, L"AppProperties");
    EXPECT_EQ(c.OpenCommand, L"ViewFolder"); // Wine's own "[ViewFolder(%l, %I, %S)]"
    EXPECT_EQ(c.ExploreCommand, L"ExploreFolder");
    EXPECT_EQ(c.FindCommand, L"FindFolder");

    host::ClearShellDdeConfig();
    EXPECT_EQ(host::CurrentShellDdeConfig().FolderApplication, L"");
    EXPECT_EQ(host::CurrentShellDdeConfig().OpenCommand, L"");
    {
        ScopedClassValue other(L"Folder\\shell\\open\\ddeexec\\topic", L"OtherTopic");
        host::TEmbeddedBrowser second;
        EXPECT_EQ(host::CurrentShellDdeConfig().FolderTopic, L"OtherTopic");
        EXPECT_EQ(host::CurrentShellDdeConfig().OpenCommand, L"ViewFolder");
    }
    host::TEmbeddedBrowser third;
    EXPECT_EQ(host::CurrentShellDdeConfig().FolderTopic, L"AppProperties");
}

TEST_F(ShellDdeTest, InitiationAnsweredOnlyForTheDeclaredPairs) {
    // Atoms compare without regard to letter case.
    EXPECT_EQ(client_.Initiate(L"FOLDERS", L"appproperties"), std::vector<HWND>{control_});
    // An unknown application is matched against the folder pair: never answered.
    EXPECT_TRUE(client_.Initiate(L"Explorer", L"AppProperties").empty());
    EXPECT_TRUE(client_.Initiate(L"Folders", L"System").empty());
    EXPECT_TRUE(client_.Initiate(nullptr, nullptr).empty());
    EXPECT_TRUE(client_.Initiate(L"KvTestHtml", L"AppProperties").empty());
    // Unanswered initiations leave the conversation kind alone.
    EXPECT_FALSE(host::DdeConversationKind());
    EXPECT_EQ(client_.Initiate(L"KvTestHtml", L"WWW_OpenURL"), std::vector<HWND>{control_});
    EXPECT_TRUE(host::DdeConversationKind());
    EXPECT_TRUE(client_.Initiate(L"Explorer", L"AppProperties").empty());
    EXPECT_TRUE(host::DdeConversationKind());

    // Each host answers.
    host::TEmbeddedBrowser second;
    second.SetParent(parent_.get());
    // No answer before its control window exists.
    EXPECT_EQ(client_.Initiate(L"Folders", L"AppProperties"), std::vector<HWND>{control_});
    second.SetBounds(300, 0, 300, 200);
    HWND secondControl = second.Handle();
    std::vector<HWND> both = client_.Initiate(L"Folders", L"AppProperties");
    EXPECT_EQ(both.size(), 2u);
    EXPECT_NE(std::find(both.begin(), both.end(), secondControl), both.end());
    EXPECT_FALSE(host::DdeConversationKind());

    // Not while the host's DDE is switched off.
    host_->DisableErrors.EnableDDE = false;
    second.DisableErrors.EnableDDE = false;
    EXPECT_TRUE(client_.Initiate(L"Folders", L"AppProperties").empty());
}

TEST_F(ShellDdeTest, HtmlFileConversationNavigatesToTheUnquotedText) {
    ASSERT_EQ(client_.Initiate(L"KvTestHtml", L"WWW_OpenURL"), std::vector<HWND>{control_});
    EXPECT_EQ(client_.Execute(control_, L"\"file:///C:/pages/a b.htm\",,-1,,,,,"), 1u);
    EXPECT_EQ(LastUrl(), L"file:///C:/pages/a b.htm");
    // Folder commands are read as addresses in this conversation.
    EXPECT_EQ(client_.Execute(control_, L"[ViewFolder(\"C:\\x\", 0, 1)]"), 1u);
    EXPECT_EQ(LastUrl(), L"[ViewFolder(\"C:\\x\", 0, 1)]");
}

TEST_F(ShellDdeTest, AnsiClientsCommandIsReadInTheAnsiCodePage) {
    Client ansi(true);
    ASSERT_FALSE(IsWindowUnicode(ansi.hwnd));
    ASSERT_EQ(ansi.Initiate(L"Folders", L"AppProperties"), std::vector<HWND>{control_});
    EXPECT_EQ(ansi.Execute(control_, L"[ViewFolder(\"C:\\ansi dir\", 0, 1)]"), 1u);
    EXPECT_EQ(LastUrl(), L"C:\\ansi dir");
}

TEST_F(ShellDdeTest, OpenWithPathNavigatesToThePathAndIgnoresTheItemList) {
    DWORD pid = GetCurrentProcessId();
    HANDLE shared = Shell32<AllocSharedFn>(520)(kList.data(), 8, pid);
    ASSERT_NE(shared, nullptr);
    size_t before = NavigationCount();
    std::wstring command = L"[ViewFolder(\"C:\\windows\", :" +
                           std::to_wstring(reinterpret_cast<uintptr_t>(shared)) + L":" +
                           std::to_wstring(pid) + L", 1)]";
    EXPECT_EQ(client_.Execute(control_, command), 1u);
    ASSERT_EQ(NavigationCount(), before + 1);
    EXPECT_EQ(engine_->Navigations().back().urlType, VT_BSTR);
    EXPECT_EQ(LastUrl(), L"C:\\windows");
    // The shared block was released, as the shell expects of the receiver.
    EXPECT_EQ(Shell32<LockSharedFn>(521)(shared, pid), nullptr);
}

TEST_F(ShellDdeTest, OpenWithEmptyPathNavigatesToTheSharedItemList) {
    DWORD pid = GetCurrentProcessId();
    HANDLE shared = Shell32<AllocSharedFn>(520)(kList.data(), 8, pid);
    ASSERT_NE(shared, nullptr);
    std::wstring command = L"[ViewFolder(\"\", :" +
                           std::to_wstring(reinterpret_cast<uintptr_t>(shared)) + L":" +
                           std::to_wstring(pid) + L", 1)]";
    EXPECT_EQ(client_.Execute(control_, command), 1u);
    EXPECT_EQ(engine_->Navigations().back().urlType, VT_ARRAY | VT_UI1);
    EXPECT_EQ(LastBytes(), kList);
    EXPECT_EQ(Shell32<LockSharedFn>(521)(shared, pid), nullptr);

    // A handle that does not lock gives no item list, and is still acknowledged.
    size_t before = NavigationCount();
    EXPECT_EQ(
        client_.Execute(control_, L"[ViewFolder(\"\", :4660:" + std::to_wstring(pid) + L", 1)]"),
        1u);
    EXPECT_EQ(NavigationCount(), before);
}

TEST_F(ShellDdeTest, OpenWithAnAddressInThisProcess) {
    using AllocFn = void*(WINAPI*)(DWORD);
    auto alloc = reinterpret_cast<AllocFn>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryW(L"comctl32.dll"), MAKEINTRESOURCEA(71))));
    ASSERT_NE(alloc, nullptr);
    void* list = alloc(8);
    std::memcpy(list, kList.data(), 8);
    EXPECT_EQ(client_.Execute(control_, L"[ViewFolder(\"\", " +
                                            std::to_wstring(reinterpret_cast<uintptr_t>(list)) +
                                            L", 1)]"),
              1u);
    EXPECT_EQ(LastBytes(), kList);
}

TEST_F(ShellDdeTest, BadAddressesGiveNoItemList) {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    const size_t page = si.dwPageSize;
    auto at = [](const void* p) { return std::to_wstring(reinterpret_cast<uintptr_t>(p)); };
    size_t before = NavigationCount();

    // Nothing mapped there.
    EXPECT_EQ(client_.Execute(control_, L"[ViewFolder(\"\", 1, 1)]"), 1u);
    // Reserved, not committed.
    BYTE* reserved = static_cast<BYTE*>(VirtualAlloc(nullptr, page, MEM_RESERVE, PAGE_NOACCESS));
    EXPECT_EQ(client_.Execute(control_, L"[ViewFolder(\"\", " + at(reserved) + L", 1)]"), 1u);
    // An item that runs on into a page that cannot be read.
    BYTE* two = static_cast<BYTE*>(VirtualAlloc(nullptr, 2 * page, MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(two + page, page, PAGE_NOACCESS, &old));
    BYTE* tail = two + page - 4;
    tail[0] = 0x10; // 16 bytes: the item ends inside the unreadable page
    tail[1] = 0x00;
    EXPECT_EQ(client_.Execute(control_, L"[ViewFolder(\"\", " + at(tail) + L", 1)]"), 1u);
    // A count of 1 is not a list.
    two[0] = 0x01;
    two[1] = 0x00;
    two[2] = 0x00;
    EXPECT_EQ(client_.Execute(control_, L"[ViewFolder(\"\", " + at(two) + L", 1)]"), 1u);
    // A guard page is not touched (touching it would clear the guard).
    BYTE* guard =
        static_cast<BYTE*>(VirtualAlloc(nullptr, page, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD));
    EXPECT_EQ(client_.Execute(control_, L"[ViewFolder(\"\", " + at(guard) + L", 1)]"), 1u);
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(guard, &info, sizeof(info));
    EXPECT_NE(info.Protect & PAGE_GUARD, 0u);

    EXPECT_EQ(NavigationCount(), before);
    // The readable page still holds what the test wrote: nothing was freed into it.
    EXPECT_EQ(tail[0], 0x10);
    VirtualFree(reserved, 0, MEM_RELEASE);
    VirtualFree(two, 0, MEM_RELEASE);
    VirtualFree(guard, 0, MEM_RELEASE);
}

TEST_F(ShellDdeTest, LoneSignReportsAConversionErrorAndIsNotAcknowledged) {
    kvtest::ExpectModal(IDOK, L"'-' is not a valid integer value");
    size_t before = NavigationCount();
    EXPECT_EQ(client_.Execute(control_, L"[ViewFolder(\"C:\\windows\", -, 1)]", 500), std::nullopt);
    EXPECT_EQ(NavigationCount(), before);
    ASSERT_EQ(kvtest::SeenModals().size(), 1u);
}

TEST_F(ShellDdeTest, UnknownCommandAcknowledgedWithZeroAndTerminateAnswered) {
    size_t before = NavigationCount();
    EXPECT_EQ(client_.Execute(control_, L"[OpenFolder(\"C:\\windows\", 0, 1)]"), 0u);
    EXPECT_EQ(client_.Execute(control_, L""), 0u);
    EXPECT_EQ(NavigationCount(), before);

    client_.got.clear();
    PostMessageW(control_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client_.hwnd), 0);
    ASSERT_TRUE(kvtest::PumpUntil([&] { return !client_.got.empty(); }, 2000));
    EXPECT_EQ(client_.got[0].msg, static_cast<UINT>(WM_DDE_TERMINATE));
    EXPECT_EQ(client_.got[0].from, control_);
    EXPECT_EQ(client_.got[0].raw, 0);
}

TEST_F(ShellDdeTest, RequestsFromAnotherThreadAreIgnored) {
    size_t before = NavigationCount();
    std::vector<HWND> answers;
    std::vector<Received> later;
    bool done = false;
    std::thread other([&] {
        Client c;
        answers = c.Initiate(L"Folders", L"AppProperties");
        std::wstring command = L"[ViewFolder(\"C:\\other\", 0, 1)]";
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, (command.size() + 1) * 2);
        std::memcpy(GlobalLock(h), command.c_str(), (command.size() + 1) * 2);
        GlobalUnlock(h);
        PostMessageW(control_, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(c.hwnd),
                     reinterpret_cast<LPARAM>(h));
        PostMessageW(control_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(c.hwnd), 0);
        ULONGLONG end = GetTickCount64() + 700;
        MSG m;
        while (GetTickCount64() < end) {
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&m);
            }
            Sleep(10);
        }
        later = c.got;
        GlobalFree(h);
        done = true;
    });
    kvtest::PumpUntil([&] { return done; }, 5000);
    other.join();
    EXPECT_TRUE(answers.empty());
    EXPECT_TRUE(later.empty());
    EXPECT_EQ(NavigationCount(), before);
}

// Processes started by this one and still running.
size_t ChildProcesses() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W e{};
    e.dwSize = sizeof(e);
    size_t n = 0;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) {
        n += e.th32ParentProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    CloseHandle(snap);
    return n;
}

HWND ThreadWindowOfClass(const wchar_t* cls) {
    struct Find {
        const wchar_t* cls;
        HWND found;
    } find{cls, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Find*>(p);
            wchar_t name[64] = {};
            GetClassNameW(w, name, 64);
            if (lstrcmpW(name, f->cls) == 0) {
                f->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

TEST_F(ShellDdeTest, RequestsForgedByAnotherProcessAreIgnored) {
    using AllocFn = void*(WINAPI*)(DWORD);
    auto alloc = reinterpret_cast<AllocFn>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryW(L"comctl32.dll"), MAKEINTRESOURCEA(71))));
    ASSERT_NE(alloc, nullptr);
    void* list = alloc(8);
    std::memcpy(list, kList.data(), 8);
    HWND ddeWindow = ThreadWindowOfClass(L"KvShellDdeWindow");
    ASSERT_NE(ddeWindow, nullptr);
    auto number = [](const void* p) { return std::to_wstring(reinterpret_cast<uintptr_t>(p)); };
    struct Case {
        const char* name;
        HWND sender; // null: a window of the forging process
    } cases[] = {{"frame", parent_.get()}, {"DDE window", ddeWindow}, {"its own", nullptr}};
    size_t children = ChildProcesses();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        size_t before = NavigationCount();
        wchar_t exe[MAX_PATH];
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring path(exe);
        path = path.substr(0, path.find_last_of(L'\\') + 1) + L"dde_forger.exe";
        std::wstring line = L"\"" + path + L"\" " + number(control_) + L" " + number(ddeWindow) +
                            L" " + number(list) + L" " + number(c.sender);
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi));
        ASSERT_TRUE(kvtest::PumpUntil(
            [&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 20000));
        kvtest::PumpUntil([] { return false; }, 300); // whatever was posted is handled
        DWORD answers = 99;
        GetExitCodeProcess(pi.hProcess, &answers);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        EXPECT_EQ(answers, 0u);
        EXPECT_EQ(NavigationCount(), before);
        EXPECT_EQ(ChildProcesses(), children);
        EXPECT_TRUE(kvtest::SeenModals().empty());
        EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, list)) << "the block was freed";
    }
    EXPECT_EQ(std::memcmp(list, kList.data(), 8), 0);
    // The conversation of this thread's client still works.
    EXPECT_EQ(client_.Execute(control_, L"[ViewFolder(\"C:\\kept\", 0, 1)]"), 1u);
    EXPECT_EQ(LastUrl(), L"C:\\kept");
}

TEST_F(ShellDdeTest, ExecutesOutsideAConversationAndAfterItsEndAreIgnored) {
    Client stranger;
    size_t before = NavigationCount();
    EXPECT_EQ(stranger.Execute(control_, L"[ViewFolder(\"C:\\x\", 0, 1)]", 300), std::nullopt);
    // A posted initiation is no initiation.
    ATOM a = GlobalAddAtomW(L"Folders"), t = GlobalAddAtomW(L"AppProperties");
    PostMessageW(ThreadWindowOfClass(L"KvShellDdeWindow"), WM_DDE_INITIATE,
                 reinterpret_cast<WPARAM>(stranger.hwnd), MAKELPARAM(a, t));
    kvtest::PumpUntil([] { return false; }, 100);
    GlobalDeleteAtom(a);
    GlobalDeleteAtom(t);
    EXPECT_TRUE(stranger.got.empty());
    EXPECT_EQ(stranger.Execute(control_, L"[ViewFolder(\"C:\\x\", 0, 1)]", 300), std::nullopt);
    EXPECT_EQ(NavigationCount(), before);
    // After its terminate, the client's conversation is over.
    PostMessageW(control_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client_.hwnd), 0);
    kvtest::PumpUntil([&] { return !client_.got.empty(); }, 2000);
    EXPECT_EQ(client_.Execute(control_, L"[ViewFolder(\"C:\\x\", 0, 1)]", 300), std::nullopt);
    EXPECT_EQ(NavigationCount(), before);
}

// Stands in for the shell's own DDE server of the explore command: it answers the
// conversation the shell opens during the host's explore, and while it is asked, a folder
// initiation to the host must go unanswered.
struct ExploreSpy {
    static ExploreSpy*& Current() {
        static ExploreSpy* spy = nullptr;
        return spy;
    }
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
        ExploreSpy* self = Current();
        if (self == nullptr) {
            return DefWindowProcW(w, msg, wParam, lParam);
        }
        HWND client = reinterpret_cast<HWND>(wParam);
        if (msg == WM_DDE_INITIATE) {
            wchar_t name[64] = L"";
            GlobalGetAtomNameW(LOWORD(lParam), name, 64);
            if (std::wstring(name) == L"KvShellSpy") {
                self->busyDuringShell = host::DdeBusy();
                // A box the shell shows during the host's call is not the engine's.
                SetActiveWindow(self->boxOwner);
                HWND box = kvtest::MakeDialog(self->boxOwner, L"Shell error");
                wchar_t title[64] = {};
                GetWindowTextW(box, title, 64);
                self->boxTitle = title;
                DestroyWindow(box);
                Client probe;
                self->answersWhileBusy = probe.Initiate(L"Folders", L"AppProperties").size();
                SendMessageW(
                    client, WM_DDE_ACK, reinterpret_cast<WPARAM>(w),
                    MAKELPARAM(GlobalAddAtomW(L"KvShellSpy"), GlobalAddAtomW(L"AppProperties")));
            }
            return 0;
        }
        if (msg == WM_DDE_EXECUTE) {
            UINT_PTR lo = 0, hi = 0;
            UnpackDDElParam(WM_DDE_EXECUTE, lParam, &lo, &hi);
            auto* text = static_cast<const wchar_t*>(GlobalLock(reinterpret_cast<HGLOBAL>(hi)));
            self->executed = text != nullptr ? text : L"";
            GlobalUnlock(reinterpret_cast<HGLOBAL>(hi));
            PostMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(w),
                         ReuseDDElParam(lParam, WM_DDE_EXECUTE, WM_DDE_ACK, 0x8000, hi));
            return 0;
        }
        if (msg == WM_DDE_TERMINATE) {
            PostMessageW(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(w), 0);
            return 0;
        }
        return DefWindowProcW(w, msg, wParam, lParam);
    }
    bool busyDuringShell = false;
    HWND boxOwner = nullptr;
    std::wstring boxTitle;
    size_t answersWhileBusy = 99;
    std::wstring executed;
};

// Runs an execute while the spy serves the shell's DDE conversation of verbKey (a key such as
// "Folder\shell\explore"); the shell's own command there names a program that does not exist.
ExploreSpy RunWithShellSpy(Client& client, HWND control, const std::wstring& verbKey,
                           const std::wstring& execute, UINT_PTR expectedStatus) {
    ScopedClassValue command(verbKey + L"\\command", L"C:\\kv-missing\\shell.exe %1");
    ScopedClassValue dde(verbKey + L"\\ddeexec", L"[Spy(%l)]");
    ScopedClassValue app(verbKey + L"\\ddeexec\\application", L"KvShellSpy");
    ScopedClassValue topic(verbKey + L"\\ddeexec\\topic", L"AppProperties");
    static ATOM cls = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &ExploreSpy::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KvDdeExploreSpy";
        return RegisterClassW(&wc);
    }();
    (void)cls;
    ExploreSpy spy;
    spy.boxOwner = GetAncestor(control, GA_ROOT);
    ExploreSpy::Current() = &spy;
    HWND spyWindow = CreateWindowExW(0, L"KvDdeExploreSpy", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_EQ(client.Execute(control, execute, 10000), expectedStatus);
    DestroyWindow(spyWindow);
    ExploreSpy::Current() = nullptr;
    EXPECT_FALSE(host::DdeBusy());
    return spy;
}

TEST_F(ShellDdeTest, ExploreGoesToTheShellAndTheHostIsBusyMeanwhile) {
    // The explore command's own name is kept in the registry, so the shell's command differs.
    size_t before = NavigationCount();
    ExploreSpy spy = RunWithShellSpy(client_, control_, L"Folder\\shell\\explore",
                                     L"[ExploreFolder(\"C:\\windows\", 0, 1)]", 1);
    EXPECT_TRUE(spy.busyDuringShell);
    EXPECT_EQ(spy.answersWhileBusy, 0u);
    EXPECT_EQ(spy.executed, L"[Spy(C:\\windows)]");
    EXPECT_EQ(spy.boxTitle, L"Shell error");
    EXPECT_EQ(NavigationCount(), before);
    // Answered again once the shell has returned.
    EXPECT_EQ(client_.Initiate(L"Folders", L"AppProperties"), std::vector<HWND>{control_});
}

TEST_F(ShellDdeTest, ExploreAnItemListAndFind) {
    PIDLIST_ABSOLUTE windows = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_WINDOWS, &windows), S_OK);
    DWORD pid = GetCurrentProcessId();
    HANDLE shared = Shell32<AllocSharedFn>(520)(windows, ILGetSize(windows), pid);
    CoTaskMemFree(windows);
    ASSERT_NE(shared, nullptr);
    ExploreSpy spy = RunWithShellSpy(client_, control_, L"Folder\\shell\\explore",
                                     L"[ExploreFolder(\"\", :" +
                                         std::to_wstring(reinterpret_cast<uintptr_t>(shared)) +
                                         L":" + std::to_wstring(pid) + L", 1)]",
                                     1);
    EXPECT_TRUE(spy.busyDuringShell);
    EXPECT_EQ(spy.executed, L"[Spy(C:\\windows)]");
    EXPECT_EQ(Shell32<LockSharedFn>(521)(shared, pid), nullptr);

    // The host names no class for find; the shell takes a directory for a folder.
    spy = RunWithShellSpy(client_, control_, L"Folder\\shell\\find",
                          L"[FindFolder(\"C:\\windows\", 0)]", 1);
    EXPECT_TRUE(spy.busyDuringShell);
    EXPECT_EQ(spy.answersWhileBusy, 0u);
    EXPECT_EQ(spy.executed, L"[Spy(C:\\windows)]");
}

} // namespace
