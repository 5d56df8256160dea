#include <gtest/gtest.h>

#include <climits>

#include "app/core/tab_caption.h"
#include "test_codecs.h"

using kvtest::Gbk;
using kvtest::Western;

TEST(ShortTabCaption, ByteTestCharacterCut) {
    EXPECT_EQ(kv::ShortTabCaption(L"KV-1", Gbk()), L"KV-1");
    EXPECT_EQ(kv::ShortTabCaption(L"", Gbk()), L"");
    EXPECT_EQ(kv::ShortTabCaption(L"123456789", Gbk()), L"123456789");
    EXPECT_EQ(kv::ShortTabCaption(L"1234567890", Gbk()), L"1234567890");
    EXPECT_EQ(kv::ShortTabCaption(L"12345678901", Gbk()), L"1234567890");
    EXPECT_EQ(kv::ShortTabCaption(L"The quick brown fox jumps over", Gbk()), L"The quick ");
    // Five Chinese characters are ten bytes: over the limit, but only five characters.
    EXPECT_EQ(kv::ShortTabCaption(L"百度一下你", Gbk()), L"百度一下你");
    EXPECT_EQ(kv::ShortTabCaption(L"新浪网新闻中心首页国内新闻", Gbk()), L"新浪网新闻中心首页国");
    // Mixed: the tenth character is Chinese and stays whole.
    EXPECT_EQ(kv::ShortTabCaption(L"abcdefghi中文标题", Gbk()), L"abcdefghi中");
    EXPECT_EQ(kv::ShortTabCaption(L"ab中文", Gbk()), L"ab中文"); // 6 bytes
}

TEST(ShortTabCaption, CodePageDecidesTheByteCount) {
    // Under a single-byte code page a Chinese character converts to one "?" byte.
    EXPECT_EQ(kv::ShortTabCaption(L"新浪网新闻中心首页", Western()), L"新浪网新闻中心首页");
    EXPECT_EQ(kv::ShortTabCaption(L"新浪网新闻中心首页国内新闻", Western()),
              L"新浪网新闻中心首页国");
    // Nine Western letters, each two bytes in GBK when it has them at all.
    EXPECT_EQ(kv::ShortTabCaption(L"ÀÉÎÕÜàéîõ", Western()), L"ÀÉÎÕÜàéîõ");
}

TEST(ShortTabCaption, SurrogatePairNeverSplit) {
    std::wstring caption = L"123456789";
    caption += static_cast<wchar_t>(0xD83D);
    caption += static_cast<wchar_t>(0xDE00);
    caption += L"tail";
    const std::wstring tab = kv::ShortTabCaption(caption, Western());
    EXPECT_EQ(tab, caption.substr(0, 11));
}

TEST(IsTabDoubleClick, SameTabWithinTheLimit) {
    const double last = 46000.5; // a day number as the clock gives it
    const double second = 1.0 / 86400.0;
    EXPECT_TRUE(kv::IsTabDoubleClick(0, 0, last + 0.2 * second, last));
    EXPECT_TRUE(kv::IsTabDoubleClick(3, 3, last + 0.25 * second, last));
    EXPECT_TRUE(kv::IsTabDoubleClick(0, 0, last, last));
    EXPECT_FALSE(kv::IsTabDoubleClick(0, 0, last + 0.27 * second, last));
    EXPECT_FALSE(kv::IsTabDoubleClick(0, 0, last + 0.3 * second, last));
    EXPECT_FALSE(kv::IsTabDoubleClick(1, 0, last + 0.2 * second, last));
    EXPECT_FALSE(kv::IsTabDoubleClick(-1, -1, last + 0.2 * second, last));
}

TEST(WindowCaption, CountPlusOne) {
    EXPECT_EQ(kv::WindowCaption(L"KV-", 0), L"KV-1");
    EXPECT_EQ(kv::WindowCaption(L"KV-", 2), L"KV-3");
    EXPECT_EQ(kv::WindowCaption(L"在线帮助-", 1), L"在线帮助-2");
    EXPECT_EQ(std::wstring(kv::kWindowCaptionPrefix), L"KV-");
    EXPECT_EQ(std::wstring(kv::kHelpCaptionPrefix), L"在线帮助-");
    EXPECT_EQ(kv::WindowCaption(L"KV-", INT_MAX), L"KV-2147483648");
}
