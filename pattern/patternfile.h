// A pattern kept in one file: the stitch grid as an indexed PNG whose
// palette is the grid palette (so any picture viewer shows the pattern and
// the yarn colours come back from it) and whose text chunks carry gauge
// and size.
#pragma once

#include <QString>

#include "raster/dib.h"

namespace pattern {

struct PatternInfo {
    int maschen = 0;  // stitches per 10 cm
    int reihen = 0;   // rows per 10 cm
    double breite = 0;  // cm
    double hoch = 0;
};

enum class PatternFileStatus {
    Ok,
    NoGrid,       // nothing to save
    CannotWrite,
    CannotRead,   // missing, unreadable, or no PNG
    NotAPattern,  // a picture without the pattern's text chunks or not indexed
    BadValues,    // gauge or size outside the fields' ranges
    OutOfMemory,
    TooLarge,      // beyond the grid sizes the program can hold
    ShortPalette,  // a stitch names an index the file's palette does not have
};

// An existing file is replaced only by a complete one; on CannotWrite
// `reason` (when given) says why, in German.
PatternFileStatus savePattern(const QString& path, const dib& grid, const PatternInfo& info,
                              QString* reason = nullptr);

// Reads indexed PNGs of 1, 2, 4 or 8 bits with the pattern's text chunks.
// On Ok, `grid` is a new record (owned by the caller) with the file's
// pixels and 256-entry palette and `info` holds the values; otherwise
// neither is touched.
PatternFileStatus loadPattern(const QString& path, dib& grid, PatternInfo& info);

// The yarn colours a grid holds: yarn i is grid palette entry 10 + i, for
// the first yarns.num yarns. Flags bytes are kept.
void yarnsOfGrid(const dib& grid, LPAL& yarns);

}  // namespace pattern
