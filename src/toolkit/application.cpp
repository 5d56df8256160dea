#include "toolkit/application.h"

#include "toolkit/error.h"

#include <utility>
#include <vector>

namespace tk {
namespace {

struct State {
    HINSTANCE instance = nullptr;
    std::wstring title;
    HWND mainWindow = nullptr;
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

} // namespace

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
}
void Application::SetMainWindow(HWND window) {
    S().mainWindow = window;
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
