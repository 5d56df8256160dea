#include <gtest/gtest.h>

#include "common/core/line_list.h"

using Lines = std::vector<std::string>;

TEST(LineList, FileBytesSplitAndWrittenBack) {
    const struct {
        std::string bytes;
        Lines lines;
        std::string written;
    } cases[] = {
        {"", {}, ""},
        {"a.com\r\nb.com\r\n", {"a.com", "b.com"}, "a.com\r\nb.com\r\n"},
        {"a.com\nB.COM\rc.com", {"a.com", "B.COM", "c.com"}, "a.com\r\nB.COM\r\nc.com\r\n"},
        {"\r\n\r\nx", {"", "", "x"}, "\r\n\r\nx\r\n"},
        {"\n\r", {"", ""}, "\r\n\r\n"},
        {"\xD6\xD0\xCE\xC4.com\r\n", {"\xD6\xD0\xCE\xC4.com"}, "\xD6\xD0\xCE\xC4.com\r\n"},
        {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}, std::string("a\0b\r\n", 5)},
    };
    for (const auto& c : cases) {
        const kv::LineList list = kv::LineList::FromFileBytes(c.bytes);
        EXPECT_EQ(list, c.lines) << c.bytes;
        EXPECT_EQ(list.size(), c.lines.size());
        EXPECT_EQ(list.ToFileBytes(), c.written);
    }
}

// Each change of a list read from a file, and what a copy taken before it still holds.
TEST(LineList, ChangesKeepOrderAndLeaveCopiesAlone) {
    const struct {
        const char* change;
        Lines after;
    } cases[] = {
        {"insert front", {"new.com", "a.com", "b.com", "c.com"}},
        {"insert middle", {"a.com", "new.com", "b.com", "c.com"}},
        {"push back", {"a.com", "b.com", "c.com", "new.com"}},
        {"move last to front", {"c.com", "a.com", "b.com"}},
        {"move first", {"a.com", "b.com", "c.com"}},
        {"erase middle", {"a.com", "c.com"}},
        {"pop back", {"a.com", "b.com"}},
        {"clear", {}},
    };
    for (const auto& c : cases) {
        kv::LineList list = kv::LineList::FromFileBytes("a.com\r\nb.com\r\nc.com\r\n");
        const kv::LineList copy = list;
        EXPECT_TRUE(copy.SharesWith(list));
        const std::string change = c.change;
        if (change == "insert front") {
            list.insert(0, "new.com");
        } else if (change == "insert middle") {
            list.insert(list.begin() + 1, "new.com");
        } else if (change == "push back") {
            list.push_back("new.com");
        } else if (change == "move last to front") {
            list.move_to_front(2);
        } else if (change == "move first") {
            list.move_to_front(0);
        } else if (change == "erase middle") {
            list.erase(1);
        } else if (change == "pop back") {
            list.pop_back();
        } else {
            list.clear();
        }
        EXPECT_EQ(list, c.after) << change;
        EXPECT_EQ(copy, (Lines{"a.com", "b.com", "c.com"})) << change;
        // Lines added later are stored too: the list written and read again is the same.
        EXPECT_EQ(kv::LineList::FromFileBytes(list.ToFileBytes()), c.after) << change;
    }
}
