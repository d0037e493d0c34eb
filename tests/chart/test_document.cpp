// The pattern document's one signal: what each step done, merged or undone
// reports, and the modified flag a computation resets.
#include <gtest/gtest.h>

#include <cstring>

#include "chart/stitchedit.h"
#include "pattern/document.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"

using chart::SetStitchesCommand;
namespace change = pattern::change;

namespace {

dib grid8(int w, int h, uint8_t v) {
    dib d{};
    newdib(&d, w, h, 8, nullptr, 0);
    std::memset(d.poi, v, d.pmi->bmiHeader.biSizeImage);
    return d;
}

struct Heard {
    unsigned what;
    int first, last;
    bool operator==(const Heard&) const = default;
};

}  // namespace

TEST(OneTruthDocument, EveryStepReportsWhatAndWhichRows) {
    BlockGuard guard;
    pattern::PatternDocument doc;
    doc.resetGrid(grid8(6, 5, 11), pattern::GridOrigin::Opened);
    std::vector<Heard> heard;
    QObject::connect(&doc, &pattern::PatternDocument::changed,
                     [&](unsigned what, int first, int last) { heard.push_back({what, first, last}); });
    auto paint = [&](int col, int row, int stroke) {
        doc.undo.push(new SetStitchesCommand(doc.grid, {SetStitchesCommand::change(doc.grid, col, row, 12)}, "m", stroke));
    };
    const struct {
        const char* what;
        std::function<void()> act;
        Heard expect;
        bool modified;
    } steps[] = {
        {"stitch", [&] { paint(1, 3, 1); }, {change::Stitches, 3, 3}, true},
        {"merged", [&] { paint(2, 1, 1); }, {change::Stitches, 1, 3}, true},
        {"undone", [&] { doc.undo.undo(); }, {change::Stitches, 1, 3}, false},
        {"redone", [&] { doc.undo.redo(); }, {change::Stitches, 1, 3}, true},
        {"computed", [&] { doc.pushNewGrid(grid8(4, 4, 10), pattern::GridOrigin::Computed, "B"); },
         {change::Grid | change::GridYarns, -1, -1}, false},
        {"compute undone", [&] { doc.undo.undo(); }, {change::Grid | change::GridYarns, -1, -1}, true},
        {"colours", [&] {
             doc.yarns.num = 64;
             doc.yarns.rgb0[1] = PALETTEENTRY{9, 8, 7, 0};
             auto* s = new SetStitchesCommand(doc.grid, {}, "F");
             s->alsoColours(pattern::GridColours::of(doc.grid), doc.coloursFromYarns());
             doc.undo.push(s);
         },
         {change::Stitches | change::GridYarns, -1, -1}, true},
    };
    for (const auto& s : steps) {
        heard.clear();
        s.act();
        ASSERT_EQ(heard.size(), 1u) << s.what;
        EXPECT_EQ(heard[0], s.expect) << s.what << ": " << heard[0].what << " " << heard[0].first << " " << heard[0].last;
        EXPECT_EQ(doc.modified(), s.modified) << s.what;
    }
    // The compute step was dropped with the redo branch; the grid is the
    // opened one with the stroke and the new colour of yarn 1.
    EXPECT_EQ(dibwidth(doc.grid), 6);
    EXPECT_EQ(doc.origin, pattern::GridOrigin::Opened);
    EXPECT_EQ(doc.grid.pmi->bmiColors[11].rgbRed, 9);
    EXPECT_FALSE(doc.yarnsWaiting());
    doc.undo.undo();
    EXPECT_TRUE(doc.yarnWaiting(1));
    EXPECT_FALSE(doc.yarnWaiting(2));
}

// Each computation holds a grid; past the byte budget the older history
// goes, the newest computation stays undoable.
TEST(OneTruthDocument, ComputeStepsKeepWithinTheByteBudget) {
    BlockGuard guard;
    pattern::PatternDocument doc;
    doc.resetGrid(grid8(100, 100, 11), pattern::GridOrigin::Computed);
    doc.undoGridBytes = 3 * 100 * 100;  // the grid on screen and two held
    for (uint8_t v : {12, 13, 14, 15}) doc.pushNewGrid(grid8(100, 100, v), pattern::GridOrigin::Computed, "B");
    EXPECT_LE(doc.undo.count(), 2);
    EXPECT_GE(doc.undo.count(), 1);
    doc.undo.undo();
    EXPECT_EQ(doc.grid.poi[0], 14);
}
