#include "browser_window/core/window_rules.h"

#include "common/core/search_config.h"

namespace kv {

ProgressView ProgressFor(int32_t progress, int32_t progressMax) {
    if (progress >= 1 && progressMax >= 2) {
        const int64_t percent = static_cast<int64_t>(progress) * 100 / progressMax;
        // Far above 100 when Progress exceeds ProgressMax: kept in range so the bar still
        // shows full instead of a wrapped-around value.
        const int64_t kLimit = INT32_MAX;
        return {static_cast<int>(percent > kLimit ? kLimit : percent), true};
    }
    return {1, false};
}

NavCommand CommandStateTarget(int32_t command) {
    switch (command) {
    case 1:
        return NavCommand::Forward;
    case 2:
        return NavCommand::Back;
    default:
        return NavCommand::None;
    }
}

AltArrow AltArrowKey(unsigned virtualKey, bool alt, bool shift, bool ctrl, bool mouseButton) {
    if (!alt || shift || ctrl || mouseButton) {
        return AltArrow::None;
    }
    switch (virtualKey) {
    case 37:
        return AltArrow::Back;
    case 39:
        return AltArrow::Forward;
    default:
        return AltArrow::None;
    }
}

// "." (0x2E) is never the trail byte of a two-byte character, so a byte search is enough.
AddressDecision DecideAddress(std::string_view typed) {
    const std::string text(typed);
    if (typed.find('.') != std::string_view::npos) {
        if (IsSearchHomeForm(typed)) {
            const std::string home = PartnerHomeUrl();
            return {home, home};
        }
        return {text, text};
    }
    return {text, PartnerSearchPrefix() + text};
}

NavigationStart OnNavigationStart(bool& recordNextUrl, std::string_view url) {
    if (url == "about:blank") {
        return {true, false};
    }
    const bool record = recordNextUrl;
    recordNextUrl = false;
    return {false, record};
}

} // namespace kv
