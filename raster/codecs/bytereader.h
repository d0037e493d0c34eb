// Bounds-checked access to file bytes, shared by the simple codecs.
//
// ByteReader never reads outside its buffer: a read past the end yields 0
// and marks the reader failed for good, so a parser can read a whole header
// field by field and test ok() once. ByteWriter buffers output to a FILE and
// remembers the first write error. The ByteRun1 (PackBits) pair serves ILBM
// and anything else that uses the same run scheme.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "raster/codecs/runs.h"

namespace pixkit {

class ByteReader {
public:
    ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    void fail() { ok_ = false; }
    std::size_t pos() const { return pos_; }
    std::size_t size() const { return size_; }
    std::size_t remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }
    const uint8_t* here() const { return data_ + pos_; }
    const uint8_t* data() const { return data_; }

    // Moves to an absolute offset; an offset past the end fails.
    bool seek(std::size_t p) {
        if (p > size_) return fail(), false;
        pos_ = p;
        return true;
    }
    bool skip(std::size_t n) {
        if (n > remaining()) return pos_ = size_, fail(), false;
        pos_ += n;
        return true;
    }
    // Pointer to the next n bytes, advancing past them; nullptr when short.
    const uint8_t* take(std::size_t n) {
        if (n > remaining()) return pos_ = size_, fail(), nullptr;
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

    uint8_t u8() {
        if (pos_ >= size_) return fail(), 0;
        return data_[pos_++];
    }
    uint16_t u16le() {
        const uint8_t* p = take(2);
        return p ? uint16_t(p[0] | (p[1] << 8)) : 0;
    }
    uint32_t u32le() {
        const uint8_t* p = take(4);
        return p ? uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                       (uint32_t(p[3]) << 24)
                 : 0;
    }
    int16_t i16le() { return int16_t(u16le()); }
    int32_t i32le() { return int32_t(u32le()); }
    uint16_t u16be() {
        const uint8_t* p = take(2);
        return p ? uint16_t((p[0] << 8) | p[1]) : 0;
    }
    uint32_t u32be() {
        const uint8_t* p = take(4);
        return p ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) |
                       uint32_t(p[3])
                 : 0;
    }
    int16_t i16be() { return int16_t(u16be()); }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// Little-endian values from a byte address the caller has bounds-checked.
inline uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

class ByteWriter {
public:
    explicit ByteWriter(std::FILE* f) : f_(f) { buf_.reserve(kBuffer); }
    ~ByteWriter() { flush(); }
    ByteWriter(const ByteWriter&) = delete;
    ByteWriter& operator=(const ByteWriter&) = delete;

    bool ok() const { return ok_; }

    void u8(uint8_t v) {
        if (buf_.size() >= kBuffer) flush();
        buf_.push_back(v);
    }
    void le16(uint32_t v) {
        u8(uint8_t(v));
        u8(uint8_t(v >> 8));
    }
    void le32(uint32_t v) {
        le16(v & 0xFFFF);
        le16(v >> 16);
    }
    void be16(uint32_t v) {
        u8(uint8_t(v >> 8));
        u8(uint8_t(v));
    }
    void be32(uint32_t v) {
        be16(v >> 16);
        be16(v & 0xFFFF);
    }
    void bytes(const void* p, std::size_t n) {
        if (n == 0) return;
        if (buf_.size() + n <= kBuffer) {
            const auto* b = static_cast<const uint8_t*>(p);
            buf_.insert(buf_.end(), b, b + n);
            return;
        }
        flush();
        // Large blocks go straight to the stream; no second copy.
        if (ok_ && std::fwrite(p, 1, n, f_) != n) ok_ = false;
    }
    void fill(uint8_t v, std::size_t n) {
        while (n--) u8(v);
    }
    // Writes out what is buffered; false once anything failed.
    bool flush() {
        if (!buf_.empty()) {
            if (ok_ && std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size()) ok_ = false;
            buf_.clear();
        }
        return ok_;
    }
    // Bytes handed to the stream so far, buffered ones included.
    long offset() const { return f_ ? std::ftell(f_) + long(buf_.size()) : 0; }

private:
    static constexpr std::size_t kBuffer = 1 << 16;
    std::FILE* f_;
    std::vector<uint8_t> buf_;
    bool ok_ = true;
};

// ByteRun1 / PackBits: a control byte n; 0..127 copies n+1 literal bytes,
// -1..-127 repeats the next byte 1-n times, -128 is a no-op.
// Fills out[0..outLen) from the reader and returns the bytes written, which
// is less than outLen only when the input ran out. A run that would pass
// outLen is cut at outLen (its input is still consumed, so the next row
// starts where the encoder meant it to).
inline std::size_t unpackBits(ByteReader& in, uint8_t* out, std::size_t outLen) {
    std::size_t n = 0;
    while (n < outLen && !in.atEnd()) {
        int c = int8_t(in.u8());
        if (c >= 0) {
            std::size_t len = std::size_t(c) + 1;
            std::size_t avail = in.remaining();
            std::size_t copy = len < avail ? len : avail;
            std::size_t room = outLen - n;
            std::size_t keep = copy < room ? copy : room;
            std::memcpy(out + n, in.here(), keep);
            in.skip(copy);
            n += keep;
            if (copy < len) break;
        } else if (c != -128) {
            if (in.atEnd()) break;
            uint8_t v = in.u8();
            std::size_t len = std::size_t(1 - c);
            std::size_t room = outLen - n;
            std::size_t keep = len < room ? len : room;
            std::memset(out + n, v, keep);
            n += keep;
        }
    }
    return n;
}

// Worst-case size of packBits output for len input bytes.
constexpr std::size_t packBitsBound(std::size_t len) { return len + (len + 127) / 128 + 1; }

// Encodes len bytes into out (room for packBitsBound(len)); returns the
// encoded length. Runs of 3 or more equal bytes become repeat packets, as
// two-byte runs inside literals cost nothing extra.
inline std::size_t packBits(const uint8_t* in, std::size_t len, uint8_t* out) {
    std::size_t o = 0, i = 0;
    while (i < len) {
        // Length of the run starting at i (at most 128).
        std::size_t run = std::size_t(runLength(in + i, int(len - i), 128, 1));
        if (run >= 3) {
            out[o++] = uint8_t(1 - int(run));
            out[o++] = in[i];
            i += run;
            continue;
        }
        // Literal stretch up to the next run of three or 128 bytes.
        std::size_t start = i, lit = 0;
        while (i < len && lit < 128) {
            if (i + 2 < len && in[i] == in[i + 1] && in[i] == in[i + 2]) break;
            ++i;
            ++lit;
        }
        out[o++] = uint8_t(lit - 1);
        std::memcpy(out + o, in + start, lit);
        o += lit;
    }
    return o;
}

}  // namespace pixkit
