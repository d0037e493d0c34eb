// One undo step that recolours a list of stitches of the stitch grid (the
// confetti clean-up), and takes them all back at once.
#pragma once

#include <QUndoCommand>
#include <vector>

#include "pattern/knitcheck.h"
#include "raster/dib.h"

class TStitchChangesCommand : public QUndoCommand {
public:
    // `grid` is the window's stitch grid; the record may be replaced by a
    // later computation, so each step checks that the size still fits.
    TStitchChangesCommand(dib& grid, std::vector<pattern::knit::StitchChange> changes, const QString& text);
    void redo() override;
    void undo() override;
    const std::vector<pattern::knit::StitchChange>& changes() const { return changes_; }

private:
    void apply(bool revert);
    dib& grid_;
    int width_;
    int height_;
    std::vector<pattern::knit::StitchChange> changes_;
};
