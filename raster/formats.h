// The picture formats the library knows, one row each. Everything that lists
// formats is derived from this table: the open and save filter texts, the
// order in which readers are tried, the writer behind a format number and
// the extension completion of the save command.
#pragma once

#include <cstdio>
#include <span>
#include <string>

#include "raster/codecs/codec.h"

namespace pixkit {

using ProbeFn = bool (*)(const uint8_t* data, std::size_t size);
using ReadFn = Status (*)(const uint8_t* data, std::size_t size, dib& out, const Progress& progress);
using WriteFn = Status (*)(const dib& d, std::FILE* f);

// The save filter entry for one extension: "<text> (*.ext)|*.ext". Entries
// appear in the order of their numbers, which run from 3 without gaps, so
// filter index i (from 1) is format number i + 2.
struct SaveAs {
    int number = 0;  // 0: the extension is read but never written
    const char* text = nullptr;
    WriteFn write = nullptr;
};

struct Extension {
    const char* dotted = nullptr;  // ".jpg"; lower case
    SaveAs save{};
};

inline constexpr int kMaxExtensions = 4;

// Rows stand in the order of the open filter, whose entry for a row is
// "<name> (*.a;*.b)|*.a;*.b". Readers are tried by ascending probeRank:
// formats with a strong signature first, weak or none last, since a probe
// can only say "might be mine".
struct Format {
    const char* name;
    int probeRank;
    ProbeFn probe;
    ReadFn read;
    Extension exts[kMaxExtensions];  // ends at the first empty slot

    int extensionCount() const {
        int n = 0;
        while (n < kMaxExtensions && exts[n].dotted) ++n;
        return n;
    }
};

// A writable extension, flattened out of the table.
struct SaveFormat {
    int number;
    const char* dotted;
    const char* text;
    WriteFn write;
};

inline constexpr int kFirstSaveFormat = 3;

std::span<const Format> formats();
// Readers in the order they are tried.
std::span<const Format* const> probeOrder();
// Writable extensions by format number: saveFormats()[i] is filter index i + 1.
std::span<const SaveFormat> saveFormats();
// nullptr for a number that is no save format.
const SaveFormat* findSaveFormat(int number);

const std::string& openFilter();
const std::string& saveFilter();

}  // namespace pixkit
