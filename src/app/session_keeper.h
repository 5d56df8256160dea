// Keeps the session file up to date while the program runs: after a change, the session is
// made again at the next idle moment and handed to a writer thread only when its bytes differ
// from what was handed over last, never more than once a second. The writer does the slow,
// durable replacing write away from the user-interface thread. A normal exit writes the
// session marked clean and waits for it.
#pragma once

#include "app/core/session_file.h"

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class TSessionKeeper {
public:
    // window: receives WM_TIMER with timerId when a write waits for its second to pass;
    // its procedure calls OnTimer. session: makes the session of the windows open now.
    TSessionKeeper(std::wstring path, HWND window, UINT_PTR timerId,
                   std::function<kv::Session()> session);
    // Finishes a write that was handed over, then stops the writer.
    ~TSessionKeeper();
    TSessionKeeper(const TSessionKeeper&) = delete;
    TSessionKeeper& operator=(const TSessionKeeper&) = delete;

    // The session file as it was before this run wrote anything.
    kv::SessionRead ReadPrevious() const;

    // Something in the session may have changed.
    void Changed();
    void OnIdle();
    void OnTimer();
    // Writes the session marked clean, waits until it is on disk, and hands over nothing more
    // until Resume.
    void MarkClean();
    // The end that MarkClean announced did not come.
    void Resume();

private:
    void HandOver(std::string bytes);
    void WaitWritten();
    void WriterLoop() noexcept;

    // User-interface thread only.
    std::wstring path_;
    HWND window_;
    UINT_PTR timerId_;
    std::function<kv::Session()> session_;
    std::string handedOver_;  // bytes last handed to the writer
    bool everHanded_ = false; // the first idle moment writes this run's session
    bool dirty_ = true;
    bool stopped_ = false; // marked clean
    bool timerSet_ = false;
    ULONGLONG lastHandOver_ = 0;

    // Shared with the writer thread, under mutex_.
    std::mutex mutex_;
    std::condition_variable cv_;
    std::optional<std::string> pending_;
    bool writing_ = false;
    bool failed_ = false; // the last write did not reach the disk: tried again
    bool quit_ = false;
    std::thread writer_;
};
