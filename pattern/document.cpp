#include "pattern/document.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "pattern/limits.h"

namespace pattern {

GridColours GridColours::of(const dib& grid) {
    GridColours c;
    std::memcpy(c.entries, grid.pal.rgb0, sizeof c.entries);
    if (grid.pmi) std::memcpy(c.table, grid.pmi->bmiColors, sizeof c.table);
    return c;
}

void GridColours::applyTo(dib& grid) const {
    std::memcpy(grid.pal.rgb0, entries, sizeof entries);
    if (grid.pmi) std::memcpy(grid.pmi->bmiColors, table, sizeof table);
}

namespace {

int64_t gridBytes(const dib& d) { return d.pmi && d.poi ? int64_t(d.pmi->bmiHeader.biSizeImage) : 0; }

// The compute command as a step: holds the grid that is not on screen and
// swaps it with the document's on undo and redo.
class NewGridStep : public QUndoCommand, public DocumentStep {
public:
    NewGridStep(PatternDocument& doc, dib next, GridOrigin origin, const QString& text)
        : QUndoCommand(text), doc_(doc), other_(next), otherOrigin_(origin) {}
    ~NewGridStep() override { freedib(other_); }
    void redo() override { swap(); }
    void undo() override { swap(); }
    unsigned what() const override { return change::Grid | change::GridYarns; }
    int64_t heldBytes() const { return gridBytes(other_); }

private:
    void swap() {
        std::swap(doc_.grid, other_);
        std::swap(doc_.origin, otherOrigin_);
    }
    PatternDocument& doc_;
    dib other_;
    GridOrigin otherOrigin_;
};

}  // namespace

PatternDocument::PatternDocument(QObject* parent) : QObject(parent) {
    undo.setUndoLimit(kUndoSteps);
    connect(&undo, &QUndoStack::indexChanged, this, &PatternDocument::stackMoved);
}

PatternDocument::~PatternDocument() {
    undo.disconnect(this);
    undo.clear();
    freedib(motif);
    freedib(grid);
}

bool PatternDocument::yarnWaiting(int yarn) const {
    if (!grid.poi || yarn < 0 || yarn >= std::min<int>(yarns.num, kYarnColours)) return false;
    const PALETTEENTRY& want = yarns.rgb0[yarn];
    const PALETTEENTRY& has = grid.pal.rgb0[kYarnIndexOffset + yarn];
    return want.peRed != has.peRed || want.peGreen != has.peGreen || want.peBlue != has.peBlue;
}

bool PatternDocument::yarnsWaiting() const {
    for (int i = 0; i < kYarnColours; ++i)
        if (yarnWaiting(i)) return true;
    return false;
}

GridColours PatternDocument::coloursFromYarns() const {
    GridColours c = GridColours::of(grid);
    const int n = std::min<int>(yarns.num, kYarnColours);
    auto put = [&](int index, const PALETTEENTRY& yarn) {
        c.entries[index].peRed = yarn.peRed;
        c.entries[index].peGreen = yarn.peGreen;
        c.entries[index].peBlue = yarn.peBlue;
        c.table[index].rgbRed = yarn.peRed;
        c.table[index].rgbGreen = yarn.peGreen;
        c.table[index].rgbBlue = yarn.peBlue;
    };
    // As a computation lays them out: yarn i at its index, yarn 0's colour
    // on every index no yarn owns.
    for (int i = 0; i < kGridPaletteSize; ++i) put(i, yarns.rgb0[0]);
    for (int i = 0; i < n; ++i) put(kYarnIndexOffset + i, yarns.rgb0[i]);
    return c;
}

bool PatternDocument::modified() const {
    // The history starts where the grid was computed or opened; any step
    // done since the last computation is an edit.
    const int top = undo.index() - 1;
    return top >= 0 && dynamic_cast<const NewGridStep*>(undo.command(top)) == nullptr;
}

bool PatternDocument::motifIsBlank() const {
    if (!motifBlank || !motif.poi || !motif.pmi) return false;
    const uint8_t* p = motif.poi;
    const uint8_t* end = p + motif.pmi->bmiHeader.biSizeImage;
    return std::all_of(p, end, [](uint8_t b) { return b == 0xFF; });
}

void PatternDocument::pushNewGrid(dib next, GridOrigin nextOrigin, const QString& text) {
    // Each compute step holds a whole grid; beyond the budget the older
    // history goes, this step stays undoable.
    int64_t held = gridBytes(grid);
    for (int i = 0; i < undo.count(); ++i)
        if (const auto* s = dynamic_cast<const NewGridStep*>(undo.command(i))) held += s->heldBytes();
    if (held + gridBytes(next) > undoGridBytes) undo.clear();
    undo.push(new NewGridStep(*this, next, nextOrigin, text));
}

void PatternDocument::resetGrid(dib next, GridOrigin nextOrigin) {
    undo.clear();  // its steps belong to the old grid
    freedib(grid);
    grid = next;
    origin = nextOrigin;
    notify(change::Grid | change::GridYarns);
}

void PatternDocument::setMotif(dib next, bool blank) {
    freedib(motif);
    motif = next;
    motifBlank = blank;
    notify(change::Motif);
}

void PatternDocument::notify(unsigned what, int firstRow, int lastRow) {
    if (what) emit changed(what, firstRow, lastRow);
}

void PatternDocument::stackMoved(int index) {
    if (undo.count() == 0) {  // cleared: whoever cleared it announces the new grid
        lastIndex_ = 0;
        return;
    }
    // The steps between the old and the new index were done or undone; at
    // the same index the last step took in a merge (or the oldest step fell
    // off the limit).
    int lo = std::min(index, lastIndex_), hi = std::max(index, lastIndex_);
    if (lo == hi) lo = std::max(0, hi - 1);
    lastIndex_ = index;
    unsigned what = 0;
    int first = INT_MAX, last = -1;
    bool allRows = false;
    for (int i = lo; i < hi && i < undo.count(); ++i) {
        const auto* step = dynamic_cast<const DocumentStep*>(undo.command(i));
        if (!step) {
            what |= change::Stitches;
            allRows = true;
            continue;
        }
        what |= step->what();
        if (step->firstRow() < 0) {
            allRows = true;
        } else {
            first = std::min(first, step->firstRow());
            last = std::max(last, step->lastRow());
        }
    }
    if (allRows || last < 0) notify(what);
    else notify(what, first, last);
}

}  // namespace pattern
