// Undoable stitch changes: strokes merge, other edits stay apart.
#include <gtest/gtest.h>

#include <cstring>

#include <QUndoStack>

#include "chart/stitchedit.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"

using chart::SetStitchesCommand;

namespace {

uint8_t at(const dib& d, int col, int row) { return d.poi[std::ptrdiff_t(dibheight(d) - 1 - row) * d.bytew + col]; }

void paint(QUndoStack& stack, dib& grid, int col, int row, uint8_t v, int stroke) {
    stack.push(new SetStitchesCommand(grid, {SetStitchesCommand::change(grid, col, row, v)}, "paint", stroke));
}

}  // namespace

TEST(Undo, StrokesMergeAndUndoRedoWalkTheHistory) {
    BlockGuard guard;
    dib grid{};
    newdib(&grid, 5, 4, 8, nullptr, 0);
    std::memset(grid.poi, 11, grid.pmi->bmiHeader.biSizeImage);
    QUndoStack stack;
    int notified = 0;
    QObject::connect(&stack, &QUndoStack::indexChanged, [&] { ++notified; });

    // Stroke 1 crosses (0,0) (1,0) and back over (0,0) with another yarn.
    paint(stack, grid, 0, 0, 12, 1);
    paint(stack, grid, 1, 0, 12, 1);
    paint(stack, grid, 0, 0, 13, 1);
    EXPECT_EQ(stack.count(), 1);
    EXPECT_EQ(at(grid, 0, 0), 13);
    EXPECT_EQ(at(grid, 1, 0), 12);
    EXPECT_GE(notified, 3);  // every stitch of a stroke is shown at once
    // Stroke 2, then a clean-up that sets many stitches at once.
    paint(stack, grid, 4, 3, 20, 2);
    stack.push(new SetStitchesCommand(grid, {SetStitchesCommand::change(grid, 2, 2, 30),
                                             SetStitchesCommand::change(grid, 3, 2, 30)}, "clean-up"));
    paint(stack, grid, 2, 2, 31, -1);  // no stroke: never merges
    EXPECT_EQ(stack.count(), 4);

    const struct {
        bool undo;
        uint8_t s00, s10, s43, s22, s32;
    } steps[] = {
        {true, 13, 12, 20, 30, 30}, {true, 13, 12, 20, 11, 11}, {true, 13, 12, 11, 11, 11},
        {true, 11, 11, 11, 11, 11}, {true, 11, 11, 11, 11, 11},  // nothing more to undo
        {false, 13, 12, 11, 11, 11}, {false, 13, 12, 20, 11, 11}, {false, 13, 12, 20, 30, 30},
        {false, 13, 12, 20, 31, 30}, {false, 13, 12, 20, 31, 30},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        s.undo ? stack.undo() : stack.redo();
        EXPECT_EQ(at(grid, 0, 0), s.s00) << i;
        EXPECT_EQ(at(grid, 1, 0), s.s10) << i;
        EXPECT_EQ(at(grid, 4, 3), s.s43) << i;
        EXPECT_EQ(at(grid, 2, 2), s.s22) << i;
        EXPECT_EQ(at(grid, 3, 2), s.s32) << i;
    }
    // A change outside the grid is ignored, not written.
    stack.push(new SetStitchesCommand(grid, {{5, 0, 11, 40}, {0, -1, 11, 40}}, "outside"));
    stack.undo();
    freedib(grid);
}
