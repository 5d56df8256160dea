#include "host/core/host_options.h"

#include <utility>

namespace host {
namespace {

constexpr uint32_t kDownloadFlags[] = {
    0x00000010, 0x00000020, 0x00000040, 0x00000080, 0x00000100, 0x00000200, 0x00000400,
    0x00000800, 0x00001000, 0x00002000, 0x00004000, 0x00008000, 0x00010000, 0x00020000,
    0x00040000, 0x10000000, 0x20000000, 0x40000000, 0x80000000,
};
static_assert(sizeof(kDownloadFlags) / sizeof(kDownloadFlags[0]) ==
              static_cast<size_t>(TDownloadControlOption::Count));

constexpr uint32_t kHostUIFlags[] = {
    0x00000001, 0x00000002, 0x00000004, 0x00000008, 0x00000010, 0x00000020, 0x00000040, 0x00000080,
    0x00000100, 0x00000200, 0x00000400, 0x00000800, 0x00001000, 0x00002000, 0x00004000, 0x00010000,
    0x00020000, 0x00040000, 0x00080000, 0x00100000, 0x00200000, 0x00400000, 0x00800000, 0x01000000,
    0x02000000, 0x04000000, 0x08000000, 0x10000000, 0x20000000,
};
static_assert(sizeof(kHostUIFlags) / sizeof(kHostUIFlags[0]) ==
              static_cast<size_t>(TUserInterfaceOption::Count));

} // namespace

uint32_t DownloadControlFlag(TDownloadControlOption option) {
    return kDownloadFlags[static_cast<size_t>(option)];
}

uint32_t HostUIFlag(TUserInterfaceOption option) {
    return kHostUIFlags[static_cast<size_t>(option)];
}

uint32_t DownloadControlValueOf(TDownloadControlOptions options) {
    uint32_t sum = 0;
    for (size_t i = 0; i < static_cast<size_t>(TDownloadControlOption::Count); ++i) {
        auto o = static_cast<TDownloadControlOption>(i);
        if (options.Has(o)) {
            sum += DownloadControlFlag(o);
        }
    }
    return sum;
}

uint32_t HostUIFlagsValueOf(TUserInterfaceOptions options) {
    uint32_t sum = 0;
    for (size_t i = 0; i < static_cast<size_t>(TUserInterfaceOption::Count); ++i) {
        auto o = static_cast<TUserInterfaceOption>(i);
        if (options.Has(o)) {
            sum += HostUIFlag(o);
        }
    }
    return sum;
}

TDownloadControlOptions DefaultDownloadOptions() {
    return {TDownloadControlOption::DLCTL_DLIMAGES, TDownloadControlOption::DLCTL_VIDEOS,
            TDownloadControlOption::DLCTL_BGSOUNDS};
}

ContextMenuAnswer ChooseContextMenu(const TRightClickMenu& menu,
                                    const TRightClickShortCuts& shortCuts, uint32_t menuId) {
    const bool kinds[] = {menu.DefaultMenu,  menu.ImageMenu,  menu.ControlMenu, menu.TableMenu,
                          menu.SelTextMenu,  menu.AnchorMenu, menu.UnKnownMenu, menu.ImgDynSrcMenu,
                          menu.ImageArtMenu, menu.DebugMenu};
    if (menuId < sizeof(kinds) / sizeof(kinds[0]) && !kinds[menuId]) {
        return ContextMenuAnswer::NoMenu;
    }
    if (!menu.DisableAllMenus) {
        return ContextMenuAnswer::NoMenu;
    }
    return DisabledMenuCommands(shortCuts).empty() ? ContextMenuAnswer::EngineMenu
                                                   : ContextMenuAnswer::OwnMenu;
}

std::vector<uint32_t> DisabledMenuCommands(const TRightClickShortCuts& s) {
    const std::pair<bool, uint32_t> entries[] = {
        {s.DisableBack, 2282},          {s.DisableForward, 2283},
        {s.DisableSavePageBkg, 2263},   {s.DisableSetAsBkg, 2264},
        {s.DisableCopyBkg, 2265},       {s.DisableSetAsDesktopItem, 2278},
        {s.DisableSelectAll, 31},       {s.DisablePaste, 26},
        {s.DisableCreateShorcut, 2266}, {s.DisableAddToFav, 2261},
        {s.DisableEncoding, 2292},      {s.DisableRefresh, 2300},
        {s.DisableViewSource, 2139},    {s.DisableProperties, 28},
        {s.DisablePrint, 27},           {s.DisableOpenInNewWindow, 2137},
        {s.DisableOpenLink, 2136},
    };
    std::vector<uint32_t> ids;
    for (const auto& e : entries) {
        if (e.first) {
            ids.push_back(e.second);
        }
    }
    return ids;
}

bool ShortcutSwallowed(const TShortCuts& s, bool ctrlDown, uint32_t key) {
    const std::pair<bool, uint32_t> order[] = {
        {s.DisableCTRL_N, 'N'}, {s.DisableCTRL_P, 'P'}, {s.DisableCTRL_A, 'A'},
        {s.DisableCTRL_C, 'C'}, {s.DisableCTRL_F, 'F'},
    };
    for (const auto& o : order) {
        if (o.first) {
            return ctrlDown && key == o.second;
        }
    }
    return false;
}

std::wstring ProxyText(const TProxySettings& proxy) {
    if (proxy.Server.empty()) {
        return {};
    }
    return proxy.Server + L":" + std::to_wstring(proxy.Port);
}

bool IsBlankAddress(const std::wstring& text) {
    for (wchar_t c : text) {
        if (c > L' ') {
            return false;
        }
    }
    return true;
}

} // namespace host
