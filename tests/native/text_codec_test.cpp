#include <gtest/gtest.h>

#include "common/core/text_codec.h"
#include "test_codecs.h"

using kvtest::Gbk;
using kvtest::GbkOf;
using kvtest::Western;

TEST(EqualIgnoreCase, AsciiLettersFoldOnlyLetters) {
    for (const kv::AnsiCodec* c : {static_cast<const kv::AnsiCodec*>(&Gbk()),
                                   static_cast<const kv::AnsiCodec*>(&Western())}) {
        EXPECT_TRUE(c->EqualIgnoreCase("HTTP://Www.Example.COM/", "http://www.example.com/"));
        EXPECT_TRUE(c->EqualIgnoreCase("", ""));
        EXPECT_FALSE(c->EqualIgnoreCase("abc", "abd"));
        EXPECT_FALSE(c->EqualIgnoreCase("abc", "abcd"));
        EXPECT_FALSE(c->EqualIgnoreCase("abcd", "abc"));
        // "[" and "{" differ by the case bit but are not letters.
        EXPECT_FALSE(c->EqualIgnoreCase("a[", "a{"));
        EXPECT_FALSE(c->EqualIgnoreCase("@", "`"));
    }
}

TEST(EqualIgnoreCase, GbkTrailBytesAreNeverFolded) {
    const std::string upperTrail = "\x81\x41"; // 丄, trail byte 'A'
    const std::string lowerTrail = "\x81\x61"; // 乤, trail byte 'a'
    EXPECT_FALSE(Gbk().EqualIgnoreCase(upperTrail, lowerTrail));
    EXPECT_FALSE(Gbk().EqualIgnoreCase("http://" + upperTrail, "HTTP://" + lowerTrail));
    // Case differences in ASCII after a two-byte character still fold.
    EXPECT_TRUE(Gbk().EqualIgnoreCase(upperTrail + "X.com", upperTrail + "x.COM"));
    // In a single-byte code page the same bytes are "Áa" and "ÁA": letters everywhere.
    EXPECT_TRUE(Western().EqualIgnoreCase("\xC1\x41", "\xC1\x61"));
}

TEST(EqualIgnoreCase, NonAsciiLettersFoldThroughWideText) {
    EXPECT_TRUE(Gbk().EqualIgnoreCase(GbkOf(L"ＡＢ中文"), GbkOf(L"ａｂ中文")));
    EXPECT_TRUE(Gbk().EqualIgnoreCase(GbkOf(L"ΑΒΓ"), GbkOf(L"αβγ")));
    EXPECT_TRUE(Gbk().EqualIgnoreCase(GbkOf(L"АБВ"), GbkOf(L"абв")));
    EXPECT_TRUE(Gbk().EqualIgnoreCase(GbkOf(L"ⅠⅩ"), GbkOf(L"ⅰⅹ")));
    EXPECT_FALSE(Gbk().EqualIgnoreCase(GbkOf(L"中文"), GbkOf(L"中午")));
    EXPECT_FALSE(Gbk().EqualIgnoreCase(GbkOf(L"中"), GbkOf(L"中文")));
    EXPECT_TRUE(Western().EqualIgnoreCase("CAF\xC9", "caf\xE9"));           // CAFÉ / café
    EXPECT_TRUE(Western().EqualIgnoreCase("\x8A\x8C\x9F", "\x9A\x9C\xFF")); // ŠŒŸ / šœÿ
    EXPECT_FALSE(Western().EqualIgnoreCase("\xD7", "\xF7")); // × and ÷ are no case pair
}

TEST(EqualIgnoreCase, BrokenCharactersMatchOnlyThemselves) {
    EXPECT_TRUE(Gbk().EqualIgnoreCase("a\x81", "A\x81"));
    EXPECT_FALSE(Gbk().EqualIgnoreCase("a\x81", "a\x82"));
    EXPECT_FALSE(Gbk().EqualIgnoreCase("a\x81", "a"));
    // Two byte pairs that are no GBK characters (0x7F is no trail byte) are not one text.
    EXPECT_FALSE(Gbk().EqualIgnoreCase("\x81\x7F", "\x82\x7F"));
    EXPECT_TRUE(Gbk().EqualIgnoreCase("\x81\x7F", "\x81\x7F"));
}

TEST(FoldCase, RangeEdges) {
    EXPECT_EQ(kv::FoldCase(L'@'), L'@');
    EXPECT_EQ(kv::FoldCase(L'Z'), L'z');
    EXPECT_EQ(kv::FoldCase(L'['), L'[');
    EXPECT_EQ(kv::FoldCase(L'\x00DE'), L'\x00FE');
    EXPECT_EQ(kv::FoldCase(L'\x00DF'), L'\x00DF'); // ß has no capital here
    EXPECT_EQ(kv::FoldCase(L'\x0130'), L'\x0130'); // dotted capital I keeps its form
    EXPECT_EQ(kv::FoldCase(L'\x0136'), L'\x0137');
    EXPECT_EQ(kv::FoldCase(L'\x0138'), L'\x0138');
    EXPECT_EQ(kv::FoldCase(L'\x0139'), L'\x013A');
    EXPECT_EQ(kv::FoldCase(L'\x0147'), L'\x0148');
    EXPECT_EQ(kv::FoldCase(L'\x0148'), L'\x0148');
    EXPECT_EQ(kv::FoldCase(L'\x014A'), L'\x014B');
    EXPECT_EQ(kv::FoldCase(L'\x0178'), L'\x00FF');
    EXPECT_EQ(kv::FoldCase(L'\x017D'), L'\x017E');
    EXPECT_EQ(kv::FoldCase(L'\x03A2'), L'\x03A2');
    EXPECT_EQ(kv::FoldCase(L'\x0401'), L'\x0451');
    EXPECT_EQ(kv::FoldCase(L'\xFF3A'), L'\xFF5A');
    EXPECT_EQ(kv::FoldCase(L'\xFF3B'), L'\xFF3B');
    EXPECT_EQ(kv::FoldCase(L'中'), L'中');
}

TEST(AnsiCodec, PrefixBytesKeepsWholeCharacters) {
    const std::string text = "ab" + GbkOf(L"中文");
    EXPECT_EQ(Gbk().PrefixBytes(text, 2), 2u);
    EXPECT_EQ(Gbk().PrefixBytes(text, 3), 4u);
    EXPECT_EQ(Gbk().PrefixBytes(text, 4), 6u);
    EXPECT_EQ(Gbk().PrefixBytes(text, 99), 6u);
    EXPECT_EQ(Western().PrefixBytes(text, 3), 3u);
    EXPECT_EQ(Gbk().PrefixBytes("a\x81", 5), 2u); // a cut lead byte counts as one
}

TEST(LowerAsciiLetters, OnlyAsciiLetters) {
    EXPECT_EQ(kv::LowerAsciiLetters(L"HTTP://WWW.Example.COM/Ä中Ｚ@[`"),
              L"http://www.example.com/Ä中Ｚ@[`");
}
