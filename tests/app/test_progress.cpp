// The progress bar in the status bar. What the bar shows is read from the
// window's backing store, so partial draws are seen as they were made.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QWindow>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "platform/controls.h"
#include "support/blockguard.h"

namespace {

const QColor kNavy(0, 0, 128);

struct Progress : ::testing::Test {
    BlockGuard guard;
    TMainForm form{"/tmp/x/tricoma"};
    void SetUp() override {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.StatusBar1->repaint();
    }
    // The progress panel 50 pixels wide, as designed.
    void narrowPanel() {
        TStatusBar* bar = form.StatusBar1;
        bar->panelWidths[0] = bar->width() - 2 - 50 - 2;
        bar->repaint();
        ASSERT_EQ(form.sbrect.right - form.sbrect.left, 50);
    }
    // One row of the bar as it is on screen.
    QImage screenRow() {
        QPoint origin = form.StatusBar1->mapTo(&form, QPoint(0, 0));
        QPixmap shot = form.screen()->grabWindow(form.winId(), origin.x(), origin.y() + form.sbrect.top + 2,
                                                 form.StatusBar1->width(), 1);
        return shot.toImage();
    }
    // x of the last navy pixel of the panel, left - 1 when none; every
    // pixel after it must be button face.
    int doneEnd() {
        QImage row = screenRow();
        const QColor face = form.StatusBar1->palette().color(QPalette::Button);
        int end = form.sbrect.left - 1;
        for (int x = form.sbrect.left; x < form.sbrect.right; ++x) {
            QColor c = row.pixelColor(x, 0);
            if (c == kNavy && end == x - 1) end = x;
            else if (c != face && c != kNavy) ADD_FAILURE() << "pixel " << x << " is " << c.name().toStdString();
        }
        return end;
    }
};

}  // namespace

TEST_F(Progress, PanelRectangleIsRecordedByEveryPaint) {
    QRect r = form.StatusBar1->panelRect(1).adjusted(1, 1, -1, -1);
    EXPECT_EQ(form.sbrect.left, r.left());
    EXPECT_EQ(form.sbrect.top, r.top());
    EXPECT_EQ(form.sbrect.right, r.left() + r.width());
    EXPECT_EQ(form.sbrect.bottom, r.top() + r.height());
    EXPECT_GE(form.sbrect.left, 250);
    EXPECT_EQ(form.sbrect.right, form.StatusBar1->width() - 1);  // the last panel reaches the end
}

TEST_F(Progress, ReportsOnAFiftyPixelPanel) {
    narrowPanel();
    const int L = form.sbrect.left;
    EXPECT_EQ(doneEnd(), L - 1);
    form.SetProSatus(0);
    EXPECT_EQ(doneEnd(), L - 1);
    form.SetProSatus(25);
    EXPECT_EQ(doneEnd(), L + 11);
    form.SetProSatus(50);
    EXPECT_EQ(doneEnd(), L + 24);
    form.SetProSatus(100);
    EXPECT_EQ(doneEnd(), L + 49);
    EXPECT_EQ(form.StatusPosition, 100);

    const int paints = form.StatusBar1->paintCount;
    form.SetProSatus(0);  // a fall repaints the whole panel at once
    EXPECT_GT(form.StatusBar1->paintCount, paints);
    EXPECT_EQ(doneEnd(), L - 1);
    EXPECT_EQ(form.StatusPosition, 0);
}

TEST_F(Progress, ARisingReportOnlyAddsNavy) {
    narrowPanel();
    const int L = form.sbrect.left;
    form.SetProSatus(50);
    // Forget the position without repainting: a rise from there to 25 must
    // draw the done part only and leave the earlier navy standing.
    form.StatusPosition = 0;
    form.SetProSatus(25);
    EXPECT_EQ(doneEnd(), L + 24);
    form.StatusBar1->repaint();  // a full paint shows the true state
    EXPECT_EQ(doneEnd(), L + 11);
}

TEST_F(Progress, WindowMessagesMoveTheBarWithinItsPanel) {
    narrowPanel();
    const int L = form.sbrect.left;
    form.sendMessage(WM_USER, 40, 0);
    EXPECT_EQ(form.StatusPosition, 40);
    EXPECT_EQ(doneEnd(), L + 19);
    form.sendMessage(WM_USER + 1, 90, 0);  // another message: ignored
    EXPECT_EQ(form.StatusPosition, 40);
    // Out-of-range values from outside stay inside the panel.
    form.WMUser(250);
    EXPECT_EQ(form.StatusPosition, 100);
    EXPECT_EQ(doneEnd(), L + 49);
    form.WMUser(uintptr_t(1) << 40);
    EXPECT_EQ(form.StatusPosition, 100);
    form.WMUser(uintptr_t(-7));
    EXPECT_EQ(form.StatusPosition, 0);
    EXPECT_EQ(doneEnd(), L - 1);
    form.SetProStatus(-3);
    EXPECT_EQ(form.StatusPosition, 0);
}

TEST(ProgressBeforePaint, NothingIsDrawnIntoTheEmptyRectangle) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");  // never shown
    form.sbrect = TRect{};
    const int paints = form.StatusBar1->paintCount;
    form.SetProSatus(60);
    EXPECT_EQ(form.StatusPosition, 60);
    EXPECT_EQ(form.StatusBar1->paintCount, paints);
}

TEST_F(Progress, BarMovesDuringALongComputation) {
    // 15 cm x 12 cm at 1000 stitches and rows per 10 cm: 1500 x 1200 stitches.
    form.sverhCheck->setChecked(false);
    form.maschened->setValue(1000);
    form.reihened->setValue(1000);
    form.breited->setValue(15);
    form.hoched->setValue(12);

    // Sample the position at each paint of the bar.
    struct Spy : QObject {
        TMainForm* f;
        int paints = 0, highest = 0;
        explicit Spy(TMainForm* form) : f(form) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) {
                ++paints;
                highest = std::max(highest, f->StatusPosition);
            }
            return false;
        }
    } spy(&form);
    form.StatusBar1->installEventFilter(&spy);
    form.RenderBtnClick(form.BitBtn3);
    form.StatusBar1->removeEventFilter(&spy);

    ASSERT_EQ(dibwidth(form.di3), 1500) << "needs the compute command";
    ASSERT_EQ(dibheight(form.di3), 1200);
    EXPECT_GE(spy.paints, 50);
    EXPECT_GE(spy.highest, 95);
    EXPECT_EQ(form.StatusPosition, 0);  // empty again at the end
    EXPECT_EQ(doneEnd(), form.sbrect.left - 1);
}
