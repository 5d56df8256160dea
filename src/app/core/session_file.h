// The session file: the open windows' addresses in tab order, which one is active, and whether
// the program ended normally. Written while the program runs, read at the next start to offer
// the windows of a session that ended in a crash. Addresses are ANSI bytes, as in the history.
//
// Format (every line ended with CR LF):
//   KVBR-SESSION <version>
//   clean=<0|1>
//   active=<index among the addresses, or -1>
//   url=<address>            one line per window
//   end=<number of url lines>
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

inline constexpr int kSessionVersion = 1;
// A larger file is not one the program wrote: it is not read at all.
inline constexpr std::size_t kMaxSessionBytes = 1u << 20;
inline constexpr const wchar_t* kSessionFileName = L"kvbr.session";

struct Session {
    std::vector<std::string> addresses;
    int active = -1;
    bool clean = false;
};

enum class SessionStatus {
    Read,    // the session is in `session`
    Empty,   // no bytes
    Damaged, // not a session file of any version, truncated, or too large
    Newer,   // written by a newer version of the program
};

struct SessionRead {
    SessionStatus status = SessionStatus::Empty;
    Session session;
};

std::string WriteSession(const Session& s);
SessionRead ReadSession(std::string_view bytes);

// Only a session that was read, did not end cleanly and has windows is offered again.
bool OfferRestore(const SessionRead& read);

// Whether a window at this address comes back with its session: not a blank page (empty or
// "about:blank", any letter case) and not the online help page.
bool IsRestorable(std::string_view address, std::string_view helpAddress);

// The session of windows at these addresses in tab order, the one at activeIndex active (-1:
// none): windows that do not come back are left out, and the active index follows.
Session CollectSession(const std::vector<std::string>& addresses, int activeIndex,
                       std::string_view helpAddress);

} // namespace kv
