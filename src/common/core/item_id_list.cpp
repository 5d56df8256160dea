#include "common/core/item_id_list.h"

namespace kv {
namespace {

size_t CountAt(const uint8_t* bytes, size_t pos) {
    return static_cast<size_t>(bytes[pos]) | (static_cast<size_t>(bytes[pos + 1]) << 8);
}

// Walks the items; gives the size and the start of the last item. False when malformed.
bool Walk(const uint8_t* bytes, size_t available, size_t& size, std::optional<size_t>& last) {
    if (bytes == nullptr) {
        return false;
    }
    size_t pos = 0;
    for (;;) {
        if (available - pos < 2) {
            return false;
        }
        size_t count = CountAt(bytes, pos);
        if (count == 0) {
            size = pos + 2;
            return true;
        }
        if (count < 2 || count > available - pos) {
            return false;
        }
        last = pos;
        pos += count;
    }
}

} // namespace

size_t ItemIdListSize(const uint8_t* bytes, size_t available) {
    size_t size = 0;
    std::optional<size_t> last;
    return Walk(bytes, available, size, last) ? size : 0;
}

std::optional<size_t> LastItemOffset(const uint8_t* bytes, size_t available) {
    size_t size = 0;
    std::optional<size_t> last;
    if (!Walk(bytes, available, size, last)) {
        return std::nullopt;
    }
    return last;
}

bool StripLastItem(uint8_t* bytes, size_t available) {
    size_t size = 0;
    std::optional<size_t> last;
    if (!Walk(bytes, available, size, last)) {
        return false;
    }
    if (last) {
        bytes[*last] = 0;
        bytes[*last + 1] = 0;
    }
    return true;
}

std::vector<uint8_t> JoinItemIdLists(const uint8_t* parent, size_t parentAvailable,
                                     const uint8_t* child, size_t childAvailable) {
    size_t a = 0;
    if (parent != nullptr) {
        a = ItemIdListSize(parent, parentAvailable);
        if (a == 0) {
            return {};
        }
        a -= 2;
    }
    size_t b = ItemIdListSize(child, childAvailable);
    if (b == 0) {
        return {};
    }
    std::vector<uint8_t> joined;
    joined.reserve(a + b);
    if (a > 0) {
        joined.insert(joined.end(), parent, parent + a);
    }
    joined.insert(joined.end(), child, child + b);
    return joined;
}

} // namespace kv
