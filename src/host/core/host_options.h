// Option groups of the browser host and the flag sums the engine is given. Portable.
#pragma once

#include <cstdint>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace host {

// The values carry the platform's flag names, which <mshtmdid.h> defines as macros: a file that
// uses these enumerations must not include that header (the flag values are in the .cpp).
#ifdef DLCTL_DLIMAGES
#error "<mshtmdid.h> defines the DLCTL_ names as macros; do not include it together with this file"
#endif
enum class TDownloadControlOption {
    DLCTL_DLIMAGES,
    DLCTL_VIDEOS,
    DLCTL_BGSOUNDS,
    DLCTL_NO_SCRIPTS,
    DLCTL_NO_JAVA,
    DLCTL_NO_RUNACTIVEXCTLS,
    DLCTL_NO_DLACTIVEXCTLS,
    DLCTL_DOWNLOADONLY,
    DLCTL_NO_FRAMEDOWNLOAD,
    DLCTL_RESYNCHRONIZE,
    DLCTL_PRAGMA_NO_CACHE,
    DLCTL_NO_BEHAVIORS,
    DLCTL_NO_METACHARSET,
    DLCTL_URL_ENCODING_DISABLE_UTF8,
    DLCTL_URL_ENCODING_ENABLE_UTF8,
    DLCTL_FORCEOFFLINE,
    DLCTL_NO_CLIENTPULL,
    DLCTL_SILENT,
    DLCTL_OFFLINE,
    Count
};

enum class TUserInterfaceOption {
    DIALOG,
    DISABLE_HELP_MENU,
    NO3DBORDER,
    SCROLL_NO,
    DISABLE_SCRIPT_INACTIVE,
    OPENNEWWIN,
    DISABLE_OFFSCREEN,
    FLAT_SCROLLBAR,
    DIV_BLOCKDEFAULT,
    ACTIVATE_CLIENTHIT_ONLY,
    OVERRIDEBEHAVIORFACTORY,
    CODEPAGELINKEDFONTS,
    URL_ENCODING_DISABLE_UTF8,
    URL_ENCODING_ENABLE_UTF8,
    ENABLE_FORMS_AUTOCOMPLETE,
    ENABLE_INPLACE_NAVIGATION,
    IME_ENABLE_RECONVERSION,
    THEME,
    NOTHEME,
    NOPICS,
    NO3DOUTERBORDER,
    DISABLE_EDIT_NS_FIXUP,
    LOCAL_MACHINE_ACCESS_CHECK,
    DISABLE_UNTRUSTEDPROTOCOL,
    HOST_NAVIGATES,
    ENABLE_REDIRECT_NOTIFICATION,
    USE_WINDOWLESS_SELECTCONTROL,
    USE_WINDOWED_SELECTCONTROL,
    ENABLE_ACTIVEX_INACTIVATE_MODE,
    Count
};

// A set of options of enumeration E, one bit per value.
template <class E> class OptionSet {
public:
    constexpr OptionSet() = default;
    constexpr OptionSet(std::initializer_list<E> items) {
        for (E e : items) {
            bits_ |= Bit(e);
        }
    }
    constexpr bool Has(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr OptionSet& Add(E e) {
        bits_ |= Bit(e);
        return *this;
    }
    constexpr OptionSet& Remove(E e) {
        bits_ &= ~Bit(e);
        return *this;
    }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool operator==(const OptionSet& o) const { return bits_ == o.bits_; }
    constexpr bool operator!=(const OptionSet& o) const { return bits_ != o.bits_; }

private:
    static constexpr uint64_t Bit(E e) { return uint64_t{1} << static_cast<unsigned>(e); }
    uint64_t bits_ = 0;
};

using TDownloadControlOptions = OptionSet<TDownloadControlOption>;
using TUserInterfaceOptions = OptionSet<TUserInterfaceOption>;

// The platform's flag value of each option (DLCTL_... and DOCHOSTUIFLAG_...).
uint32_t DownloadControlFlag(TDownloadControlOption option);
uint32_t HostUIFlag(TUserInterfaceOption option);
// Sums of the flags of a set, as 32-bit values.
uint32_t DownloadControlValueOf(TDownloadControlOptions options);
uint32_t HostUIFlagsValueOf(TUserInterfaceOptions options);

// The host's defaults: images, videos and background sounds.
TDownloadControlOptions DefaultDownloadOptions();

struct TMessagesBoxes {
    bool DisableAll = false;
    bool InternalErrMsg = false; // a host not loaded from a form starts with false
    bool ReplaceCaption = true;
    bool ReplaceIcon = true;
    std::wstring NewCaption;
};

struct TMargins {
    double Left = 0, Right = 0, Top = 0, Bottom = 0;
};

enum class TPrintOrientationOption { poPortrait, poLandscape };

struct TPrintOptions {
    bool Enabled = false;
    TMargins Margins;
    std::wstring Header;
    std::vector<std::wstring> HTMLHeader{L"<HTML></HTML>"};
    std::wstring Footer;
    TPrintOrientationOption Orientation = TPrintOrientationOption::poPortrait;
};

// Context menu filter: which kinds of the engine's context menu may be shown at all.
struct TRightClickMenu {
    bool DisableAllMenus = true; // false: no context menu anywhere
    bool DefaultMenu = true;
    bool ImageMenu = true;
    bool ControlMenu = true;
    bool TableMenu = true;
    bool SelTextMenu = true;
    bool AnchorMenu = true;
    bool UnKnownMenu = true;
    bool ImageArtMenu = true;
    bool ImgDynSrcMenu = true;
    bool DebugMenu = true;
};

// Entries removed from the host's own context menu.
struct TRightClickShortCuts {
    bool DisableBack = false;
    bool DisableForward = false;
    bool DisableSavePageBkg = false;
    bool DisableSetAsBkg = false;
    bool DisableCopyBkg = false;
    bool DisableSetAsDesktopItem = false;
    bool DisableSelectAll = false;
    bool DisablePaste = false;
    bool DisableCreateShorcut = false;
    bool DisableAddToFav = false;
    bool DisableEncoding = false;
    bool DisableRefresh = false;
    bool DisableViewSource = false;
    bool DisableProperties = false;
    bool DisablePrint = false;
    bool DisableOpenInNewWindow = false;
    bool DisableOpenLink = false;
};

// Ctrl+letter keys the host keeps from the engine.
struct TShortCuts {
    bool DisableCTRL_A = false;
    bool DisableCTRL_C = false;
    bool DisableCTRL_F = false;
    bool DisableCTRL_N = true;
    bool DisableCTRL_P = false;
};

struct TVisualEffects {
    bool DisableSounds = false;
    int32_t TextSize = 2; // the engine's zoom level; 2 is its normal size and never applied
};

struct TProxySettings {
    int32_t Port = 80;
    std::wstring Server;
};

// What the host does with the engine's request for a context menu of kind menuId.
enum class ContextMenuAnswer {
    NoMenu,     // answer S_OK: nothing is shown
    EngineMenu, // answer S_FALSE: the engine shows its own
    OwnMenu,    // the host shows the engine's menu resource without the disabled entries
};
ContextMenuAnswer ChooseContextMenu(const TRightClickMenu& menu,
                                    const TRightClickShortCuts& shortCuts, uint32_t menuId);

// Command ids of the context menu entries whose flag is set, in the flags' order.
std::vector<uint32_t> DisabledMenuCommands(const TRightClickShortCuts& shortCuts);

// True when the key (a virtual-key code) pressed with Ctrl is kept from the engine: the first
// set flag in the order N, P, A, C, F decides alone.
bool ShortcutSwallowed(const TShortCuts& shortCuts, bool ctrlDown, uint32_t key);

// "host:port" for the proxy settings, or empty when no server is set.
std::wstring ProxyText(const TProxySettings& proxy);

// True when text is empty after removing leading and trailing blanks and control characters
// (every character up to U+0020): such an address is not navigated.
bool IsBlankAddress(const std::wstring& text);

} // namespace host
