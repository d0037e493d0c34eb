// Editing tools of the stitch grid as free functions over a plain copy of
// its bytes: lines, rectangles, flood fill, yarn replacement, copy and
// paste, mirroring, symmetry and repeats. The window turns the difference
// between the grid and the edited copy into one undoable command.
#pragma once

#include <QUndoCommand>
#include <cstdint>
#include <vector>

#include "chart/stitchedit.h"
#include "raster/dib.h"

namespace edittools {

// A stitch by column and row, rows counted from the top.
struct Cell {
    int col = 0;
    int row = 0;
    bool operator==(const Cell&) const = default;
};

// A rectangle of stitches; empty when w or h is not positive.
struct Area {
    int col = 0;
    int row = 0;
    int w = 0;
    int h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    bool contains(Cell c) const { return c.col >= col && c.row >= row && c.col < col + w && c.row < row + h; }
    bool operator==(const Area&) const = default;
};

// The grid's bytes, row by row from the top (the dib stores them bottom-up).
struct Grid {
    int w = 0;
    int h = 0;
    std::vector<uint8_t> cells;
    Grid() = default;
    Grid(int width, int height, uint8_t value = 0);
    bool inside(Cell c) const { return c.col >= 0 && c.row >= 0 && c.col < w && c.row < h; }
    uint8_t at(int col, int row) const { return cells[size_t(row) * w + col]; }
    uint8_t& at(int col, int row) { return cells[size_t(row) * w + col]; }
    Area whole() const { return {0, 0, w, h}; }
};

Grid fromDib(const dib& d);
// What to set in `d` to make it `after` (same size), in reading order.
std::vector<chart::StitchChange> changes(const dib& d, const Grid& after);

// The rows of a grid before and after an edit that changes most of their
// stitches (a mirror, a repeat): two bytes a stitch, where a list of
// changes would take twelve.
class SetRowsCommand : public QUndoCommand, public pattern::DocumentStep {
public:
    // Rows firstRow..lastRow (from the top) of `before` and `after`, which
    // have the grid's size; `grid` must outlive the command.
    SetRowsCommand(dib& grid, const Grid& before, const Grid& after, int firstRow, int lastRow, const QString& text);
    void undo() override;
    void redo() override;
    unsigned what() const override { return pattern::change::Stitches; }
    int firstRow() const override { return first_; }
    int lastRow() const override { return last_; }

private:
    void apply(const std::vector<uint8_t>& rows);
    dib& grid_;
    int first_;
    int last_;
    std::vector<uint8_t> before_;
    std::vector<uint8_t> after_;
};

// The one undoable step that makes `grid` into `after`: a list of changes
// when few stitches change, the changed rows otherwise; null when nothing
// changes.
QUndoCommand* editCommand(dib& grid, const Grid& after, const QString& text);

// The rectangle with corners a and b (both included).
Area spanning(Cell a, Cell b);
// The part of `a` inside a w x h grid.
Area clip(Area a, int w, int h);

// Every cell of the straight line from a to b (Bresenham), a first, b last.
std::vector<Cell> line(Cell a, Cell b);

// Each sets only cells inside the grid.
void drawLine(Grid& g, Cell a, Cell b, uint8_t value);
void drawRect(Grid& g, Area a, uint8_t value, bool filled);
// The 4-connected area of start's value becomes `value`.
void floodFill(Grid& g, Cell start, uint8_t value);
void replaceValue(Grid& g, uint8_t from, uint8_t to);
// The value most stitches hold (the lowest of equals): the ground a moved
// or deleted motif leaves behind.
uint8_t commonest(const Grid& g);

// The stitches of `a` (clipped to the grid).
Grid copy(const Grid& g, Area a);
// `clip` with its top left at `at`; what falls outside is dropped.
void paste(Grid& g, const Grid& clip, Cell at);
// The content of `a` moves by (dx, dy); the cells it leaves take `fill`.
void move(Grid& g, Area a, int dx, int dy, uint8_t fill);

// Within `a` (clipped): columns reversed, or rows reversed.
void mirrorLeftRight(Grid& g, Area a);
void mirrorTopBottom(Grid& g, Area a);
// The left half mirrored onto the right half; the top half onto the bottom.
// An odd middle column or row stays.
void symmetricLeftRight(Grid& g);
void symmetricTopBottom(Grid& g);

// Every cell of `target` takes the motif's cell at the same place of a
// tiling that keeps the motif where it is.
void tile(Grid& g, Area motif, Area target);
// The rows of the motif across the whole width.
inline Area band(const Grid& g, Area motif) { return {0, motif.row, g.w, motif.h}; }

}  // namespace edittools
