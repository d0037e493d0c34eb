// Helpers for the saving and printing tests: a private settings store,
// answering modal dialogs, test charts and looking at printed pages.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/gdi.h"
#include "raster/PixKit3.h"
#include "platform/drawdib.h"

namespace printsupport {

// Points the per-user settings at a fresh folder while it lives.
class PrivateSettings {
public:
    PrivateSettings() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// Runs `act` on the modal dialog of type T once it is up. A dialog that
// never comes, or stays open after `act`, fails the test instead of hanging.
template <class T>
void whenModal(std::function<void(T*)> act, int timeoutMs = 10000) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    auto done = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act, done, timeoutMs] {
        QWidget* w = QApplication::activeModalWidget();
        if (T* dlg = qobject_cast<T*>(w); dlg && !*done) {
            *done = true;
            act(dlg);
            if (dlg->isVisible()) {
                ADD_FAILURE() << "the dialog stayed open";
                dlg->reject();
            }
        }
        if (*done || clock->elapsed() > timeoutMs) {
            if (!*done) {
                ADD_FAILURE() << "no modal dialog came up";
                if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
            }
            timer->stop();
            timer->deleteLater();
            delete clock;
        }
    });
    timer->start(10);
}

// A 24-bit chart of one colour (red in the low byte).
inline dib solidChart(int w, int h, uint32_t colour) {
    dib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, colour);
    return d;
}

// Whether drawdib puts pixels on a printer device yet.
inline bool drawdibPrints() {
    QImage page(8, 8, QImage::Format_RGB32);
    page.fill(Qt::white);
    dib d = solidChart(2, 2, 0x0000FF);
    {
        QPainter p(&page);
        PainterDC dc(p, true);
        drawdib(&dc, 0, 0, 4, 4, d, 0, 0, 2, 2, false, SRCCOPY);
    }
    deldib(d);
    return page.pixel(1, 1) != qRgb(255, 255, 255);
}

// Bounding box of the pixels that are not white; empty when there are none.
// With `darkerThan`, only grey pixels below that level count (pages whose
// edges a printer's filters smoothed).
inline QRect inkBox(const QImage& img, int darkerThan = -1) {
    int x0 = img.width(), y0 = img.height(), x1 = -1, y1 = -1;
    const bool gray = img.format() == QImage::Format_Grayscale8;
    // Grey pages (large rasterised ones) are read as they are.
    const QImage rgb = gray ? img : img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* bytes = rgb.constScanLine(y);
        const QRgb* row = reinterpret_cast<const QRgb*>(bytes);
        for (int x = 0; x < rgb.width(); ++x) {
            if (darkerThan >= 0) {
                if ((gray ? bytes[x] : qGray(row[x])) >= darkerThan) continue;
            } else if (gray ? bytes[x] == 0xFF : (row[x] & 0xFFFFFF) == 0xFFFFFF) {
                continue;
            }
            if (x < x0) x0 = x;
            if (x > x1) x1 = x;
            if (y < y0) y0 = y;
            if (y > y1) y1 = y;
        }
    }
    if (x1 < 0) return QRect();
    return QRect(QPoint(x0, y0), QPoint(x1, y1));
}

}  // namespace printsupport
