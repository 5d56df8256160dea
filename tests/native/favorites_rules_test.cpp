#include <gtest/gtest.h>

#include "favorites/core/menu_rules.h"
#include "test_codecs.h"

using kvtest::Gbk;
using kvtest::Western;

TEST(FavoritesCaption, CutToWholeCharactersOfMaxWidthBytes) {
    // 26 Chinese characters, 52 bytes: 25 characters (50 bytes) and "...".
    const std::wstring chinese26 = L"一二三四五六七八九十甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳";
    ASSERT_EQ(chinese26.size(), 26u);
    EXPECT_EQ(fav::CutCaption(chinese26, 50, Gbk()),
              L"一二三四五六七八九十甲乙丙丁戊己庚辛壬癸子丑寅卯辰...");
    // Exactly MaxWidth bytes stays whole; one more byte is cut.
    const std::wstring fifty(50, L'a');
    EXPECT_EQ(fav::CutCaption(fifty, 50, Gbk()), fifty);
    EXPECT_EQ(fav::CutCaption(fifty + L"b", 50, Gbk()), fifty + L"...");
    // A Chinese character that would end one byte past the limit is left out whole.
    EXPECT_EQ(fav::CutCaption(L"a" + chinese26, 50, Gbk()),
              L"a一二三四五六七八九十甲乙丙丁戊己庚辛壬癸子丑寅卯...");
    // MaxWidth 0 or below: every non-empty caption is "...".
    EXPECT_EQ(fav::CutCaption(L"x", 0, Gbk()), L"...");
    EXPECT_EQ(fav::CutCaption(L"x", -3, Gbk()), L"...");
    EXPECT_EQ(fav::CutCaption(L"", 0, Gbk()), L"");
    // Under a single-byte code page a character counts one byte.
    EXPECT_EQ(fav::CutCaption(std::wstring(50, L'\x00e9') + L"x", 50, Western()),
              std::wstring(50, L'\x00e9') + L"...");
}

TEST(FavoritesMenuPosition, ClampedToTheMenu) {
    EXPECT_EQ(fav::ClampMenuPosition(5, 7), 5);
    EXPECT_EQ(fav::ClampMenuPosition(8, 7), 8);
    EXPECT_EQ(fav::ClampMenuPosition(9, 7), 8);
    EXPECT_EQ(fav::ClampMenuPosition(1000, 0), 1);
    EXPECT_EQ(fav::ClampMenuPosition(0, 7), 1);
    EXPECT_EQ(fav::ClampMenuPosition(-4, 7), 1);
}

TEST(FavoritesBrowserVersion, FirstDigitAbove4) {
    EXPECT_TRUE(fav::VersionAbove4(L"6.0.2900.2180"));
    EXPECT_TRUE(fav::VersionAbove4(L"9.11.9600.18376"));
    EXPECT_FALSE(fav::VersionAbove4(L"4.72.3110.0"));
    EXPECT_FALSE(fav::VersionAbove4(L"0"));
    // Only the first character counts: "10" begins with 1.
    EXPECT_FALSE(fav::VersionAbove4(L"10.0"));
    EXPECT_FALSE(fav::VersionAbove4(L""));
    EXPECT_FALSE(fav::VersionAbove4(L"v6"));
}
