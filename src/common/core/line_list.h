// A list of ANSI lines of any length (an address history of millions of lines), kept compactly:
// the bytes of the lines in a block read from the file plus a block of the lines added since,
// and one small record per line. Copies share everything until one of them changes; a changed
// copy still shares the file's block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

class LineList {
public:
    LineList() = default;
    LineList(std::initializer_list<std::string_view> lines);
    LineList(const std::vector<std::string>& lines); // NOLINT: a list of lines is one
    // The lines of a text file's bytes, by the rules of SplitLines; the bytes are kept as the
    // lines' block, not copied line by line.
    static LineList FromFileBytes(std::string bytes);
    // Every line ended with CR LF, as JoinLines.
    std::string ToFileBytes() const;

    size_t size() const { return data_ ? data_->spans.size() : 0; }
    bool empty() const { return size() == 0; }
    std::string_view operator[](size_t i) const;
    std::string_view front() const { return (*this)[0]; }
    std::string_view back() const { return (*this)[size() - 1]; }

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;
        const_iterator() = default;
        const_iterator(const LineList* list, size_t i) : list_(list), i_(i) {}
        std::string_view operator*() const { return (*list_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator old = *this;
            ++i_;
            return old;
        }
        const_iterator operator+(difference_type n) const {
            return {list_, static_cast<size_t>(static_cast<difference_type>(i_) + n)};
        }
        difference_type operator-(const const_iterator& o) const {
            return static_cast<difference_type>(i_) - static_cast<difference_type>(o.i_);
        }
        bool operator==(const const_iterator& o) const { return i_ == o.i_; }
        bool operator!=(const const_iterator& o) const { return i_ != o.i_; }
        size_t index() const { return i_; }

    private:
        const LineList* list_ = nullptr;
        size_t i_ = 0;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    void insert(size_t position, std::string_view line);
    void insert(const_iterator position, std::string_view line) { insert(position.index(), line); }
    void erase(size_t position);
    void push_back(std::string_view line) { insert(size(), line); }
    void pop_back() { erase(size() - 1); }
    void move_to_front(size_t index);
    void clear() { data_.reset(); }

    operator std::vector<std::string>() const; // NOLINT: for callers that want their own copy
    // True when both hold the same stored lines (neither has changed since one was copied).
    bool SharesWith(const LineList& other) const { return data_ == other.data_; }

    friend bool operator==(const LineList& a, const LineList& b);
    friend bool operator!=(const LineList& a, const LineList& b) { return !(a == b); }

private:
    // Where a line's bytes are: below the file block's size in that block, else in the block
    // of added lines.
    struct Span {
        uint32_t offset;
        uint32_t length;
    };
    struct Data {
        std::shared_ptr<const std::string> file;
        std::string added;
        // Last line first: lines are added at the front, which is the end here.
        std::vector<Span> spans;
    };
    Data& Own();
    size_t FileSize() const { return data_ && data_->file ? data_->file->size() : 0; }
    std::shared_ptr<Data> data_;
};

bool operator==(const LineList& a, const std::vector<std::string>& b);
inline bool operator==(const std::vector<std::string>& a, const LineList& b) {
    return b == a;
}
inline bool operator!=(const LineList& a, const std::vector<std::string>& b) {
    return !(a == b);
}
inline bool operator!=(const std::vector<std::string>& a, const LineList& b) {
    return !(b == a);
}

} // namespace kv
