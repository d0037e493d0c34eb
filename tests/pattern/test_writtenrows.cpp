// Written rows: reading direction, runs, brackets, and the text export
// read back into the grid by an independent parser.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <random>
#include <string>

#include "pattern/patternfile.h"
#include "pattern/writtenrows.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"

using namespace pattern;

namespace {

// Rows top first; '0'..'9' name yarns 0..9.
YarnCells cellsOf(const std::vector<std::string>& rows) {
    YarnCells c;
    c.rows = int64_t(rows.size());
    c.stitches = rows.empty() ? 0 : int64_t(rows[0].size());
    for (const std::string& r : rows)
        for (char ch : r) c.yarns.push_back(uint8_t(ch - '0'));
    return c;
}

// Rebuilds the grid from written rows (plain or Markdown): every row line
// is "Reihe n (..., von rechts|links): runs (m M.)" where a run is
// "k × Garn y" or "(runs) × t".
YarnCells parseWritten(const QString& text, int64_t stitches, int64_t rows) {
    YarnCells c;
    c.stitches = stitches;
    c.rows = rows;
    c.yarns.assign(std::size_t(stitches * rows), 255);
    static const QRegularExpression line(
        QStringLiteral(R"(^(?:- \*\*)?Reihe (\d+) \([^,]+, von (rechts|links)\)(?:\*\*)?: (.*) \((\d+) M\.\)$)"));
    static const QRegularExpression token(QStringLiteral(R"(\(|\) × (\d+)|(\d+) × Garn (\d+))"));
    for (const QString& l : text.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = line.match(l);
        if (!m.hasMatch()) continue;
        const int64_t n = m.captured(1).toLongLong();
        const bool fromRight = m.captured(2) == QStringLiteral("rechts");
        std::vector<std::vector<int>> stack{{}};
        for (auto it = token.globalMatch(m.captured(3)); it.hasNext();) {
            const QRegularExpressionMatch t = it.next();
            if (t.captured(0) == QStringLiteral("(")) {
                stack.emplace_back();
            } else if (!t.captured(1).isEmpty()) {
                std::vector<int> unit = stack.back();
                stack.pop_back();
                for (int k = 0; k < t.captured(1).toInt(); ++k)
                    stack.back().insert(stack.back().end(), unit.begin(), unit.end());
            } else {
                stack.back().insert(stack.back().end(), t.captured(2).toInt(), t.captured(3).toInt());
            }
        }
        const std::vector<int>& seq = stack.front();
        EXPECT_EQ(int64_t(seq.size()), m.captured(4).toLongLong()) << l.toStdString();
        EXPECT_EQ(int64_t(seq.size()), stitches) << l.toStdString();
        for (std::size_t i = 0; i < seq.size() && int64_t(i) < stitches; ++i) {
            const int64_t col = fromRight ? stitches - 1 - int64_t(i) : int64_t(i);
            c.yarns[std::size_t((rows - n) * stitches + col)] = uint8_t(seq[i]);
        }
    }
    return c;
}

}  // namespace

TEST(WrittenRows, HandMadeGridsReadFlatAndRound) {
    const YarnCells cells = cellsOf({"1122", "0012"});
    struct Case {
        Knitting knitting;
        int64_t row;
        const char* text;
    } cases[] = {
        {Knitting::flat, 1, "Reihe 1 (Hinreihe, von rechts): 1 × Garn 2, 1 × Garn 1, 2 × Garn 0 (4 M.)"},
        {Knitting::flat, 2, "Reihe 2 (Rückreihe, von links): 2 × Garn 1, 2 × Garn 2 (4 M.)"},
        {Knitting::round, 1, "Reihe 1 (Runde, von rechts): 1 × Garn 2, 1 × Garn 1, 2 × Garn 0 (4 M.)"},
        {Knitting::round, 2, "Reihe 2 (Runde, von rechts): 2 × Garn 2, 2 × Garn 1 (4 M.)"},
    };
    for (const Case& c : cases) EXPECT_EQ(rowText(writtenRow(cells, c.row, c.knitting)).toStdString(), c.text);
    // Brackets only where the repeat is exact at the level of runs: in
    // "01100110" the halves' outer stitches merge into one run, so nothing
    // repeats; a leading extra run stays outside the bracket.
    struct Bracket {
        const char* row;
        const char* runs;
    } brackets[] = {
        {"0101010101", "(1 × Garn 1, 1 × Garn 0) × 5"},
        {"10101000", "3 × Garn 0, (1 × Garn 1, 1 × Garn 0) × 2, 1 × Garn 1"},
        {"01100110", "1 × Garn 0, 2 × Garn 1, 2 × Garn 0, 2 × Garn 1, 1 × Garn 0"},
        {"0012", "1 × Garn 2, 1 × Garn 1, 2 × Garn 0"},
    };
    for (const Bracket& b : brackets)
        EXPECT_EQ(runsText(writtenRow(cellsOf({b.row}), 1, Knitting::flat).groups).toStdString(), b.runs) << b.row;
}

TEST(WrittenRows, RunsCoverEveryStitchAndTextRebuildsTheGrid) {
    // Stripes and repeats with random speckles, odd width.
    std::mt19937 rng(7);
    std::vector<std::string> rows;
    for (int y = 0; y < 23; ++y) {
        std::string r;
        for (int x = 0; x < 37; ++x) r += char('0' + (rng() % 9 == 0 ? rng() % 10 : (x / (1 + y % 3) + y) % 3));
        rows.push_back(r);
    }
    const YarnCells cells = cellsOf(rows);
    for (Knitting k : {Knitting::flat, Knitting::round}) {
        for (int64_t n = 1; n <= cells.rows; ++n) {
            const WrittenRow w = writtenRow(cells, n, k);
            EXPECT_EQ(w.fromRight, k == Knitting::round || n % 2 == 1);
            int64_t sum = 0;
            for (const RunGroup& g : w.groups)
                for (const YarnRun& r : g.runs) sum += r.count * g.times;
            EXPECT_EQ(sum, cells.stitches) << n;
        }
        const std::vector<WrittenYarn> yarns = writtenYarns(cells, {});
        for (TextFormat f : {TextFormat::plain, TextFormat::markdown}) {
            const YarnCells back = parseWritten(writtenRowsText(cells, k, yarns, f), cells.stitches, cells.rows);
            EXPECT_EQ(back.yarns, cells.yarns) << int(k) << int(f);
        }
    }
}

TEST(WrittenRows, GridCellsFollowTheYarnIndices) {
    BlockGuard guard;
    dib grid{};
    newdib(&grid, 3, 2, 8, nullptr, 0);
    const uint8_t bottom[3] = {10, 73, 5}, top[3] = {11, 200, 12};  // 5 and 200 belong to no yarn
    std::copy(bottom, bottom + 3, grid.poi);
    std::copy(top, top + 3, grid.poi + grid.bytew);
    const YarnCells c = yarnCells(grid);
    EXPECT_EQ(c.yarns, (std::vector<uint8_t>{1, 0, 2, 0, 63, 0}));
    freedib(grid);
}

// The tracker's place is kept in the pattern file; a file without it, or
// with one that does not fit the grid, opens without a place.
TEST(RowTrackerFile, CurrentRowSurvivesSaveAndOpen) {
    BlockGuard guard;
    QTemporaryDir dir;
    dib grid{};
    newdib(&grid, 4, 60, 8, nullptr, 0);
    struct Case {
        int saved, expected;
    } cases[] = {{47, 47}, {0, 0}, {60, 60}, {61, 0}};
    for (const Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("m%1.png").arg(c.saved));
        ASSERT_EQ(savePattern(path, grid, {23, 31, 10.0, 20.0, c.saved}), PatternFileStatus::Ok);
        dib back{};
        PatternInfo info;
        ASSERT_EQ(loadPattern(path, back, info), PatternFileStatus::Ok);
        EXPECT_EQ(info.knitRow, c.expected) << c.saved;
        freedib(back);
    }
    freedib(grid);
}
