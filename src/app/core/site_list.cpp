#include "app/core/site_list.h"

#include "common/core/search_config.h"

namespace kv {

// ":" (0x3A) is never the trail byte of a two-byte character, so the first ":" byte is the
// first ":" character.
std::string SiteItemAddress(std::string_view item, const AnsiCodec& codec) {
    if (item.empty()) {
        return std::string();
    }
    const size_t colon = item.find(':');
    std::string_view tail = colon == std::string_view::npos ? item : item.substr(colon + 1);
    tail = tail.substr(0, codec.PrefixBytes(tail, kSiteAddressMaxChars));
    if (IsSearchHomeForm(tail)) {
        return PartnerHomeUrl();
    }
    return std::string(tail);
}

std::string SearchAddress(std::string_view prefix, std::string_view word) {
    std::string out;
    out.reserve(prefix.size() + word.size());
    out += prefix;
    out += word;
    return out;
}

} // namespace kv
