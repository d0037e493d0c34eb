#include "chart/stitchedit.h"

#include <algorithm>

namespace chart {

namespace {

constexpr int kStrokeId = 0x5717;

uint8_t* stitch(const dib& grid, int col, int row) {
    const int w = dibwidth(grid), h = dibheight(grid);
    if (!grid.poi || col < 0 || row < 0 || col >= w || row >= h) return nullptr;
    return grid.poi + std::ptrdiff_t(h - 1 - row) * grid.bytew + col;  // stored rows run bottom-up
}

}  // namespace

SetStitchesCommand::SetStitchesCommand(dib& grid, std::vector<StitchChange> changes, const QString& text, int stroke,
                                       std::function<void()> changed)
    : QUndoCommand(text), grid_(grid), changes_(std::move(changes)), stroke_(stroke), changed_(std::move(changed)) {}

StitchChange SetStitchesCommand::change(const dib& grid, int col, int row, uint8_t value) {
    const uint8_t* p = stitch(grid, col, row);
    return StitchChange{col, row, p ? *p : value, value};
}

void SetStitchesCommand::alsoColours(const pattern::GridColours& before, const pattern::GridColours& after) {
    colours_.reset(new pattern::GridColours[2]{before, after});
}

unsigned SetStitchesCommand::what() const {
    return pattern::change::Stitches | (colours_ ? pattern::change::GridYarns : 0u);
}

int SetStitchesCommand::firstRow() const {
    if (colours_ || changes_.empty()) return -1;  // new colours show everywhere
    int r = changes_.front().row;
    for (const StitchChange& c : changes_) r = std::min(r, c.row);
    return r;
}

int SetStitchesCommand::lastRow() const {
    if (colours_ || changes_.empty()) return -1;
    int r = changes_.front().row;
    for (const StitchChange& c : changes_) r = std::max(r, c.row);
    return r;
}

void SetStitchesCommand::apply(bool forward) {
    if (forward && colours_) colours_[1].applyTo(grid_);
    if (forward) {
        for (const StitchChange& c : changes_)
            if (uint8_t* p = stitch(grid_, c.col, c.row)) *p = c.after;
    } else {
        // Backwards, so a stitch set twice ends as it was first.
        for (auto it = changes_.rbegin(); it != changes_.rend(); ++it)
            if (uint8_t* p = stitch(grid_, it->col, it->row)) *p = it->before;
        if (colours_) colours_[0].applyTo(grid_);
    }
    if (changed_) changed_();
}

void SetStitchesCommand::undo() { apply(false); }
void SetStitchesCommand::redo() { apply(true); }

int SetStitchesCommand::id() const { return stroke_ >= 0 ? kStrokeId : -1; }

bool SetStitchesCommand::mergeWith(const QUndoCommand* other) {
    const auto* next = dynamic_cast<const SetStitchesCommand*>(other);
    if (!next || next->stroke_ != stroke_ || &next->grid_ != &grid_ || next->colours_) return false;
    changes_.insert(changes_.end(), next->changes_.begin(), next->changes_.end());
    return true;
}

}  // namespace chart
