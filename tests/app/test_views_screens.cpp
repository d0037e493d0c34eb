// Screenshots of pages 3 to 5 for a person to look at. Runs only when
// TRICOMA_SCREENSHOT_DIR names a folder; meant for a real display, e.g.
//   TRICOMA_SCREENSHOT_DIR=/tmp/shots QT_QPA_PLATFORM=xcb xvfb-run
//   build/tests/test_app --gtest_filter='Screens.*'
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMouseEvent>
#include <QPixmap>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "platform/controls.h"
#include "raster/PixKit3.h"

namespace {

void clickAt(QWidget* w, int x, int y) {
    QPointF p(x, y);
    QMouseEvent down(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent up(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &down);
    QApplication::sendEvent(w, &up);
}

void shoot(TMainForm& form, const QString& dir, const char* name) {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QTest::qWait(20);
    }
    ASSERT_TRUE(form.grab().save(dir + QLatin1Char('/') + QLatin1String(name)));
}

}  // namespace

TEST(Screens, PagesThreeToFive) {
    const char* env = std::getenv("TRICOMA_SCREENSHOT_DIR");
    if (!env || !*env) GTEST_SKIP() << "TRICOMA_SCREENSHOT_DIR not set";
    const QString dir = QString::fromLocal8Bit(env);
    QDir().mkpath(dir);

    TMainForm form("/tmp/x/tricoma");
    // A motif with something to see: a colour wheel-like gradient.
    for (int y = 0; y < dibheight(form.di); ++y)
        for (int x = 0; x < dibwidth(form.di); ++x)
            setpixel(form.di, x, y, packrgb(uint8_t(x * 255 / 319), uint8_t(y * 255 / 199), uint8_t(255 - x * 255 / 319)));
    const PALETTEENTRY yarns[] = {{0, 0, 0, 0},     {255, 255, 255, 0}, {220, 30, 30, 0}, {30, 160, 60, 0},
                                  {40, 60, 200, 0}, {240, 220, 40, 0},  {150, 60, 170, 0}, {250, 140, 30, 0}};
    for (int i = 0; i < 8; ++i) form.pal.rgb0[i] = yarns[i];
    form.RenderBtnClick(form.BitBtn3);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    form.PageControl2->setCurrentIndex(2);
    QMouseEvent hover(QEvent::MouseMove, QPointF(3 * 18 + 5, 5), form.PaintBox1->mapToGlobal(QPointF(59, 5)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form.PaintBox1, &hover);
    shoot(form, dir, "page3-farben.png");

    form.PageControl2->setCurrentIndex(3);
    shoot(form, dir, "page4-berechnen.png");

    QTest::mouseClick(form.EditModeCheck, Qt::LeftButton);
    clickAt(form.PaintBox3, 2 * 18 + 5, 5);  // red yarn
    for (int i = 0; i < 6; ++i) clickAt(form.PaintBox2, 30 * i + 5, dibheight(form.di3) + 30 * i + 5);
    shoot(form, dir, "page4-nachbearbeiten.png");

    form.PageControl2->setCurrentIndex(4);
    shoot(form, dir, "page5-ergebnis.png");

    form.SetProSatus(60);
    shoot(form, dir, "statusbar-60.png");
}
