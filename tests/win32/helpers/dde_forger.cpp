// A second process that forges DDE requests to a host: `dde_forger <control> <dde window>
// <address> <sender> ...`, all numbers in decimal; a sender of 0 stands for a window of this
// process. For each sender it posts a forged initiation to the DDE window, executes that would
// navigate, start a program, raise an error box and free the address, and a terminate. Its exit
// code is the number of DDE answers it received.
#include <windows.h>
#include <dde.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int g_answers = 0;

LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DDE_ACK || msg == WM_DDE_TERMINATE) {
        ++g_answers;
        return 0;
    }
    return DefWindowProcW(w, msg, wParam, lParam);
}

HWND Handle(const wchar_t* text) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(wcstoull(text, nullptr, 10)));
}

void PostExecute(HWND control, HWND sender, const std::wstring& command) {
    size_t bytes = (command.size() + 1) * sizeof(wchar_t);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes);
    std::memcpy(GlobalLock(h), command.c_str(), bytes);
    GlobalUnlock(h);
    PostMessageW(control, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(sender),
                 reinterpret_cast<LPARAM>(h));
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 5) {
        return 100;
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KvDdeForger";
    RegisterClassW(&wc);
    HWND own = CreateWindowExW(0, L"KvDdeForger", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    HWND control = Handle(argv[1]);
    HWND ddeWindow = Handle(argv[2]);
    const std::wstring address = argv[3];
    const std::vector<std::wstring> commands = {
        L"[ViewFolder(\"javascript:alert(1)\", 0, 1)]",
        L"[ViewFolder(\"file:///C:/windows/win.ini\", 0, 1)]",
        L"[ViewFolder(\"" + std::wstring(70000, L'a') + L"\", 0, 1)]",
        L"[ExploreFolder(\"C:\\windows\", 0, 1)]",
        L"[ViewFolder(\"C:\\windows\", -, 1)]",
        L"[ViewFolder(\"\", " + address + L", 1)]",
    };
    for (int i = 4; i < argc; ++i) {
        HWND sender = Handle(argv[i]);
        if (sender == nullptr) {
            sender = own;
        }
        ATOM app = GlobalAddAtomW(L"Folders");
        ATOM topic = GlobalAddAtomW(L"AppProperties");
        PostMessageW(ddeWindow, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(sender),
                     MAKELPARAM(app, topic));
        for (const std::wstring& command : commands) {
            PostExecute(control, sender, command);
        }
        PostMessageW(control, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(sender), 0);
    }
    // Answers would come within this time.
    ULONGLONG end = GetTickCount64() + 1500;
    while (GetTickCount64() < end) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&m);
        }
        Sleep(10);
    }
    DestroyWindow(own);
    LocalFree(argv);
    return g_answers;
}
