#include <gtest/gtest.h>

#include <vector>

#include "common/core/item_id_list.h"

namespace {

using Bytes = std::vector<uint8_t>;

// An item of the given total size (count bytes included), filled with a marker byte.
Bytes Item(uint8_t size, uint8_t fill) {
    Bytes b(size, fill);
    b[0] = size;
    b[1] = 0;
    return b;
}

Bytes List(std::initializer_list<Bytes> items) {
    Bytes b;
    for (const Bytes& i : items) {
        b.insert(b.end(), i.begin(), i.end());
    }
    b.push_back(0);
    b.push_back(0);
    return b;
}

size_t SizeOf(const Bytes& b) {
    return kv::ItemIdListSize(b.data(), b.size());
}

} // namespace

TEST(ItemIdList, Sizes) {
    EXPECT_EQ(SizeOf(List({Item(20, 'a'), Item(14, 'b')})), 36u);
    EXPECT_EQ(SizeOf(List({})), 2u);
    EXPECT_EQ(kv::ItemIdListSize(nullptr, 64), 0u);
    // A two-byte count read little-endian.
    Bytes big(0x0102 + 2, 0);
    big[0] = 0x02;
    big[1] = 0x01;
    EXPECT_EQ(SizeOf(big), 0x0104u);
}

TEST(ItemIdList, UnclosedOrMalformedListsAreReportedNotWalked) {
    Bytes open = {6, 0, 'a', 'b', 'c', 'd'}; // no closing count inside the block
    EXPECT_EQ(SizeOf(open), 0u);
    EXPECT_FALSE(kv::LastItemOffset(open.data(), open.size()).has_value());
    Bytes before = open;
    EXPECT_FALSE(kv::StripLastItem(open.data(), open.size()));
    EXPECT_EQ(open, before);
    EXPECT_TRUE(kv::JoinItemIdLists(nullptr, 0, open.data(), open.size()).empty());

    // The block ends inside the closing count, or an item runs past the block.
    EXPECT_EQ(SizeOf({4, 0, 'a', 'b', 0}), 0u);
    EXPECT_EQ(SizeOf({9, 0, 'a', 'b', 0, 0}), 0u);
    // A count below its own two bytes would walk in place.
    EXPECT_EQ(SizeOf({1, 0, 0, 0}), 0u);
    // The closing count of a good list inside a shorter block is not seen.
    Bytes good = List({Item(4, 'x')});
    EXPECT_EQ(kv::ItemIdListSize(good.data(), good.size() - 1), 0u);
}

TEST(ItemIdList, JoinKeepsParentItemsThenChild) {
    Bytes parent = List({Item(20, 'p'), Item(14, 'q')});
    Bytes child = List({Item(14, 'c')});
    ASSERT_EQ(parent.size(), 36u);
    ASSERT_EQ(child.size(), 16u);
    Bytes joined = kv::JoinItemIdLists(parent.data(), parent.size(), child.data(), child.size());
    ASSERT_EQ(joined.size(), 50u);
    EXPECT_EQ(SizeOf(joined), 50u);
    EXPECT_EQ(joined, List({Item(20, 'p'), Item(14, 'q'), Item(14, 'c')}));
    // No parent: the child alone.
    EXPECT_EQ(kv::JoinItemIdLists(nullptr, 0, child.data(), child.size()), child);
    // Empty parent.
    Bytes empty = List({});
    EXPECT_EQ(kv::JoinItemIdLists(empty.data(), empty.size(), child.data(), child.size()), child);
}

TEST(ItemIdList, StripAndLastItem) {
    Bytes one = List({Item(14, 'a')});
    EXPECT_EQ(kv::LastItemOffset(one.data(), one.size()), std::optional<size_t>(0));
    ASSERT_TRUE(kv::StripLastItem(one.data(), one.size()));
    EXPECT_EQ(SizeOf(one), 2u); // the empty list
    // The empty list stays as it is.
    ASSERT_TRUE(kv::StripLastItem(one.data(), one.size()));
    EXPECT_EQ(SizeOf(one), 2u);
    EXPECT_FALSE(kv::LastItemOffset(one.data(), one.size()).has_value());

    Bytes two = List({Item(20, 'a'), Item(14, 'b')});
    EXPECT_EQ(kv::LastItemOffset(two.data(), two.size()), std::optional<size_t>(20));
    ASSERT_TRUE(kv::StripLastItem(two.data(), two.size()));
    EXPECT_EQ(SizeOf(two), 22u);
    EXPECT_EQ(Bytes(two.begin(), two.begin() + 22), List({Item(20, 'a')}));
}
