#include <gtest/gtest.h>

#include "app/core/session_file.h"

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

TEST(SessionFile, WritesAndReadsBack) {
    kv::Session s;
    // "中文" in GBK.
    s.addresses = {"http://a.example/", "http://b.example/\xD6\xD0\xCE\xC4", "c.example"};
    s.active = 1;
    const std::string bytes = kv::WriteSession(s);
    EXPECT_EQ(bytes, "KVBR-SESSION 1\r\nclean=0\r\nactive=1\r\nurl=http://a.example/\r\n"
                     "url=http://b.example/\xD6\xD0\xCE\xC4\r\nurl=c.example\r\nend=3\r\n");
    const kv::SessionRead r = kv::ReadSession(bytes);
    ASSERT_EQ(r.status, kv::SessionStatus::Read);
    EXPECT_EQ(r.session.addresses, s.addresses);
    EXPECT_EQ(r.session.active, 1);
    EXPECT_FALSE(r.session.clean);
    EXPECT_TRUE(kv::OfferRestore(r));

    kv::Session clean;
    clean.clean = true;
    EXPECT_EQ(kv::WriteSession(clean), "KVBR-SESSION 1\r\nclean=1\r\nactive=-1\r\nend=0\r\n");
}

TEST(SessionFile, WhatIsReadAndOffered) {
    struct Case {
        std::string bytes;
        kv::SessionStatus status;
        bool offered;
    };
    const std::string good = "KVBR-SESSION 1\r\nclean=0\r\nactive=0\r\nurl=http://a/\r\nend=1\r\n";
    const Case cases[] = {
        {good, kv::SessionStatus::Read, true},
        {"", kv::SessionStatus::Empty, false},
        {"KVBR-SESSION 1\r\nclean=1\r\nactive=0\r\nurl=http://a/\r\nend=1\r\n",
         kv::SessionStatus::Read, false},
        {"KVBR-SESSION 1\r\nclean=0\r\nactive=-1\r\nend=0\r\n", kv::SessionStatus::Read, false},
        {"KVBR-SESSION 1\r\nclean=0\r\nactive=-1\r\nurl=http://a/\r\nend=1\r\n",
         kv::SessionStatus::Read, true},
        // Newer versions: not read, whatever follows.
        {"KVBR-SESSION 2\r\nanything\r\n", kv::SessionStatus::Newer, false},
        {"KVBR-SESSION 999999\r\n", kv::SessionStatus::Newer, false},
        // Cut short: at any point before the last line ending.
        {good.substr(0, good.size() - 1), kv::SessionStatus::Damaged, false},
        {good.substr(0, good.size() - 7), kv::SessionStatus::Damaged, false},
        {"KVBR-SESSION 1\r\nclean=0\r\nactive=0\r\nurl=http://a/\r\n", kv::SessionStatus::Damaged,
         false},
        {"KVBR-SESSION 1\r\nclean=0\r\n", kv::SessionStatus::Damaged, false},
        // Counts, numbers and keys that are not the program's.
        {"KVBR-SESSION 1\r\nclean=0\r\nactive=0\r\nurl=http://a/\r\nend=2\r\n",
         kv::SessionStatus::Damaged, false},
        {"KVBR-SESSION 1\r\nclean=0\r\nactive=1\r\nurl=http://a/\r\nend=1\r\n",
         kv::SessionStatus::Damaged, false},
        {"KVBR-SESSION 1\r\nclean=0\r\nactive=-2\r\nurl=http://a/\r\nend=1\r\n",
         kv::SessionStatus::Damaged, false},
        {"KVBR-SESSION 1\r\nclean=2\r\nactive=0\r\nurl=http://a/\r\nend=1\r\n",
         kv::SessionStatus::Damaged, false},
        {"KVBR-SESSION 1\r\nclean=0\r\nactive=+0\r\nurl=http://a/\r\nend=1\r\n",
         kv::SessionStatus::Damaged, false},
        {"KVBR-SESSION 1\r\nclean=0\r\nactive=0\r\nurl=\r\nend=1\r\n", kv::SessionStatus::Damaged,
         false},
        {"KVBR-SESSION 1\r\nclean=0\r\nactive=0\r\nadr=http://a/\r\nend=1\r\n",
         kv::SessionStatus::Damaged, false},
        {"KVBR-SESSION 0\r\nclean=0\r\nactive=0\r\nurl=http://a/\r\nend=1\r\n",
         kv::SessionStatus::Damaged, false},
        {"KVBR-SESSION x\r\n", kv::SessionStatus::Damaged, false},
        {"kvbr-session 1\r\nclean=0\r\nactive=0\r\nurl=http://a/\r\nend=1\r\n",
         kv::SessionStatus::Damaged, false},
        // Lines ended otherwise than the program ends them, binary bytes.
        {"KVBR-SESSION 1\nclean=0\nactive=0\nurl=http://a/\nend=1\n", kv::SessionStatus::Damaged,
         false},
        {std::string("KVBR-SESSION 1\r\nclean=0\r\nactive=0\r\nurl=http://a/") + '\0' +
             "x\r\nend=1\r\n",
         kv::SessionStatus::Damaged, false},
        {"\x89PNG\r\n\x1A\n\r\n", kv::SessionStatus::Damaged, false},
        {std::string(2u << 20, 'u'), kv::SessionStatus::Damaged, false},
    };
    for (const Case& c : cases) {
        const kv::SessionRead r = kv::ReadSession(c.bytes);
        EXPECT_EQ(r.status, c.status) << c.bytes.substr(0, 80);
        EXPECT_EQ(kv::OfferRestore(r), c.offered) << c.bytes.substr(0, 80);
    }
}

TEST(SessionFile, CollectLeavesOutBlankAndHelpPages) {
    const std::string help = "http://www.quelmar.com/kvbr/online.html";
    struct Case {
        Lines addresses;
        int active;
        Lines kept;
        int keptActive;
    };
    const Case cases[] = {
        {{"about:blank", "http://a/", "", "http://b/"}, 3, {"http://a/", "http://b/"}, 1},
        {{"http://a/", "ABOUT:Blank", help, "http://c/"}, 1, {"http://a/", "http://c/"}, -1},
        {{"http://a/", help, "http://c/"}, 0, {"http://a/", "http://c/"}, 0},
        {{"about:blank#x", "http://a/\tb"}, -1, {"about:blank#x"}, -1},
        {{}, -1, {}, -1},
    };
    for (const Case& c : cases) {
        const kv::Session s = kv::CollectSession(c.addresses, c.active, help);
        EXPECT_EQ(s.addresses, c.kept);
        EXPECT_EQ(s.active, c.keptActive);
        EXPECT_FALSE(s.clean);
    }
}

} // namespace
