// Addresses built from the site list and the search box.
#pragma once

#include <string>
#include <string_view>

#include "common/core/text_codec.h"

namespace kv {

// Longest address taken from a site list item, in characters.
inline constexpr size_t kSiteAddressMaxChars = 255;

// Empty item -> empty; text after the first ":" (the whole text when there is none), at most
// 255 characters (whole characters: a two-byte character counts as one and is never split);
// equal to a SearchHomeForms entry -> PartnerHomeUrl().
std::string SiteItemAddress(std::string_view item, const AnsiCodec& codec);
// prefix + word exactly as typed, no trimming or encoding.
std::string SearchAddress(std::string_view prefix, std::string_view word);

} // namespace kv
