#include "toolkit/dialog_origin.h"

#include "toolkit/error.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace tk {
namespace {

struct Origin {
    bool own = false;
    HWND creationOwner = nullptr;
};

struct Scope {
    bool everyBox = false;
    bool marked = false;
};

struct State {
    HHOOK hook = nullptr;
    std::map<HWND, Origin> dialogs;
    std::vector<Scope> scopes; // innermost last
    std::vector<std::pair<int, std::function<void(HWND)>>> watchers;
    int nextWatcher = 1;
    HWND notifier = nullptr;
};

State& S() {
    static State state; // UI thread only
    return state;
}

constexpr UINT kActivated = WM_APP + 0x3A1;

bool IsDialogClass(HWND w) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    return lstrcmpW(cls, L"#32770") == 0;
}

HWND TopOwner(HWND w) {
    HWND top = w;
    for (HWND o = GetWindow(w, GW_OWNER); o != nullptr; o = GetWindow(o, GW_OWNER)) {
        top = o;
    }
    return top;
}

LRESULT CALLBACK NotifierProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kActivated) {
        HWND dialog = reinterpret_cast<HWND>(wParam);
        // A watcher may remove others: each is looked up again before its call.
        std::vector<int> ids;
        for (const auto& w : S().watchers) {
            ids.push_back(w.first);
        }
        for (int id : ids) {
            auto& v = S().watchers;
            auto it =
                std::find_if(v.begin(), v.end(), [id](const auto& w) { return w.first == id; });
            if (it != v.end() && IsWindow(dialog)) {
                auto watcher = it->second;
                Guard([&] { watcher(dialog); });
            }
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND Notifier() {
    State& s = S();
    if (s.notifier == nullptr) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &NotifierProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KvDialogOrigin";
        RegisterClassW(&wc);
        s.notifier = CreateWindowExW(0, L"KvDialogOrigin", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    return s.notifier;
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    try {
        State& s = S();
        HWND w = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_CREATEWND) {
            auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
            if ((create->lpcs->style & WS_CHILD) == 0 && IsDialogClass(w)) {
                Origin origin;
                origin.creationOwner = create->lpcs->hwndParent;
                for (auto it = s.scopes.rbegin(); it != s.scopes.rend(); ++it) {
                    if (it->everyBox || !it->marked) {
                        it->marked = true;
                        origin.own = true;
                        break;
                    }
                }
                s.dialogs[w] = origin;
            }
        } else if (code == HCBT_DESTROYWND) {
            s.dialogs.erase(w);
        } else if (code == HCBT_ACTIVATE && !s.watchers.empty() && s.dialogs.count(w) != 0) {
            auto* activate = reinterpret_cast<CBTACTIVATESTRUCT*>(lParam);
            HWND top = TopOwner(w);
            if (activate->hWndActive != top && top != w) {
                PostMessageW(Notifier(), kActivated, wParam, 0);
            }
        }
    } catch (...) {
        // Out of memory: this dialog's origin stays unknown.
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

void WatchDialogCreation() noexcept {
    if (S().hook == nullptr) {
        S().hook = SetWindowsHookExW(WH_CBT, &CbtProc, nullptr, GetCurrentThreadId());
    }
}

bool IsOwnDialog(HWND dialog) noexcept {
    const auto& dialogs = S().dialogs;
    for (HWND w = dialog; w != nullptr; w = GetWindow(w, GW_OWNER)) {
        auto it = dialogs.find(w);
        if (it != dialogs.end() && it->second.own) {
            return true;
        }
    }
    return false;
}

HWND DialogCreationOwner(HWND dialog) noexcept {
    auto it = S().dialogs.find(dialog);
    return it != S().dialogs.end() ? it->second.creationOwner : nullptr;
}

int AddDialogActivationWatcher(std::function<void(HWND)> watcher) {
    WatchDialogCreation();
    Notifier();
    int id = S().nextWatcher++;
    S().watchers.emplace_back(id, std::move(watcher));
    return id;
}

void RemoveDialogActivationWatcher(int id) noexcept {
    auto& v = S().watchers;
    v.erase(std::remove_if(v.begin(), v.end(), [id](const auto& w) { return w.first == id; }),
            v.end());
}

namespace detail {
void BeginOwnDialogs(bool everyBox) noexcept {
    WatchDialogCreation();
    try {
        S().scopes.push_back(Scope{everyBox, false});
    } catch (...) {
    }
}
void EndOwnDialogs() noexcept {
    if (!S().scopes.empty()) {
        S().scopes.pop_back();
    }
}
} // namespace detail

} // namespace tk
