#include "win32/support/modal.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

namespace kvtest {
namespace {

struct Expectation {
    int button;
    std::wstring textPart;
};

std::deque<Expectation> g_expected;
std::vector<SeenModal> g_seen;
std::map<HWND, int> g_pending; // dialog -> ticks seen
HHOOK g_hook = nullptr;
UINT_PTR g_timer = 0;

std::wstring WindowText(HWND w) {
    wchar_t buf[1024] = {};
    GetWindowTextW(w, buf, 1024);
    return buf;
}

bool IsDialog(HWND w) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    return lstrcmpW(cls, L"#32770") == 0;
}

void Answer(HWND dialog, int button) {
    HWND ctl = GetDlgItem(dialog, button);
    if (ctl != nullptr) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(ctl));
    } else if (button == IDCANCEL) {
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    } else {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
}

void HandleDialog(HWND dialog) {
    SeenModal seen{WindowText(dialog), DialogText(dialog), false};
    if (!g_expected.empty()) {
        Expectation e = g_expected.front();
        g_expected.pop_front();
        seen.expected = true;
        if (!e.textPart.empty() && seen.caption.find(e.textPart) == std::wstring::npos &&
            seen.text.find(e.textPart) == std::wstring::npos) {
            ADD_FAILURE() << "modal box does not mention the expected text";
        }
        g_seen.push_back(seen);
        Answer(dialog, e.button);
        return;
    }
    g_seen.push_back(seen);
    ADD_FAILURE() << "unexpected modal box; caption bytes " << seen.caption.size()
                  << ", text bytes " << seen.text.size();
    Answer(dialog, IDCANCEL);
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    for (auto it = g_pending.begin(); it != g_pending.end();) {
        HWND dialog = it->first;
        if (!IsWindow(dialog)) {
            it = g_pending.erase(it);
            continue;
        }
        // Give the box a moment to finish initialising; unexpected boxes wait a little longer
        // so that a test may still queue its answer from inside a nested loop.
        int ticks = ++it->second;
        bool ready =
            IsWindowVisible(dialog) && (ticks >= 2 && (!g_expected.empty() || ticks >= 10));
        if (ready) {
            it = g_pending.erase(it);
            HandleDialog(dialog);
            continue;
        }
        ++it;
    }
    if (g_pending.empty() && g_timer != 0) {
        KillTimer(nullptr, g_timer);
        g_timer = 0;
    }
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND w = reinterpret_cast<HWND>(wParam);
        if (IsDialog(w) && g_pending.find(w) == g_pending.end()) {
            g_pending[w] = 0;
            if (g_timer == 0) {
                g_timer = SetTimer(nullptr, 0, 50, Tick);
            }
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

struct FindData {
    std::wstring caption;
    HWND found = nullptr;
};

BOOL CALLBACK FindProc(HWND w, LPARAM lp) {
    auto* d = reinterpret_cast<FindData*>(lp);
    if (IsDialog(w) && IsWindowVisible(w) && WindowText(w) == d->caption) {
        d->found = w;
        return FALSE;
    }
    return TRUE;
}

} // namespace

void ExpectModal(int buttonId, std::wstring textPart) {
    g_expected.push_back({buttonId, std::move(textPart)});
}

std::vector<SeenModal> SeenModals() {
    return g_seen;
}
size_t PendingModals() {
    return g_expected.size();
}

void ResetModals() {
    g_expected.clear();
    g_seen.clear();
}

void InstallModalWatch() {
    if (g_hook == nullptr) {
        g_hook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    }
}

HWND FindDialog(const std::wstring& caption) {
    FindData d{caption, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&d));
    return d.found;
}

std::wstring DialogText(HWND dialog) {
    HWND text = GetDlgItem(dialog, 0xFFFF);
    return text != nullptr ? WindowText(text) : std::wstring{};
}

} // namespace kvtest
