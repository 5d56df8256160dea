// Shell item-identifier lists as bytes: each item opens with its 16-bit little-endian byte
// count (the two count bytes included), and a zero count closes the list. Portable.
//
// Every walk is given the number of bytes it may read and never reads past them; a list that
// is not closed within them, or an item whose count is below 2 or runs past them, makes the
// list malformed, and the walk reports that instead of going on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kv {

// Size of the list: the sum of its item counts plus 2 for the closing count. 0 for none (null)
// or a malformed list.
size_t ItemIdListSize(const uint8_t* bytes, size_t available);

// Offset of the last item before the closing count; nothing when the list has no items or is
// malformed.
std::optional<size_t> LastItemOffset(const uint8_t* bytes, size_t available);

// Cuts the last item off in place (its count becomes the closing zero), which leaves the
// identity of the containing folder. A list without items is left alone. False when the list
// is malformed (nothing is changed then).
[[nodiscard]] bool StripLastItem(uint8_t* bytes, size_t available);

// The parent without its closing count, then the whole child. A null parent counts as the
// empty list. Empty when either list is malformed or the child is null.
std::vector<uint8_t> JoinItemIdLists(const uint8_t* parent, size_t parentAvailable,
                                     const uint8_t* child, size_t childAvailable);

} // namespace kv
