// Site list items and tab captions through a two-byte code page: no cut may split a character
// and the results must stay within their limits.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/core/line_file.h"
#include "common/core/history.h"
#include "common/core/search_config.h"
#include "app/core/site_list.h"
#include "app/core/tab_caption.h"
#include "gbk_like_codec.h"

namespace {

void Require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

size_t CharCount(const kv::AnsiCodec& codec, std::string_view text) {
    size_t n = 0;
    for (size_t pos = 0; pos < text.size(); pos += codec.CharLength(text, pos)) {
        ++n;
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const kvfuzz::GbkLikeCodec codec;
    const std::string_view item(reinterpret_cast<const char*>(data), size);

    const std::string address = kv::SiteItemAddress(item, codec);
    if (address != kv::PartnerHomeUrl()) {
        const size_t colon = item.find(':');
        const std::string_view tail =
            colon == std::string_view::npos ? item : item.substr(colon + 1);
        Require(tail.substr(0, address.size()) == address);
        Require(CharCount(codec, address) <= kv::kSiteAddressMaxChars);
        // Whole characters: the cut falls on a character boundary of the tail.
        Require(codec.PrefixBytes(tail, CharCount(codec, address)) == address.size());
        if (address.size() < tail.size()) {
            Require(CharCount(codec, address) == kv::kSiteAddressMaxChars);
        }
    }

    // The same bytes as 16-bit units, surrogates included.
    std::wstring caption;
    for (size_t i = 0; i + 1 < size; i += 2) {
        caption += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    }
    const std::wstring tab = kv::ShortTabCaption(caption, codec);
    Require(caption.compare(0, tab.size(), tab) == 0);
    if (codec.ToAnsi(caption).size() <= 9) {
        Require(tab == caption);
    } else {
        Require(tab.size() <= 20);
        if (tab.size() < caption.size() && !tab.empty()) {
            const wchar_t last = tab.back();
            const wchar_t next = caption[tab.size()];
            Require(!(last >= 0xD800 && last <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF));
        }
    }

    // Case-blind equality is reflexive and symmetric, and history recording keeps one copy.
    const std::string_view half = item.substr(0, size / 2);
    const std::string_view rest = item.substr(size / 2);
    Require(codec.EqualIgnoreCase(item, item));
    Require(codec.EqualIgnoreCase(half, rest) == codec.EqualIgnoreCase(rest, half));
    kv::LineList lines{half};
    const size_t from = kv::RecordAtFront(lines, rest, codec);
    Require(from == std::string::npos ? lines.size() == 2 : lines.size() == 1);
    Require(kv::FindLine(lines, rest, codec) == 0);
    // The compact history reads a file's lines as the line splitter does.
    Require(kv::LineList::FromFileBytes(std::string(item)) == kv::SplitLines(item));
    return 0;
}
