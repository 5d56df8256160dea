#include "app/session_keeper.h"

#include "toolkit/files.h"

#include <utility>

namespace {

constexpr ULONGLONG kMinIntervalMs = 1000;

} // namespace

TSessionKeeper::TSessionKeeper(std::wstring path, HWND window, UINT_PTR timerId,
                               std::function<kv::Session()> session)
    : path_(std::move(path)), window_(window), timerId_(timerId), session_(std::move(session)) {}

TSessionKeeper::~TSessionKeeper() {
    if (timerSet_ && IsWindow(window_)) {
        KillTimer(window_, timerId_);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    cv_.notify_all();
    if (writer_.joinable()) {
        writer_.join();
    }
}

kv::SessionRead TSessionKeeper::ReadPrevious() const {
    // Whatever cannot be read is no session to offer; it is replaced at the next write.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &data)) {
        return kv::SessionRead{};
    }
    if (data.nFileSizeHigh != 0 || data.nFileSizeLow > kv::kMaxSessionBytes) {
        return kv::SessionRead{kv::SessionStatus::Damaged, {}};
    }
    try {
        return kv::ReadSession(tk::ReadFileBytes(path_));
    } catch (...) {
        return kv::SessionRead{kv::SessionStatus::Damaged, {}};
    }
}

void TSessionKeeper::Changed() {
    dirty_ = true;
}

void TSessionKeeper::OnIdle() {
    if (!dirty_) {
        std::lock_guard<std::mutex> lock(mutex_);
        dirty_ = failed_;
    }
    if (!dirty_ || stopped_ || timerSet_) {
        return;
    }
    ULONGLONG now = GetTickCount64();
    if (everHanded_ && now - lastHandOver_ < kMinIntervalMs) {
        // Once the second has passed: the timer's message brings the next idle moment.
        if (IsWindow(window_) &&
            SetTimer(window_, timerId_, static_cast<UINT>(kMinIntervalMs - (now - lastHandOver_)),
                     nullptr) != 0) {
            timerSet_ = true;
        }
        return;
    }
    dirty_ = false;
    std::string bytes = kv::WriteSession(session_());
    bool retry = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        retry = failed_;
        failed_ = false;
    }
    if (!retry && everHanded_ && bytes == handedOver_) {
        return;
    }
    HandOver(std::move(bytes));
}

void TSessionKeeper::OnTimer() {
    if (timerSet_) {
        KillTimer(window_, timerId_);
        timerSet_ = false;
    }
}

void TSessionKeeper::HandOver(std::string bytes) {
    handedOver_ = bytes;
    everHanded_ = true;
    lastHandOver_ = GetTickCount64();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = std::move(bytes); // a write not begun yet is replaced by the newer one
    }
    if (!writer_.joinable()) {
        writer_ = std::thread([this] { WriterLoop(); });
    }
    cv_.notify_all();
}

void TSessionKeeper::WaitWritten() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return !pending_ && !writing_; });
}

void TSessionKeeper::WriterLoop() noexcept {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        cv_.wait(lock, [this] { return pending_.has_value() || quit_; });
        if (!pending_) {
            return; // quit, with nothing left to write
        }
        std::string bytes = std::move(*pending_);
        pending_.reset();
        writing_ = true;
        lock.unlock();
        bool ok = true;
        try {
            tk::WriteFileReplacing(path_, bytes);
        } catch (...) {
            // The file is a safety net: no message for it, at every change or retry.
            ok = false;
        }
        lock.lock();
        writing_ = false;
        if (!ok && !quit_) {
            // Someone held the file (a scanner, say): tried again at an idle moment once the
            // second has passed, which this message brings.
            failed_ = true;
            PostMessageW(window_, WM_NULL, 0, 0);
        }
        cv_.notify_all();
    }
}

void TSessionKeeper::MarkClean() {
    OnTimer();
    kv::Session s = session_();
    s.clean = true;
    HandOver(kv::WriteSession(s));
    stopped_ = true;
    // The program ends right after: the clean mark must be on disk, after any earlier write.
    WaitWritten();
}

void TSessionKeeper::Resume() {
    stopped_ = false;
    dirty_ = true;
}
