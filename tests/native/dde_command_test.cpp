// Command names from the registry's DDE texts and the shell's folder and HTML-file executes.
#include "host/core/dde_command.h"

#include <gtest/gtest.h>

namespace {

using host::DdeCommandKind;
using host::DdeItemListSource;
using host::ParseDdeFolderCommand;

const host::DdeCommandNames kNames{L"ViewFolder", L"ExploreFolder", L"FindFolder"};

TEST(DdeCommandName, TakesTextBetweenBracketAndParenthesis) {
    EXPECT_EQ(host::DdeCommandName(L"[ViewFolder(%l, %I, %S)]"), L"ViewFolder");
    EXPECT_EQ(host::DdeCommandName(L"x[a[b(c(d"), L"a[b");
    EXPECT_EQ(host::DdeCommandName(L"[NoParen]"), L"NoParen]");
    EXPECT_EQ(host::DdeCommandName(L"(before[after"), L"after");
    EXPECT_EQ(host::DdeCommandName(L"ViewFolder(%l)"), L"");
    EXPECT_EQ(host::DdeCommandName(L""), L"");
    EXPECT_EQ(host::DdeCommandName(L"[(x)]"), L"");
}

TEST(HtmlFileCommandTarget, DropsQuotesOnlyWhenTheTextStartsWithOne) {
    EXPECT_EQ(host::HtmlFileCommandTarget(L"\"file:///C:/a b.htm\",,-1,,,,,"),
              L"file:///C:/a b.htm");
    EXPECT_EQ(host::HtmlFileCommandTarget(L"\"unclosed"), L"unclosed");
    EXPECT_EQ(host::HtmlFileCommandTarget(L"\""), L"");
    EXPECT_EQ(host::HtmlFileCommandTarget(L"C:\\x\"y\".htm"), L"C:\\x\"y\".htm");
    EXPECT_EQ(host::HtmlFileCommandTarget(L""), L"");
}

TEST(ParseDdeFolderCommand, KindsComparedExactly) {
    EXPECT_EQ(ParseDdeFolderCommand(L"[ViewFolder(\"\", 0, 1)]", kNames).command.kind,
              DdeCommandKind::Open);
    EXPECT_EQ(ParseDdeFolderCommand(L"[ExploreFolder(\"\", 0, 1)]", kNames).command.kind,
              DdeCommandKind::Explore);
    EXPECT_EQ(ParseDdeFolderCommand(L"[FindFolder(\"\", 0)]", kNames).command.kind,
              DdeCommandKind::Find);
    EXPECT_EQ(ParseDdeFolderCommand(L"[viewfolder(\"\", 0, 1)]", kNames).command.kind,
              DdeCommandKind::None);
    EXPECT_EQ(ParseDdeFolderCommand(L"[ViewFolder (\"\", 0, 1)]", kNames).command.kind,
              DdeCommandKind::None);
    // Unset names (no ddeexec key) never match, not even a command without a name.
    host::DdeCommandNames none;
    EXPECT_EQ(ParseDdeFolderCommand(L"[(\"C:\\\", 0, 1)]", none).command.kind,
              DdeCommandKind::None);
    EXPECT_EQ(ParseDdeFolderCommand(L"no brackets", none).command.kind, DdeCommandKind::None);
}

TEST(ParseDdeFolderCommand, UnknownKindReadsNothingElse) {
    // A lone sign would be an error, but unknown commands are not parsed further.
    auto r = ParseDdeFolderCommand(L"[Other(\"C:\\x\", -, 5)]", kNames);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.command.kind, DdeCommandKind::None);
    EXPECT_EQ(r.command.path, L"");
    EXPECT_EQ(r.command.source, DdeItemListSource::None);
    EXPECT_EQ(r.command.showCommand, 1);
}

TEST(ParseDdeFolderCommand, SharedMemoryListWithPathAndShowCommand) {
    auto r = ParseDdeFolderCommand(L"[ViewFolder(\"C:\\Windows\", :1234:5678, 3)]", kNames);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.command.path, L"C:\\Windows");
    EXPECT_EQ(r.command.source, DdeItemListSource::SharedMemory);
    EXPECT_EQ(r.command.itemList, 1234);
    EXPECT_EQ(r.command.processId, 5678);
    EXPECT_EQ(r.command.showCommand, 3);
}

TEST(ParseDdeFolderCommand, AddressListAndDefaults) {
    auto r = ParseDdeFolderCommand(L"[ViewFolder(\"\", 1193046)]", kNames);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.command.path, L"");
    EXPECT_EQ(r.command.source, DdeItemListSource::Address);
    EXPECT_EQ(r.command.itemList, 1193046);
    EXPECT_EQ(r.command.processId, 0);
    EXPECT_EQ(r.command.showCommand, 1); // no second comma

    // A ',' before any ':' means no process; the first digit after the second comma is taken
    // on its own.
    r = ParseDdeFolderCommand(L"[ViewFolder(\"\", +77, x:9, 42)]", kNames);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.command.source, DdeItemListSource::Address);
    EXPECT_EQ(r.command.itemList, 77);
    EXPECT_EQ(r.command.showCommand, 9);

    // Address 0 and process 0 are no item list; a ':' without a number after it is process 0.
    r = ParseDdeFolderCommand(L"[ViewFolder(\"\", 0, 1)]", kNames);
    EXPECT_EQ(r.command.source, DdeItemListSource::None);
    r = ParseDdeFolderCommand(L"[ViewFolder(\"\", :55:)]", kNames);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.command.source, DdeItemListSource::Address);
    EXPECT_EQ(r.command.itemList, 55);

    // No number at all: no item list, not an error.
    r = ParseDdeFolderCommand(L"[ViewFolder(\"D:\\\", , )]", kNames);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.command.path, L"D:\\");
    EXPECT_EQ(r.command.source, DdeItemListSource::None);
    EXPECT_EQ(r.command.showCommand, 1);

    // No comma at all.
    r = ParseDdeFolderCommand(L"[ViewFolder(\"D:\\\")]", kNames);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.command.source, DdeItemListSource::None);
}

TEST(ParseDdeFolderCommand, CommaInsidePathIsNotAField) {
    auto r = ParseDdeFolderCommand(L"[ViewFolder(\"C:\\a,5,7\", :10:20, 2)]", kNames);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.command.path, L"C:\\a,5,7");
    EXPECT_EQ(r.command.source, DdeItemListSource::SharedMemory);
    EXPECT_EQ(r.command.itemList, 10);
    EXPECT_EQ(r.command.processId, 20);
    EXPECT_EQ(r.command.showCommand, 2);

    // An unclosed path runs to the end; nothing follows it.
    r = ParseDdeFolderCommand(L"[ViewFolder(\"C:\\x, 12, 3)]", kNames);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.command.path, L"C:\\x, 12, 3)]");
    EXPECT_EQ(r.command.source, DdeItemListSource::None);
}

TEST(ParseDdeFolderCommand, NegativeAndLargeNumbers) {
    auto r = ParseDdeFolderCommand(L"[ViewFolder(\"\", :-5:-9223372036854775808)]", kNames);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.command.itemList, -5);
    EXPECT_EQ(r.command.processId, INT64_MIN);

    r = ParseDdeFolderCommand(L"[ViewFolder(\"\", 9223372036854775807, 1)]", kNames);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.command.itemList, INT64_MAX);
}

TEST(ParseDdeFolderCommand, ConversionErrors) {
    auto r = ParseDdeFolderCommand(L"[ViewFolder(\"\", -, 1)]", kNames);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, L"'-' is not a valid integer value");

    r = ParseDdeFolderCommand(L"[ExploreFolder(\"\", :12:+x, 1)]", kNames);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, L"'+' is not a valid integer value");

    r = ParseDdeFolderCommand(L"[FindFolder(\"\", 9223372036854775808)]", kNames);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, L"'9223372036854775808' is not a valid integer value");

    r = ParseDdeFolderCommand(L"[ViewFolder(\"\", :1:-9223372036854775809)]", kNames);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, L"'-9223372036854775809' is not a valid integer value");

    // A sign at the very end of the text.
    r = ParseDdeFolderCommand(L"[ViewFolder(\"\",+", kNames);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, L"'+' is not a valid integer value");
}

} // namespace
