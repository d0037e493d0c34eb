// The yarn palette editor on page 3, driven with mouse events on the real
// widgets; the colour dialog answers through its test hook.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "support/blockguard.h"

namespace {

void mouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    QPointF p(x, y);
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    if (type == QEvent::MouseMove && button == Qt::NoButton) held = Qt::NoButton;
    QMouseEvent e(type, p, w->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void press(QWidget* w, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    mouse(w, QEvent::MouseButtonPress, x, y, b);
    mouse(w, QEvent::MouseButtonRelease, x, y, b);
}

void hover(QWidget* w, int x, int y) { mouse(w, QEvent::MouseMove, x, y, Qt::NoButton); }

// Scripted colour dialog: records what it was shown, answers `answer`
// (nullopt: the user cancels).
struct DialogScript {
    int calls = 0;
    uint32_t shown = 0xFFFFFFFF;
    bool confirm = false;
    uint32_t answer = 0;
    DialogScript() {
        TColorDialog::setHook([this](TColorDialog& d) {
            ++calls;
            shown = d.Color;
            if (confirm) d.Color = answer;
            return confirm;
        });
    }
    ~DialogScript() { TColorDialog::setHook(nullptr); }
};

struct PalettePage : ::testing::Test {
    BlockGuard guard;
    TMainForm form{"/tmp/x/tricoma"};
    DialogScript dialog;
    void SetUp() override {
        form.PageControl2->setCurrentIndex(2);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    QImage boxImage() { return form.PaintBox1->grab().toImage(); }
};

}  // namespace

TEST_F(PalettePage, PressesHitSwatchesAndGapsHitNothing) {
    struct {
        int x, y, swatch;
    } cases[] = {{15, 15, 0}, {16, 0, -1}, {17, 0, -1}, {18, 0, 1}, {0, 18, 18},
                 {0, 54, 54}, {180, 54, -1}, {177, 69, 63}, {336, 80, -1}};
    // Give every swatch its own colour so the dialog shows which one was hit.
    for (int i = 0; i < 64; ++i) form.pal.rgb0[i] = PALETTEENTRY{uint8_t(i), 7, 9, 0};
    for (const auto& c : cases) {
        dialog.calls = 0;
        press(form.PaintBox1, c.x, c.y, c.swatch == 18 ? Qt::RightButton : Qt::LeftButton);
        if (c.swatch < 0) {
            EXPECT_EQ(dialog.calls, 0) << c.x << "," << c.y;
        } else {
            EXPECT_EQ(dialog.calls, 1) << c.x << "," << c.y;
            EXPECT_EQ(dialog.shown, packrgb(uint8_t(c.swatch), 7, 9)) << c.x << "," << c.y;
        }
    }
}

TEST_F(PalettePage, RedForSwatchThreeIsStoredDrawnAndShown) {
    form.pal.rgb0[3].peFlags = 5;
    dialog.confirm = true;
    dialog.answer = 255;  // pure red
    press(form.PaintBox1, 3 * 18 + 7, 7);
    EXPECT_EQ(dialog.shown, 0u);  // the old colour, black
    const PALETTEENTRY& e = form.pal.rgb0[3];
    EXPECT_EQ(e.peRed, 255);
    EXPECT_EQ(e.peGreen, 0);
    EXPECT_EQ(e.peBlue, 0);
    EXPECT_EQ(e.peFlags, 5);  // not the editor's

    QImage img = boxImage();
    EXPECT_EQ(img.pixelColor(54 + 7, 7), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(54, 0), QColor(0, 0, 0));     // outline
    EXPECT_EQ(img.pixelColor(54 + 14, 14), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(18 + 7, 7), QColor(255, 255, 255));  // swatch 1 still white

    hover(form.PaintBox1, 3 * 18 + 2, 10);
    EXPECT_EQ(form.InfoLabel->text(), "Index: 3 ; R: 255 G:0 B:0");
}

TEST_F(PalettePage, CancelChangesNothing) {
    const LPAL before = form.pal;
    dialog.confirm = false;
    dialog.answer = 255;
    press(form.PaintBox1, 18 + 3, 3);
    EXPECT_EQ(dialog.calls, 1);
    EXPECT_EQ(std::memcmp(&before, &form.pal, sizeof before), 0);
    EXPECT_EQ(boxImage().pixelColor(18 + 7, 7), QColor(255, 255, 255));
}

TEST_F(PalettePage, PointingShowsValuesAndGapsKeepTheText) {
    hover(form.PaintBox1, 20, 3);
    EXPECT_EQ(form.InfoLabel->text(), "Index: 1 ; R: 255 G:255 B:255");
    hover(form.PaintBox1, 16, 3);  // gap
    EXPECT_EQ(form.InfoLabel->text(), "Index: 1 ; R: 255 G:255 B:255");
    hover(form.PaintBox1, 200, 60);  // beyond the fourth row
    EXPECT_EQ(form.InfoLabel->text(), "Index: 1 ; R: 255 G:255 B:255");
    hover(form.PaintBox1, 0, 54);
    EXPECT_EQ(form.InfoLabel->text(), "Index: 54 ; R: 0 G:0 B:0");
}

TEST_F(PalettePage, SwatchesLeaveTheBackgroundAlone) {
    QImage img = boxImage();
    const QColor back = form.PaintBox1->parentWidget()->palette().color(QPalette::Window);
    EXPECT_EQ(img.pixelColor(15, 5), back);    // gap right of swatch 0
    EXPECT_EQ(img.pixelColor(5, 15), back);    // gap below it
    EXPECT_EQ(img.pixelColor(180 + 7, 54 + 7), back);  // no 65th swatch
    EXPECT_EQ(img.pixelColor(162 + 7, 54 + 7), QColor(0, 0, 0));
}

TEST_F(PalettePage, NewColourReachesTheGridOnlyWithTheNextComputation) {
    ASSERT_EQ(dibwidth(form.di3), 46) << "needs the compute command";
    auto gridColour = [&] {
        const RGBQUAD q = form.di3.pmi->bmiColors[form.di3.poi[0]];
        return QColor(q.rgbRed, q.rgbGreen, q.rgbBlue);
    };
    ASSERT_EQ(gridColour(), QColor(255, 255, 255));
    dialog.confirm = true;
    dialog.answer = packrgb(200, 0, 0);  // white yarn becomes red
    press(form.PaintBox1, 20, 3);
    EXPECT_EQ(gridColour(), QColor(255, 255, 255));
    form.NearCheck->setChecked(true);  // nearest colour: every white stitch takes the red yarn
    form.RenderBtnClick(form.BitBtn3);
    EXPECT_EQ(gridColour(), QColor(200, 0, 0));
}
