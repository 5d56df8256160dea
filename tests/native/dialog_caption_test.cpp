#include <gtest/gtest.h>

#include "host/core/dialog_caption.h"

TEST(DialogCaption, DefaultCaption) {
    EXPECT_EQ(host::DialogCaption(L"Microsoft Internet Explorer", L""), L"Web Browser");
    EXPECT_EQ(host::DialogCaption(L"Alert", L""), L"Web Browser:  Alert");
    EXPECT_EQ(host::DialogCaption(L"", L""), L"Web Browser:  ");
    EXPECT_EQ(host::DialogCaption(L"Internet Explorer Script Error", L""),
              L"Web Browser Script Error");
    // Only the first occurrence of each is changed.
    EXPECT_EQ(host::DialogCaption(L"Microsoft Microsoft Internet Explorer Internet Explorer", L""),
              L"Microsoft Web Browser Internet Explorer");
    // Letter case counts.
    EXPECT_EQ(host::DialogCaption(L"microsoft internet explorer", L""),
              L"Web Browser:  microsoft internet explorer");
    // A title already naming the caption is left alone.
    EXPECT_EQ(host::DialogCaption(L"Web Browser says", L""), L"Web Browser says");
}

TEST(DialogCaption, OwnCaption) {
    EXPECT_EQ(host::DialogCaption(L"Microsoft Internet Explorer", L"浏览器"), L"浏览器");
    EXPECT_EQ(host::DialogCaption(L"来自网页的消息", L"浏览器"), L"浏览器:  来自网页的消息");
    EXPECT_EQ(host::DialogCaption(L"About Microsoft Word", L"KV"), L"KV:  About Word");
}

TEST(DialogCaption, ErrorTitles) {
    EXPECT_TRUE(host::IsErrorDialogTitle(L"Script Error"));
    EXPECT_TRUE(host::IsErrorDialogTitle(L"Errors"));
    EXPECT_FALSE(host::IsErrorDialogTitle(L"script error"));
    EXPECT_FALSE(host::IsErrorDialogTitle(L"Alert"));
}
