#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "common/core/early_history.h"
#include "test_codecs.h"

using kvtest::Gbk;
using Lines = std::vector<std::string>;

namespace {

// What happened before the file's lines arrived: 'S' the frame recorded an address, 'C' window
// n copied the shared history, 'R' window n recorded an address in its own list.
struct Event {
    char kind;
    int window;
    const char* address;
};

struct MergeCase {
    const char* name;
    std::vector<Event> events;
    Lines shared;
    std::map<int, Lines> windows;
};

const Lines kLoaded{"http://a.example/", "HTTP://B.EXAMPLE/",
                    "http://www.baidu.com/s?tn=trevox_pg"};

TEST(EarlyHistory, RecordingsBeforeArrivalGoInFrontOfTheLoadedLines) {
    const std::vector<MergeCase> cases = {
        {"nothing recorded", {}, kLoaded, {}},
        {"the frame's recordings, newest first",
         {{'S', 0, "http://x.example/"}, {'S', 0, "http://y.example/"}},
         {"http://y.example/", "http://x.example/", "http://a.example/", "HTTP://B.EXAMPLE/",
          "http://www.baidu.com/s?tn=trevox_pg"},
         {}},
        {"a recorded address of the file moves up with the file's letter case",
         {{'S', 0, "http://b.example/"}},
         {"HTTP://B.EXAMPLE/", "http://a.example/", "http://www.baidu.com/s?tn=trevox_pg"},
         {}},
        {"a window without recordings gets the loaded lines, not later recordings of others",
         {{'C', 1, ""}, {'S', 0, "http://x.example/"}},
         {"http://x.example/", "http://a.example/", "HTTP://B.EXAMPLE/",
          "http://www.baidu.com/s?tn=trevox_pg"},
         {{1, kLoaded}}},
        {"a window opened after a recording lists it",
         {{'S', 0, "http://x.example/"}, {'C', 1, ""}},
         {"http://x.example/", "http://a.example/", "HTTP://B.EXAMPLE/",
          "http://www.baidu.com/s?tn=trevox_pg"},
         {{1,
           {"http://x.example/", "http://a.example/", "HTTP://B.EXAMPLE/",
            "http://www.baidu.com/s?tn=trevox_pg"}}}},
        {"a window's own recordings stay in front, in the order they were made",
         {{'C', 1, ""},
          {'C', 2, ""},
          {'R', 2, "http://m.example/"},
          {'S', 0, "http://m.example/"},
          {'R', 2, "http://n.example/"},
          {'S', 0, "http://n.example/"},
          {'R', 2, "HTTP://M.example/"},
          {'S', 0, "HTTP://M.example/"},
          {'R', 2, "http://a.example/"},
          {'S', 0, "http://a.example/"}},
         {"http://a.example/", "http://m.example/", "http://n.example/", "HTTP://B.EXAMPLE/",
          "http://www.baidu.com/s?tn=trevox_pg"},
         {{1, kLoaded},
          {2,
           {"http://a.example/", "http://m.example/", "http://n.example/", "HTTP://B.EXAMPLE/",
            "http://www.baidu.com/s?tn=trevox_pg"}}}},
        {"a window made again at a closed one's address starts over",
         {{'C', 1, ""}, {'R', 1, "http://old.example/"}, {'C', 1, ""}},
         kLoaded,
         {{1, kLoaded}}},
    };
    // Stand-ins for window addresses.
    static const char windowIds[3] = {};
    for (const MergeCase& c : cases) {
        kv::EarlyHistory early;
        for (const Event& e : c.events) {
            const void* id = &windowIds[e.window];
            if (e.kind == 'S') {
                early.RecordShared(e.address);
            } else if (e.kind == 'C') {
                early.WindowCopied(id);
            } else {
                early.RecordInWindow(id, e.address);
            }
        }
        const kv::LineList loaded(kLoaded);
        kv::EarlyHistory::Merged m = early.Merge(loaded, Gbk());
        EXPECT_EQ(m.shared, c.shared) << c.name;
        std::map<int, Lines> windows;
        for (const auto& [id, lines] : m.windows) {
            windows[static_cast<const char*>(id) - windowIds] = lines;
        }
        EXPECT_EQ(windows, c.windows) << c.name;
    }
}

TEST(EarlyHistory, WindowsWithoutRecordingsShareTheLoadedLines) {
    kv::EarlyHistory early;
    static const char ids[2] = {};
    early.WindowCopied(&ids[0]);
    early.WindowCopied(&ids[1]);
    const kv::LineList loaded(kLoaded);
    kv::EarlyHistory::Merged m = early.Merge(loaded, Gbk());
    ASSERT_EQ(m.windows.size(), 2u);
    EXPECT_TRUE(m.windows[0].second.SharesWith(loaded));
    EXPECT_TRUE(m.windows[1].second.SharesWith(loaded));
    EXPECT_TRUE(m.shared.SharesWith(loaded));
}

} // namespace
