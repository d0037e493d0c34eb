// One driver for the outside test suites of every codec: a list of file
// cases, each with what the suite expects of it, walked by a parameterised
// test. Also checks what every reader promises: 1, 4, 8 or 24 bits, palette
// and colour table in agreement, nothing allocated on failure.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

#include "raster/codecs/codec.h"
#include "support/blockguard.h"
#include "support/refimage.h"

namespace codeccheck {

enum class Expect {
    Match,   // must decode and equal one of the references
    Decode,  // must decode
    Either,  // may decode (then equal a reference when one is named) or be refused
    Reject,  // must be refused
};

struct FileCase {
    std::string path;               // relative to the test data folder
    Expect expect = Expect::Match;
    std::vector<std::string> refs;  // reference PNGs, relative; any one may match
    int tolerance = 0;              // per channel
};

inline void PrintTo(const FileCase& c, std::ostream* os) { *os << c.path; }

using ReadFn = pixkit::Status (*)(const uint8_t*, std::size_t, dib&, const pixkit::Progress&);

inline std::string caseName(const testing::TestParamInfo<FileCase>& info) {
    std::string n;
    for (char c : info.param.path) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return n;
}

// Files in a test data folder whose names end in `ext` (case-insensitive).
inline std::vector<std::string> listFiles(const std::string& folder, const std::string& ext) {
    std::vector<std::string> out;
    DIR* d = opendir(refimage::testdata(folder).c_str());
    if (!d) return out;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n.size() < ext.size()) continue;
        std::string tail = n.substr(n.size() - ext.size());
        for (auto& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (tail == ext) out.push_back(folder + "/" + n);
    }
    closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

// kimageformats names a file's reference in X.ext.json ("fileName"), else
// it is X.png.
inline std::string kimageformatsRef(const std::string& path) {
    std::string folder = path.substr(0, path.rfind('/') + 1);
    std::vector<uint8_t> json = refimage::readFile(refimage::testdata(path + ".json"));
    std::string text(json.begin(), json.end());
    // Two upstream json files name a picture that does not exist.
    // (Plain string search: std::regex trips GCC 12 warnings under the sanitizers.)
    std::size_t k = text.find("\"fileName\"");
    if (k != std::string::npos) {
        std::size_t a = text.find('"', text.find(':', k) + 1);
        std::size_t b = a == std::string::npos ? a : text.find('"', a + 1);
        if (b != std::string::npos) {
            std::string name = text.substr(a + 1, b - a - 1);
            if (refimage::exists(refimage::testdata(folder + name))) return folder + name;
        }
    }
    return path.substr(0, path.rfind('.')) + ".png";
}

// What every successful read must look like.
inline void checkRecord(const dib& d) {
    ASSERT_NE(d.poi, nullptr);
    int bits = dibbitcount(d);
    ASSERT_TRUE(bits == 1 || bits == 4 || bits == 8 || bits == 24) << "bits " << bits;
    if (bits <= 8) {
        for (int i = 0; i < (1 << bits); ++i) {
            const RGBQUAD& q = d.pmi->bmiColors[i];
            const PALETTEENTRY& e = d.pal.rgb0[i];
            ASSERT_TRUE(q.rgbRed == e.peRed && q.rgbGreen == e.peGreen && q.rgbBlue == e.peBlue)
                << "palette entry " << i << " disagrees with the colour table";
        }
    }
}

// Runs the reader on every prefix cut and a few flipped bytes; it must not
// crash, leak or claim success with an empty record.
inline void checkMutations(const std::vector<uint8_t>& bytes, ReadFn read) {
    BlockGuard guard;
    pixkit::Progress none;
    auto once = [&](const std::vector<uint8_t>& v) {
        dib d{};
        pixkit::Status s = read(v.data(), v.size(), d, none);
        if (s == pixkit::Status::Ok) {
            checkRecord(d);
            freedib(d);
        } else {
            EXPECT_EQ(d.poi, nullptr);
        }
    };
    const std::size_t n = bytes.size();
    for (std::size_t cut : {std::size_t(0), std::size_t(1), n / 64, n / 8, n / 3, n / 2, n - n / 7, n - 1}) {
        if (cut >= n) continue;
        once(std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(cut)));
    }
    uint32_t seed = 12345;
    for (int k = 0; k < 12 && n > 0; ++k) {
        std::vector<uint8_t> v = bytes;
        for (int j = 0; j < 4; ++j) {
            seed = seed * 1103515245u + 12345u;
            // Mostly in the headers, where a flip changes the most.
            std::size_t at = (k < 8 ? (seed >> 8) % std::min<std::size_t>(n, 160) : (seed >> 8) % n);
            v[at] ^= uint8_t(1u << ((seed >> 4) & 7));
        }
        once(v);
    }
}

inline void runCase(const FileCase& c, ReadFn read) {
    std::string path = refimage::testdata(c.path);
    if (!refimage::exists(path)) GTEST_SKIP() << "test data missing: " << path;
    std::vector<uint8_t> bytes = refimage::readFile(path);
    BlockGuard guard;
    dib d{};
    int calls = 0, lastPct = -1;
    bool rising = true;
    pixkit::Progress prog = [&](int p) {
        ++calls;
        if (p < 0 || p > 100 || p < lastPct) rising = false;
        lastPct = p;
    };
    pixkit::Status s = read(bytes.data(), bytes.size(), d, prog);
    EXPECT_TRUE(rising) << "progress out of range or falling";
    if (s != pixkit::Status::Ok) {
        EXPECT_EQ(d.poi, nullptr);
        EXPECT_GT(std::strlen(pixkit::statusText(s)), 5u);
        EXPECT_TRUE(c.expect == Expect::Either || c.expect == Expect::Reject)
            << c.path << " refused: " << pixkit::statusText(s);
        if (c.expect == Expect::Either) std::printf("  (refused %s: %s)\n", c.path.c_str(), pixkit::statusText(s));
    } else {
        checkRecord(d);
        EXPECT_NE(c.expect, Expect::Reject) << c.path << " should be refused";
        if (!c.refs.empty() && c.expect != Expect::Reject) {
            refimage::Rgb got = refimage::fromDib(d);
            std::string firstDiff;
            bool any = false;
            for (const auto& r : c.refs) {
                refimage::Rgb want = refimage::loadPng(refimage::testdata(r));
                EXPECT_TRUE(want.ok()) << "cannot read reference " << r;
                std::string diff = refimage::compare(got, want, c.tolerance);
                if (diff.empty()) {
                    any = true;
                    break;
                }
                if (firstDiff.empty()) firstDiff = r + ": " + diff;
            }
            EXPECT_TRUE(any) << c.path << " differs from its reference, " << firstDiff;
        }
        freedib(d);
    }
    if (c.expect == Expect::Match || c.expect == Expect::Decode) checkMutations(bytes, read);
}

}  // namespace codeccheck
