// The address history while its file is still being read. Until the file's lines arrive, the
// shared history and every window's list start from an empty history; this keeps what was
// recorded in them meanwhile, so that the loaded lines can take their place as if the file had
// been read before anything else happened.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/core/line_list.h"
#include "common/core/text_codec.h"

namespace kv {

class EarlyHistory {
public:
    // A window is known by its address only; it is never dereferenced here.
    using WindowId = const void*;

    // The shared history recorded `address` at its front.
    void RecordShared(std::string_view address);
    // `window` copied the shared history as it is now (a window made again at the address of a
    // closed one starts over).
    void WindowCopied(WindowId window);
    // `window` recorded `address` at the front of its own list.
    void RecordInWindow(WindowId window, std::string_view address);
    bool empty() const { return shared_.empty() && windows_.empty(); }

    struct Merged {
        LineList shared;
        // Each window's list, in the order the windows copied the shared history.
        std::vector<std::pair<WindowId, LineList>> windows;
    };
    // `loaded` is the file's history as the start makes it (partner home ensured). The shared
    // history gets the shared recordings replayed on it, in order; each window gets the shared
    // history as it would have been when it copied it, then its own recordings, in order.
    // Windows without recordings of their own share their lines.
    Merged Merge(const LineList& loaded, const AnsiCodec& codec) const;

private:
    struct Window {
        WindowId id;
        size_t sharedBefore; // shared recordings made before the window copied the history
        std::vector<std::string> own;
    };
    std::vector<std::string> shared_;
    std::vector<Window> windows_;
};

} // namespace kv
