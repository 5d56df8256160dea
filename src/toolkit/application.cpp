#include "toolkit/application.h"

#include "toolkit/error.h"

#include <utility>
#include <vector>

namespace tk {
namespace {

struct State {
    HINSTANCE instance = nullptr;
    std::wstring title;
    HWND window = nullptr;
    HWND mainWindow = nullptr;
    bool hiddenByMinimize = false;
    bool terminated = false;
    int exitCode = 0;
    int nextId = 1;
    std::vector<std::pair<int, Application::IdleHandler>> idle;
    std::vector<std::pair<int, Application::MessageFilter>> filters;
};

State& S() {
    static State state;
    return state;
}

bool IsKeyMessage(UINT m) {
    return m >= WM_KEYDOWN && m <= WM_SYSDEADCHAR;
}

// Offers a key message to the nearest enclosing window that asked for key notifications.
bool PreTranslateKey(const MSG& msg) {
    for (HWND w = msg.hwnd; w != nullptr; w = GetAncestor(w, GA_PARENT)) {
        if (GetPropW(w, kKeyTargetProp) != nullptr) {
            return SendMessageW(w, CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
        }
        if (GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) {
            continue;
        }
        break;
    }
    return false;
}

constexpr const wchar_t* kApplicationClass = L"tkApplication";
// Posted to the application window when it was activated: the main window takes over.
constexpr UINT kActivateMainMessage = WM_APP + 0x0110;

// The window the user means when he activates the program's task bar button.
HWND WindowToActivate() {
    HWND main = S().mainWindow;
    if (main == nullptr || !IsWindow(main) || !IsWindowVisible(main)) {
        return nullptr;
    }
    // A modal box of the main window stays in front.
    HWND popup = GetLastActivePopup(main);
    return popup != nullptr && IsWindowVisible(popup) ? popup : main;
}

LRESULT CALLBACK ApplicationWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            PostMessageW(hwnd, kActivateMainMessage, 0, 0);
        }
        return 0;
    case kActivateMainMessage:
        if (GetActiveWindow() == hwnd && !IsIconic(hwnd)) {
            if (HWND target = WindowToActivate()) {
                SetActiveWindow(target);
            }
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_RESTORE || (wParam & 0xFFF0) == SC_MAXIMIZE) {
            // Restoring the program brings its windows back; the window itself keeps no size.
            ShowWindow(hwnd, SW_RESTORE);
            if (S().hiddenByMinimize && S().mainWindow != nullptr && IsWindow(S().mainWindow)) {
                ShowWindow(S().mainWindow, SW_SHOW);
            }
            S().hiddenByMinimize = false;
            if (HWND target = WindowToActivate()) {
                SetActiveWindow(target);
            }
            return 0;
        }
        if ((wParam & 0xFFF0) == SC_MINIMIZE) {
            Application::Minimize();
            return 0;
        }
        break;
    case WM_CLOSE:
        // "Close window" on the task bar closes the program the normal way.
        if (S().mainWindow != nullptr) {
            PostMessageW(S().mainWindow, WM_CLOSE, 0, 0);
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

} // namespace

HWND Application::Handle() {
    State& s = S();
    if (s.window != nullptr && IsWindow(s.window)) {
        return s.window;
    }
    HINSTANCE instance = Instance();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(instance, kApplicationClass, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ApplicationWindowProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        if (wc.hIcon == nullptr) {
            wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        }
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kApplicationClass;
        if (!RegisterClassExW(&wc)) {
            ThrowLastError();
        }
    }
    // No size, in the middle of the screen, where minimising and restoring seem to start.
    int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    s.window =
        CreateWindowExW(0, kApplicationClass, s.title.c_str(),
                        WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                        0, 0, nullptr, nullptr, instance, nullptr);
    if (s.window == nullptr) {
        ThrowLastError();
    }
    return s.window;
}

void Application::Minimize() {
    State& s = S();
    if (s.window == nullptr || !IsWindow(s.window) || IsIconic(s.window)) {
        return;
    }
    // Not every system hides the owned windows of a minimised owner: the main window is
    // hidden here and shown again on restore.
    if (s.mainWindow != nullptr && IsWindowVisible(s.mainWindow)) {
        ShowWindow(s.mainWindow, SW_HIDE);
        s.hiddenByMinimize = true;
    }
    ShowWindow(s.window, SW_MINIMIZE);
}

void Application::Initialize(HINSTANCE instance) {
    S().instance = instance;
}

HINSTANCE Application::Instance() {
    if (S().instance == nullptr) {
        S().instance = GetModuleHandleW(nullptr);
    }
    return S().instance;
}

const std::wstring& Application::Title() {
    return S().title;
}
void Application::SetTitle(std::wstring title) {
    S().title = std::move(title);
    if (S().window != nullptr && IsWindow(S().window)) {
        SetWindowTextW(S().window, S().title.c_str());
    }
}
void Application::SetMainWindow(HWND window) {
    S().mainWindow = window;
    // The task bar button is there while the program has a main window.
    if (S().window != nullptr && IsWindow(S().window)) {
        bool owned = window != nullptr && GetWindow(window, GW_OWNER) == S().window;
        ShowWindow(S().window, owned ? SW_SHOWNOACTIVATE : SW_HIDE);
    }
}
HWND Application::MainWindow() {
    return S().mainWindow;
}

HWND Application::ActiveOwner() {
    HWND active = GetActiveWindow();
    if (active != nullptr && IsWindowEnabled(active)) {
        return active;
    }
    HWND main = S().mainWindow;
    return (main != nullptr && IsWindow(main)) ? main : nullptr;
}

void Application::DispatchOne(MSG& msg) {
    // Copy: a filter may add or remove filters.
    auto filters = S().filters;
    for (auto& f : filters) {
        bool handled = false;
        Guard([&] { handled = f.second(msg); });
        if (handled) {
            return;
        }
    }
    if (IsKeyMessage(msg.message) && PreTranslateKey(msg)) {
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

PumpResult Application::ProcessMessages() {
    MSG msg;
    while (!S().terminated && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            Terminate(static_cast<int>(msg.wParam));
            break;
        }
        DispatchOne(msg);
    }
    return S().terminated ? PumpResult::Quit : PumpResult::Idle;
}

PumpResult Application::ProcessMessage() {
    if (S().terminated) {
        return PumpResult::Quit;
    }
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return PumpResult::Idle;
    }
    if (msg.message == WM_QUIT) {
        Terminate(static_cast<int>(msg.wParam));
        return PumpResult::Quit;
    }
    DispatchOne(msg);
    return S().terminated ? PumpResult::Quit : PumpResult::Handled;
}

void Application::WaitForMessage(DWORD timeoutMs) {
    MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

bool Application::Terminated() {
    return S().terminated;
}

void Application::Terminate(int exitCode) {
    if (!S().terminated) {
        S().terminated = true;
        S().exitCode = exitCode;
    }
}

void Application::ResetTerminated() {
    S().terminated = false;
    S().exitCode = 0;
}

int Application::Run() {
    MSG msg;
    while (!S().terminated) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                Terminate(static_cast<int>(msg.wParam));
                break;
            }
            DispatchOne(msg);
            continue;
        }
        RunIdleHandlers();
        if (!S().terminated) {
            WaitMessage();
        }
    }
    return S().exitCode;
}

int Application::AddIdleHandler(IdleHandler handler) {
    int id = S().nextId++;
    S().idle.emplace_back(id, std::move(handler));
    return id;
}

void Application::RemoveIdleHandler(int id) {
    auto& v = S().idle;
    for (auto it = v.begin(); it != v.end(); ++it) {
        if (it->first == id) {
            v.erase(it);
            return;
        }
    }
}

void Application::RunIdleHandlers() {
    auto handlers = S().idle;
    for (auto& h : handlers) {
        Guard(h.second);
    }
}

int Application::AddMessageFilter(MessageFilter filter) {
    int id = S().nextId++;
    S().filters.emplace_back(id, std::move(filter));
    return id;
}

void Application::RemoveMessageFilter(int id) {
    auto& v = S().filters;
    for (auto it = v.begin(); it != v.end(); ++it) {
        if (it->first == id) {
            v.erase(it);
            return;
        }
    }
}

} // namespace tk
