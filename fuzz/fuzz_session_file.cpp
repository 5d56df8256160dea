// Session file: any bytes are read without fault, and whatever is read as a session writes
// back to bytes that read as the same session.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/core/session_file.h"

namespace {

void Require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kv::SessionRead r = kv::ReadSession(bytes);
    if (r.status != kv::SessionStatus::Read) {
        Require(r.session.addresses.empty() && !kv::OfferRestore(r));
        return 0;
    }
    const kv::Session& s = r.session;
    Require(s.active >= -1 && s.active < static_cast<int>(s.addresses.size()));
    for (const std::string& a : s.addresses) {
        Require(!a.empty() && a.find('\r') == std::string::npos &&
                a.find('\n') == std::string::npos && a.find('\0') == std::string::npos);
    }
    const std::string again = kv::WriteSession(s);
    // The program's own bytes are the only ones read: writing back gives them unchanged.
    Require(again == bytes);
    const kv::SessionRead back = kv::ReadSession(again);
    Require(back.status == kv::SessionStatus::Read && back.session.addresses == s.addresses &&
            back.session.active == s.active && back.session.clean == s.clean);
    const kv::Session kept = kv::CollectSession(s.addresses, s.active, "http://help/");
    Require(kept.addresses.size() <= s.addresses.size());
    Require(kept.active >= -1 && kept.active < static_cast<int>(kept.addresses.size()));
    return 0;
}
