// Recording one entered address in a 100,000-line history, as every recorded navigation does:
// moving a line from near the end to the front, and inserting an absent address.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/core/history.h"

namespace {

// Addresses are ASCII, so a single-byte code page is all the look-up needs.
class Latin1Codec final : public kv::AnsiCodec {
public:
    std::string ToAnsi(std::wstring_view text) const override {
        std::string out;
        for (wchar_t c : text) {
            out += c < 0x100 ? static_cast<char>(c) : '?';
        }
        return out;
    }
    std::wstring FromAnsi(std::string_view text) const override {
        std::wstring out;
        for (char c : text) {
            out += static_cast<wchar_t>(static_cast<unsigned char>(c));
        }
        return out;
    }
    bool IsLeadByte(unsigned char) const override { return false; }
};

constexpr size_t kLines = 100000;
constexpr int kRuns = 301;

// Realistic spread of lengths, many sharing the length and prefix of the address looked up.
std::vector<std::string> MakeHistory() {
    std::vector<std::string> lines;
    lines.reserve(kLines + 1);
    for (size_t i = 0; i < kLines; ++i) {
        std::string line = "http://www.site" + std::to_string(i % 977) + ".example.com/";
        line += std::string(i % 23, 'p');
        line += std::to_string(i);
        lines.push_back(std::move(line));
    }
    return lines;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class F> double MicrosecondsOf(F&& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::micro>(t1 - t0).count();
}

} // namespace

int main() {
    const Latin1Codec codec;
    kv::LineList lines(MakeHistory());
    const size_t nearEnd = kLines - 10;
    std::string present(lines[nearEnd]);
    std::transform(present.begin(), present.end(), present.begin(),
                   [](char c) { return static_cast<char>(std::toupper(c)); });
    const std::string absent = "http://www.site1.example.com/not-in-the-history";

    std::vector<double> move, insert, find;
    for (int run = 0; run < kRuns; ++run) {
        size_t from = 0;
        move.push_back(MicrosecondsOf([&] { from = kv::RecordAtFront(lines, present, codec); }));
        if (from != nearEnd) {
            std::fprintf(stderr, "history_move_to_front_100k: found at %zu\n", from);
            return 1;
        }
        const std::string moved(lines.front());
        lines.erase(0);
        lines.insert(nearEnd, moved);

        insert.push_back(MicrosecondsOf([&] { from = kv::RecordAtFront(lines, absent, codec); }));
        if (from != std::string::npos) {
            std::fprintf(stderr, "history_insert_100k: found at %zu\n", from);
            return 1;
        }
        lines.erase(0);

        find.push_back(MicrosecondsOf([&] { from = kv::FindLine(lines, absent, codec); }));
        if (from != std::string::npos) {
            return 1;
        }
    }
    std::printf("history_move_to_front_100k %.1f us\n", Median(move));
    std::printf("history_insert_100k %.1f us\n", Median(insert));
    // The look-up alone, without moving the lines.
    std::printf("history_find_absent_100k %.1f us\n", Median(find));
    return 0;
}
