#include "app/stitchcommand.h"

TStitchChangesCommand::TStitchChangesCommand(dib& grid, std::vector<pattern::knit::StitchChange> changes,
                                             const QString& text)
    : QUndoCommand(text), grid_(grid), width_(dibwidth(grid)), height_(dibheight(grid)), changes_(std::move(changes)) {}

void TStitchChangesCommand::apply(bool revert) {
    // A grid of another size is another pattern: leave it alone.
    if (!grid_.poi || dibwidth(grid_) != width_ || dibheight(grid_) != height_) return;
    pattern::knit::applyChanges(grid_.poi, grid_.bytew, width_, height_, changes_, revert);
}

void TStitchChangesCommand::redo() { apply(false); }

void TStitchChangesCommand::undo() { apply(true); }
