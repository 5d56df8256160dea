// Shell item-identifier lists from arbitrary bytes: the size is either 0 or a closed list
// inside the buffer; the last item, the strip and the join agree with it.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/core/item_id_list.h"

namespace {

void Require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the given size, so that any read past it is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    const size_t n = kv::ItemIdListSize(bytes.data(), bytes.size());
    const auto last = kv::LastItemOffset(bytes.data(), bytes.size());
    std::vector<uint8_t> stripped = bytes;
    const bool strippedOk = kv::StripLastItem(stripped.data(), stripped.size());
    const std::vector<uint8_t> joined =
        kv::JoinItemIdLists(bytes.data(), bytes.size(), bytes.data(), bytes.size());
    if (n == 0) {
        // Malformed: reported, never walked on or changed.
        Require(!last && !strippedOk && stripped == bytes && joined.empty());
        return 0;
    }
    Require(n >= 2 && n <= size);
    Require(bytes[n - 2] == 0 && bytes[n - 1] == 0);
    // Walking the items again lands exactly on the closing count.
    size_t pos = 0;
    size_t lastSeen = SIZE_MAX;
    while (bytes[pos] | (bytes[pos + 1] << 8)) {
        lastSeen = pos;
        pos += bytes[pos] | (bytes[pos + 1] << 8);
        Require(pos + 2 <= n);
    }
    Require(pos + 2 == n);
    Require(last ? *last == lastSeen : lastSeen == SIZE_MAX);
    // Stripping closes the list at its last item; the rest of the block is untouched.
    Require(strippedOk);
    const size_t cut = last ? *last : n - 2;
    Require(kv::ItemIdListSize(stripped.data(), stripped.size()) == cut + 2);
    Require(std::equal(stripped.begin(), stripped.begin() + static_cast<long>(cut), bytes.begin()));
    // Joining the list to itself doubles its items.
    Require(joined.size() == 2 * n - 2);
    Require(kv::ItemIdListSize(joined.data(), joined.size()) == joined.size());
    // The list keeps its size with anything appended after it.
    std::vector<uint8_t> longer(bytes.begin(), bytes.begin() + static_cast<long>(n));
    longer.push_back(0xFF);
    Require(kv::ItemIdListSize(longer.data(), longer.size()) == n);
    return 0;
}
