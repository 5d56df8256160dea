#include "win32/support/pump.h"

#include "toolkit/application.h"

namespace kvtest {

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        tk::Application::ProcessMessages();
        if (pred()) {
            return true;
        }
        ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return pred();
        }
        DWORD left = static_cast<DWORD>(end - now);
        tk::Application::WaitForMessage(left < 20 ? left : 20);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

void PumpIdle() {
    tk::Application::ProcessMessages();
    tk::Application::RunIdleHandlers();
}

void DrainQuit() {
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    tk::Application::ResetTerminated();
}

} // namespace kvtest
