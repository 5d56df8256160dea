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
    if (!dirty_ || stopped_ || timerSet_) {
        return;
    }
    ULONGLONG now = GetTickCount64();
    if (everWritten_ && now - lastWrite_ < kMinIntervalMs) {
        // Once the second has passed: the timer's message brings the next idle moment.
        if (IsWindow(window_) &&
            SetTimer(window_, timerId_, static_cast<UINT>(kMinIntervalMs - (now - lastWrite_)),
                     nullptr) != 0) {
            timerSet_ = true;
        }
        return;
    }
    Write();
}

void TSessionKeeper::OnTimer() {
    if (timerSet_) {
        KillTimer(window_, timerId_);
        timerSet_ = false;
    }
}

void TSessionKeeper::Write() {
    dirty_ = false;
    kv::Session s = session_();
    std::string bytes = kv::WriteSession(s);
    if (everWritten_ && bytes == written_) {
        return;
    }
    try {
        tk::WriteFileReplacing(path_, bytes);
    } catch (...) {
        // The file is a safety net: a folder that cannot be written costs the next start its
        // question, not the user a message at every change. Tried again at the next change.
        return;
    }
    written_ = std::move(bytes);
    everWritten_ = true;
    lastWrite_ = GetTickCount64();
}

void TSessionKeeper::MarkClean() {
    OnTimer();
    kv::Session s = session_();
    s.clean = true;
    std::string bytes = kv::WriteSession(s);
    stopped_ = true;
    try {
        tk::WriteFileReplacing(path_, bytes);
        written_ = std::move(bytes);
        everWritten_ = true;
        lastWrite_ = GetTickCount64();
    } catch (...) {
        // Only the next start's question is at stake.
    }
}

void TSessionKeeper::Resume() {
    stopped_ = false;
    dirty_ = true;
}
