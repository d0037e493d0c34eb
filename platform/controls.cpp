#include "platform/controls.h"

#include <cmath>

#include <QDateTime>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOption>

namespace platform {
QLocale uiLocale() { return QLocale(QLocale::German, QLocale::Germany); }

QVariant germanFileCell(const QFileSystemModel& model, const QModelIndex& source, int role) {
    if (role != Qt::DisplayRole || !source.isValid()) return {};
    if (source.column() == 1) {
        if (model.isDir(source)) return {};  // folders show no size
        return uiLocale().formattedDataSize(model.size(source));
    }
    if (source.column() == 3) {
        const QDateTime t = model.lastModified(source);
        if (!t.isValid()) return {};
        return uiLocale().toString(t, QLocale::ShortFormat);  // 09.12.24 14:30
    }
    return {};
}
}  // namespace platform

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TPaintBox::setPicture(const QPixmap& p) {
    picture_ = p;
    update();
}

void TPaintBox::paintEvent(QPaintEvent* e) {
    QPainter painter(this);
    if (onPaint) {
        canvas_ = &painter;
        paintRect_ = e->rect();
        onPaint(painter);
        canvas_ = nullptr;
        paintRect_ = QRect();
    } else if (!picture_.isNull()) {
        if (stretch) painter.drawPixmap(rect(), picture_);
        else painter.drawPixmap(0, 0, picture_);
    }
}

void TPaintBox::mousePressEvent(QMouseEvent* e) {
    if (onMouseDown) onMouseDown(e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
}

void TPaintBox::mouseMoveEvent(QMouseEvent* e) {
    if (onMouseMove) onMouseMove(e->modifiers(), int(e->position().x()), int(e->position().y()));
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* e) {
    int x = int(e->position().x()), y = int(e->position().y());
    if (e->button() == Qt::LeftButton && rect().contains(x, y) && onClick) onClick();
    if (onMouseUp) onMouseUp(e->button(), e->modifiers(), x, y);
}

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) { setFixedHeight(19); }

QRect TStatusBar::panelRect(int index) const {
    int x = 0;
    for (int i = 0; i < index && i < panelCount(); ++i) x += panelWidths[std::size_t(i)] + 2;
    int w = index == panelCount() - 1 ? width() - x : panelWidths[std::size_t(index)];
    return QRect(x, 2, w, height() - 2);
}

void TStatusBar::fillNow(const QRect& rect, const QColor& colour) {
    if (rect.isEmpty()) return;
    if (rect == lastFill_ && colour == lastFillColour_) return;
    fillRect_ = rect;
    fillColour_ = colour;
    filling_ = true;
    repaint(rect);
    filling_ = false;
}

void TStatusBar::paintEvent(QPaintEvent* e) {
    ++paintCount;
    QPainter p(this);
    // The region may have grown by other pending updates; then only a full
    // paint leaves nothing undrawn.
    if (filling_ && fillRect_.contains(e->rect())) {
        p.fillRect(fillRect_, fillColour_);
        lastFill_ = fillRect_;
        lastFillColour_ = fillColour_;
        return;
    }
    lastFill_ = QRect();
    p.fillRect(rect(), palette().window());
    for (int i = 0; i < panelCount(); ++i) {
        QRect r = panelRect(i);
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        bool owner = std::size_t(i) < ownerDrawn.size() && ownerDrawn[std::size_t(i)];
        if (owner && onDrawPanel) onDrawPanel(p, i, r.adjusted(1, 1, -1, -1));
    }
}

TFloatSpinEdit::TFloatSpinEdit(QWidget* parent) : QDoubleSpinBox(parent) {
    setLocale(platform::uiLocale());
    setDecimals(2);
    setKeyboardTracking(true);
}

double TFloatSpinEdit::valueFromText(const QString& text) const {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    double v = t.toDouble(&ok);
    // "nan" and "inf" parse as numbers but are none a size could be.
    if (!ok || !std::isfinite(v)) return minimum();
    return qBound(minimum(), v, maximum());
}

QValidator::State TFloatSpinEdit::validate(QString&, int&) const {
    // Any text may be typed; valueFromText decides what it means.
    return QValidator::Acceptable;
}

QVariant TFileSystemModel::data(const QModelIndex& index, int role) const {
    const QVariant german = platform::germanFileCell(*this, index, role);
    return german.isValid() ? german : QFileSystemModel::data(index, role);
}
