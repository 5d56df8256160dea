#include <gtest/gtest.h>

#include "common/core/search_config.h"
#include "app/core/site_list.h"
#include "test_codecs.h"

using kvtest::Gbk;
using kvtest::GbkOf;
using kvtest::Western;

TEST(SearchConfig, HomeFormsAreExact) {
    EXPECT_EQ(kv::SearchHomeForms(),
              (std::vector<std::string>{"http://baidu.com/", "http://www.baidu.com/",
                                        "http://www.baidu.com", "www.baidu.com", "baidu.com"}));
    for (const char* f : {"http://baidu.com/", "http://www.baidu.com/", "http://www.baidu.com",
                          "www.baidu.com", "baidu.com"}) {
        EXPECT_TRUE(kv::IsSearchHomeForm(f)) << f;
    }
    EXPECT_FALSE(kv::IsSearchHomeForm("http://baidu.com"));
    EXPECT_FALSE(kv::IsSearchHomeForm("BAIDU.COM"));
    EXPECT_FALSE(kv::IsSearchHomeForm("WWW.baidu.com"));
    EXPECT_FALSE(kv::IsSearchHomeForm(" baidu.com"));
    EXPECT_FALSE(kv::IsSearchHomeForm("baidu.com/"));
    EXPECT_FALSE(kv::IsSearchHomeForm("https://www.baidu.com/"));
    EXPECT_FALSE(kv::IsSearchHomeForm(""));
}

TEST(SearchConfig, AddressesHaveNoPortOrFragment) {
    for (const std::string& a :
         {kv::PartnerHomeUrl(), kv::PartnerSearchPrefix(), kv::WebSearchPrefix(),
          kv::ImageSearchPrefix(), kv::Mp3SearchPrefix()}) {
        EXPECT_EQ(a.rfind("http://", 0), 0u) << a;
        EXPECT_EQ(a.find('#'), std::string::npos) << a;
        EXPECT_EQ(a.find(':', 5), std::string::npos) << a;
        EXPECT_EQ(std::count(a.begin(), a.end(), '?'), 1) << a;
    }
    EXPECT_EQ(kv::PartnerHomeUrl(), "http://www.baidu.com/s?tn=trevox_pg");
    EXPECT_EQ(kv::PartnerSearchPrefix(), "http://www.baidu.com/baidu?tn=trevox_dg&word=");
    EXPECT_EQ(kv::WebSearchPrefix(),
              "http://search.cn.yahoo.com/click/search.htm?m=1001335&fw=union&st=0&p=1006&name=");
    EXPECT_EQ(kv::ImageSearchPrefix(),
              "http://search.cn.yahoo.com/click/search.htm?m=1001335&fw=union&st=2&p=1006&name=");
    EXPECT_EQ(kv::Mp3SearchPrefix(),
              "http://search.cn.yahoo.com/click/search.htm?m=1001335&fw=union&st=1&p=1006&name=");
    EXPECT_EQ(kv::MakerPageUrl("/kvbr/newslist.txt"), "http://www.quelmar.com/kvbr/newslist.txt");
    EXPECT_EQ(kv::MakerPageUrl("/kvbr/online.html"), "http://www.quelmar.com/kvbr/online.html");
    EXPECT_EQ(kv::MakerHomeUrl(), "http://www.quelmar.com");
}

TEST(SiteItems, BuiltInItemsInAnsi) {
    const auto items = kv::BuiltInSiteItems(Gbk());
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(Gbk().FromAnsi(items[0]), L"Quelmar软件:www.quelmar.com");
    EXPECT_EQ(Gbk().FromAnsi(items[1]), L"百度:baidu.com");
    EXPECT_EQ(Gbk().FromAnsi(items[2]), L"搜狐:sohu.com");
    // The Baidu item opens the partner page, the others their host.
    EXPECT_EQ(kv::SiteItemAddress(items[1], Gbk()), "http://www.baidu.com/s?tn=trevox_pg");
    EXPECT_EQ(kv::SiteItemAddress(items[0], Gbk()), "www.quelmar.com");
    EXPECT_EQ(kv::SiteItemAddress(items[2], Gbk()), "sohu.com");
}

TEST(SiteItems, TextAfterFirstColon) {
    EXPECT_EQ(kv::SiteItemAddress("", Gbk()), "");
    EXPECT_EQ(kv::SiteItemAddress(GbkOf(L"新浪:http://www.sina.com.cn/"), Gbk()),
              "http://www.sina.com.cn/");
    EXPECT_EQ(kv::SiteItemAddress("http://x", Gbk()), "//x");
    EXPECT_EQ(kv::SiteItemAddress("plain.com", Gbk()), "plain.com");
    EXPECT_EQ(kv::SiteItemAddress("name:", Gbk()), "");
    EXPECT_EQ(kv::SiteItemAddress("n: a.com ", Gbk()), " a.com ");
    EXPECT_EQ(kv::SiteItemAddress("n:www.baidu.com", Gbk()), "http://www.baidu.com/s?tn=trevox_pg");
    EXPECT_EQ(kv::SiteItemAddress("baidu.com", Gbk()), "http://www.baidu.com/s?tn=trevox_pg");
    EXPECT_EQ(kv::SiteItemAddress("n:http://baidu.com", Gbk()), "http://baidu.com");
    EXPECT_EQ(kv::SiteItemAddress("n:Baidu.com", Gbk()), "Baidu.com");
}

TEST(SiteItems, AtMost255WholeCharacters) {
    const std::string tail300(300, 'a');
    EXPECT_EQ(kv::SiteItemAddress("n:" + tail300, Gbk()), std::string(255, 'a'));
    EXPECT_EQ(kv::SiteItemAddress(tail300, Western()), std::string(255, 'a'));
    EXPECT_EQ(kv::SiteItemAddress("n:" + std::string(255, 'b'), Gbk()), std::string(255, 'b'));

    // The 255th character is two bytes: it is kept whole.
    const std::string zh = GbkOf(L"中文");
    const std::string cut = std::string(254, 'a') + zh;
    EXPECT_EQ(kv::SiteItemAddress("n:" + cut, Gbk()), std::string(254, 'a') + GbkOf(L"中"));
    // The same bytes under a single-byte code page are 256 characters.
    EXPECT_EQ(kv::SiteItemAddress("n:" + cut, Western()), cut.substr(0, 255));
    // A text of Chinese characters only: 255 characters, 510 bytes.
    std::string wide;
    for (int i = 0; i < 300; ++i) {
        wide += zh;
    }
    EXPECT_EQ(kv::SiteItemAddress(":" + wide, Gbk()).size(), 510u);
}

TEST(SearchAddress, WordAppendedAsTyped) {
    EXPECT_EQ(kv::SearchAddress(kv::ImageSearchPrefix(), GbkOf(L"电影")),
              "http://search.cn.yahoo.com/click/search.htm?m=1001335&fw=union&st=2&p=1006&name="
              "\xB5\xE7\xD3\xB0");
    EXPECT_EQ(kv::SearchAddress("p=", " a b&c "), "p= a b&c ");
    EXPECT_EQ(kv::SearchAddress("p=", ""), "p=");
}
