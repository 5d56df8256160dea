#include "host/core/dde_command.h"

#include <limits>

namespace host {
namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

bool IsSign(wchar_t c) {
    return c == L'-' || c == L'+';
}

// A number found at `start` or later: an optional sign and the digits after it. Sets `end` to
// the position after it. False with `error` set when it is a sign without digits or does not
// fit in 64 bits; false with `found` clear when the text has no number from `start` on.
struct NumberScan {
    bool found = false;
    int64_t value = 0;
    size_t end = 0;
    std::wstring error;
};

NumberScan ScanNumber(const std::wstring& text, size_t start) {
    NumberScan scan;
    size_t i = start;
    while (i < text.size() && !IsDigit(text[i]) && !IsSign(text[i])) {
        ++i;
    }
    if (i >= text.size()) {
        scan.end = text.size();
        return scan;
    }
    scan.found = true;
    const size_t first = i;
    bool negative = false;
    if (IsSign(text[i])) {
        negative = text[i] == L'-';
        ++i;
    }
    const size_t digits = i;
    // Accumulated as a negative value so that the most negative number fits.
    int64_t value = 0;
    bool overflow = false;
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    while (i < text.size() && IsDigit(text[i])) {
        int d = text[i] - L'0';
        if (value < (kMin + d) / 10) {
            overflow = true;
        } else {
            value = value * 10 - d;
        }
        ++i;
    }
    scan.end = i;
    if (i == digits || overflow || (!negative && value == kMin)) {
        scan.error = L"'" + text.substr(first, i - first) + L"' is not a valid integer value";
        return scan;
    }
    scan.value = negative ? value : -value;
    return scan;
}

DdeCommandKind KindOf(const std::wstring& name, const DdeCommandNames& names) {
    if (name.empty()) {
        return DdeCommandKind::None;
    }
    if (name == names.open) {
        return DdeCommandKind::Open;
    }
    if (name == names.explore) {
        return DdeCommandKind::Explore;
    }
    if (name == names.find) {
        return DdeCommandKind::Find;
    }
    return DdeCommandKind::None;
}

} // namespace

std::wstring DdeCommandName(const std::wstring& text) {
    size_t open = text.find(L'[');
    if (open == std::wstring::npos) {
        return {};
    }
    size_t start = open + 1;
    size_t paren = text.find(L'(', start);
    return text.substr(start, paren == std::wstring::npos ? std::wstring::npos : paren - start);
}

std::wstring HtmlFileCommandTarget(const std::wstring& text) {
    if (text.empty() || text[0] != L'"') {
        return text;
    }
    size_t close = text.find(L'"', 1);
    return text.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
}

DdeParseResult ParseDdeFolderCommand(const std::wstring& text, const DdeCommandNames& names) {
    DdeParseResult result;
    DdeFolderCommand& command = result.command;
    command.kind = KindOf(DdeCommandName(text), names);
    if (command.kind == DdeCommandKind::None) {
        result.ok = true;
        return result;
    }

    // Path, and where the fields after it begin.
    size_t fields = 0;
    size_t q1 = text.find(L'"');
    if (q1 != std::wstring::npos) {
        size_t q2 = text.find(L'"', q1 + 1);
        if (q2 == std::wstring::npos) {
            command.path = text.substr(q1 + 1);
            fields = text.size();
        } else {
            command.path = text.substr(q1 + 1, q2 - q1 - 1);
            fields = q2 + 1;
        }
    }

    size_t comma1 = text.find(L',', fields);
    if (comma1 != std::wstring::npos) {
        NumberScan n1 = ScanNumber(text, comma1 + 1);
        if (!n1.error.empty()) {
            result.error = n1.error;
            return result;
        }
        if (n1.found) {
            int64_t process = 0;
            size_t sep = text.find_first_of(L":,", n1.end);
            if (sep != std::wstring::npos && text[sep] == L':') {
                NumberScan n2 = ScanNumber(text, sep + 1);
                if (!n2.error.empty()) {
                    result.error = n2.error;
                    return result;
                }
                process = n2.value;
            }
            command.itemList = n1.value;
            command.processId = process;
            if (process != 0) {
                command.source = DdeItemListSource::SharedMemory;
            } else if (n1.value != 0) {
                command.source = DdeItemListSource::Address;
            }
        }
        size_t comma2 = text.find(L',', comma1 + 1);
        if (comma2 != std::wstring::npos) {
            for (size_t i = comma2 + 1; i < text.size(); ++i) {
                if (IsDigit(text[i])) {
                    command.showCommand = text[i] - L'0';
                    break;
                }
            }
        }
    }
    result.ok = true;
    return result;
}

} // namespace host
