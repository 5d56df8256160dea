// The settings file "kvbr.ini": key=value lines, no sections.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// First line whose text before its first "=" equals key, ASCII letter case ignored; the
// value is the rest of the line after that "=", untrimmed. Absent key (or line without "="
// never matches) -> empty string.
std::string LookupKey(const std::vector<std::string>& lines, std::string_view key);

// Whole decimal number as the frame reads "TabTop"/"TabLeft": an optional "+" or "-" and at
// least one ASCII digit, and nothing else; the value must fit in 32 bits. Blanks before or
// after are not accepted (the program never writes any). On failure out is left unchanged.
[[nodiscard]] bool ParseWholeNumber(std::string_view text, int& out);

// What reading the file at start applies, in the frame's order: TabTop, TabLeft, N10, N14,
// N11, N9, LastTime (read, not used), TabDpi. TabTop or TabLeft absent or not a whole number stops
// the reading there: what was read stays, the rest stays empty, complete = false. The check marks
// are true exactly when the value is "1".
struct StartSettings {
    std::optional<int> tabTop, tabLeft;
    std::optional<bool> n10, n14, n11, n9;
    // The scale of the screen the file was written on; absent in files of earlier versions.
    std::optional<int> tabDpi;
    bool complete = false; // only then does the frame show or hide its cool bar by N10
};
StartSettings ReadSettings(const std::vector<std::string>& lines);

struct SavedSettings {
    int tabTop = 0, tabLeft = 0;
    bool n10 = true, n14 = false, n11 = true, n9 = true;
    int year = 0, month = 0, day = 0;
    int dpi = 96; // of the screen the tab strip's position was measured on
};
// The lines written at exit, in exactly this order: "TabTop=", "TabLeft=", "N10=", "N14=",
// "N11=", "N9=", "LastTime=YYYY-MM-DD", then "TabDpi=" (a line that earlier versions ignore).
std::vector<std::string> WriteSettings(const SavedSettings& s);

// "TabTop" and "TabLeft" are pixels of a 96-DPI screen, as every version of the file has
// them: a position measured on a screen of dpi dots per inch is written scaled to 96, and
// one read from the file is scaled to the screen it is used on (halves away from zero).
int ToFilePixels(int screenPixels, unsigned dpi);
int FromFilePixels(int filePixels, unsigned dpi);

// The file name, in the working directory the program was started in.
inline constexpr const wchar_t* kSettingsFileName = L"kvbr.ini";

} // namespace kv
