// The stitch-grid view with post-editing (page 4) and the result view
// (page 5), on the real widgets with mouse events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <cstring>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "platform/controls.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"

namespace {

void mouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    QPointF p(x, y);
    const bool release = type == QEvent::MouseButtonRelease;
    QMouseEvent e(type, p, w->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : button,
                  release ? Qt::MouseButtons() : Qt::MouseButtons(button), Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void press(QWidget* w, int x, int y, Qt::MouseButton b = Qt::LeftButton) { mouse(w, QEvent::MouseButtonPress, x, y, b); }
void moveTo(QWidget* w, int x, int y) { mouse(w, QEvent::MouseMove, x, y); }
void release(QWidget* w, int x, int y) { mouse(w, QEvent::MouseButtonRelease, x, y); }
void click(QWidget* w, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    press(w, x, y, b);
    mouse(w, QEvent::MouseButtonRelease, x, y, b);
}

QColor at(QWidget* w, int x, int y) { return w->grab(QRect(x, y, 1, 1)).toImage().pixelColor(0, 0); }

uint8_t stitch(const dib& d, int col, int row) {
    return d.poi[std::ptrdiff_t(dibheight(d) - 1 - row) * d.bytew + col];
}

uint64_t pixelHash(const dib& d) {
    uint64_t h = 1469598103934665603ull;
    for (uint32_t i = 0; i < d.pmi->bmiHeader.biSizeImage; ++i) h = (h ^ d.poi[i]) * 1099511628211ull;
    return h;
}

const QColor kBlack(0, 0, 0), kWhite(255, 255, 255), kRed(255, 0, 0);

struct Views : ::testing::Test {
    BlockGuard guard;
    TMainForm form{"/tmp/x/tricoma"};
    void SetUp() override {
        ASSERT_EQ(dibwidth(form.di3), 46) << "needs the compute command";
        ASSERT_EQ(dibheight(form.di3), 38);
        form.PageControl2->setCurrentIndex(3);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    void setEditMode(bool on) {
        if (form.EditModeCheck->isChecked() != on) QTest::mouseClick(form.EditModeCheck, Qt::LeftButton);
        ASSERT_EQ(form.EditModeCheck->isChecked(), on);
    }
    int h() const { return dibheight(form.di3); }
};

}  // namespace

TEST_F(Views, SizesAfterStartUpInBothModes) {
    EXPECT_EQ(form.PaintBox2->size(), QSize(600, 413));
    EXPECT_FALSE(form.Panel43->isVisible());
    setEditMode(true);
    EXPECT_EQ(form.PaintBox2->size(), QSize(1380, 1178));
    EXPECT_TRUE(form.Panel43->isVisible());
    setEditMode(false);
    EXPECT_EQ(form.PaintBox2->size(), QSize(600, 413));
    EXPECT_FALSE(form.Panel43->isVisible());
}

TEST_F(Views, BothPicturesAndTheWorkspaceBesideThem) {
    // A black stitch at column 1, row 2 makes the stretching visible.
    form.di3.poi[std::ptrdiff_t(h() - 1 - 2) * form.di3.bytew + 1] = 10;
    form.PaintBox2Paint(form.PaintBox2);
    QImage img = form.PaintBox2->grab().toImage();
    const QRgb workspace = form.ScrollBox1->palette().color(QPalette::Dark).rgb();
    EXPECT_EQ(img.pixelColor(1, 2), kBlack);
    EXPECT_EQ(img.pixelColor(0, 2), kWhite);
    EXPECT_EQ(img.pixelColor(45, 37), kWhite);
    // Right of the 1:1 picture, as the scroll box shows it.
    QImage seen = form.ScrollBox1->viewport()->grab().toImage();
    EXPECT_EQ(seen.pixel(46, 10), workspace);
    EXPECT_EQ(seen.pixel(seen.width() - 1, 37), workspace);
    // 600 / 46 pixels per stitch: column 1 covers x 14 .. 26, row 2 y 20 .. 29 below y 38.
    EXPECT_EQ(img.pixelColor(13, 38 + 25), kWhite);
    EXPECT_EQ(img.pixelColor(14, 38 + 20), kBlack);
    EXPECT_EQ(img.pixelColor(26, 38 + 29), kBlack);
    EXPECT_EQ(img.pixelColor(27, 38 + 25), kWhite);
    EXPECT_EQ(img.pixelColor(20, 38 + 30), kWhite);
    EXPECT_EQ(img.pixelColor(599, 412), kWhite);
}

TEST_F(Views, PostEditClickRecoloursOneStitchAndRedraws) {
    setEditMode(true);
    const dib before = form.di3;
    click(form.PaintBox2, 45, h() + 75);
    EXPECT_EQ(stitch(form.di3, 1, 2), 10);  // colornr 0 + 10
    int changed = 0;
    for (int r = 0; r < h(); ++r)
        for (int c = 0; c < 46; ++c) changed += stitch(form.di3, c, r) != 11;
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(form.di3.poi, before.poi);  // edited in place
    EXPECT_FALSE(form.ziehen2);           // no drag while post-editing
    EXPECT_EQ(at(form.PaintBox2, 45, h() + 75), kBlack);
    EXPECT_EQ(at(form.PaintBox2, 30, h() + 60), kBlack);  // the whole 30 x 30 square
    EXPECT_EQ(at(form.PaintBox2, 59, h() + 89), kBlack);
    EXPECT_EQ(at(form.PaintBox2, 60, h() + 75), kWhite);
    EXPECT_EQ(at(form.PaintBox2, 1, 2), kBlack);  // and the 1:1 picture
}

TEST_F(Views, ClicksAboveOrBesideTheEnlargedGridChangeNothing) {
    setEditMode(true);
    const uint64_t before = pixelHash(form.di3);
    click(form.PaintBox2, 45, h() - 1);
    click(form.PaintBox2, 0, 0);
    click(form.PaintBox2, 10, 20, Qt::RightButton);
    EXPECT_EQ(pixelHash(form.di3), before);
    EXPECT_FALSE(form.ziehen2);
    press(form.PaintBox2, 45, 5);
    EXPECT_FALSE(form.ziehen2);
    release(form.PaintBox2, 45, 5);
    // The right button edits like the left.
    click(form.PaintBox2, 30 * 45 + 29, h() + 30 * 37 + 29, Qt::RightButton);
    EXPECT_EQ(stitch(form.di3, 45, 37), 10);
}

TEST_F(Views, PickerLinesAndTheSelectedSwatch) {
    setEditMode(true);
    TPaintBox* picker = form.PaintBox3;
    EXPECT_EQ(picker->geometry(), QRect(8, 7, 337, 81));
    QImage img = picker->grab().toImage();
    EXPECT_EQ(img.pixelColor(0, 0), kRed);  // colornr 0
    EXPECT_EQ(img.pixelColor(14, 14), kRed);
    EXPECT_EQ(img.pixelColor(7, 7), kBlack);
    EXPECT_EQ(img.pixelColor(18, 0), kBlack);
    EXPECT_EQ(img.pixelColor(25, 7), kWhite);
    // Lines of 18, 18, 18 and 10 swatches.
    for (int line = 0; line < 3; ++line) {
        EXPECT_EQ(img.pixelColor(17 * 18, line * 18), kBlack) << line;
        EXPECT_NE(img.pixelColor(18 * 18, line * 18), kBlack) << line;
    }
    EXPECT_EQ(img.pixelColor(9 * 18, 54), kBlack);
    EXPECT_NE(img.pixelColor(10 * 18, 54), kBlack);

    click(picker, 16, 5);  // gap: nothing
    EXPECT_EQ(form.colornr, 0);
    click(picker, 170, 60);
    EXPECT_EQ(form.colornr, 63);
    img = picker->grab().toImage();
    EXPECT_EQ(img.pixelColor(162, 54), kRed);
    EXPECT_EQ(img.pixelColor(176, 68), kRed);
    EXPECT_NE(img.pixelColor(177, 68), kRed);
    EXPECT_NE(img.pixelColor(176, 69), kRed);
    EXPECT_EQ(img.pixelColor(0, 0), kBlack);  // swatch 0 no longer selected
    click(picker, 15, 5);
    EXPECT_EQ(form.colornr, 0);
    click(picker, 177, 69);  // swatch 63's hit area reaches one pixel further
    EXPECT_EQ(form.colornr, 63);

    click(form.PaintBox2, 5, h() + 5);
    EXPECT_EQ(stitch(form.di3, 0, 0), 73);
}

TEST_F(Views, DraggingKeepsTheGrabbedPointAndClampsBothWays) {
    QScrollBar* hbar = form.ScrollBox1->horizontalScrollBar();
    QScrollBar* vbar = form.ScrollBox1->verticalScrollBar();
    ASSERT_GT(hbar->maximum(), 40);
    ASSERT_GT(vbar->maximum(), 40);

    press(form.PaintBox2, 200, 150);
    EXPECT_TRUE(form.ziehen2);
    EXPECT_EQ(form.ziehx2, 200);
    EXPECT_EQ(form.ziehy2, 150);
    moveTo(form.PaintBox2, 170, 130);  // pointer 30 left, 20 up
    EXPECT_EQ(hbar->value(), 30);
    EXPECT_EQ(vbar->value(), 20);
    moveTo(form.PaintBox2, 190, 140);  // 10 further left and up on screen
    EXPECT_EQ(hbar->value(), 40);
    EXPECT_EQ(vbar->value(), 30);

    moveTo(form.PaintBox2, -5000, -5000);  // far beyond the bottom right
    EXPECT_EQ(hbar->value(), hbar->maximum());
    EXPECT_EQ(vbar->value(), vbar->maximum());
    release(form.PaintBox2, -5000, -5000);
    EXPECT_FALSE(form.ziehen2);
    moveTo(form.PaintBox2, 5000, 5000);  // no drag any more
    EXPECT_EQ(hbar->value(), hbar->maximum());

    press(form.PaintBox2, 300, 300, Qt::MiddleButton);
    moveTo(form.PaintBox2, 9000, 9000);  // beyond the top left
    EXPECT_EQ(hbar->value(), 0);
    EXPECT_EQ(vbar->value(), 0);
    release(form.PaintBox2, 9000, 9000);
}

TEST_F(Views, ComputeRedrawsAndResizesTheView) {
    setEditMode(true);
    form.maschened->setValue(46);  // twice the stitches: 92 x 38
    form.RenderBtnClick(form.BitBtn3);
    ASSERT_EQ(dibwidth(form.di3), 92);
    EXPECT_EQ(form.PaintBox2->size(), QSize(92 * 30, 38 + 38 * 30));
}

TEST_F(Views, ResultPageRendersAfreshAndShowsTheChart) {
    form.PageControl2->setCurrentIndex(4);
    ASSERT_EQ(dibwidth(form.rdi), 1040) << "needs the chart rendering";
    EXPECT_EQ(dibheight(form.rdi), 590);
    EXPECT_EQ(form.ErgPaintBox->size(), QSize(1040, 590));
    for (QPoint p : {QPoint(0, 0), QPoint(7, 300), QPoint(520, 295), QPoint(1039, 589)}) {
        const uint32_t c = getpixel(form.rdi, p.x(), p.y());
        EXPECT_EQ(at(form.ErgPaintBox, p.x(), p.y()), QColor(getr(c), getg(c), getb(c))) << p.x() << "," << p.y();
    }

    // Even with nothing changed the chart is made again.
    const uint64_t fresh = pixelHash(form.rdi);
    std::memset(form.rdi.poi, 0x55, form.rdi.pmi->bmiHeader.biSizeImage);
    form.PageControl2->setCurrentIndex(3);
    EXPECT_NE(pixelHash(form.rdi), fresh);  // other pages do not render
    form.PageControl2->setCurrentIndex(4);
    EXPECT_EQ(pixelHash(form.rdi), fresh);
}

TEST_F(Views, PostEditReachesTheChartOnPageFive) {
    form.PageControl2->setCurrentIndex(4);
    const uint64_t plain = pixelHash(form.rdi);
    form.PageControl2->setCurrentIndex(3);
    setEditMode(true);
    click(form.PaintBox2, 45, h() + 75);
    form.PageControl2->setCurrentIndex(4);
    EXPECT_NE(pixelHash(form.rdi), plain);
    // Painting the stitch white again brings back the first chart.
    form.PageControl2->setCurrentIndex(3);
    click(form.PaintBox3, 18 + 5, 5);  // yarn 1, white
    click(form.PaintBox2, 45, h() + 75);
    EXPECT_EQ(stitch(form.di3, 1, 2), 11);
    form.PageControl2->setCurrentIndex(4);
    EXPECT_EQ(pixelHash(form.rdi), plain);
}

TEST_F(Views, ResultDragClampsBothWays) {
    form.PageControl2->setCurrentIndex(4);
    QScrollBar* hbar = form.ErgScrollBox->horizontalScrollBar();
    QScrollBar* vbar = form.ErgScrollBox->verticalScrollBar();
    ASSERT_GT(hbar->maximum(), 0);
    ASSERT_GT(vbar->maximum(), 0);
    press(form.ErgPaintBox, 100, 100, Qt::RightButton);
    EXPECT_TRUE(form.ziehen);
    moveTo(form.ErgPaintBox, 80, 90);
    EXPECT_EQ(hbar->value(), 20);
    EXPECT_EQ(vbar->value(), 10);
    moveTo(form.ErgPaintBox, -20000, -20000);
    EXPECT_EQ(hbar->value(), hbar->maximum());
    EXPECT_EQ(vbar->value(), vbar->maximum());
    moveTo(form.ErgPaintBox, 20000, 20000);
    EXPECT_EQ(hbar->value(), 0);
    EXPECT_EQ(vbar->value(), 0);
    release(form.ErgPaintBox, 0, 0);
    EXPECT_FALSE(form.ziehen);
}

TEST_F(Views, BoxFollowsANewMotifSizeAtItsNextPaint) {
    form.PageControl2->setCurrentIndex(1);
    form.breited->setValue(30);  // the height follows: 18.75 cm
    ASSERT_DOUBLE_EQ(form.hoched->value(), 18.75);
    EXPECT_EQ(form.PaintBox2->size(), QSize(600, 413));  // no paint yet, no compute
    form.PageControl2->setCurrentIndex(3);
    QTest::qWait(50);
    // 30 cm and 18.75 cm at 30 pixels per centimetre below the 38 rows.
    EXPECT_EQ(form.PaintBox2->size(), QSize(900, 38 + 562));
    EXPECT_EQ(at(form.PaintBox2, 899, 38 + 561), kWhite);
}

TEST_F(Views, WideGridIsCutAtTheBoxEdgeWhenNotEditing) {
    form.maschened->setValue(400);  // 800 stitches on a 600-pixel knitted width
    form.RenderBtnClick(form.BitBtn3);
    ASSERT_EQ(dibwidth(form.di3), 800);
    EXPECT_EQ(form.PaintBox2->width(), 600);
    EXPECT_EQ(at(form.PaintBox2, 599, 0), kWhite);
    EXPECT_EQ(at(form.PaintBox2, 599, dibheight(form.di3) + 10), kWhite);
}

TEST_F(Views, AGridWithoutPixelsIsNeitherDrawnNorEdited) {
    freedib(form.di3);  // as after a computation that found no memory
    setEditMode(true);
    EXPECT_EQ(form.PaintBox2->size(), QSize(0, 0));
    click(form.PaintBox2, 45, 75);
    setEditMode(false);
    EXPECT_EQ(form.PaintBox2->size(), QSize(600, 375));
    EXPECT_EQ(at(form.PaintBox2, 10, 10).rgb(), form.PaintBox2->palette().color(QPalette::Dark).rgb());
}
