#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <vector>

#include "common/core/early_history.h"
#include "test_codecs.h"

using Lines = std::vector<std::string>;

// What happened before the file's lines {a, B, p} arrived: 'S' the frame recorded an address,
// 'C' window n copied the shared history, 'R' window n recorded an address in its own list.
TEST(EarlyHistory, RecordingsBeforeArrivalGoInFrontOfTheLoadedLines) {
    // kind, window, address
    using Event = std::tuple<char, int, const char*>;
    struct Case {
        const char* name;
        std::vector<Event> events;
        Lines shared;
        std::map<int, Lines> windows;
    };
    const std::vector<Case> cases = {
        {"nothing recorded", {}, {"a", "B", "p"}, {}},
        {"the frame's recordings, newest first",
         {{'S', 0, "x"}, {'S', 0, "y"}},
         {"y", "x", "a", "B", "p"},
         {}},
        {"a line of the file moves up as the file writes it", {{'S', 0, "b"}}, {"B", "a", "p"}, {}},
        {"a window gets the lines but not later recordings of others",
         {{'C', 1, ""}, {'S', 0, "x"}},
         {"x", "a", "B", "p"},
         {{1, {"a", "B", "p"}}}},
        {"a window opened after a recording lists it",
         {{'S', 0, "x"}, {'C', 1, ""}},
         {"x", "a", "B", "p"},
         {{1, {"x", "a", "B", "p"}}}},
        {"a window's own recordings stay in front, in order",
         {{'C', 1, ""},
          {'C', 2, ""},
          {'R', 2, "m"},
          {'S', 0, "m"},
          {'R', 2, "n"},
          {'S', 0, "n"},
          {'R', 2, "M"},
          {'S', 0, "M"},
          {'R', 2, "A"},
          {'S', 0, "A"}},
         {"a", "m", "n", "B", "p"},
         {{1, {"a", "B", "p"}}, {2, {"a", "m", "n", "B", "p"}}}},
        {"a window made again at a closed one's address starts over",
         {{'C', 1, ""}, {'R', 1, "old"}, {'C', 1, ""}},
         {"a", "B", "p"},
         {{1, {"a", "B", "p"}}}},
    };
    static const char ids[3] = {}; // stand-ins for windows
    const kv::LineList loaded{"a", "B", "p"};
    for (const Case& c : cases) {
        kv::EarlyHistory early;
        for (const auto& [kind, window, address] : c.events) {
            if (kind == 'S') {
                early.RecordShared(address);
            } else if (kind == 'C') {
                early.WindowCopied(&ids[window]);
            } else {
                early.RecordInWindow(&ids[window], address);
            }
        }
        kv::EarlyHistory::Merged m = early.Merge(loaded, kvtest::Gbk());
        EXPECT_EQ(m.shared, c.shared) << c.name;
        std::map<int, Lines> windows;
        for (const auto& [id, lines] : m.windows) {
            windows[static_cast<const char*>(id) - ids] = lines;
            // Windows without recordings of their own cost no copy of the lines.
            EXPECT_EQ(lines.SharesWith(loaded), lines == loaded) << c.name;
        }
        EXPECT_EQ(windows, c.windows) << c.name;
    }
}
