// Decisions of a browser window that need no window: progress bar, command states, keys,
// entered addresses and the record mark of navigation starts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

struct ProgressView {
    int position;
    bool visible;
};
// Progress >= 1 and ProgressMax >= 2: position Progress*100/ProgressMax (64-bit product,
// truncated, held at INT32_MAX), shown; otherwise position 1, hidden. (The bar itself clamps
// above 100.)
ProgressView ProgressFor(int32_t progress, int32_t progressMax);

enum class NavCommand { None, Forward, Back };
// 1 Forward, 2 Back, anything else (the engine's -1 "all commands" included) None.
NavCommand CommandStateTarget(int32_t command);

enum class AltArrow { None, Back, Forward };
// FormKeyDown: acts only when the shift state is exactly Alt (no Shift, Ctrl or mouse button):
// virtual key 37 -> Back, 39 -> Forward.
AltArrow AltArrowKey(unsigned virtualKey, bool alt, bool shift, bool ctrl, bool mouseButton);

// GoToAddress: T exactly as typed. T with a "." anywhere: a SearchHomeForms entry -> the box
// shows and loads PartnerHomeUrl; else T is loaded as typed. No ".": load PartnerSearchPrefix + T,
// the box keeps T.
struct AddressDecision {
    std::string boxText;
    std::string navigateTo;
};
AddressDecision DecideAddress(std::string_view typed);

// Navigation start: what the window does for URL url with its record mark (FRecordNextUrl).
// "about:blank" (byte exact): focus only, mark unchanged. Otherwise: record = mark, mark
// cleared; panel text and tab refresh always.
struct NavigationStart {
    bool focusOnly;
    bool record;
};
NavigationStart OnNavigationStart(bool& recordNextUrl, std::string_view url);

} // namespace kv
