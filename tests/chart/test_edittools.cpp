// Editing tools on hand-made grids: each case starts from a small picture
// written as text (one character, one stitch byte) and names the bytes it
// must end with.
#include <gtest/gtest.h>

#include <QUndoStack>
#include <cstring>
#include <functional>
#include <string>

#include "chart/edittools.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"

using namespace edittools;

namespace {

Grid grid(std::initializer_list<const char*> rows) {
    Grid g(int(std::strlen(*rows.begin())), int(rows.size()));
    int r = 0;
    for (const char* row : rows) {
        for (int c = 0; c < g.w; ++c) g.at(c, r) = uint8_t(row[c]);
        ++r;
    }
    return g;
}

std::string text(const Grid& g) {
    std::string s;
    for (int r = 0; r < g.h; ++r) {
        for (int c = 0; c < g.w; ++c) s += char(g.at(c, r));
        s += '|';
    }
    return s;
}

struct Case {
    const char* name;
    std::function<void(Grid&)> edit;
    std::string expected;
};

}  // namespace

TEST(EditorTools, EveryToolGivesTheExactBytes) {
    const auto motif = [] { return grid({"ab....", "cd....", "......", "......"}); };
    const Case cases[] = {
        {"line, shallow", [](Grid& g) { drawLine(g, {0, 0}, {5, 2}, 'x'); }, "xx....|cdxx..|....xx|......|"},
        {"line, backwards and beyond the edge", [](Grid& g) { drawLine(g, {7, 3}, {2, 3}, 'x'); },
         "ab....|cd....|......|..xxxx|"},
        {"rectangle outline", [](Grid& g) { drawRect(g, spanning({4, 3}, {1, 0}), 'x', false); },
         "axxxx.|cx..x.|.x..x.|.xxxx.|"},
        {"rectangle filled, clipped", [](Grid& g) { drawRect(g, {4, 2, 5, 5}, 'x', true); },
         "ab....|cd....|....xx|....xx|"},
        {"flood fill stops at other yarns, 4-connected",
         [](Grid& g) {
             g = grid({".###..", "#...#.", ".#.#..", "..#..."});
             floodFill(g, {2, 1}, 'o');
         },
         ".###..|#ooo#.|.#o#..|..#...|"},
        {"flood fill of the outside", [](Grid& g) { floodFill(g, {5, 0}, 'o'); }, "aboooo|cdoooo|oooooo|oooooo|"},
        {"replace a yarn everywhere",
         [](Grid& g) {
             g = grid({"a.a", ".a."});
             replaceValue(g, 'a', 'z');
         },
         "z.z|.z.|"},
        {"the ground is the commonest value, the lowest of equals",
         [](Grid& g) {
             g.at(0, 3) = commonest(g);
             g.at(1, 3) = commonest(grid({"ba", "ab"}));
         },
         "ab....|cd....|......|.a....|"},
        {"copy and paste, clipped at the edge", [](Grid& g) { paste(g, copy(g, {0, 0, 2, 2}), {5, 3}); },
         "ab....|cd....|......|.....a|"},
        {"move leaves the fill behind", [](Grid& g) { move(g, {0, 0, 2, 2}, 1, 1, '-'); }, "--....|-ab...|.cd...|......|"},
        {"mirror the grid left-right", [](Grid& g) { mirrorLeftRight(g, g.whole()); }, "....ba|....dc|......|......|"},
        {"mirror a selection top-bottom", [](Grid& g) { mirrorTopBottom(g, {0, 0, 1, 3}); },
         ".b....|cd....|a.....|......|"},
        {"symmetric left-right, odd width",
         [](Grid& g) {
             g = grid({"abcde", "fg..."});
             symmetricLeftRight(g);
         },
         "abcba|fg.gf|"},
        {"symmetric top-bottom", [](Grid& g) { symmetricTopBottom(g); }, "ab....|cd....|cd....|ab....|"},
        {"repeat across the grid", [](Grid& g) { tile(g, {0, 0, 2, 2}, g.whole()); }, "ababab|cdcdcd|ababab|cdcdcd|"},
        {"repeat keeps the motif in place",
         [](Grid& g) {
             g = grid({".....", "..ab.", "....."});
             tile(g, {2, 1, 2, 1}, band(g, {2, 1, 2, 1}));
         },
         ".....|ababa|.....|"},
    };
    for (const Case& c : cases) {
        Grid g = motif();
        c.edit(g);
        EXPECT_EQ(text(g), c.expected) << c.name;
    }
}

TEST(EditorTools, LinesHaveNoGapsInAnyDirection) {
    for (Cell end : {Cell{9, 3}, Cell{-4, 9}, Cell{-9, -9}, Cell{2, -9}, Cell{0, 0}}) {
        const std::vector<Cell> cells = line({0, 0}, end);
        ASSERT_EQ(cells.front(), (Cell{0, 0}));
        ASSERT_EQ(cells.back(), end);
        EXPECT_EQ(int(cells.size()), std::max(std::abs(end.col), std::abs(end.row)) + 1);
        for (size_t i = 1; i < cells.size(); ++i)
            EXPECT_LE(std::max(std::abs(cells[i].col - cells[i - 1].col), std::abs(cells[i].row - cells[i - 1].row)), 1);
    }
}

TEST(EditorTools, ChangesOfADibUndoBackToTheOriginal) {
    BlockGuard guard;
    dib d{};
    newdib(&d, 16, 3, 8, nullptr, 0);
    for (int i = 0; i < int(d.pmi->bmiHeader.biSizeImage); ++i) d.poi[i] = uint8_t(10 + i % 7);
    const Grid original = fromDib(d);
    ASSERT_EQ(original.at(0, 2), d.poi[0]);  // bottom stored row is the last row
    Grid edited = original;
    symmetricLeftRight(edited);
    floodFill(edited, {0, 0}, 40);
    QUndoStack stack;
    stack.push(new chart::SetStitchesCommand(d, changes(d, edited), "edit"));
    EXPECT_EQ(text(fromDib(d)), text(edited));
    stack.undo();
    EXPECT_EQ(text(fromDib(d)), text(original));
    EXPECT_TRUE(changes(d, Grid(4, 3)).empty());  // another size changes nothing

    // Few stitches: a list of changes; most of the rows: the rows themselves.
    Grid one = original, most = original;
    one.at(2, 1) = 50;
    mirrorLeftRight(most, {0, 1, 16, 2});
    EXPECT_EQ(editCommand(d, original, "none"), nullptr);
    for (const Grid* after : {&one, &most}) {
        stack.push(editCommand(d, *after, "edit"));
        EXPECT_EQ(text(fromDib(d)), text(*after));
        const auto* step = dynamic_cast<const pattern::DocumentStep*>(stack.command(stack.index() - 1));
        ASSERT_TRUE(step);
        EXPECT_EQ(step->firstRow(), 1);
        EXPECT_EQ(step->lastRow(), after == &one ? 1 : 2);
        EXPECT_EQ(dynamic_cast<const SetRowsCommand*>(step) != nullptr, after == &most);
        stack.undo();
        EXPECT_EQ(text(fromDib(d)), text(original));
    }
    freedib(d);
}
