#include <gtest/gtest.h>

#include "common/core/line_file.h"

using Lines = std::vector<std::string>;

TEST(SplitLines, EveryLineEnding) {
    EXPECT_EQ(kv::SplitLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(kv::SplitLines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(kv::SplitLines("a\rb\r"), (Lines{"a", "b"}));
    EXPECT_EQ(kv::SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    // LF CR is two endings, CR CR LF is an empty line between.
    EXPECT_EQ(kv::SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(kv::SplitLines("a\r\r\nb"), (Lines{"a", "", "b"}));
}

TEST(SplitLines, FirstAndLastLines) {
    EXPECT_EQ(kv::SplitLines(""), Lines{});
    EXPECT_EQ(kv::SplitLines("only"), Lines{"only"});
    EXPECT_EQ(kv::SplitLines("a\r\nlast"), (Lines{"a", "last"}));
    EXPECT_EQ(kv::SplitLines("\r\n"), Lines{""});
    EXPECT_EQ(kv::SplitLines("\r\n\r\n"), (Lines{"", ""}));
    EXPECT_EQ(kv::SplitLines("a\r\n\r\n\nb\r\n"), (Lines{"a", "", "", "b"}));
}

TEST(SplitLines, BytesKeptAsRead) {
    const std::string gbk = "\xD6\xD0\x0A"; // a lead byte, a trail byte, then LF
    EXPECT_EQ(kv::SplitLines(gbk + "x"), (Lines{"\xD6\xD0", "x"}));
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(kv::SplitLines(withNul), Lines{withNul});
    EXPECT_EQ(kv::SplitLines(" a \t"), Lines{" a \t"});
}

TEST(JoinLines, EveryLineEndsWithCrLf) {
    EXPECT_EQ(kv::JoinLines({}), "");
    EXPECT_EQ(kv::JoinLines({""}), "\r\n");
    EXPECT_EQ(kv::JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

TEST(JoinLines, RoundTrip) {
    const Lines lines{"http://a.com", "", "\xB0\xD9\xB6\xC8:baidu.com", " x "};
    EXPECT_EQ(kv::SplitLines(kv::JoinLines(lines)), lines);
}
