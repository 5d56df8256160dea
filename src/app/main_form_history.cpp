// The shared address history's file: a long one is read on a thread while the frame starts,
// and what the frame and its windows recorded meanwhile is put in front of its lines when they
// arrive, as if the file had been read first.
#include "app/history_loader.h"
#include "app/main_form.h"
#include "browser_window/mdi_child.h"
#include "common/core/history.h"
#include "toolkit/application.h"
#include "toolkit/error.h"
#include "toolkit/files.h"
#include "toolkit/system_codec.h"

#include <utility>

void TMainForm::StartHistoryLoad() {
    const std::wstring path = ProgramFolder + kv::kHistoryFileName;
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return; // missing: the creation's own check decides, as for a short file
    }
    const unsigned long long size =
        (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size <= THistoryLoader::kReadAtOnceBytes) {
        return;
    }
    try {
        historyLoader_ = std::make_unique<THistoryLoader>(path, tk::SystemCodec(), Handle(),
                                                          kHistoryLoadedMessage);
        historyOnThread_ = true;
        // Read once the frame and its first window are complete and nothing waits.
        historyIdle_ = tk::Application::AddIdleHandler([this] {
            tk::Application::RemoveIdleHandler(historyIdle_);
            historyIdle_ = 0;
            if (historyLoader_ != nullptr) {
                historyLoader_->Go();
            }
        });
    } catch (...) {
        // No thread: the creation reads the file itself.
    }
}

void TMainForm::ReadHistoryFile() {
    if (historyOnThread_) {
        return;
    }
    const std::wstring path = ProgramFolder + kv::kHistoryFileName;
    if (tk::FileExists(path)) {
        tk::Guard([&] { ListBoxURL = kv::LineList::FromFileBytes(tk::ReadFileBytes(path)); });
    }
}

void TMainForm::FinishHistoryLoad() {
    if (historyLoader_ == nullptr) {
        return;
    }
    // Taken out first: the error report below runs a message loop, in which the loader's
    // message may come in.
    std::unique_ptr<THistoryLoader> loader = std::move(historyLoader_);
    kv::EarlyHistory early = std::move(earlyHistory_);
    earlyHistory_ = kv::EarlyHistory();
    kv::LineList loaded;
    // An unreadable file is reported as at any start; the history goes on from what it holds.
    const bool read = tk::Guard([&] { loaded = loader->Take(); });
    loader.reset();
    if (read) {
        HistoryArrived(loaded, early);
    }
}

void TMainForm::HistoryArrived(const kv::LineList& loaded, const kv::EarlyHistory& early) {
    kv::EarlyHistory::Merged merged = early.Merge(loaded, tk::SystemCodec());
    ListBoxURL = std::move(merged.shared);
    for (auto& [id, lines] : merged.windows) {
        for (tk::MDIChildForm* c : Children()) {
            auto* w = static_cast<TMDIChild*>(c);
            if (static_cast<const void*>(w) == id) {
                w->URLS.SetItems(std::move(lines));
                break;
            }
        }
    }
}

kv::LineList TMainForm::SharedHistory() const {
    return ListBoxURL; // shares the lines until either side changes
}

void TMainForm::RecordInSharedHistory(const std::string& address) {
    (void)kv::RecordAtFront(ListBoxURL, address, tk::SystemCodec());
    if (historyLoader_ != nullptr) {
        earlyHistory_.RecordShared(address);
    }
}

void TMainForm::HistoryTaken(TMDIChild* window) {
    if (historyLoader_ != nullptr) {
        earlyHistory_.WindowCopied(window);
    }
}

void TMainForm::RecordedInWindow(TMDIChild* window, const std::string& address) {
    if (historyLoader_ != nullptr) {
        earlyHistory_.RecordInWindow(window, address);
    }
}
