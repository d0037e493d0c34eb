// Saving a picture through the save dialog: the dialog's filter index picks
// the format, a missing extension is completed, the raster library writes.
#pragma once

#include <QString>

#include "raster/window.h"
#include "raster/dib.h"

class QWidget;
class TSaveDialog;

namespace output {

// Views of the library's format table (raster/formats.h).
// Number of entries in the save filter.
int saveFormatCount();
// Extension of the format at filter index i (from 1), e.g. ".bmp"; empty
// for an index outside the filter.
const char* saveExtension(int filterIndex);

// Format number the library expects for a filter index (first format = 3);
// 0, which no format has, for an index outside the filter.
int saveFormat(int filterIndex);

// The extension of `name`: from the last dot after the last "/" to the end,
// empty when there is none. A name ending in "." has the extension ".".
QString fileExtension(const QString& name);

// `name` with the filter's extension appended when it has none. A present
// extension is kept even when it belongs to another format. An index
// outside the filter leaves the name as it is.
QString completeSaveName(const QString& name, int filterIndex);

using SaveFn = bool (*)(dib d, const char* name, int format, HWND window);

// The save command: offers the library's save filter, and after OK hands
// `image` with the completed name and the chosen format to `save`. The
// dialog keeps the name as the user chose it, not the completed one. When
// completing the name leads to an existing file, the user is asked as the
// dialog asks for a typed one; "no" returns to the dialog. The library
// reports a failed write itself; the result is not examined.
void savePicture(TSaveDialog& dialog, const dib& image, QWidget* owner, HWND window, SaveFn save);

}  // namespace output
