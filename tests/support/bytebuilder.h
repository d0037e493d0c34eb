// Tiny builder for crafted files in tests: bytes appended in order.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

struct ByteBuilder {
    std::vector<uint8_t> v;

    ByteBuilder& u8(unsigned x) { v.push_back(uint8_t(x)); return *this; }
    ByteBuilder& bytes(std::initializer_list<unsigned> xs) {
        for (unsigned x : xs) u8(x);
        return *this;
    }
    ByteBuilder& le16(unsigned x) { return u8(x & 0xFF).u8((x >> 8) & 0xFF); }
    ByteBuilder& le32(uint32_t x) { return le16(x & 0xFFFF).le16(x >> 16); }
    ByteBuilder& be16(unsigned x) { return u8((x >> 8) & 0xFF).u8(x & 0xFF); }
    ByteBuilder& be32(uint32_t x) { return be16(x >> 16).be16(x & 0xFFFF); }
    // Byte by byte: GCC 12 at -O3 warns (-Wstringop-overflow) about moving
    // the zero old bytes when a range is inserted into an empty vector.
    ByteBuilder& str(const std::string& s) {
        for (char c : s) u8(static_cast<unsigned char>(c));
        return *this;
    }
    ByteBuilder& fill(std::size_t n, unsigned x = 0) {
        v.insert(v.end(), n, uint8_t(x));
        return *this;
    }
    ByteBuilder& append(const std::vector<uint8_t>& o) {
        v.insert(v.end(), o.begin(), o.end());
        return *this;
    }
    std::size_t size() const { return v.size(); }
    const uint8_t* data() const { return v.data(); }
    // Overwrites a little-endian 32-bit value at `at` (for sizes known late).
    void patch32(std::size_t at, uint32_t x) {
        for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
    }
};
