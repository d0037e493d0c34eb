// Helpers for the tests of the chart's pages: a stitch grid of known
// colours and reading PDF files with the poppler tools.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <optional>

#include "raster/PixKit3.h"
#include "support/gridsupport.h"

namespace pagesupport {

inline const uint32_t kYarns[] = {packrgb(250, 250, 250), packrgb(20, 20, 20),  packrgb(200, 30, 40),
                                  packrgb(20, 160, 60),   packrgb(30, 60, 220), packrgb(240, 200, 0)};

// The yarn (0..5) of stitch (x, y), y counted from the top: no two
// neighbours share one.
inline int yarnOf(int x, int y) { return (x + 2 * y) % 6; }

// An 8-bit stitch grid of those yarns.
inline dib stitchGrid(int w, int h) { return gridsupport::stitchGrid(w, h, kYarns, yarnOf); }

inline bool havePoppler() {
    return !QStandardPaths::findExecutable("pdftotext").isEmpty() &&
           !QStandardPaths::findExecutable("pdfinfo").isEmpty();
}

// Output of a successful run; nullopt when it failed.
inline std::optional<QString> run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of page `page` (from 1), words separated by single spaces.
inline QString pageText(const QString& pdf, int page) {
    const QString t = run("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), "-layout", pdf, "-"})
                          .value_or(QString());
    return t.simplified();
}

}  // namespace pagesupport
