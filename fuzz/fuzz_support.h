#pragma once
// Shared pieces of the fuzz targets: reading fuzz input from the front,
// property checks that abort (libFuzzer reports an abort as a finding), and
// bounded wide buffers guarded by a sentinel beyond their capacity.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

// Aborts with the failed condition when a property does not hold.
#define FUZZ_CHECK(condition)                                                        \
    do {                                                                             \
        if (!(condition)) {                                                          \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition,        \
                         __FILE__, __LINE__);                                        \
            std::abort();                                                            \
        }                                                                            \
    } while (0)

// Reads fixed-size fields from the front of the input; zeros once it runs out,
// so every input, however short, is a valid one.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(byte()) << (8 * i);
        return v;
    }
    std::uint64_t u64() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(byte()) << (8 * i);
        return v;
    }
    std::int32_t i32() {
        std::uint32_t v = u32();
        std::int32_t out;
        std::memcpy(&out, &v, sizeof out);
        return out;
    }
    std::int64_t i64() {
        std::uint64_t v = u64();
        std::int64_t out;
        std::memcpy(&out, &v, sizeof out);
        return out;
    }
    // Any double, NaNs with payloads and both infinities included.
    double f64() {
        std::uint64_t bits = u64();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // A capacity from 1 to max.
    int capacity(int max) { return 1 + static_cast<int>(u16() % static_cast<unsigned>(max)); }
    // Everything not read yet, as narrow text (an embedded zero ends it).
    std::string rest_text() {
        std::string s(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        return std::string(s.c_str());
    }
    // Everything not read yet, as wide text: each pair of bytes is one
    // character of the Basic Multilingual Plane (a zero ends it).
    std::wstring rest_wide() {
        std::wstring s;
        while (pos_ + 1 < size_) {
            wchar_t c = static_cast<wchar_t>(u16());
            if (c == 0) break;
            s.push_back(c);
        }
        pos_ = size_;
        return s;
    }
    // One character of the Basic Multilingual Plane other than the terminator.
    wchar_t character() {
        const std::uint16_t c = u16();
        return static_cast<wchar_t>(c == 0 ? 1 : c);
    }
    std::size_t remaining() const { return size_ - pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A wide buffer of a given capacity followed by a guard zone. Before each use
// everything is filled with a sentinel; check() verifies that the text is
// terminated within the capacity and that nothing past the capacity changed.
class GuardedText {
public:
    static constexpr wchar_t SENTINEL = static_cast<wchar_t>(0xBEEF);
    static constexpr int GUARD = 16;

    explicit GuardedText(int capacity)
        : capacity_(capacity), cells_(static_cast<std::size_t>(capacity) + GUARD) {
        reset();
    }
    void reset() { std::wmemset(cells_.data(), SENTINEL, cells_.size()); }
    wchar_t* data() { return cells_.data(); }
    int capacity() const { return capacity_; }

    // Length of the text; aborts when it is unterminated or the guard changed.
    int check() const {
        for (int i = capacity_; i < capacity_ + GUARD; ++i) FUZZ_CHECK(cells_[i] == SENTINEL);
        for (int i = 0; i < capacity_; ++i) {
            if (cells_[i] == L'\0') return i;
        }
        FUZZ_CHECK(!"text not terminated within its capacity");
        return -1;
    }
    std::wstring text() const { return std::wstring(cells_.data(), static_cast<std::size_t>(check())); }

    // True when no cell, inside the capacity or past it, was written.
    bool untouched() const {
        for (wchar_t c : cells_) {
            if (c != SENTINEL) return false;
        }
        return true;
    }

private:
    int capacity_;
    std::vector<wchar_t> cells_;
};

// True when text begins with prefix.
inline bool starts_with(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The text a bounded writer of capacity gives for the full text: its first
// capacity - 1 characters.
inline std::wstring cut_to(const std::wstring& full, int capacity) {
    return full.substr(0, static_cast<std::size_t>(capacity - 1));
}
