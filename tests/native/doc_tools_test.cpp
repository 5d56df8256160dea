#include <gtest/gtest.h>

#include "doc_tools/core/page_text.h"
#include "doc_tools/core/text_size.h"

TEST(TextSize, RangeWordHoldsSmallestLowAndLargestHighUnsigned) {
    doc::TextSizeRange r = doc::DecodeTextSizeRange(0x00040000u);
    EXPECT_EQ(r.smallest, 0);
    EXPECT_EQ(r.largest, 4);
    r = doc::DecodeTextSizeRange(0xFFFF8001u);
    EXPECT_EQ(r.smallest, 32769); // not a negative 16-bit number
    EXPECT_EQ(r.largest, 65535);
}

TEST(TextSize, ClampedToTheEnginesRange) {
    doc::TextSizeRange r = doc::DecodeTextSizeRange(0x00050001u); // 1 .. 5
    EXPECT_EQ(doc::ClampTextSize(0, r), 1);
    EXPECT_EQ(doc::ClampTextSize(-7, r), 1);
    EXPECT_EQ(doc::ClampTextSize(1, r), 1);
    EXPECT_EQ(doc::ClampTextSize(3, r), 3);
    EXPECT_EQ(doc::ClampTextSize(5, r), 5);
    EXPECT_EQ(doc::ClampTextSize(6, r), 5);
    EXPECT_EQ(doc::ClampTextSize(2147483647, r), 5);
    doc::TextSizeRange wide = doc::DecodeTextSizeRange(0xFFFF0000u); // 0 .. 65535
    EXPECT_EQ(doc::ClampTextSize(65535, wide), 65535);
    EXPECT_EQ(doc::ClampTextSize(65536, wide), 65535);
    EXPECT_EQ(doc::ClampTextSize(-2147483647 - 1, wide), 0);
}

TEST(PageTextFile, OneEntryWithOneLineEndOrNothing) {
    EXPECT_EQ(doc::PageTextFileBytes(std::string("abc")), "abc\r\n");
    EXPECT_EQ(doc::PageTextFileBytes(std::nullopt), "");
    EXPECT_EQ(doc::PageTextFileBytes(std::string()), "\r\n"); // a page without text
    // Line breaks inside the text are kept as they are: still one entry.
    EXPECT_EQ(doc::PageTextFileBytes(std::string("a\r\nb\nc\r")), "a\r\nb\nc\r\r\n");
    EXPECT_EQ(doc::PageTextFileBytes(std::string("\xD6\xD0\xCE\xC4", 4)),
              std::string("\xD6\xD0\xCE\xC4\r\n", 6));
}
