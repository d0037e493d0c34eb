// The pattern the user works on, in one place: the motif, the stitch grid,
// the yarn palette, gauge and size, the undo history and whether the grid
// was changed since it was computed or opened.
//
// Every view, readout, check and output reads the document and refreshes
// on its one signal, changed(what, firstRow, lastRow). Edits of the grid
// are commands on its undo stack; the document announces each push, undo
// and redo with what the command says it touched.
#pragma once

#include <QObject>
#include <QString>
#include <QUndoCommand>
#include <QUndoStack>
#include <cstdint>

#include "raster/dib.h"

namespace pattern {

// What changed; several may come in one notification.
namespace change {
constexpr unsigned Stitches = 1u << 0;   // stitches of rows firstRow..lastRow (from the top)
constexpr unsigned Grid = 1u << 1;       // the whole grid replaced (its size may differ)
constexpr unsigned GridYarns = 1u << 2;  // the colours the grid's yarns show
constexpr unsigned Yarns = 1u << 3;      // the yarn palette (what the next computation uses)
constexpr unsigned Motif = 1u << 4;
constexpr unsigned Size = 1u << 5;       // gauge or knitted size
constexpr unsigned AnyGrid = Stitches | Grid | GridYarns;
}  // namespace change

// The colours of a grid's 256 entries, both as its palette and as its
// colour table, so they can be put back exactly.
struct GridColours {
    PALETTEENTRY entries[256]{};
    RGBQUAD table[256]{};
    static GridColours of(const dib& grid);
    void applyTo(dib& grid) const;
};

// A command that says what it changes; commands that do not are taken to
// have changed the stitches of the whole grid.
class DocumentStep {
public:
    virtual ~DocumentStep() = default;
    virtual unsigned what() const = 0;
    // Rows from the top; -1, -1 for all.
    virtual int firstRow() const { return -1; }
    virtual int lastRow() const { return -1; }
};

// Where the grid on screen came from.
enum class GridOrigin { Computed, Opened };

class PatternDocument : public QObject {
    Q_OBJECT
public:
    explicit PatternDocument(QObject* parent = nullptr);
    ~PatternDocument() override;

    // The state. The window names them di, di3 and pal; change them through
    // commands on `undo` (grid) or the setters below, then the signal says so.
    dib motif{};
    dib grid{};
    LPAL yarns{};
    QUndoStack undo;
    int maschen = 0;
    int reihen = 0;
    double breite = 0;
    double hoch = 0;
    // The motif is the start-up picture (no motif was loaded since).
    bool motifBlank = true;
    // ... and still white all over, as it started.
    bool motifIsBlank() const;
    GridOrigin origin = GridOrigin::Computed;
    // Yarns "in use" for a palette file: the count taken from the motif or
    // read from a file; all of yarns.num otherwise.
    int yarnsInUse = 0;
    // The pattern file the grid was last opened from or saved to; empty
    // for a grid never saved.
    QString fileName;

    // The grid on screen was edited since it was computed or opened: a step
    // other than a computation lies between it and its computation.
    bool modified() const;
    // Some yarn of the palette shows another colour than the grid's yarn of
    // that number does: it reaches the grid at the next computation (or
    // when taken over).
    bool yarnsWaiting() const;
    bool yarnWaiting(int yarn) const;
    // The grid's entries with the palette's yarn colours, as a computation
    // would lay them out.
    GridColours coloursFromYarns() const;

    // Replaces the grid as one undoable step (the compute command); the
    // document owns `next` from here. Grid, origin and clean state come
    // back with undo.
    void pushNewGrid(dib next, GridOrigin nextOrigin, const QString& text);
    // A grid that starts a new history (start-up, a pattern opened).
    void resetGrid(dib next, GridOrigin nextOrigin);
    void setMotif(dib next, bool blank);

    // Announces a change made directly (the window's funnels for code that
    // changed the state itself).
    void notify(unsigned what, int firstRow = -1, int lastRow = -1);

    // Undo history: at most this many steps, and the grids held by compute
    // steps within this many bytes (older history is dropped beyond it).
    static constexpr int kUndoSteps = 200;
    static constexpr int64_t kUndoGridBytes = int64_t(256) << 20;
    int64_t undoGridBytes = kUndoGridBytes;

signals:
    void changed(unsigned what, int firstRow, int lastRow);

private:
    void stackMoved(int index);
    int lastIndex_ = 0;
};

}  // namespace pattern
