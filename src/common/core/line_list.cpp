#include "common/core/line_list.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace kv {

namespace {

constexpr size_t kMaxBytes = std::numeric_limits<uint32_t>::max();

} // namespace

LineList::LineList(std::initializer_list<std::string_view> lines) {
    for (auto it = lines.end(); it != lines.begin();) {
        insert(0, *--it);
    }
}

LineList::LineList(const std::vector<std::string>& lines) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        insert(0, *it);
    }
}

LineList LineList::FromFileBytes(std::string bytes) {
    if (bytes.size() > kMaxBytes) {
        throw std::length_error("line list too long");
    }
    LineList list;
    if (bytes.empty()) {
        return list;
    }
    auto data = std::make_shared<Data>();
    std::vector<Span>& spans = data->spans;
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* p = begin;
    // Lines end at CR LF, LF or CR; the ends are found with memchr, a line at a time.
    const char* nextLf = static_cast<const char*>(std::memchr(p, '\n', bytes.size()));
    while (p < end) {
        if (nextLf != nullptr && nextLf < p) {
            nextLf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        }
        const char* limit = nextLf != nullptr ? nextLf : end;
        const char* cr =
            static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(limit - p)));
        const char* lineEnd = cr != nullptr ? cr : limit;
        spans.push_back(Span{static_cast<uint32_t>(p - begin), static_cast<uint32_t>(lineEnd - p)});
        if (lineEnd == end) {
            break;
        }
        p = lineEnd + 1;
        if (*lineEnd == '\r' && p < end && *p == '\n') {
            ++p;
        }
    }
    // Read in the file's order, kept last line first.
    for (size_t i = 0, j = spans.size(); i < j / 2; ++i) {
        std::swap(spans[i], spans[j - 1 - i]);
    }
    spans.shrink_to_fit();
    data->file = std::make_shared<const std::string>(std::move(bytes));
    list.data_ = std::move(data);
    return list;
}

std::string LineList::ToFileBytes() const {
    size_t total = 0;
    for (std::string_view line : *this) {
        total += line.size() + 2;
    }
    std::string out;
    out.reserve(total);
    for (std::string_view line : *this) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::string_view LineList::operator[](size_t i) const {
    const Data& d = *data_;
    const Span& s = d.spans[d.spans.size() - 1 - i];
    const size_t fileSize = FileSize();
    if (s.offset < fileSize) {
        return std::string_view(d.file->data() + s.offset, s.length);
    }
    return std::string_view(d.added.data() + (s.offset - fileSize), s.length);
}

LineList::Data& LineList::Own() {
    if (!data_) {
        data_ = std::make_shared<Data>();
    } else if (data_.use_count() > 1) {
        data_ = std::make_shared<Data>(*data_); // the file's block stays shared
    }
    return *data_;
}

void LineList::insert(size_t position, std::string_view line) {
    Data& d = Own();
    if (position > d.spans.size()) {
        position = d.spans.size();
    }
    const size_t offset = FileSize() + d.added.size();
    if (offset + line.size() > kMaxBytes) {
        throw std::length_error("line list too long");
    }
    d.added.append(line);
    d.spans.insert(d.spans.end() - static_cast<std::ptrdiff_t>(position),
                   Span{static_cast<uint32_t>(offset), static_cast<uint32_t>(line.size())});
}

void LineList::erase(size_t position) {
    if (position >= size()) {
        return;
    }
    Data& d = Own();
    // The bytes stay where they are: only the line's record goes.
    d.spans.erase(d.spans.end() - 1 - static_cast<std::ptrdiff_t>(position));
}

void LineList::move_to_front(size_t index) {
    if (index == 0 || index >= size()) {
        return;
    }
    Data& d = Own();
    auto at = d.spans.end() - 1 - static_cast<std::ptrdiff_t>(index);
    const Span s = *at;
    d.spans.erase(at);
    d.spans.push_back(s);
}

LineList::operator std::vector<std::string>() const {
    std::vector<std::string> out;
    out.reserve(size());
    for (std::string_view line : *this) {
        out.emplace_back(line);
    }
    return out;
}

bool operator==(const LineList& a, const LineList& b) {
    if (a.SharesWith(b)) {
        return true;
    }
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

bool operator==(const LineList& a, const std::vector<std::string>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < b.size(); ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

} // namespace kv
