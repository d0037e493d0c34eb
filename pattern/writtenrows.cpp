#include "pattern/writtenrows.h"

#include <algorithm>

#include "pattern/limits.h"
#include "pattern/yarnname.h"
#include "raster/PixKit3.h"

namespace pattern {

namespace {

// Longest repeat unit looked for, in runs: knitted repeats are short, and
// the bound keeps the search linear in the row's length.
constexpr int kMaxRepeatRuns = 16;

const QString kTimes = QStringLiteral(" × ");
const QString kComma = QStringLiteral(", ");

qsizetype runLength(const YarnRun& r) {
    return QString::number(r.count).size() + kTimes.size() + yarnName(r.yarn).size();
}

QString runText(const YarnRun& r) { return QString::number(r.count) + kTimes + yarnName(r.yarn); }

}  // namespace

YarnCells yarnCells(const dib& grid) {
    YarnCells c;
    const int w = dibwidth(grid), h = dibheight(grid);
    if (!grid.poi || w <= 0 || h <= 0) return c;
    c.stitches = w;
    c.rows = h;
    c.yarns.resize(std::size_t(int64_t(w) * h));
    const bool direct = dibbitcount(grid) == 8;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = direct ? grid.poi[int64_t(h - 1 - y) * grid.bytew + x] : int(getpixel(grid, x, y) & 0xFF);
            const int k = v - kYarnIndexOffset;
            c.yarns[std::size_t(int64_t(y) * w + x)] = uint8_t(k >= 0 && k < kYarnColours ? k : 0);
        }
    return c;
}

std::vector<YarnRun> rowRuns(const YarnCells& cells, int64_t number, bool fromRight) {
    std::vector<YarnRun> runs;
    if (number < 1 || number > cells.rows || cells.stitches <= 0) return runs;
    const int64_t r = cells.rows - number;
    for (int64_t i = 0; i < cells.stitches; ++i) {
        const int yarn = cells.at(fromRight ? cells.stitches - 1 - i : i, r);
        if (!runs.empty() && runs.back().yarn == yarn)
            ++runs.back().count;
        else
            runs.push_back({yarn, 1});
    }
    return runs;
}

std::vector<RunGroup> bracketRuns(const std::vector<YarnRun>& runs) {
    std::vector<RunGroup> out;
    const std::size_t n = runs.size();
    auto plain = [&](const YarnRun& r) {
        if (out.empty() || out.back().times != 1) out.push_back({});
        out.back().runs.push_back(r);
    };
    std::size_t i = 0;
    while (i < n) {
        std::size_t bestP = 0;
        int64_t bestK = 0;
        qsizetype bestSaving = 0;
        // A unit of one run cannot repeat: neighbouring runs differ in yarn.
        for (std::size_t p = 2; p <= std::size_t(kMaxRepeatRuns) && i + 2 * p <= n; ++p) {
            int64_t k = 1;
            while (i + std::size_t(k + 1) * p <= n &&
                   std::equal(runs.begin() + std::ptrdiff_t(i), runs.begin() + std::ptrdiff_t(i + p),
                              runs.begin() + std::ptrdiff_t(i + std::size_t(k) * p)))
                ++k;
            if (k < 2) continue;
            qsizetype unit = qsizetype(p - 1) * kComma.size();
            for (std::size_t j = i; j < i + p; ++j) unit += runLength(runs[j]);
            const qsizetype expanded = k * unit + (k - 1) * kComma.size();
            const qsizetype bracketed = 2 + unit + kTimes.size() + QString::number(k).size();
            if (expanded - bracketed > bestSaving) {
                bestSaving = expanded - bracketed;
                bestP = p;
                bestK = k;
            }
        }
        if (bestP == 0) {
            plain(runs[i++]);
            continue;
        }
        out.push_back({std::vector<YarnRun>(runs.begin() + std::ptrdiff_t(i), runs.begin() + std::ptrdiff_t(i + bestP)),
                       bestK});
        i += bestP * std::size_t(bestK);
    }
    return out;
}

WrittenRow writtenRow(const YarnCells& cells, int64_t number, Knitting knitting, bool brackets) {
    WrittenRow w;
    w.number = number;
    w.knitting = knitting;
    w.rightSide = knitting == Knitting::round || number % 2 == 1;
    w.fromRight = w.rightSide;
    w.stitches = number >= 1 && number <= cells.rows ? cells.stitches : 0;
    const std::vector<YarnRun> runs = rowRuns(cells, number, w.fromRight);
    if (brackets)
        w.groups = bracketRuns(runs);
    else if (!runs.empty())
        w.groups.push_back({runs, 1});
    return w;
}

QString runsText(const std::vector<RunGroup>& groups) {
    QStringList parts;
    for (const RunGroup& g : groups) {
        QStringList unit;
        for (const YarnRun& r : g.runs) unit << runText(r);
        if (g.times > 1)
            parts << QLatin1Char('(') + unit.join(kComma) + QLatin1Char(')') + kTimes + QString::number(g.times);
        else
            parts << unit.join(kComma);
    }
    return parts.join(kComma);
}

namespace {

QString rowHead(const WrittenRow& row) {
    const QString side = row.knitting == Knitting::round ? QStringLiteral("Runde")
                         : row.rightSide             ? QStringLiteral("Hinreihe")
                                                     : QStringLiteral("Rückreihe");
    return QStringLiteral("Reihe %1 (%2, %3)")
        .arg(row.number)
        .arg(side, row.fromRight ? QStringLiteral("von rechts") : QStringLiteral("von links"));
}

QString rowTail(const WrittenRow& row) {
    return QStringLiteral(": %1 (%2 M.)").arg(runsText(row.groups)).arg(row.stitches);
}

}  // namespace

QString rowText(const WrittenRow& row) { return rowHead(row) + rowTail(row); }

std::vector<WrittenYarn> writtenYarns(const YarnCells& cells, const std::vector<uint32_t>& yarnColours) {
    std::vector<int64_t> count(std::size_t(kYarnColours), 0);
    for (uint8_t y : cells.yarns) ++count[std::min<std::size_t>(y, count.size() - 1)];
    std::vector<WrittenYarn> out;
    for (int i = 0; i < kYarnColours; ++i)
        if (count[std::size_t(i)] > 0)
            out.push_back({i, std::size_t(i) < yarnColours.size() ? yarnColours[std::size_t(i)] : 0u,
                           count[std::size_t(i)]});
    return out;
}

QString knittingText(Knitting knitting) {
    return knitting == Knitting::round
               ? QStringLiteral("In Runden gestrickt: jede Runde von rechts gelesen.")
               : QStringLiteral("Flach gestrickt: Hinreihen (ungerade) von rechts, Rückreihen (gerade) von links gelesen.");
}

namespace {

QString yarnLine(const WrittenYarn& y) {
    return QStringLiteral("%1: RGB %2, %3, %4 (%5 M.)")
        .arg(yarnName(y.yarn))
        .arg(getr(y.colour))
        .arg(getg(y.colour))
        .arg(getb(y.colour))
        .arg(y.stitches);
}

QString sizeLine(const YarnCells& cells) {
    return QStringLiteral("%1 Maschen × %2 Reihen").arg(cells.stitches).arg(cells.rows);
}

}  // namespace

QStringList writtenRowsLines(const YarnCells& cells, Knitting knitting, const std::vector<WrittenYarn>& yarns) {
    QStringList lines;
    lines << QStringLiteral("Strickschrift") << sizeLine(cells) << knittingText(knitting);
    for (const WrittenYarn& y : yarns) lines << yarnLine(y);
    lines << QString();
    for (int64_t n = 1; n <= cells.rows; ++n) {
        const WrittenRow row = writtenRow(cells, n, knitting);
        lines << rowHead(row) + rowTail(row);
    }
    return lines;
}

QString writtenRowsText(const YarnCells& cells, Knitting knitting, const std::vector<WrittenYarn>& yarns,
                        TextFormat format) {
    QString out;
    const QChar nl = QLatin1Char('\n');
    if (format == TextFormat::plain) {
        out += writtenRowsLines(cells, knitting, yarns).join(nl) + nl;
        return out;
    }
    out += QStringLiteral("# Strickschrift\n\n");
    out += sizeLine(cells) + QStringLiteral(". ") + knittingText(knitting) + QStringLiteral("\n\n## Garne\n\n");
    for (const WrittenYarn& y : yarns) out += QStringLiteral("- ") + yarnLine(y) + nl;
    out += QStringLiteral("\n## Reihen\n\n");
    for (int64_t n = 1; n <= cells.rows; ++n) {
        const WrittenRow row = writtenRow(cells, n, knitting);
        out += QStringLiteral("- **") + rowHead(row) + QStringLiteral("**") + rowTail(row) + nl;
    }
    return out;
}

}  // namespace pattern
