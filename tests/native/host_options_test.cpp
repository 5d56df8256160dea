#include <gtest/gtest.h>

#include <utility>
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

    // Each flag alone removes its own entry of the engine's context menu, and no other.
    using Flag = bool host::TRightClickShortCuts::*;
    using S = host::TRightClickShortCuts;
    const struct {
        Flag flag;
        uint32_t id;
    } entries[] = {
        {&S::DisableBack, 2282},          {&S::DisableForward, 2283},
        {&S::DisableSavePageBkg, 2263},   {&S::DisableSetAsBkg, 2264},
        {&S::DisableCopyBkg, 2265},       {&S::DisableSetAsDesktopItem, 2278},
        {&S::DisableSelectAll, 31},       {&S::DisablePaste, 26},
        {&S::DisableCreateShorcut, 2266}, {&S::DisableAddToFav, 2261},
        {&S::DisableEncoding, 2292},      {&S::DisableRefresh, 2300},
        {&S::DisableViewSource, 2139},    {&S::DisableProperties, 28},
        {&S::DisablePrint, 27},           {&S::DisableOpenInNewWindow, 2137},
        {&S::DisableOpenLink, 2136},
    };
    S all;
    for (const auto& e : entries) {
        S one;
        one.*e.flag = true;
        all.*e.flag = true;
        EXPECT_EQ(host::DisabledMenuCommands(one), std::vector<uint32_t>{e.id}) << e.id;
    }
    EXPECT_EQ(host::DisabledMenuCommands(all),
              (std::vector<uint32_t>{2282, 2283, 2263, 2264, 2265, 2278, 31, 26, 2266, 2261, 2292,
                                     2300, 2139, 28, 27, 2137, 2136}));
}

// The platform's DOCHOSTUIFLAG_ and DLCTL_ values, written out: one option alone sums to its
// own flag, and every option together to the sum of all of them.
TEST(HostOptions, FlagOfEveryOption) {
    using U = host::TUserInterfaceOption;
    const std::pair<U, uint32_t> ui[] = {
        {U::DIALOG, 0x1},
        {U::DISABLE_HELP_MENU, 0x2},
        {U::NO3DBORDER, 0x4},
        {U::SCROLL_NO, 0x8},
        {U::DISABLE_SCRIPT_INACTIVE, 0x10},
        {U::OPENNEWWIN, 0x20},
        {U::DISABLE_OFFSCREEN, 0x40},
        {U::FLAT_SCROLLBAR, 0x80},
        {U::DIV_BLOCKDEFAULT, 0x100},
        {U::ACTIVATE_CLIENTHIT_ONLY, 0x200},
        {U::OVERRIDEBEHAVIORFACTORY, 0x400},
        {U::CODEPAGELINKEDFONTS, 0x800},
        {U::URL_ENCODING_DISABLE_UTF8, 0x1000},
        {U::URL_ENCODING_ENABLE_UTF8, 0x2000},
        {U::ENABLE_FORMS_AUTOCOMPLETE, 0x4000},
        {U::ENABLE_INPLACE_NAVIGATION, 0x10000},
        {U::IME_ENABLE_RECONVERSION, 0x20000},
        {U::THEME, 0x40000},
        {U::NOTHEME, 0x80000},
        {U::NOPICS, 0x100000},
        {U::NO3DOUTERBORDER, 0x200000},
        {U::DISABLE_EDIT_NS_FIXUP, 0x400000},
        {U::LOCAL_MACHINE_ACCESS_CHECK, 0x800000},
        {U::DISABLE_UNTRUSTEDPROTOCOL, 0x1000000},
        {U::HOST_NAVIGATES, 0x2000000},
        {U::ENABLE_REDIRECT_NOTIFICATION, 0x4000000},
        {U::USE_WINDOWLESS_SELECTCONTROL, 0x8000000},
        {U::USE_WINDOWED_SELECTCONTROL, 0x10000000},
        {U::ENABLE_ACTIVEX_INACTIVATE_MODE, 0x20000000},
    };
    host::TUserInterfaceOptions allUi;
    for (const auto& [option, flag] : ui) {
        EXPECT_EQ(host::HostUIFlagsValueOf(host::TUserInterfaceOptions{option}), flag) << flag;
        allUi.Add(option);
    }
    EXPECT_EQ(host::HostUIFlagsValueOf(allUi), 0x3FFF7FFFu);

    using D = host::TDownloadControlOption;
    const std::pair<D, uint32_t> dl[] = {
        {D::DLCTL_DLIMAGES, 0x10},
        {D::DLCTL_VIDEOS, 0x20},
        {D::DLCTL_BGSOUNDS, 0x40},
        {D::DLCTL_NO_SCRIPTS, 0x80},
        {D::DLCTL_NO_JAVA, 0x100},
        {D::DLCTL_NO_RUNACTIVEXCTLS, 0x200},
        {D::DLCTL_NO_DLACTIVEXCTLS, 0x400},
        {D::DLCTL_DOWNLOADONLY, 0x800},
        {D::DLCTL_NO_FRAMEDOWNLOAD, 0x1000},
        {D::DLCTL_RESYNCHRONIZE, 0x2000},
        {D::DLCTL_PRAGMA_NO_CACHE, 0x4000},
        {D::DLCTL_NO_BEHAVIORS, 0x8000},
        {D::DLCTL_NO_METACHARSET, 0x10000},
        {D::DLCTL_URL_ENCODING_DISABLE_UTF8, 0x20000},
        {D::DLCTL_URL_ENCODING_ENABLE_UTF8, 0x40000},
        {D::DLCTL_FORCEOFFLINE, 0x10000000},
        {D::DLCTL_NO_CLIENTPULL, 0x20000000},
        {D::DLCTL_SILENT, 0x40000000},
        {D::DLCTL_OFFLINE, 0x80000000},
    };
    host::TDownloadControlOptions allDl;
    for (const auto& [option, flag] : dl) {
        EXPECT_EQ(host::DownloadControlValueOf(host::TDownloadControlOptions{option}), flag)
            << flag;
        allDl.Add(option);
    }
    EXPECT_EQ(host::DownloadControlValueOf(allDl), 0xF007FFF0u);
    EXPECT_EQ(host::DownloadControlValueOf(host::DefaultDownloadOptions()), 0x70u);
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
