#include <gtest/gtest.h>

#include <climits>

#include "common/core/search_config.h"
#include "browser_window/core/window_rules.h"
#include "test_codecs.h"

using kvtest::GbkOf;

TEST(ProgressFor, ShownAndHidden) {
    struct Case {
        int32_t progress, max;
        int position;
        bool visible;
    };
    const Case cases[] = {
        {50, 200, 25, true},
        {1, 3, 33, true},
        {3, 2, 150, true},
        {1, 2, 50, true},
        {2, 3, 66, true},
        {0, 100, 1, false},
        {-1, 100, 1, false},
        {5, 1, 1, false},
        {5, 0, 1, false},
        {5, -7, 1, false},
        {INT32_MIN, 5, 1, false},
        // A 32-bit product would overflow in these.
        {2000000000, 2100000000, 95, true},
        {INT32_MAX, INT32_MAX, 100, true},
        {30000000, 60000000, 50, true},
    };
    for (const Case& c : cases) {
        const kv::ProgressView v = kv::ProgressFor(c.progress, c.max);
        EXPECT_EQ(v.position, c.position) << c.progress << "/" << c.max;
        EXPECT_EQ(v.visible, c.visible) << c.progress << "/" << c.max;
    }
}

TEST(ProgressFor, HugeRatioStaysAFullBar) {
    const kv::ProgressView v = kv::ProgressFor(INT32_MAX, 2);
    EXPECT_TRUE(v.visible);
    EXPECT_GT(v.position, 100);
}

TEST(CommandStateTarget, OnlyOneAndTwo) {
    EXPECT_EQ(kv::CommandStateTarget(1), kv::NavCommand::Forward);
    EXPECT_EQ(kv::CommandStateTarget(2), kv::NavCommand::Back);
    for (int32_t c : {-1, 0, 3, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(kv::CommandStateTarget(c), kv::NavCommand::None) << c;
    }
}

TEST(AltArrowKey, ExactlyAlt) {
    EXPECT_EQ(kv::AltArrowKey(37, true, false, false, false), kv::AltArrow::Back);
    EXPECT_EQ(kv::AltArrowKey(39, true, false, false, false), kv::AltArrow::Forward);
    EXPECT_EQ(kv::AltArrowKey(39, false, false, false, false), kv::AltArrow::None);
    EXPECT_EQ(kv::AltArrowKey(39, true, false, true, false), kv::AltArrow::None);
    EXPECT_EQ(kv::AltArrowKey(37, true, true, false, false), kv::AltArrow::None);
    EXPECT_EQ(kv::AltArrowKey(37, true, false, false, true), kv::AltArrow::None);
    for (unsigned vk : {36u, 38u, 40u, 13u}) {
        EXPECT_EQ(kv::AltArrowKey(vk, true, false, false, false), kv::AltArrow::None) << vk;
    }
}

TEST(DecideAddress, HomeFormsBecomeThePartnerPage) {
    for (const std::string form : {"http://baidu.com/", "http://www.baidu.com/",
                                   "http://www.baidu.com", "www.baidu.com", "baidu.com"}) {
        const auto d = kv::DecideAddress(form);
        EXPECT_EQ(d.boxText, "http://www.baidu.com/s?tn=trevox_pg") << form;
        EXPECT_EQ(d.navigateTo, "http://www.baidu.com/s?tn=trevox_pg") << form;
    }
}

TEST(DecideAddress, DottedTextLoadsAsTyped) {
    for (const std::string typed :
         {"http://baidu.com", "BAIDU.COM", " baidu.com", "1.2.3", "www.sina.com.cn", ".",
          "http://www.baidu.com/s?tn=trevox_pg"}) {
        const auto d = kv::DecideAddress(typed);
        EXPECT_EQ(d.boxText, typed);
        EXPECT_EQ(d.navigateTo, typed);
    }
}

TEST(DecideAddress, UndottedTextIsSearched) {
    const std::string word = GbkOf(L"电影");
    auto d = kv::DecideAddress(word);
    EXPECT_EQ(d.boxText, word);
    // "电影" in GBK after the prefix.
    EXPECT_EQ(d.navigateTo, "http://www.baidu.com/baidu?tn=trevox_dg&word=\xb5\xe7\xd3\xb0");
    d = kv::DecideAddress("");
    EXPECT_EQ(d.boxText, "");
    EXPECT_EQ(d.navigateTo, "http://www.baidu.com/baidu?tn=trevox_dg&word=");
    d = kv::DecideAddress(" two words ");
    EXPECT_EQ(d.navigateTo, "http://www.baidu.com/baidu?tn=trevox_dg&word= two words ");
    d = kv::DecideAddress("localhost:8080");
    EXPECT_EQ(d.navigateTo, "http://www.baidu.com/baidu?tn=trevox_dg&word=localhost:8080");
}

TEST(OnNavigationStart, RecordMarkStates) {
    bool mark = false;
    auto s = kv::OnNavigationStart(mark, "http://a.com/");
    EXPECT_FALSE(s.focusOnly);
    EXPECT_FALSE(s.record);
    EXPECT_FALSE(mark);

    mark = true; // GoToAddress
    s = kv::OnNavigationStart(mark, "about:blank");
    EXPECT_TRUE(s.focusOnly);
    EXPECT_FALSE(s.record);
    EXPECT_TRUE(mark);

    s = kv::OnNavigationStart(mark, "http://a.com/");
    EXPECT_FALSE(s.focusOnly);
    EXPECT_TRUE(s.record);
    EXPECT_FALSE(mark);

    s = kv::OnNavigationStart(mark, "http://a.com/frame.html"); // a link or a frame after it
    EXPECT_FALSE(s.record);

    s = kv::OnNavigationStart(mark, "about:blank");
    EXPECT_TRUE(s.focusOnly);
    EXPECT_FALSE(mark);

    // Only the exact blank page is passed over.
    mark = true;
    s = kv::OnNavigationStart(mark, "ABOUT:BLANK");
    EXPECT_FALSE(s.focusOnly);
    EXPECT_TRUE(s.record);
}
