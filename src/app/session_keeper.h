// Keeps the session file up to date while the program runs: after a change, the session is
// made again at the next idle moment and written only when its bytes differ from what was
// last written, never more than once a second. A normal exit marks it clean.
#pragma once

#include "app/core/session_file.h"

#include <windows.h>

#include <functional>
#include <string>

class TSessionKeeper {
public:
    // window: receives WM_TIMER with timerId when a write waits for its second to pass;
    // its procedure calls OnTimer. session: makes the session of the windows open now.
    TSessionKeeper(std::wstring path, HWND window, UINT_PTR timerId,
                   std::function<kv::Session()> session);
    ~TSessionKeeper();
    TSessionKeeper(const TSessionKeeper&) = delete;
    TSessionKeeper& operator=(const TSessionKeeper&) = delete;

    // The session file as it was before this run wrote anything; read once.
    kv::SessionRead ReadPrevious() const;

    // Something in the session may have changed.
    void Changed();
    void OnIdle();
    void OnTimer();
    // Writes the session marked clean and writes nothing more until Resume.
    void MarkClean();
    // The end that MarkClean announced did not come.
    void Resume();

private:
    void Write();

    std::wstring path_;
    HWND window_;
    UINT_PTR timerId_;
    std::function<kv::Session()> session_;
    std::string written_;  // bytes last written by this run
    bool dirty_ = true;    // the first idle moment writes this run's session
    bool stopped_ = false; // marked clean
    bool timerSet_ = false;
    ULONGLONG lastWrite_ = 0;
    bool everWritten_ = false;
};
