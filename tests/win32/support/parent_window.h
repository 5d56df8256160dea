// A visible top-level window for hosting controls in tests.
#pragma once

#include <windows.h>

namespace kvtest {

class ParentWindow {
public:
    ParentWindow() {
        hwnd_ = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640,
                                480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~ParentWindow() { DestroyWindow(hwnd_); }
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

} // namespace kvtest
