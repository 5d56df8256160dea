#include "common/core/early_history.h"

#include <algorithm>

#include "common/core/history.h"

namespace kv {

void EarlyHistory::RecordShared(std::string_view address) {
    shared_.emplace_back(address);
}

void EarlyHistory::WindowCopied(WindowId window) {
    windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                  [window](const Window& w) { return w.id == window; }),
                   windows_.end());
    windows_.push_back(Window{window, shared_.size(), {}});
}

void EarlyHistory::RecordInWindow(WindowId window, std::string_view address) {
    for (Window& w : windows_) {
        if (w.id == window) {
            w.own.emplace_back(address);
            return;
        }
    }
}

EarlyHistory::Merged EarlyHistory::Merge(const LineList& loaded, const AnsiCodec& codec) const {
    Merged out;
    LineList list = loaded;
    size_t replayed = 0;
    // Windows are kept in the order they copied the history, so one pass over the shared
    // recordings serves them all.
    for (const Window& w : windows_) {
        for (; replayed < w.sharedBefore && replayed < shared_.size(); ++replayed) {
            RecordAtFront(list, shared_[replayed], codec);
        }
        LineList own = list;
        for (const std::string& address : w.own) {
            RecordAtFront(own, address, codec);
        }
        out.windows.emplace_back(w.id, std::move(own));
    }
    for (; replayed < shared_.size(); ++replayed) {
        RecordAtFront(list, shared_[replayed], codec);
    }
    out.shared = std::move(list);
    return out;
}

} // namespace kv
