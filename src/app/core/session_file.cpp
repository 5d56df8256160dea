#include "app/core/session_file.h"

#include "common/core/line_file.h"

namespace kv {
namespace {

constexpr std::string_view kMagic = "KVBR-SESSION ";
constexpr std::string_view kCleanKey = "clean=";
constexpr std::string_view kActiveKey = "active=";
constexpr std::string_view kUrlKey = "url=";
constexpr std::string_view kEndKey = "end=";
// Larger numbers are not the program's: no window count or version comes near.
constexpr long kNumberLimit = 1000000;

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// Decimal digits only, an optional leading "-" when allowed, below kNumberLimit.
bool ParseNumber(std::string_view text, bool allowMinus, long& out) {
    bool negative = false;
    if (allowMinus && !text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    // One way of writing each number: no leading zeros, no "-0".
    if (text.empty() || text.size() > 7 || (text.size() > 1 && text.front() == '0') ||
        (negative && text == "0")) {
        return false;
    }
    long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + (c - '0');
    }
    if (v >= kNumberLimit) {
        return false;
    }
    out = negative ? -v : v;
    return true;
}

bool HasControlBytes(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

SessionRead Damaged() {
    return SessionRead{SessionStatus::Damaged, {}};
}

} // namespace

std::string WriteSession(const Session& s) {
    std::vector<std::string> lines;
    lines.reserve(s.addresses.size() + 4);
    lines.push_back(std::string(kMagic) + std::to_string(kSessionVersion));
    lines.push_back(std::string(kCleanKey) + (s.clean ? "1" : "0"));
    lines.push_back(std::string(kActiveKey) + std::to_string(s.active));
    for (const std::string& a : s.addresses) {
        lines.push_back(std::string(kUrlKey) + a);
    }
    lines.push_back(std::string(kEndKey) + std::to_string(s.addresses.size()));
    return JoinLines(lines);
}

SessionRead ReadSession(std::string_view bytes) {
    if (bytes.empty()) {
        return SessionRead{};
    }
    if (bytes.size() > kMaxSessionBytes) {
        return Damaged();
    }
    // The program ends every line with CR LF, the last one included: anything else was cut
    // short or made elsewhere.
    if (bytes.size() < 2 || bytes.substr(bytes.size() - 2) != "\r\n") {
        return Damaged();
    }
    const std::vector<std::string> lines = SplitLines(bytes);
    if (lines.empty() || !StartsWith(lines[0], kMagic)) {
        return Damaged();
    }
    long version = 0;
    if (!ParseNumber(std::string_view(lines[0]).substr(kMagic.size()), false, version) ||
        version < 1) {
        return Damaged();
    }
    if (version > kSessionVersion) {
        return SessionRead{SessionStatus::Newer, {}};
    }
    if (lines.size() < 4 || lines[1].size() != kCleanKey.size() + 1 ||
        !StartsWith(lines[1], kCleanKey) || (lines[1].back() != '0' && lines[1].back() != '1')) {
        return Damaged();
    }
    long active = 0;
    if (!StartsWith(lines[2], kActiveKey) ||
        !ParseNumber(std::string_view(lines[2]).substr(kActiveKey.size()), true, active)) {
        return Damaged();
    }
    SessionRead r;
    r.status = SessionStatus::Read;
    r.session.clean = lines[1].back() == '1';
    const std::string& last = lines.back();
    long count = 0;
    if (!StartsWith(last, kEndKey) ||
        !ParseNumber(std::string_view(last).substr(kEndKey.size()), false, count) ||
        static_cast<size_t>(count) != lines.size() - 4) {
        return Damaged();
    }
    for (size_t i = 3; i + 1 < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (!StartsWith(line, kUrlKey)) {
            return Damaged();
        }
        line.remove_prefix(kUrlKey.size());
        if (line.empty() || HasControlBytes(line)) {
            return Damaged();
        }
        r.session.addresses.emplace_back(line);
    }
    if (active < -1 || active >= count) {
        return Damaged();
    }
    r.session.active = static_cast<int>(active);
    // Only the program's own bytes count (lines ended by CR LF alone, say).
    if (WriteSession(r.session) != bytes) {
        return Damaged();
    }
    return r;
}

bool OfferRestore(const SessionRead& read) {
    return read.status == SessionStatus::Read && !read.session.clean &&
           !read.session.addresses.empty();
}

bool IsRestorable(std::string_view address, std::string_view helpAddress) {
    if (address.empty() || address == helpAddress) {
        return false;
    }
    constexpr std::string_view kBlank = "about:blank";
    if (address.size() != kBlank.size()) {
        return true;
    }
    for (size_t i = 0; i < kBlank.size(); ++i) {
        char c = address[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != kBlank[i]) {
            return true;
        }
    }
    return false;
}

Session CollectSession(const std::vector<std::string>& addresses, int activeIndex,
                       std::string_view helpAddress) {
    Session s;
    for (size_t i = 0; i < addresses.size(); ++i) {
        if (!IsRestorable(addresses[i], helpAddress) || HasControlBytes(addresses[i])) {
            continue;
        }
        if (static_cast<int>(i) == activeIndex) {
            s.active = static_cast<int>(s.addresses.size());
        }
        s.addresses.push_back(addresses[i]);
    }
    return s;
}

} // namespace kv
