#include <gtest/gtest.h>

#include <vector>

#include "common/core/item_id_list.h"
#include "host/core/host_options.h"

namespace {

size_t SizeOf(const std::vector<uint8_t>& bytes) {
    return kv::ItemIdListSize(bytes.data(), bytes.size());
}

} // namespace

TEST(ItemIdListSize, ClosedLists) {
    EXPECT_EQ(SizeOf({0, 0}), 2u);
    EXPECT_EQ(SizeOf({4, 0, 'a', 'b', 0, 0}), 6u);
    EXPECT_EQ(SizeOf({2, 0, 3, 0, 'x', 0, 0, 0xEE}), 7u); // bytes after the end not read
    std::vector<uint8_t> big(0x0102 + 2, 0);
    big[0] = 0x02;
    big[1] = 0x01; // one item of 258 bytes, little-endian count
    EXPECT_EQ(SizeOf(big), 0x0104u);
}

TEST(ItemIdListSize, MalformedOrUnclosed) {
    EXPECT_EQ(kv::ItemIdListSize(nullptr, 100), 0u);
    EXPECT_EQ(SizeOf({}), 0u);
    EXPECT_EQ(SizeOf({0}), 0u);
    EXPECT_EQ(SizeOf({4, 0, 'a', 'b'}), 0u);       // no closing count
    EXPECT_EQ(SizeOf({4, 0, 'a', 'b', 0}), 0u);    // half a closing count
    EXPECT_EQ(SizeOf({1, 0, 0, 0}), 0u);           // a count below its own size
    EXPECT_EQ(SizeOf({9, 0, 'a', 'b', 0, 0}), 0u); // an item past the end
}

TEST(HostOptions, BlankAddress) {
    EXPECT_TRUE(host::IsBlankAddress(L""));
    EXPECT_TRUE(host::IsBlankAddress(L" \t\r\n"));
    EXPECT_FALSE(host::IsBlankAddress(L" a "));
    EXPECT_FALSE(host::IsBlankAddress(L"\x3000")); // an ideographic space is not trimmed
}

TEST(HostOptions, ContextMenuChoice) {
    using host::ContextMenuAnswer;
    host::TRightClickMenu menu;
    host::TRightClickShortCuts none;
    // All defaults: the engine's own menu for every kind, also for kinds without a flag.
    for (uint32_t id : {0u, 1u, 4u, 9u, 10u}) {
        EXPECT_EQ(host::ChooseContextMenu(menu, none, id), ContextMenuAnswer::EngineMenu) << id;
    }
    menu.ImageMenu = false;
    EXPECT_EQ(host::ChooseContextMenu(menu, none, 1), ContextMenuAnswer::NoMenu);
    EXPECT_EQ(host::ChooseContextMenu(menu, none, 0), ContextMenuAnswer::EngineMenu);
    // Kinds 7 and 8: ImgDynSrcMenu for 7, ImageArtMenu for 8.
    host::TRightClickMenu art;
    art.ImageArtMenu = false;
    EXPECT_EQ(host::ChooseContextMenu(art, none, 8), ContextMenuAnswer::NoMenu);
    EXPECT_EQ(host::ChooseContextMenu(art, none, 7), ContextMenuAnswer::EngineMenu);

    host::TRightClickShortCuts some;
    some.DisablePrint = true;
    EXPECT_EQ(host::ChooseContextMenu(host::TRightClickMenu{}, some, 0),
              ContextMenuAnswer::OwnMenu);
    host::TRightClickMenu off;
    off.DisableAllMenus = false;
    for (uint32_t id : {0u, 1u, 5u, 10u}) {
        EXPECT_EQ(host::ChooseContextMenu(off, some, id), ContextMenuAnswer::NoMenu) << id;
    }
}

TEST(HostOptions, DisabledMenuCommands) {
    host::TRightClickShortCuts s;
    EXPECT_TRUE(host::DisabledMenuCommands(s).empty());
    s.DisableBack = true;
    s.DisableSelectAll = true;
    s.DisableOpenLink = true;
    EXPECT_EQ(host::DisabledMenuCommands(s), (std::vector<uint32_t>{2282, 31, 2136}));
}

TEST(HostOptions, ShortcutFilterFirstSetFlagDecides) {
    host::TShortCuts defaults;
    EXPECT_TRUE(host::ShortcutSwallowed(defaults, true, 'N'));
    EXPECT_FALSE(host::ShortcutSwallowed(defaults, false, 'N'));
    EXPECT_FALSE(host::ShortcutSwallowed(defaults, true, 'P'));
    host::TShortCuts np;
    np.DisableCTRL_P = true;
    EXPECT_TRUE(host::ShortcutSwallowed(np, true, 'N'));
    EXPECT_FALSE(host::ShortcutSwallowed(np, true, 'P'));
    host::TShortCuts cf;
    cf.DisableCTRL_N = false;
    cf.DisableCTRL_C = true;
    cf.DisableCTRL_F = true;
    EXPECT_TRUE(host::ShortcutSwallowed(cf, true, 'C'));
    EXPECT_FALSE(host::ShortcutSwallowed(cf, true, 'F'));
    EXPECT_FALSE(
        host::ShortcutSwallowed(host::TShortCuts{false, false, false, false, false}, true, 'N'));
}

TEST(HostOptions, ProxyText) {
    EXPECT_EQ(host::ProxyText(host::TProxySettings{}), L"");
    EXPECT_EQ(host::ProxyText(host::TProxySettings{8080, L"127.0.0.1"}), L"127.0.0.1:8080");
    EXPECT_EQ(host::ProxyText(host::TProxySettings{80, L"proxy"}), L"proxy:80");
}
