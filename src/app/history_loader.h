// Reads the address history file on a thread of its own, so that a long history does not hold
// up the start. The thread touches no window and no toolkit object: once told to go, it reads
// the file, splits it into lines, makes sure the partner home is there and posts one message
// to say it is done.
#pragma once

#include "common/core/line_list.h"
#include "common/core/text_codec.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

class THistoryLoader {
public:
    // Files up to this size are read on the spot: a few milliseconds, less than a thread and
    // the merge of what happened meanwhile are worth.
    static constexpr unsigned long long kReadAtOnceBytes = 1024 * 1024;

    // Starts the thread, which reads path once Go() is called; posts `message` (no parameters)
    // to `notify` when done. The codec must be safe to use from another thread and outlive the
    // loader. Raises when no thread can be started.
    THistoryLoader(std::wstring path, const kv::AnsiCodec& codec, HWND notify, UINT message);
    // Waits for the thread: the file's block must not outlive what reads into it.
    ~THistoryLoader();
    THistoryLoader(const THistoryLoader&) = delete;
    THistoryLoader& operator=(const THistoryLoader&) = delete;

    // Lets the thread read. Reading 50 MB takes a core for a few hundred milliseconds, which
    // the start of the frame and its first window need more.
    void Go();
    // True once the thread has finished (its lines or its failure are ready).
    bool Done() const { return done_.load(std::memory_order_acquire); }
    // Lets the thread read and waits for it to finish; then the lines, or raises the reading's
    // failure. Once.
    kv::LineList Take();

private:
    void Run() noexcept;

    std::wstring path_;
    const kv::AnsiCodec& codec_;
    HWND notify_;
    UINT message_;
    std::atomic<bool> done_{false};
    std::atomic<bool> stop_{false};
    std::mutex goMutex_;
    std::condition_variable goSignal_;
    bool go_ = false;
    kv::LineList lines_;
    std::exception_ptr error_;
    std::thread thread_;
};
