// Editing tools on page 4 while "Nachbearbeiten" is ticked: pen, line,
// rectangle, flood fill, yarn replacement and a selection that can be
// copied, pasted, moved, mirrored and repeated; the grid made symmetric.
// The tool buttons sit beside the yarn picker. The algorithms are
// edittools; each use is one step of the undo stack.
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QMenu>
#include <QPainter>
#include <QTabWidget>
#include <QToolButton>
#include <QUndoStack>
#include <algorithm>
#include <map>
#include <string>

#include "app/TMainForm.h"
#include "chart/gridview.h"
#include "chart/stitchedit.h"
#include "platform/controls.h"
#include "platform/settings.h"

using edittools::Area;
using edittools::Cell;
using edittools::Grid;

namespace {

// Beside the picker (PaintBox3 ends at x = 345): three columns of four.
constexpr int kToolLeft = 346;
constexpr int kToolTop = 2;
constexpr int kToolSize = 20;
constexpr int kToolPitch = 21;

int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

QAction* action(QObject* owner, const char* name, const QString& text, const QKeySequence& key) {
    auto* a = new QAction(text, owner);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    a->setEnabled(false);
    return a;
}

}  // namespace

void TMainForm::createEditorControls() {
    EditToolPanel = new QWidget(Panel43);
    EditToolPanel->setObjectName(QStringLiteral("EditToolPanel"));
    EditToolPanel->setGeometry(kToolLeft, kToolTop, 3 * kToolPitch, 4 * kToolPitch);
    int slot = 0;
    auto place = [&](QToolButton* b, const char* name) {
        b->setObjectName(QString::fromLatin1(name));
        b->setParent(EditToolPanel);
        b->setGeometry((slot % 3) * kToolPitch, (slot / 3) * kToolPitch, kToolSize, kToolSize);
        b->setAutoRaise(true);
        ++slot;
    };

    auto* tools = new QActionGroup(this);
    const struct {
        EditTool tool;
        const char* action;
        const char* button;
        const char* glyph;
        const char* text;
        QKeySequence key;
    } toolList[] = {
        {EditTool::Pen, "PenToolAction", "PenToolBtn", "✎", "Stift: Maschen färben (B)", QKeySequence(Qt::Key_B)},
        {EditTool::Line, "LineToolAction", "LineToolBtn", "╱", "Gerade Linie (L)", QKeySequence(Qt::Key_L)},
        {EditTool::Rect, "RectToolAction", "RectToolBtn", "□", "Rechteck (R)", QKeySequence(Qt::Key_R)},
        {EditTool::FilledRect, "FilledRectToolAction", "FilledRectToolBtn", "■", "Gefülltes Rechteck (Umschalt+R)",
         QKeySequence(Qt::SHIFT | Qt::Key_R)},
        {EditTool::Fill, "FillToolAction", "FillToolBtn", "◉", "Fläche füllen (F)", QKeySequence(Qt::Key_F)},
        {EditTool::Replace, "ReplaceToolAction", "ReplaceToolBtn", "⇄",
         "Garn ersetzen: jede Masche dieses Garns erhält das gewählte (E)", QKeySequence(Qt::Key_E)},
        {EditTool::Select, "SelectToolAction", "SelectToolBtn", "⬚",
         "Auswahl: Rechteck aufziehen, in der Auswahl ziehen verschiebt sie (M)", QKeySequence(Qt::Key_M)},
    };
    for (const auto& t : toolList) {
        QAction* a = action(this, t.action, QString::fromUtf8(t.text), t.key);
        a->setIconText(QString::fromUtf8(t.glyph));
        a->setCheckable(true);
        a->setChecked(t.tool == editTool);
        a->setActionGroup(tools);
        addAction(a);
        const EditTool tool = t.tool;
        connect(a, &QAction::triggered, this, [this, tool] { setEditTool(tool); });
        auto* b = new QToolButton;
        place(b, t.button);
        b->setDefaultAction(a);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }

    const struct {
        const char* action;
        const char* text;
        QKeySequence key;
        std::function<void()> run;
    } commands[] = {
        {"SelectAllAction", "Alles auswählen (Strg+A)", QKeySequence(QKeySequence::SelectAll), [this] { EditSelectAll(); }},
        {"CopyAction", "Kopieren (Strg+C)", QKeySequence(QKeySequence::Copy), [this] { EditCopy(); }},
        {"CutAction", "Ausschneiden (Strg+X)", QKeySequence(QKeySequence::Cut), [this] { EditCut(); }},
        {"PasteAction", "Einfügen (Strg+V)", QKeySequence(QKeySequence::Paste), [this] { EditPaste(); }},
        {"DeleteAction", "Löschen: Auswahl in der Grundfarbe (Entf)", QKeySequence(QKeySequence::Delete),
         [this] { EditDelete(); }},
        {"MirrorLRAction", "Links-rechts spiegeln (H)", QKeySequence(Qt::Key_H), [this] { EditMirror(true); }},
        {"MirrorTBAction", "Oben-unten spiegeln (V)", QKeySequence(Qt::Key_V), [this] { EditMirror(false); }},
        {"SymmetricLRAction", "Linke Hälfte nach rechts spiegeln (Umschalt+H)", QKeySequence(Qt::SHIFT | Qt::Key_H),
         [this] { EditSymmetric(true); }},
        {"SymmetricTBAction", "Obere Hälfte nach unten spiegeln (Umschalt+V)", QKeySequence(Qt::SHIFT | Qt::Key_V),
         [this] { EditSymmetric(false); }},
        {"RepeatGridAction", "Auswahl über das ganze Muster wiederholen (T)", QKeySequence(Qt::Key_T),
         [this] { EditRepeat(false); }},
        {"RepeatRowsAction", "Auswahl über ihre Reihen wiederholen (Umschalt+T)", QKeySequence(Qt::SHIFT | Qt::Key_T),
         [this] { EditRepeat(true); }},
        {"DeselectAction", "Auswahl aufheben (Esc)", QKeySequence(Qt::Key_Escape), [this] {
             editSelection = {};
             PaintBox2->update();
         }},
    };
    std::map<std::string, QAction*> made;
    for (const auto& c : commands) {
        QAction* a = action(this, c.action, QString::fromUtf8(c.text), c.key);
        addAction(a);
        connect(a, &QAction::triggered, this, c.run);
        made[c.action] = a;
    }
    auto menuButton = [&](const char* name, const char* glyph, const char* hint, std::initializer_list<const char*> items) {
        auto* b = new QToolButton;
        place(b, name);
        b->setText(QString::fromUtf8(glyph));
        b->setToolTip(QString::fromUtf8(hint));
        b->setPopupMode(QToolButton::InstantPopup);
        auto* m = new QMenu(b);
        m->setObjectName(QString::fromLatin1(name) + QStringLiteral("Menu"));
        for (const char* item : items) m->addAction(made[item]);
        b->setMenu(m);
        // The arrow of a menu button has no room at this size.
        b->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    };
    menuButton("SelectionBtn", "✂", "Auswahl: kopieren, einfügen, füllen",
               {"SelectAllAction", "CopyAction", "CutAction", "PasteAction", "DeleteAction", "DeselectAction"});
    menuButton("MirrorBtn", "⇋", "Spiegeln (die Auswahl oder das ganze Muster)", {"MirrorLRAction", "MirrorTBAction"});
    menuButton("SymmetryBtn", "◧", "Muster symmetrisch machen", {"SymmetricLRAction", "SymmetricTBAction"});
    menuButton("RepeatBtn", "▦", "Auswahl als Rapport wiederholen", {"RepeatGridAction", "RepeatRowsAction"});
}

void TMainForm::connectEditorEvents() {
    connect(PageControl2, &QTabWidget::currentChanged, this, [this] { updateEditorActions(); });
}

void TMainForm::updateEditorActions() {
    if (!EditToolPanel) return;
    // Only on page 4 while post-editing: elsewhere the keys belong to the
    // input fields and the letters to nobody.
    const bool on = EditModeCheck->isChecked() && PageControl2->currentWidget() == TabSheet4;
    for (QAction* a : actions())
        if (a->objectName().endsWith(QLatin1String("Action"))) a->setEnabled(on);
    if (!on) toolDrag_ = false;
}

void TMainForm::setEditTool(EditTool tool) {
    editTool = tool;
    const char* names[] = {"PenToolAction",  "LineToolAction",    "RectToolAction",  "FilledRectToolAction",
                           "FillToolAction", "ReplaceToolAction", "SelectToolAction"};
    if (auto* a = findChild<QAction*>(QString::fromLatin1(names[int(tool)]))) a->setChecked(true);
    toolDrag_ = false;
    PaintBox2->update();
}

Cell TMainForm::cellAt(int X, int Y) const {
    const int z = std::max(stitchZoom, 1);
    return {floorDiv(X, z), floorDiv(Y - std::max(dibheight(di3), 0), z)};
}

void TMainForm::applyEdit(const QString& text, const std::function<void(Grid&)>& edit, bool pickedYarn) {
    if (!di3.poi) return;
    Grid after = edittools::fromDib(di3);
    edit(after);
    // As with the pen: the picked yarn shows its new colour, in the same step.
    if (pickedYarn && document_->yarnWaiting(colornr)) {
        std::vector<chart::StitchChange> changes = edittools::changes(di3, after);
        if (changes.empty()) return;
        auto* step = new chart::SetStitchesCommand(di3, std::move(changes), text);
        step->alsoColours(pattern::GridColours::of(di3), document_->coloursFromYarns());
        undoStack->push(step);
        return;
    }
    if (QUndoCommand* step = edittools::editCommand(di3, after, text)) undoStack->push(step);
}

void TMainForm::editorMouseDown(int X, int Y) {
    const Grid g = edittools::fromDib(di3);
    const Cell c = cellAt(X, Y);
    const uint8_t value = uint8_t(colornr + 10);
    if (!g.inside(c)) {
        if (editTool == EditTool::Select) {
            editSelection = {};
            PaintBox2->update();
        }
        return;
    }
    switch (editTool) {
    case EditTool::Fill:
        applyEdit(QStringLiteral("Fläche füllen"), [&](Grid& e) { edittools::floodFill(e, c, value); }, true);
        return;
    case EditTool::Replace: {
        const uint8_t from = g.at(c.col, c.row);
        applyEdit(QStringLiteral("Garn ersetzen"), [&](Grid& e) { edittools::replaceValue(e, from, value); }, true);
        return;
    }
    case EditTool::Select:
        movingSelection_ = editSelection.contains(c);
        break;
    default:
        break;
    }
    toolDrag_ = true;
    toolFrom_ = toolTo_ = c;
    if (editTool == EditTool::Select && !movingSelection_) editSelection = edittools::spanning(c, c);
    PaintBox2->update();
}

void TMainForm::editorMouseMove(int X, int Y) {
    const Cell c = cellAt(X, Y);
    const int w = dibwidth(di3), h = dibheight(di3);
    // A moved selection follows the pointer anywhere; corners stay on the grid.
    toolTo_ = movingSelection_ ? c : Cell{std::clamp(c.col, 0, w - 1), std::clamp(c.row, 0, h - 1)};
    if (editTool == EditTool::Select && !movingSelection_) editSelection = edittools::spanning(toolFrom_, toolTo_);
    PaintBox2->update();
}

void TMainForm::editorMouseUp(int X, int Y) {
    editorMouseMove(X, Y);
    toolDrag_ = false;
    const uint8_t value = uint8_t(colornr + 10);
    const Cell a = toolFrom_, b = toolTo_;
    switch (editTool) {
    case EditTool::Line:
        applyEdit(QStringLiteral("Linie"), [&](Grid& e) { edittools::drawLine(e, a, b, value); }, true);
        break;
    case EditTool::Rect:
    case EditTool::FilledRect: {
        const bool filled = editTool == EditTool::FilledRect;
        applyEdit(QStringLiteral("Rechteck"),
                  [&](Grid& e) { edittools::drawRect(e, edittools::spanning(a, b), value, filled); }, true);
        break;
    }
    case EditTool::Select:
        if (movingSelection_) {
            movingSelection_ = false;
            const int dx = b.col - a.col, dy = b.row - a.row;
            if (dx == 0 && dy == 0) break;
            const Area from = editSelection;
            applyEdit(QStringLiteral("Auswahl verschieben"),
                      [&](Grid& e) { edittools::move(e, from, dx, dy, edittools::commonest(e)); });
            editSelection = edittools::clip({from.col + dx, from.row + dy, from.w, from.h}, dibwidth(di3),
                                            dibheight(di3));
        }
        break;
    default:
        break;
    }
    PaintBox2->update();
}

void TMainForm::paintEditorOverlay(QPainter& canvas) {
    const int z = stitchZoom, top = std::max(dibheight(di3), 0);
    auto rectOf = [&](Area a) { return QRect(a.col * z, top + a.row * z, a.w * z, a.h * z); };
    const PALETTEENTRY& e = pal.rgb0[std::clamp(colornr, 0, 255)];
    const QColor yarn(e.peRed, e.peGreen, e.peBlue);
    if (toolDrag_ && editTool == EditTool::Line) {
        for (const Cell& c : edittools::line(toolFrom_, toolTo_)) canvas.fillRect(rectOf({c.col, c.row, 1, 1}), yarn);
    } else if (toolDrag_ && (editTool == EditTool::Rect || editTool == EditTool::FilledRect)) {
        const Area a = edittools::spanning(toolFrom_, toolTo_);
        if (editTool == EditTool::FilledRect || a.w <= 2 || a.h <= 2) {
            canvas.fillRect(rectOf(a), yarn);
        } else {
            canvas.fillRect(rectOf({a.col, a.row, a.w, 1}), yarn);
            canvas.fillRect(rectOf({a.col, a.row + a.h - 1, a.w, 1}), yarn);
            canvas.fillRect(rectOf({a.col, a.row + 1, 1, a.h - 2}), yarn);
            canvas.fillRect(rectOf({a.col + a.w - 1, a.row + 1, 1, a.h - 2}), yarn);
        }
    }
    // A selection made on an earlier, larger grid shows only what is left of it.
    Area shown = edittools::clip(editSelection, dibwidth(di3), dibheight(di3));
    if (shown.empty()) return;
    if (toolDrag_ && movingSelection_) {
        shown.col += toolTo_.col - toolFrom_.col;
        shown.row += toolTo_.row - toolFrom_.row;
    }
    // Black dashes on white: seen on every yarn.
    const QRect r = rectOf(shown).adjusted(0, 0, -1, -1);
    canvas.setBrush(Qt::NoBrush);
    canvas.setPen(QPen(Qt::white, 1));
    canvas.drawRect(r);
    canvas.setPen(QPen(Qt::black, 1, Qt::DashLine));
    canvas.drawRect(r);
}

void TMainForm::EditSelectAll() {
    editSelection = edittools::clip({0, 0, dibwidth(di3), dibheight(di3)}, dibwidth(di3), dibheight(di3));
    if (editTool != EditTool::Select) setEditTool(EditTool::Select);
    PaintBox2->update();
}

void TMainForm::EditCopy() {
    if (editSelection.empty() || !di3.poi) return;
    editClipboard_ = edittools::copy(edittools::fromDib(di3), editSelection);
}

void TMainForm::EditCut() {
    EditCopy();
    EditDelete();
}

void TMainForm::EditPaste() {
    if (editClipboard_.w <= 0 || !di3.poi) return;
    // At the selection's corner, or the grid's; the pasted stitches are
    // selected, so a drag moves them on.
    const Cell at = editSelection.empty() ? Cell{} : Cell{editSelection.col, editSelection.row};
    const Grid clip = editClipboard_;
    applyEdit(QStringLiteral("Einfügen"), [&](Grid& e) { edittools::paste(e, clip, at); });
    editSelection = edittools::clip({at.col, at.row, clip.w, clip.h}, dibwidth(di3), dibheight(di3));
    if (editTool != EditTool::Select) setEditTool(EditTool::Select);
    PaintBox2->update();
}

void TMainForm::EditDelete() {
    if (editSelection.empty()) return;
    const Area a = editSelection;
    applyEdit(QStringLiteral("Auswahl löschen"),
              [&](Grid& e) { edittools::drawRect(e, a, edittools::commonest(e), true); });
}

void TMainForm::EditMirror(bool leftRight) {
    const Area a = editSelection;
    applyEdit(QStringLiteral("Spiegeln"), [&](Grid& e) {
        const Area area = a.empty() ? e.whole() : a;
        leftRight ? edittools::mirrorLeftRight(e, area) : edittools::mirrorTopBottom(e, area);
    });
}

void TMainForm::EditSymmetric(bool leftRight) {
    applyEdit(QStringLiteral("Symmetrisch"),
              [&](Grid& e) { leftRight ? edittools::symmetricLeftRight(e) : edittools::symmetricTopBottom(e); });
}

void TMainForm::EditRepeat(bool rowsOnly) {
    if (editSelection.empty()) return;
    const Area motif = editSelection;
    applyEdit(QStringLiteral("Rapport"),
              [&](Grid& e) { edittools::tile(e, motif, rowsOnly ? edittools::band(e, motif) : e.whole()); });
}

void TMainForm::restoreWindowSize() {
    auto s = platform::UserSettings();
    const QByteArray geometry = s->value(QStringLiteral("Hauptfenster/Geometrie")).toByteArray();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
}

void TMainForm::storeWindowSize() {
    auto s = platform::UserSettings();
    s->setValue(QStringLiteral("Hauptfenster/Geometrie"), saveGeometry());
}
