#include <gtest/gtest.h>

#include <cctype>

#include "common/core/history.h"
#include "common/core/search_config.h"
#include "test_codecs.h"

using kvtest::Gbk;
using kvtest::GbkOf;
using kvtest::Western;
using Lines = kv::LineList;
constexpr size_t npos = std::string::npos;

TEST(FindLine, WholeLineIgnoringCase) {
    const Lines lines{"http://a.com/x", "HTTP://B.COM", "http://b.com", "b.com"};
    EXPECT_EQ(kv::FindLine(lines, "http://b.com", Gbk()), 1u); // first match
    EXPECT_EQ(kv::FindLine(lines, "B.com", Gbk()), 3u);
    EXPECT_EQ(kv::FindLine(lines, "http://a.com", Gbk()), npos); // whole line only
    EXPECT_EQ(kv::FindLine(lines, "", Gbk()), npos);
    EXPECT_EQ(kv::FindLine({""}, "", Gbk()), 0u);
    EXPECT_EQ(kv::FindLine({}, "a", Gbk()), npos);
}

TEST(FindLine, NonAsciiLines) {
    const Lines lines{"http://x.com/" + GbkOf(L"中文"), "\x81\x41.com", GbkOf(L"ＡＢ.com")};
    EXPECT_EQ(kv::FindLine(lines, "HTTP://X.COM/" + GbkOf(L"中文"), Gbk()), 0u);
    EXPECT_EQ(kv::FindLine(lines, "\x81\x61.com", Gbk()), npos);
    EXPECT_EQ(kv::FindLine(lines, GbkOf(L"ａｂ.COM"), Gbk()), 2u);
    // The ASCII text does not match a line of the same length holding other characters.
    EXPECT_EQ(kv::FindLine(lines, "AA.com", Gbk()), npos);
    EXPECT_EQ(kv::FindLine({"caf\xE9.fr"}, "CAF\xC9.FR", Western()), 0u);
}

TEST(RecordAtFront, MovesExistingLineKeepingItsText) {
    Lines lines{"a.com", "http://Mixed.Case/Path", "c.com"};
    EXPECT_EQ(kv::RecordAtFront(lines, "HTTP://MIXED.CASE/path", Gbk()), 1u);
    EXPECT_EQ(lines, (Lines{"http://Mixed.Case/Path", "a.com", "c.com"}));
    EXPECT_EQ(kv::RecordAtFront(lines, "c.com", Gbk()), 2u);
    EXPECT_EQ(lines, (Lines{"c.com", "http://Mixed.Case/Path", "a.com"}));
    EXPECT_EQ(kv::RecordAtFront(lines, "C.COM", Gbk()), 0u);
    EXPECT_EQ(lines, (Lines{"c.com", "http://Mixed.Case/Path", "a.com"}));
}

TEST(RecordAtFront, InsertsAbsentLine) {
    Lines lines;
    EXPECT_EQ(kv::RecordAtFront(lines, "a.com", Gbk()), npos);
    EXPECT_EQ(kv::RecordAtFront(lines, "b.com", Gbk()), npos);
    EXPECT_EQ(lines, (Lines{"b.com", "a.com"}));
    // Different GBK characters whose trail bytes are "A" and "a" are two addresses.
    lines = {"\x81\x41"};
    EXPECT_EQ(kv::RecordAtFront(lines, "\x81\x61", Gbk()), npos);
    EXPECT_EQ(lines, (Lines{"\x81\x61", "\x81\x41"}));
    // Under a single-byte code page the same bytes are one address in two cases.
    lines = {"x.com", "\x81\x41"};
    EXPECT_EQ(kv::RecordAtFront(lines, "\x81\x61", Western()), 1u);
    EXPECT_EQ(lines, (Lines{"\x81\x41", "x.com"}));
}

TEST(EnsurePartnerHome, InsertsOnlyWhenMissing) {
    const std::string home = "http://www.baidu.com/s?tn=trevox_pg";
    Lines empty;
    kv::EnsurePartnerHome(empty, Gbk());
    EXPECT_EQ(empty, Lines{home});

    Lines other{"a.com"};
    kv::EnsurePartnerHome(other, Gbk());
    EXPECT_EQ(other, (Lines{home, "a.com"}));

    std::string upper = home;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    Lines present{"a.com", upper};
    kv::EnsurePartnerHome(present, Gbk());
    EXPECT_EQ(present, (Lines{"a.com", upper})); // neither added nor moved
}
