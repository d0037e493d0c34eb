// Small widgets that stand in for the windowing framework's controls the
// program is written against: a paint box with paint and mouse events, a
// status bar with owner-drawn panels, a decimal spin field and a file list
// model with German sizes and dates.
#pragma once

#include <QDoubleSpinBox>
#include <QFileSystemModel>
#include <QLocale>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <vector>

class QPainter;

// A plain drawing surface. Paint and mouse events go to the hooks; with no
// paint hook it shows `picture` (picture buttons, decorations).
class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);

    std::function<void(QPainter&)> onPaint;
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> onMouseDown;
    std::function<void(Qt::KeyboardModifiers, int x, int y)> onMouseMove;
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> onMouseUp;
    // Left button released over the box; arrives before onMouseUp.
    std::function<void()> onClick;

    void setPicture(const QPixmap& p);
    const QPixmap& picture() const { return picture_; }
    bool stretch = false;  // draw the picture scaled to the box

    // The painter of the paint event being handled and the area it has to
    // cover; nullptr and empty outside a paint event. A handler called
    // directly (not to paint) can tell so and ask for a repaint instead.
    QPainter* canvas() const { return canvas_; }
    QRect paintRect() const { return paintRect_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QPixmap picture_;
    QPainter* canvas_ = nullptr;
    QRect paintRect_;
};

// Status bar with fixed-width panels; the last one reaches to the right end.
class TStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);

    std::vector<int> panelWidths;
    // Draws panel `index` into `rect` (owner-drawn panels only).
    std::function<void(QPainter&, int index, const QRect& rect)> onDrawPanel;
    std::vector<bool> ownerDrawn;

    QRect panelRect(int index) const;
    int panelCount() const { return int(panelWidths.size()); }
    // Counts paint events, so tests can see that progress really repaints.
    int paintCount = 0;

    // Fills `rect` with `colour` on the bar before returning, without a
    // full paint of the bar: for code that reports progress from inside a
    // loop and gives the event loop no chance to run. Repeating the last
    // fill with nothing painted since is skipped, the pixels are there.
    void fillNow(const QRect& rect, const QColor& colour);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QRect fillRect_;
    QColor fillColour_;
    bool filling_ = false;
    QRect lastFill_;
    QColor lastFillColour_;
};

namespace platform {
// The program speaks German; numbers, sizes and dates follow suit whatever
// the system is set to.
QLocale uiLocale();

// A file list's size (column 1) or date (column 3) cell of `source` in
// German; an invalid QVariant for every other cell.
QVariant germanFileCell(const QFileSystemModel& model, const QModelIndex& source, int role);
}  // namespace platform

// Decimal spin field: two decimals with a decimal comma, clamped to its
// range. A point typed by habit counts as the comma; text that is not a
// number reads as the minimum.
class TFloatSpinEdit : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit TFloatSpinEdit(QWidget* parent = nullptr);
    double valueFromText(const QString& text) const override;
    QValidator::State validate(QString& text, int& pos) const override;
};

// The file system model formats sizes and dates with the system locale,
// not the program's; this one shows them in German.
class TFileSystemModel : public QFileSystemModel {
    Q_OBJECT
public:
    using QFileSystemModel::QFileSystemModel;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};
