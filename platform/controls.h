// Small widgets that stand in for the windowing framework's controls the
// program is written against: a paint box with paint and mouse events, a
// status bar with owner-drawn panels and a decimal spin field.
#pragma once

#include <QDoubleSpinBox>
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

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QPixmap picture_;
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

protected:
    void paintEvent(QPaintEvent*) override;
};

// Decimal spin field: two decimals, clamped to its range; text that is not
// a number reads as the minimum.
class TFloatSpinEdit : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit TFloatSpinEdit(QWidget* parent = nullptr);
    double valueFromText(const QString& text) const override;
    QValidator::State validate(QString& text, int& pos) const override;
};
