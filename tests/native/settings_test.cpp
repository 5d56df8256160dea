#include <gtest/gtest.h>

#include <climits>

#include "common/core/line_file.h"
#include "app/core/settings.h"

using Lines = std::vector<std::string>;

TEST(LookupKey, MatchesTextBeforeFirstEquals) {
    const Lines lines{"junk", "tabtop=12", "TabTop=99", "N10= 1 ", "Url=a=b", "=x", "N9"};
    EXPECT_EQ(kv::LookupKey(lines, "TabTop"), "12"); // case ignored, first match wins
    EXPECT_EQ(kv::LookupKey(lines, "TABTOP"), "12");
    EXPECT_EQ(kv::LookupKey(lines, "N10"), " 1 "); // untrimmed
    EXPECT_EQ(kv::LookupKey(lines, "url"), "a=b");
    EXPECT_EQ(kv::LookupKey(lines, ""), "x");
    EXPECT_EQ(kv::LookupKey(lines, "N9"), "");   // a line without "=" never matches
    EXPECT_EQ(kv::LookupKey(lines, "junk"), ""); // nor does a key absent before "="
    EXPECT_EQ(kv::LookupKey(lines, "Tab"), "");
    EXPECT_EQ(kv::LookupKey({}, "TabTop"), "");
}

TEST(LookupKey, KeyWithBlanksOrTrailBytesIsNotLoose) {
    EXPECT_EQ(kv::LookupKey({"TabTop =5", "TabTop=6"}, "TabTop"), "6");
    // "\x81\x41" and "\x81\x61" are different GBK characters.
    EXPECT_EQ(kv::LookupKey({"\x81\x41=1", "\x81\x61=2"}, "\x81\x61"), "2");
}

TEST(ParseWholeNumber, Accepts) {
    const std::pair<const char*, int> good[] = {
        {"0", 0},
        {"-5", -5},
        {"+7", 7},
        {"007", 7},
        {"-0", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
    };
    for (const auto& [text, value] : good) {
        int out = 12345;
        EXPECT_TRUE(kv::ParseWholeNumber(text, out)) << text;
        EXPECT_EQ(out, value) << text;
    }
}

TEST(ParseWholeNumber, RejectsAndLeavesOutAlone) {
    for (const char* text :
         {"", "-", "+", " 1", "1 ", "abc", "1a", "1e3", "0x10", "$10", "2147483648", "-2147483649",
          "99999999999999999999", "--1", "+-1", "1.0"}) {
        int out = 12345;
        EXPECT_FALSE(kv::ParseWholeNumber(text, out)) << text;
        EXPECT_EQ(out, 12345) << text;
    }
}

TEST(ReadSettings, FullFile) {
    const auto s = kv::ReadSettings(
        {"TabTop=-3", "TabLeft=140", "N10=0", "N14=1", "N11=1", "N9=0", "LastTime=2026-12-09"});
    EXPECT_TRUE(s.complete);
    EXPECT_EQ(s.tabTop, -3);
    EXPECT_EQ(s.tabLeft, 140);
    EXPECT_EQ(s.n10, false);
    EXPECT_EQ(s.n14, true);
    EXPECT_EQ(s.n11, true);
    EXPECT_EQ(s.n9, false);
}

TEST(ReadSettings, OnlyExactOneChecks) {
    const auto s =
        kv::ReadSettings({"TabTop=1", "TabLeft=2", "N10=1 ", "N14=01", "N11=", "N9=true"});
    EXPECT_TRUE(s.complete);
    EXPECT_EQ(s.n10, false);
    EXPECT_EQ(s.n14, false);
    EXPECT_EQ(s.n11, false);
    EXPECT_EQ(s.n9, false);
    // Absent marks read as unchecked once the positions were read.
    const auto t = kv::ReadSettings({"TabTop=1", "TabLeft=2"});
    EXPECT_TRUE(t.complete);
    EXPECT_EQ(t.n10, false);
    EXPECT_EQ(t.n9, false);
}

TEST(ReadSettings, BadPositionStopsReading) {
    const auto bad = kv::ReadSettings({"TabTop=abc", "TabLeft=2", "N10=0", "N14=1"});
    EXPECT_FALSE(bad.complete);
    EXPECT_FALSE(bad.tabTop || bad.tabLeft || bad.n10 || bad.n14 || bad.n11 || bad.n9);

    const auto left = kv::ReadSettings({"TabTop=4", "TabLeft=", "N10=0", "N14=1"});
    EXPECT_FALSE(left.complete);
    EXPECT_EQ(left.tabTop, 4);
    EXPECT_FALSE(left.tabLeft || left.n10 || left.n14 || left.n11 || left.n9);

    const auto none = kv::ReadSettings({});
    EXPECT_FALSE(none.complete);
    EXPECT_FALSE(none.tabTop);
}

TEST(WriteSettings, LinesInOrder) {
    kv::SavedSettings s;
    s.tabTop = -2;
    s.tabLeft = 301;
    s.n10 = false;
    s.n14 = true;
    s.n11 = true;
    s.n9 = false;
    s.year = 2027;
    s.month = 3;
    s.day = 5;
    EXPECT_EQ(kv::WriteSettings(s), (Lines{"TabTop=-2", "TabLeft=301", "N10=0", "N14=1", "N11=1",
                                           "N9=0", "LastTime=2027-03-05"}));
}

TEST(WriteSettings, RoundTripThroughFile) {
    for (int top : {INT_MIN, -17, 0, 25, INT_MAX}) {
        for (int marks = 0; marks < 16; ++marks) {
            kv::SavedSettings s;
            s.tabTop = top;
            s.tabLeft = -(top / 2);
            s.n10 = marks & 1;
            s.n14 = marks & 2;
            s.n11 = marks & 4;
            s.n9 = marks & 8;
            s.year = 2026;
            s.month = 12;
            s.day = 31;
            const auto r = kv::ReadSettings(kv::SplitLines(kv::JoinLines(kv::WriteSettings(s))));
            ASSERT_TRUE(r.complete);
            EXPECT_EQ(r.tabTop, s.tabTop);
            EXPECT_EQ(r.tabLeft, s.tabLeft);
            EXPECT_EQ(r.n10, s.n10);
            EXPECT_EQ(r.n14, s.n14);
            EXPECT_EQ(r.n11, s.n11);
            EXPECT_EQ(r.n9, s.n9);
        }
    }
}
