// Shell item-identifier lists from arbitrary bytes: the size is either 0 or a closed list
// inside the buffer.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "host/core/host_options.h"

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
    const size_t n = host::ItemIdListSize(bytes.data(), bytes.size());
    if (n == 0) {
        return 0;
    }
    Require(n >= 2 && n <= size);
    Require(bytes[n - 2] == 0 && bytes[n - 1] == 0);
    // Walking the items again lands exactly on the closing count.
    size_t pos = 0;
    while (bytes[pos] | (bytes[pos + 1] << 8)) {
        pos += bytes[pos] | (bytes[pos + 1] << 8);
        Require(pos + 2 <= n);
    }
    Require(pos + 2 == n);
    // The list keeps its size with anything appended after it.
    std::vector<uint8_t> longer(bytes.begin(), bytes.begin() + static_cast<long>(n));
    longer.push_back(0xFF);
    Require(host::ItemIdListSize(longer.data(), longer.size()) == n);
    return 0;
}
