#include "chart/edittools.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace edittools {

namespace {

// Floor modulo: the tile of a cell left of or above the motif.
int wrap(int v, int n) {
    const int m = v % n;
    return m < 0 ? m + n : m;
}

}  // namespace

Grid::Grid(int width, int height, uint8_t value)
    : w(std::max(width, 0)), h(std::max(height, 0)), cells(size_t(w) * h, value) {}

Grid fromDib(const dib& d) {
    const int w = dibwidth(d), h = dibheight(d);
    if (!d.poi || w <= 0 || h <= 0) return {};
    Grid g(w, h);
    for (int r = 0; r < h; ++r) std::copy_n(d.poi + std::ptrdiff_t(h - 1 - r) * d.bytew, w, &g.at(0, r));
    return g;
}

std::vector<chart::StitchChange> changes(const dib& d, const Grid& after) {
    std::vector<chart::StitchChange> out;
    const int w = dibwidth(d), h = dibheight(d);
    if (!d.poi || w != after.w || h != after.h) return out;
    for (int r = 0; r < h; ++r) {
        const uint8_t* row = d.poi + std::ptrdiff_t(h - 1 - r) * d.bytew;
        for (int c = 0; c < w; ++c)
            if (row[c] != after.at(c, r)) out.push_back({c, r, row[c], after.at(c, r)});
    }
    return out;
}

SetRowsCommand::SetRowsCommand(dib& grid, const Grid& before, const Grid& after, int firstRow, int lastRow,
                               const QString& text)
    : QUndoCommand(text), grid_(grid), first_(firstRow), last_(lastRow),
      before_(before.cells.begin() + std::ptrdiff_t(firstRow) * before.w,
              before.cells.begin() + std::ptrdiff_t(lastRow + 1) * before.w),
      after_(after.cells.begin() + std::ptrdiff_t(firstRow) * after.w,
             after.cells.begin() + std::ptrdiff_t(lastRow + 1) * after.w) {}

void SetRowsCommand::apply(const std::vector<uint8_t>& rows) {
    const int w = dibwidth(grid_), h = dibheight(grid_);
    // A grid of another size is not the one this step was made for.
    if (!grid_.poi || w <= 0 || rows.size() != size_t(last_ - first_ + 1) * size_t(w) || last_ >= h) return;
    for (int r = first_; r <= last_; ++r)
        std::copy_n(rows.begin() + std::ptrdiff_t(r - first_) * w, w, grid_.poi + std::ptrdiff_t(h - 1 - r) * grid_.bytew);
}

void SetRowsCommand::undo() { apply(before_); }
void SetRowsCommand::redo() { apply(after_); }

QUndoCommand* editCommand(dib& grid, const Grid& after, const QString& text) {
    const Grid before = fromDib(grid);
    if (before.w != after.w || before.h != after.h || before.cells == after.cells) return nullptr;
    size_t changed = 0;
    int first = after.h, last = -1;
    for (int r = 0; r < after.h; ++r) {
        size_t inRow = 0;
        for (int c = 0; c < after.w; ++c) inRow += before.at(c, r) != after.at(c, r);
        if (inRow == 0) continue;
        changed += inRow;
        first = std::min(first, r);
        last = r;
    }
    const size_t rowBytes = 2 * size_t(last - first + 1) * size_t(after.w);
    if (changed * sizeof(chart::StitchChange) <= rowBytes)
        return new chart::SetStitchesCommand(grid, changes(grid, after), text);
    return new SetRowsCommand(grid, before, after, first, last, text);
}

Area spanning(Cell a, Cell b) {
    const int c0 = std::min(a.col, b.col), r0 = std::min(a.row, b.row);
    return {c0, r0, std::abs(a.col - b.col) + 1, std::abs(a.row - b.row) + 1};
}

Area clip(Area a, int w, int h) {
    const int c0 = std::max(a.col, 0), r0 = std::max(a.row, 0);
    const int c1 = std::min(a.col + a.w, w), r1 = std::min(a.row + a.h, h);
    if (c1 <= c0 || r1 <= r0) return {};
    return {c0, r0, c1 - c0, r1 - r0};
}

std::vector<Cell> line(Cell a, Cell b) {
    std::vector<Cell> out;
    const int dx = std::abs(b.col - a.col), dy = -std::abs(b.row - a.row);
    const int sx = a.col < b.col ? 1 : -1, sy = a.row < b.row ? 1 : -1;
    out.reserve(size_t(std::max(dx, -dy)) + 1);
    int err = dx + dy;
    for (Cell c = a;;) {
        out.push_back(c);
        if (c == b) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            c.col += sx;
        }
        if (e2 <= dx) {
            err += dx;
            c.row += sy;
        }
    }
    return out;
}

void drawLine(Grid& g, Cell a, Cell b, uint8_t value) {
    for (Cell c : line(a, b))
        if (g.inside(c)) g.at(c.col, c.row) = value;
}

void drawRect(Grid& g, Area a, uint8_t value, bool filled) {
    if (a.empty()) return;
    const int c1 = a.col + a.w - 1, r1 = a.row + a.h - 1;
    for (int r = a.row; r <= r1; ++r)
        for (int c = a.col; c <= c1; ++c) {
            const bool edge = r == a.row || r == r1 || c == a.col || c == c1;
            if ((filled || edge) && g.inside({c, r})) g.at(c, r) = value;
        }
}

void floodFill(Grid& g, Cell start, uint8_t value) {
    if (!g.inside(start)) return;
    const uint8_t from = g.at(start.col, start.row);
    if (from == value) return;
    // An explicit stack: a recursion would overflow on a large area.
    std::vector<Cell> todo{start};
    g.at(start.col, start.row) = value;
    while (!todo.empty()) {
        const Cell c = todo.back();
        todo.pop_back();
        for (Cell n : {Cell{c.col - 1, c.row}, Cell{c.col + 1, c.row}, Cell{c.col, c.row - 1}, Cell{c.col, c.row + 1}})
            if (g.inside(n) && g.at(n.col, n.row) == from) {
                g.at(n.col, n.row) = value;
                todo.push_back(n);
            }
    }
}

void replaceValue(Grid& g, uint8_t from, uint8_t to) { std::replace(g.cells.begin(), g.cells.end(), from, to); }

uint8_t commonest(const Grid& g) {
    size_t count[256] = {};
    for (uint8_t v : g.cells) ++count[v];
    return uint8_t(std::max_element(std::begin(count), std::end(count)) - std::begin(count));
}

Grid copy(const Grid& g, Area a) {
    a = clip(a, g.w, g.h);
    Grid out(a.w, a.h);
    for (int r = 0; r < a.h; ++r)
        for (int c = 0; c < a.w; ++c) out.at(c, r) = g.at(a.col + c, a.row + r);
    return out;
}

void paste(Grid& g, const Grid& clipboard, Cell at) {
    for (int r = 0; r < clipboard.h; ++r)
        for (int c = 0; c < clipboard.w; ++c)
            if (g.inside({at.col + c, at.row + r})) g.at(at.col + c, at.row + r) = clipboard.at(c, r);
}

void move(Grid& g, Area a, int dx, int dy, uint8_t fill) {
    a = clip(a, g.w, g.h);
    if (a.empty()) return;
    const Grid content = copy(g, a);
    drawRect(g, a, fill, true);
    paste(g, content, {a.col + dx, a.row + dy});
}

void mirrorLeftRight(Grid& g, Area a) {
    a = clip(a, g.w, g.h);
    for (int r = a.row; r < a.row + a.h; ++r) {
        uint8_t* p = &g.at(a.col, r);
        std::reverse(p, p + a.w);
    }
}

void mirrorTopBottom(Grid& g, Area a) {
    a = clip(a, g.w, g.h);
    for (int top = a.row, bottom = a.row + a.h - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(&g.at(a.col, top), &g.at(a.col, top) + a.w, &g.at(a.col, bottom));
}

void symmetricLeftRight(Grid& g) {
    for (int r = 0; r < g.h; ++r)
        for (int c = 0; c < g.w / 2; ++c) g.at(g.w - 1 - c, r) = g.at(c, r);
}

void symmetricTopBottom(Grid& g) {
    for (int r = 0; r < g.h / 2; ++r) std::copy_n(&g.at(0, r), g.w, &g.at(0, g.h - 1 - r));
}

void tile(Grid& g, Area motif, Area target) {
    motif = clip(motif, g.w, g.h);
    target = clip(target, g.w, g.h);
    if (motif.empty() || target.empty()) return;
    const Grid m = copy(g, motif);
    for (int r = target.row; r < target.row + target.h; ++r)
        for (int c = target.col; c < target.col + target.w; ++c)
            g.at(c, r) = m.at(wrap(c - motif.col, m.w), wrap(r - motif.row, m.h));
}

}  // namespace edittools
