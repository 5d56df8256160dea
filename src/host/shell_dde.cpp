#include "host/shell_dde.h"

#include "host/core/dde_command.h"
#include "common/core/item_id_list.h"
#include "host/core/host_options.h"
#include "toolkit/dialogs.h"
#include "toolkit/error.h"
#include "toolkit/text.h"

#include <dde.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace host {
namespace {

ShellDdeConfig g_config;
bool g_conversationIsHtmlFile = false;
bool g_busy = false;

// An item list larger than this is not a shell item identity.
constexpr size_t kMaxItemIdListBytes = 1u << 20;

// The default value of a key under HKEY_CLASSES_ROOT: empty when the key or the value is
// missing, none when reading failed otherwise.
std::optional<std::wstring> ReadClassDefault(const wchar_t* subKey) {
    HKEY key = nullptr;
    LSTATUS rc = RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey, 0, KEY_QUERY_VALUE, &key);
    if (rc == ERROR_FILE_NOT_FOUND) {
        return std::wstring();
    }
    if (rc != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::optional<std::wstring> result;
    DWORD type = 0, bytes = 0;
    rc = RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &bytes);
    if (rc == ERROR_FILE_NOT_FOUND) {
        result = std::wstring();
    } else if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        rc = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                              &size);
        if (rc == ERROR_SUCCESS) {
            text.resize(std::min<size_t>(size / sizeof(wchar_t), text.size()));
            size_t end = text.find(L'\0');
            if (end != std::wstring::npos) {
                text.resize(end);
            }
            result = std::move(text);
        }
    }
    RegCloseKey(key);
    return result;
}

// An initiation is always sent; one that was posted names a client it does not come from.
// While a DDE window lives, the thread's message retrieval drops posted initiations, in modal
// loops too.
HHOOK g_postedInitiationFilter = nullptr;
int g_ddeWindows = 0;

LRESULT CALLBACK DropPostedInitiations(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message == WM_DDE_INITIATE) {
            msg->message = WM_NULL;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool FromThisThread(HWND window) {
    DWORD process = 0;
    DWORD thread = GetWindowThreadProcessId(window, &process);
    return thread != 0 && thread == GetCurrentThreadId() && process == GetCurrentProcessId();
}

std::wstring AtomName(ATOM atom) {
    wchar_t name[257];
    UINT n = atom != 0 ? GlobalGetAtomNameW(atom, name, 257) : 0;
    return std::wstring(name, n);
}

// Sets DdeBusy for the time of a shell call.
class BusyScope {
public:
    BusyScope() : previous_(g_busy) { g_busy = true; }
    ~BusyScope() { g_busy = previous_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool previous_;
};

// The command text of a WM_DDE_EXECUTE, locked for the time of the execute.
class CommandLock {
public:
    explicit CommandLock(HGLOBAL handle) : handle_(handle) {
        data_ = handle != nullptr ? GlobalLock(handle) : nullptr;
    }
    ~CommandLock() { Unlock(); }
    CommandLock(const CommandLock&) = delete;
    CommandLock& operator=(const CommandLock&) = delete;
    void Unlock() {
        if (data_ != nullptr) {
            GlobalUnlock(handle_);
            data_ = nullptr;
        }
    }
    // The text up to its closing zero, never read beyond the block. Wide text only when both
    // windows of the conversation are Unicode windows.
    std::wstring Text(bool wide) const {
        if (data_ == nullptr) {
            return {};
        }
        const size_t bytes = GlobalSize(handle_);
        if (wide) {
            const auto* p = static_cast<const wchar_t*>(data_);
            const size_t n = bytes / sizeof(wchar_t);
            return std::wstring(p, std::find(p, p + n, L'\0'));
        }
        const auto* p = static_cast<const char*>(data_);
        return tk::FromAnsi(std::string(p, std::find(p, p + bytes, '\0')));
    }
    bool Locked() const { return data_ != nullptr; }

private:
    HGLOBAL handle_;
    void* data_ = nullptr;
};

bool ReadableProtection(DWORD protect) {
    if ((protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0) {
        return false;
    }
    return (protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                       PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)) != 0;
}

// Size of the item list at an address of this process whose origin is not known: 0 unless the
// whole list, with its closing zero count, lies in committed, readable pages (no guard pages).
size_t CheckedItemIdListSize(const void* address) {
    if (address == nullptr) {
        return 0;
    }
    const auto* start = static_cast<const uint8_t*>(address);
    const uint8_t* at = start;
    size_t available = 0;
    while (available < kMaxItemIdListBytes) {
        MEMORY_BASIC_INFORMATION info{};
        if (VirtualQuery(at, &info, sizeof(info)) != sizeof(info) || info.State != MEM_COMMIT ||
            !ReadableProtection(info.Protect)) {
            break;
        }
        const auto* end = static_cast<const uint8_t*>(info.BaseAddress) + info.RegionSize;
        if (end <= at) {
            break;
        }
        available = std::min(available + static_cast<size_t>(end - at), kMaxItemIdListBytes);
        at = end;
        if (size_t size = kv::ItemIdListSize(start, available)) {
            return size;
        }
    }
    return 0;
}

struct TaskMemFree {
    void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using ItemIdCopy = std::unique_ptr<ITEMIDLIST, TaskMemFree>;

// A copy of a checked item list in a block of the shell's task allocator (as CopyItemId).
ItemIdCopy CopyCheckedItemIdList(const void* list, size_t size) {
    if (size == 0) {
        return nullptr;
    }
    void* block = CoTaskMemAlloc(size);
    if (block != nullptr) {
        std::memcpy(block, list, size);
    }
    return ItemIdCopy(static_cast<ITEMIDLIST*>(block));
}

// Shell and common controls exports known only by ordinal.
template <class F> F Ordinal(const wchar_t* module, int ordinal) {
    HMODULE m = GetModuleHandleW(module);
    if (m == nullptr) {
        m = LoadLibraryW(module);
    }
    return m != nullptr ? reinterpret_cast<F>(
                              reinterpret_cast<void*>(GetProcAddress(m, MAKEINTRESOURCEA(ordinal))))
                        : nullptr;
}
using LockSharedFn = void*(WINAPI*)(HANDLE, DWORD);
using UnlockSharedFn = BOOL(WINAPI*)(void*);
using FreeSharedFn = BOOL(WINAPI*)(HANDLE, DWORD);
using ComctlFreeFn = BOOL(WINAPI*)(void*);

// The item list a folder command names, copied; the shell's block is released as the shell
// expects. Memory that did not pass the checks is neither read nor freed.
ItemIdCopy TakeItemList(const DdeFolderCommand& command) {
    if (command.source == DdeItemListSource::SharedMemory) {
        if (command.processId <= 0 || command.processId > 0xFFFFFFFFLL) {
            return nullptr;
        }
        auto lock = Ordinal<LockSharedFn>(L"shell32.dll", 521);
        auto unlock = Ordinal<UnlockSharedFn>(L"shell32.dll", 522);
        auto release = Ordinal<FreeSharedFn>(L"shell32.dll", 523);
        if (lock == nullptr || unlock == nullptr || release == nullptr) {
            return nullptr;
        }
        HANDLE handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(command.itemList));
        DWORD process = static_cast<DWORD>(command.processId);
        void* view = lock(handle, process);
        if (view == nullptr) {
            return nullptr;
        }
        ItemIdCopy copy = CopyCheckedItemIdList(view, CheckedItemIdListSize(view));
        unlock(view);
        release(handle, process);
        return copy;
    }
    if (command.source == DdeItemListSource::Address) {
        const void* address =
            reinterpret_cast<const void*>(static_cast<intptr_t>(command.itemList));
        // Only a live block of the allocator that frees it is read (within the block) and
        // freed: any other address is not touched at all.
        if (address == nullptr || !HeapValidate(GetProcessHeap(), 0, address)) {
            return nullptr;
        }
        SIZE_T block = HeapSize(GetProcessHeap(), 0, address);
        size_t size = block == static_cast<SIZE_T>(-1)
                          ? 0
                          : kv::ItemIdListSize(static_cast<const uint8_t*>(address), block);
        if (size == 0) {
            return nullptr;
        }
        ItemIdCopy copy = CopyCheckedItemIdList(address, size);
        if (auto release = Ordinal<ComctlFreeFn>(L"comctl32.dll", 73)) {
            release(const_cast<void*>(address));
        }
        return copy;
    }
    return nullptr;
}

// Explore or find through the shell, with DdeBusy set meanwhile. Without a path or an item
// list there is nothing to show.
void RunShell(DdeCommandKind kind, const std::wstring& path, PCIDLIST_ABSOLUTE list,
              int showCommand) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.hwnd = nullptr;
    info.nShow = showCommand;
    if (kind == DdeCommandKind::Explore) {
        info.lpVerb = L"explore";
        info.lpClass = L"folder";
        info.fMask = SEE_MASK_CLASSNAME;
    } else {
        info.lpVerb = L"find";
    }
    if (!path.empty()) {
        info.lpFile = path.c_str();
    } else if (list != nullptr) {
        info.fMask |= SEE_MASK_IDLIST;
        info.lpIDList = const_cast<ITEMIDLIST*>(list);
    } else {
        return;
    }
    BusyScope busy;
    // The shell's boxes of this call are its own (the program asked for them), not the engine's.
    tk::OwnDialogScope own(true);
    ShellExecuteExW(&info); // the shell reports its own failures
}

// Runs a folder command; the acknowledgement's status: 1 when handled, 0 for an unknown one.
// Raises on a conversion error. Touches no object: the host may be gone after navigating.
WORD RunFolderCommand(const std::wstring& text,
                      const std::function<void(const std::wstring&)>& navigateUrl,
                      const std::function<void(PCIDLIST_ABSOLUTE)>& navigateItemIdList) {
    const ShellDdeConfig& config = g_config;
    DdeParseResult parsed = ParseDdeFolderCommand(
        text, DdeCommandNames{config.OpenCommand, config.ExploreCommand, config.FindCommand});
    if (!parsed.ok) {
        throw tk::Error(parsed.error);
    }
    const DdeFolderCommand& command = parsed.command;
    if (command.kind == DdeCommandKind::None) {
        return 0;
    }
    ItemIdCopy list = TakeItemList(command);
    if (command.kind == DdeCommandKind::Open) {
        if (!command.path.empty()) {
            navigateUrl(command.path);
        } else if (list) {
            navigateItemIdList(list.get());
        }
    } else {
        RunShell(command.kind, command.path, list.get(), command.showCommand);
    }
    return 1;
}

} // namespace

const ShellDdeConfig& CurrentShellDdeConfig() {
    return g_config;
}

void RefreshShellDdeConfig() noexcept {
    struct Entry {
        const wchar_t* key;
        std::wstring ShellDdeConfig::*field;
        bool commandName;
    };
    static const Entry kEntries[] = {
        {L"htmlfile\\shell\\open\\ddeexec\\application", &ShellDdeConfig::HtmlFileApplication,
         false},
        {L"htmlfile\\shell\\open\\ddeexec\\topic", &ShellDdeConfig::HtmlFileTopic, false},
        {L"Folder\\shell\\open\\ddeexec\\application", &ShellDdeConfig::FolderApplication, false},
        {L"Folder\\shell\\open\\ddeexec\\topic", &ShellDdeConfig::FolderTopic, false},
        {L"Folder\\shell\\open\\ddeexec", &ShellDdeConfig::OpenCommand, true},
        {L"Folder\\shell\\explore\\ddeexec", &ShellDdeConfig::ExploreCommand, true},
        {L"Directory\\shell\\find\\ddeexec", &ShellDdeConfig::FindCommand, true},
    };
    try {
        for (const Entry& e : kEntries) {
            std::optional<std::wstring> value = ReadClassDefault(e.key);
            if (!value) {
                return;
            }
            g_config.*e.field = e.commandName ? DdeCommandName(*value) : std::move(*value);
        }
    } catch (...) {
        // Out of memory while reading: the remaining names stay as they were.
    }
}

void ClearShellDdeConfig() noexcept {
    g_config = ShellDdeConfig{};
}

bool DdeConversationKind() {
    return g_conversationIsHtmlFile;
}

bool DdeBusy() {
    return g_busy;
}

DdeMessageWindow::DdeMessageWindow(DdeHostLink link) : link_(std::move(link)) {
    static const wchar_t kClass[] = L"KvShellDdeWindow";
    RegisterWindowClass(kClass, 0, nullptr);
    // Top-level (not message-only): the shell broadcasts its initiation to top-level windows.
    CreateHandle(0, kClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
    if (g_ddeWindows++ == 0) {
        g_postedInitiationFilter =
            SetWindowsHookExW(WH_GETMESSAGE, &DropPostedInitiations, nullptr, GetCurrentThreadId());
    }
}

DdeMessageWindow::~DdeMessageWindow() {
    if (--g_ddeWindows == 0 && g_postedInitiationFilter != nullptr) {
        UnhookWindowsHookEx(g_postedInitiationFilter);
        g_postedInitiationFilter = nullptr;
    }
}

bool DdeMessageWindow::InConversation(HWND client) {
    // A window destroyed without its terminate ends its conversation; its handle may be reused.
    conversations_.erase(std::remove_if(conversations_.begin(), conversations_.end(),
                                        [](HWND w) { return !IsWindow(w); }),
                         conversations_.end());
    return std::find(conversations_.begin(), conversations_.end(), client) != conversations_.end();
}

LRESULT DdeMessageWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DDE_INITIATE) {
        tk::Guard([&] {
            AnswerInitiate(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
        });
        return 0;
    }
    return DefaultProc(msg, wParam, lParam);
}

void DdeMessageWindow::AnswerInitiate(HWND client, ATOM application, ATOM topic) {
    if (g_busy || !link_.enabled || !link_.enabled() || !FromThisThread(client)) {
        return;
    }
    HWND control = link_.controlWindow ? link_.controlWindow() : nullptr;
    if (control == nullptr) {
        return;
    }
    // The topic is compared by its atom only.
    const std::wstring appName = AtomName(application);
    const ShellDdeConfig& config = g_config;
    const bool htmlFile =
        !config.HtmlFileApplication.empty() && appName == config.HtmlFileApplication;
    const std::wstring& wantApp = htmlFile ? config.HtmlFileApplication : config.FolderApplication;
    const std::wstring& wantTopic = htmlFile ? config.HtmlFileTopic : config.FolderTopic;
    // Global atoms compare without regard to letter case, as DDE names do.
    ATOM a = wantApp.empty() ? 0 : GlobalAddAtomW(wantApp.c_str());
    ATOM t = wantTopic.empty() ? 0 : GlobalAddAtomW(wantTopic.c_str());
    if (a != 0 && t != 0 && a == application && t == topic) {
        // Only an answered initiation decides how later executes are read.
        g_conversationIsHtmlFile = htmlFile;
        if (!InConversation(client)) {
            conversations_.push_back(client);
        }
        SendMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(control), MAKELPARAM(a, t));
    }
    if (a != 0) {
        GlobalDeleteAtom(a);
    }
    if (t != 0) {
        GlobalDeleteAtom(t);
    }
}

void DdeMessageWindow::HandleControlMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    tk::Guard([&] {
        HWND client = reinterpret_cast<HWND>(wParam);
        // A posted message names its sender freely: only a client of this thread whose
        // initiation this host answered is heard. Anything else is dropped unread, unanswered
        // and unfreed.
        if (!FromThisThread(client) || !InConversation(client)) {
            return;
        }
        if (msg == WM_DDE_TERMINATE) {
            conversations_.erase(std::find(conversations_.begin(), conversations_.end(), client));
            HWND control = link_.controlWindow ? link_.controlWindow() : nullptr;
            PostMessageW(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(control), 0);
        } else if (msg == WM_DDE_EXECUTE) {
            Execute(client, lParam);
        }
    });
}

void DdeMessageWindow::Execute(HWND client, LPARAM lParam) {
    UINT_PTR unused = 0, handle = 0;
    if (!UnpackDDElParam(WM_DDE_EXECUTE, lParam, &unused, &handle)) {
        return;
    }
    HGLOBAL commandHandle = reinterpret_cast<HGLOBAL>(handle);
    CommandLock command(commandHandle);
    if (!command.Locked()) {
        return;
    }
    HWND control = link_.controlWindow ? link_.controlWindow() : nullptr;
    const bool wide = control != nullptr && IsWindowUnicode(control) && IsWindowUnicode(client);
    const std::wstring text = command.Text(wide);
    // Copies: navigating may destroy the host and this window with it.
    const auto navigateUrl = link_.navigateUrl;
    const auto navigateItemIdList = link_.navigateItemIdList;
    WORD status = 0;
    if (g_conversationIsHtmlFile) {
        navigateUrl(HtmlFileCommandTarget(text));
        status = 1;
    } else {
        status = RunFolderCommand(text, navigateUrl, navigateItemIdList);
    }
    command.Unlock();
    // The status word carries the application's return code only; the positive
    // acknowledgement bit stays clear.
    LPARAM ack = ReuseDDElParam(lParam, WM_DDE_EXECUTE, WM_DDE_ACK, status, handle);
    if (!PostMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(control), ack)) {
        FreeDDElParam(WM_DDE_ACK, ack);
    }
}

} // namespace host
