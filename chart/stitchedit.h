// Post-editing as undoable commands: one command sets a number of stitches
// of the grid and remembers what they were. Commands of one paint stroke
// merge, so a drag is undone as a whole; any other edit (a clean-up that
// sets many stitches at once) can be pushed as one command as well.
#pragma once

#include <QUndoCommand>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "pattern/document.h"
#include "raster/dib.h"

namespace chart {

struct StitchChange {
    int col;
    int row;  // from the top
    uint8_t before;
    uint8_t after;
};

class SetStitchesCommand : public QUndoCommand, public pattern::DocumentStep {
public:
    // `grid` must outlive the command (the window clears its stack when it
    // replaces the grid). `stroke` >= 0 merges with the previous command of
    // the same stroke; -1 never merges. `changed` runs after every undo and
    // redo.
    SetStitchesCommand(dib& grid, std::vector<StitchChange> changes, const QString& text, int stroke = -1,
                       std::function<void()> changed = {});

    // The change for setting (col, row) of `grid` to `value`; its `before`
    // is what the stitch holds now.
    static StitchChange change(const dib& grid, int col, int row, uint8_t value);

    void undo() override;
    void redo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

    const std::vector<StitchChange>& changes() const { return changes_; }

    // The grid's yarns take other colours in the same step (the colours
    // waiting in the palette, taken over by this edit): `after` before the
    // stitches are set, `before` again once they are undone.
    void alsoColours(const pattern::GridColours& before, const pattern::GridColours& after);

    unsigned what() const override;
    int firstRow() const override;
    int lastRow() const override;

private:
    void apply(bool forward);
    dib& grid_;
    std::vector<StitchChange> changes_;
    std::unique_ptr<pattern::GridColours[]> colours_;  // before, after; null when the colours stay
    int stroke_;
    std::function<void()> changed_;
};

}  // namespace chart
