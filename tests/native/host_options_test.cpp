#include <gtest/gtest.h>

#include <vector>

#include "host/core/host_options.h"

namespace {

size_t SizeOf(const std::vector<uint8_t>& bytes) {
    return host::ItemIdListSize(bytes.data(), bytes.size());
}

} // namespace

TEST(ItemIdListSize, ClosedLists) {
    EXPECT_EQ(SizeOf({0, 0}), 2u);
    EXPECT_EQ(SizeOf({4, 0, 'a', 'b', 0, 0}), 6u);
    EXPECT_EQ(SizeOf({2, 0, 3, 0, 'x', 0, 0, 0xEE}), 7u); // bytes after the end not read
    std::vector<uint8_t> big(0x0102 + 2, 0);
    big[0] = 0x02;
    big[1] = 0x01; // one item of 258 bytes, little-endian count
    EXPECT_EQ(SizeOf(big), 0x0104u);
}

TEST(ItemIdListSize, MalformedOrUnclosed) {
    EXPECT_EQ(host::ItemIdListSize(nullptr, 100), 0u);
    EXPECT_EQ(SizeOf({}), 0u);
    EXPECT_EQ(SizeOf({0}), 0u);
    EXPECT_EQ(SizeOf({4, 0, 'a', 'b'}), 0u);       // no closing count
    EXPECT_EQ(SizeOf({4, 0, 'a', 'b', 0}), 0u);    // half a closing count
    EXPECT_EQ(SizeOf({1, 0, 0, 0}), 0u);           // a count below its own size
    EXPECT_EQ(SizeOf({9, 0, 'a', 'b', 0, 0}), 0u); // an item past the end
}

TEST(HostOptions, BlankAddress) {
    EXPECT_TRUE(host::IsBlankAddress(L""));
    EXPECT_TRUE(host::IsBlankAddress(L" \t\r\n"));
    EXPECT_FALSE(host::IsBlankAddress(L" a "));
    EXPECT_FALSE(host::IsBlankAddress(L"\x3000")); // an ideographic space is not trimmed
}
