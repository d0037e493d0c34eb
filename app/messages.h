// Every text the program shows about a refusal or failure, in one table.
// The layers below report codes (compute and chart status, the raster
// library's status); the words are chosen here, where the program meets the
// user. Two lower contracts carry their own text by design: the raster
// library writes its German error text into a failed record's palette bytes
// (OpenDib) or hands it to the window (SaveDib, drawdib), and the printer
// layer raises PrinterError with its text.
#pragma once

#include <QString>

#include "chart/render.h"
#include "output/pages.h"
#include "pattern/compute.h"
#include "pattern/patternfile.h"
#include "pattern/yarnfile.h"

class QWidget;

namespace messages {

// Compute command refused (empty for Ok).
QString computeRefusal(pattern::ComputeStatus status, int stitches, int rows);

// Chart not drawn (empty for ok).
QString chartRefusal(const chart::ChartResult& result);

// A library text is shown only when it is longer than this: shorter ones
// are codes or fragments, not sentences (every text of the raster library's
// status table is longer).
constexpr qsizetype kLibraryTextMinLength = 5;
inline bool libraryTextShown(const QString& text) { return text.size() > kLibraryTextMinLength; }

// Caption and text of the box after a failed motif load of `path`: the
// library's text under the program's message when the library says
// something, else the program's message under "Fehler".
struct Box {
    QString text;
    QString caption;
};
Box loadFailure(const QString& path, const QString& libraryText);

// The chart's pages not printed or not saved as PDF to `path` (empty for ok).
QString pdfFailure(output::PdfStatus status, const QString& path, const QString& reason = {});
QString pagesRefusal();

// Notice beside the preview after a load that kept only part of the
// picture (a file cut short): the rest is filled and must not be knitted.
QString partialPicture();

// Yarn palette file not read or not written (empty for Ok). `loading`
// adds that the yarn colours stay as they were.
QString yarnFileRefusal(const pattern::YarnFileResult& result, const QString& path, int yarns, bool loading);

// Pattern file not read or not written (empty for Ok).
QString patternFileRefusal(pattern::PatternFileStatus status, const QString& path, const QString& reason = {});

// No colours could be taken from the motif.
QString noMotifColours();

// The confetti clean-up needs more memory than the machine can give.
QString cleanupTooLarge();

// Question before printing or saving a PDF of more than kManyPages pages.
QString manyPages(int64_t pages, bool pdf);

}  // namespace messages
