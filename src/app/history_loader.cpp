#include "app/history_loader.h"

#include "common/core/history.h"
#include "toolkit/files.h"

#include <utility>

THistoryLoader::THistoryLoader(std::wstring path, const kv::AnsiCodec& codec, HWND notify,
                               UINT message)
    : path_(std::move(path)), codec_(codec), notify_(notify), message_(message) {
    // Last: the thread reads the members above.
    thread_ = std::thread([this] { Run(); });
}

THistoryLoader::~THistoryLoader() {
    stop_.store(true, std::memory_order_release);
    Go();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void THistoryLoader::Go() {
    {
        std::lock_guard<std::mutex> lock(goMutex_);
        go_ = true;
    }
    goSignal_.notify_one();
}

void THistoryLoader::Run() noexcept {
    // Background work: the start of the frame and its first window go first.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    try {
        {
            std::unique_lock<std::mutex> lock(goMutex_);
            goSignal_.wait(lock, [this] { return go_; });
        }
        // A frame that goes away right after its start waits for no read or split.
        if (!stop_.load(std::memory_order_acquire)) {
            std::string bytes = tk::ReadFileBytes(path_);
            if (!stop_.load(std::memory_order_acquire)) {
                lines_ = kv::LineList::FromFileBytes(std::move(bytes));
                kv::EnsurePartnerHome(lines_, codec_);
            }
        }
    } catch (...) {
        error_ = std::current_exception();
    }
    done_.store(true, std::memory_order_release);
    // Nothing else to do if this fails (the frame is gone): whoever needs the lines waits.
    PostMessageW(notify_, message_, 0, 0);
}

kv::LineList THistoryLoader::Take() {
    Go();
    if (thread_.joinable()) {
        thread_.join();
    }
    if (error_) {
        std::exception_ptr e = std::move(error_);
        error_ = nullptr;
        std::rethrow_exception(e);
    }
    return std::move(lines_);
}
