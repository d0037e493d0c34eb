// Yarn colours from the motif, palette and pattern files, the yarn readouts
// and undoable post-editing with zoom, on the real window.
#include <gtest/gtest.h>

#include <cstring>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>
#include <QWheelEvent>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"
#include "support/msgboxcapture.h"

namespace {

void mouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButtons held) {
    QPointF p(x, y);
    const Qt::MouseButton b = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, p, w->mapToGlobal(p), b, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void press(QWidget* w, int x, int y) { mouse(w, QEvent::MouseButtonPress, x, y, Qt::LeftButton); }
void drag(QWidget* w, int x, int y) { mouse(w, QEvent::MouseMove, x, y, Qt::LeftButton); }
void hover(QWidget* w, int x, int y) { mouse(w, QEvent::MouseMove, x, y, Qt::NoButton); }
void release(QWidget* w, int x, int y) { mouse(w, QEvent::MouseButtonRelease, x, y, Qt::NoButton); }
void click(QWidget* w, int x, int y) {
    press(w, x, y);
    release(w, x, y);
}

uint8_t stitch(const dib& d, int col, int row) { return d.poi[std::ptrdiff_t(dibheight(d) - 1 - row) * d.bytew + col]; }
QColor at(QWidget* w, int x, int y) { return w->grab(QRect(x, y, 1, 1)).toImage().pixelColor(0, 0); }
uint32_t entry(const PALETTEENTRY& e) { return packrgb(e.peRed, e.peGreen, e.peBlue); }

struct Window : ::testing::Test {
    BlockGuard guard;
    TMainForm form{"/tmp/x/tricoma"};
    QTemporaryDir dir;
    void SetUp() override {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    void TearDown() override {
        TOpenDialog::setHook(nullptr);
        TSaveDialog::setHook(nullptr);
        TColorDialog::setHook(nullptr);
    }
    void page(int i) { form.PageControl2->setCurrentIndex(i); }
    void setEditMode(bool on) {
        if (form.EditModeCheck->isChecked() != on) QTest::mouseClick(form.EditModeCheck, Qt::LeftButton);
    }
    int h() const { return dibheight(form.di3); }
    void answerOpen(const QString& path) {
        TOpenDialog::setHook([path](TOpenDialog& d) {
            d.FileName = path;
            return true;
        });
    }
    void answerSave(const QString& path) {
        TSaveDialog::setHook([path](TSaveDialog& d) {
            d.FileName = path;
            return true;
        });
    }
    // The motif: three vertical bands.
    void threeBandMotif() {
        for (int y = 0; y < dibheight(form.di); ++y)
            for (int x = 0; x < dibwidth(form.di); ++x)
                setpixel(form.di, x, y, x < 100 ? packrgb(20, 40, 160) : x < 200 ? packrgb(230, 200, 40) : packrgb(200, 30, 30));
    }
};

using YarnsFromMotifWindow = Window;
using UndoPostEdit = Window;
using PatternFileWindow = Window;
using YarnFileWindow = Window;

}  // namespace

TEST_F(YarnsFromMotifWindow, TakesTheColoursAndTheReadoutsFollowEveryComputeAndEdit) {
    EXPECT_EQ(form.YarnCountEdit->value(), 8);
    EXPECT_EQ(form.YarnCountEdit->minimum(), 2);
    EXPECT_EQ(form.YarnCountEdit->maximum(), 64);
    // The start-up grid: all white, yarn 1.
    EXPECT_TRUE(form.YarnUsageLabel->text().contains("1 Garn im Muster")) << form.YarnUsageLabel->text().toStdString();
    EXPECT_TRUE(form.YarnUsageLabel->text().contains("1:&nbsp;1.748"));  // 46 x 38 stitches, German grouping

    threeBandMotif();
    page(2);
    form.YarnCountEdit->setValue(3);
    QTest::mouseClick(form.FromMotifBtn, Qt::LeftButton);
    EXPECT_EQ(entry(form.pal.rgb0[0]), packrgb(20, 40, 160));  // dark to light
    EXPECT_EQ(entry(form.pal.rgb0[1]), packrgb(200, 30, 30));
    EXPECT_EQ(entry(form.pal.rgb0[2]), packrgb(230, 200, 40));
    for (int i = 3; i < 64; ++i) EXPECT_EQ(entry(form.pal.rgb0[i]), packrgb(20, 40, 160)) << i;

    form.RenderBtnClick(form.BitBtn3);
    for (QLabel* l : {form.YarnUsageLabel, form.YarnUsageLabel2})
        EXPECT_TRUE(l->text().contains("3 Garne im Muster")) << l->text().toStdString();

    // An edit moves a stitch from one yarn to another in the readout.
    page(3);
    setEditMode(true);
    click(form.PaintBox3, 2 * 18 + 5, 5);
    const QString before = form.YarnUsageLabel2->text();
    click(form.PaintBox2, 5, h() + 5);
    EXPECT_NE(form.YarnUsageLabel2->text(), before);

    // No pixels, no colours: a message and the yarns as they were.
    const LPAL yarns = form.pal;
    freedib(form.di);
    testsupport::MessageBoxCapture boxes;
    QTest::mouseClick(form.FromMotifBtn, Qt::LeftButton);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.contains("keine Bildpunkte"));
    EXPECT_EQ(std::memcmp(&yarns, &form.pal, sizeof yarns), 0);
}

// Once a fault: a changed yarn colour stayed out of the grid, so a
// post-edit painted the old colour (picker red, stitch black) and the chart
// showed it. The grid's yarns catch up with the palette when it is edited.
TEST_F(YarnsFromMotifWindow, AChangedYarnColourReachesGridViewAndChart) {
    TColorDialog::setHook([](TColorDialog& d) {
        d.Color = 255;  // red
        return true;
    });
    page(2);
    click(form.PaintBox1, 3 * 18 + 5, 5);  // yarn 3 becomes red
    ASSERT_EQ(entry(form.pal.rgb0[3]), packrgb(255, 0, 0));
    EXPECT_EQ(entry(form.di3.pal.rgb0[13]), packrgb(0, 0, 0));  // the grid as computed, until it is edited

    page(3);
    setEditMode(true);
    click(form.PaintBox3, 3 * 18 + 5, 5);
    EXPECT_EQ(at(form.PaintBox3, 3 * 18 + 5, 5), QColor(255, 0, 0));
    click(form.PaintBox2, 45, h() + 75);
    EXPECT_EQ(stitch(form.di3, 1, 2), 13);
    EXPECT_EQ(entry(form.di3.pal.rgb0[13]), packrgb(255, 0, 0));
    EXPECT_EQ(form.di3.pmi->bmiColors[13].rgbRed, 255);
    EXPECT_EQ(form.di3.pmi->bmiColors[13].rgbGreen, 0);
    EXPECT_EQ(at(form.PaintBox2, 45, h() + 75), QColor(255, 0, 0));
    EXPECT_EQ(at(form.PaintBox2, 1, 2), QColor(255, 0, 0));

    page(4);  // the chart is rendered
    ASSERT_TRUE(form.rdi.poi);
    // Cells of 20 x 15 at the default gauge, after a margin of 60 x 10.
    EXPECT_EQ(getpixel(form.rdi, 60 + 20 + 10, 10 + 2 * 15 + 7), packrgb(255, 0, 0));
    EXPECT_EQ(getpixel(form.rdi, 60 + 2 * 20 + 10, 10 + 2 * 15 + 7), packrgb(255, 255, 255));
}

TEST_F(UndoPostEdit, DragPaintsAStrokeThatUndoesAsOne) {
    page(3);
    setEditMode(true);
    EXPECT_FALSE(form.UndoBtn->isEnabled());
    const int y = h() + 15;
    press(form.PaintBox2, 5, y);
    for (int x = 20; x <= 125; x += 15) drag(form.PaintBox2, x, y);  // across stitches 0..4
    release(form.PaintBox2, 125, y);
    EXPECT_FALSE(form.ziehen2);  // no scrolling while painting
    for (int c = 0; c <= 4; ++c) EXPECT_EQ(stitch(form.di3, c, 0), 10) << c;
    EXPECT_EQ(stitch(form.di3, 5, 0), 11);
    EXPECT_EQ(form.undoStack->count(), 1);
    click(form.PaintBox2, 5, h() + 45);  // a second stroke: stitch 0 of row 1
    EXPECT_EQ(form.undoStack->count(), 2);
    EXPECT_TRUE(form.UndoBtn->isEnabled());

    auto row0 = [&] { return stitch(form.di3, 0, 0) == 10 && stitch(form.di3, 4, 0) == 10; };
    auto row1 = [&] { return stitch(form.di3, 0, 1) == 10; };
    const struct {
        std::function<void()> act;
        bool r0, r1;
    } steps[] = {
        {[&] { QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier); }, true, false},
        {[&] { QTest::mouseClick(form.UndoBtn, Qt::LeftButton); }, false, false},
        {[&] { QTest::keyClick(&form, Qt::Key_Y, Qt::ControlModifier); }, true, false},
        {[&] { QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }, true, true},
        {[&] { QTest::mouseClick(form.UndoBtn, Qt::LeftButton); }, true, false},
        {[&] { QTest::mouseClick(form.RedoBtn, Qt::LeftButton); }, true, true},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].act();
        EXPECT_EQ(row0(), steps[i].r0) << i;
        EXPECT_EQ(row1(), steps[i].r1) << i;
        EXPECT_EQ(at(form.PaintBox2, 5, h() + 15), steps[i].r0 ? QColor(0, 0, 0) : QColor(255, 255, 255)) << i;
    }
    // The keys belong to the fields on other pages.
    page(1);
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(row1());
    // A computation is one more step: undoing it brings the edits back.
    form.RenderBtnClick(form.BitBtn3);
    EXPECT_EQ(form.undoStack->count(), 3);
    EXPECT_FALSE(row1());
    page(3);
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(row0() && row1());
}

TEST_F(UndoPostEdit, ZoomKeepsTheDefaultsAndTheReadoutCountsAsTheChart) {
    page(3);
    setEditMode(false);
    EXPECT_EQ(form.PaintBox2->size(), QSize(600, 413));  // the default sizes
    setEditMode(true);
    EXPECT_EQ(form.PaintBox2->size(), QSize(1380, 1178));

    hover(form.PaintBox2, 45, h() + 75);  // column 1, row 2 from the top
    EXPECT_EQ(form.StitchLabel->text(), "Masche 45, Reihe 36");
    hover(form.PaintBox2, 0, h() + 30 * 37 + 29);
    EXPECT_EQ(form.StitchLabel->text(), "Masche 46, Reihe 1");

    auto wheel = [&](int dy) {
        QWheelEvent e(QPointF(10, 10), form.ScrollBox1->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, dy), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(form.ScrollBox1->viewport(), &e);
    };
    const struct {
        std::function<void()> act;
        int stitch;
    } steps[] = {
        {[&] { wheel(120); }, 40}, {[&] { QTest::keyClick(&form, Qt::Key_Minus); }, 30},
        {[&] { QTest::keyClick(&form, Qt::Key_Minus); }, 20}, {[&] { wheel(-120); }, 15},
        {[&] { QTest::keyClick(&form, Qt::Key_Plus); }, 20}, {[&] { QTest::mouseClick(form.ZoomInBtn, Qt::LeftButton); }, 30},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].act();
        EXPECT_EQ(form.stitchZoom, steps[i].stitch) << i;
        EXPECT_EQ(form.PaintBox2->width(), 46 * steps[i].stitch) << i;
    }
    // Zoomed, a click still hits the stitch under it.
    QTest::mouseClick(form.ZoomOutBtn, Qt::LeftButton);
    click(form.PaintBox2, 20 * 3 + 5, h() + 20 * 4 + 5);
    EXPECT_EQ(stitch(form.di3, 3, 4), 10);
    setEditMode(false);
    EXPECT_EQ(form.PaintBox2->size(), QSize(400, 38 + 250));  // the knitted size, zoomed
}

TEST_F(PatternFileWindow, SaveAndOpenRestoreGridYarnsGaugeAndSize) {
    threeBandMotif();
    form.sverhCheck->setChecked(false);
    form.maschened->setValue(27);
    form.reihened->setValue(35);
    form.breited->setValue(15.25);
    form.hoched->setValue(9.5);
    page(2);
    form.YarnCountEdit->setValue(3);
    QTest::mouseClick(form.FromMotifBtn, Qt::LeftButton);
    form.RenderBtnClick(form.BitBtn3);
    page(3);
    setEditMode(true);
    click(form.PaintBox2, 5, h() + 5);  // a post-edit
    const int w = dibwidth(form.di3), rows = h(), bytew = int(form.di3.bytew);
    const std::vector<uint8_t> pixels(form.di3.poi, form.di3.poi + form.di3.pmi->bmiHeader.biSizeImage);
    const LPAL yarns = form.pal;

    const QString path = dir.filePath("muster");
    answerSave(path);
    QTest::mouseClick(form.SavePatternBtn, Qt::LeftButton);
    ASSERT_TRUE(QFile::exists(path + ".png"));  // the extension is added

    // Everything else changes...
    form.maschened->setValue(23);
    form.breited->setValue(20);
    form.pal.rgb0[0] = PALETTEENTRY{1, 2, 3, 0};
    form.RenderBtnClick(form.BitBtn3);
    // ... and comes back, without computing.
    answerOpen(path + ".png");
    QTest::mouseClick(form.OpenPatternBtn, Qt::LeftButton);
    ASSERT_EQ(dibwidth(form.di3), w);
    ASSERT_EQ(h(), rows);
    for (int y = 0; y < h(); ++y)  // the stitches; row padding is no part of them
        EXPECT_EQ(std::memcmp(form.di3.poi + y * bytew, pixels.data() + y * bytew, size_t(w)), 0);
    EXPECT_EQ(std::memcmp(form.pal.rgb0, yarns.rgb0, 64 * sizeof(PALETTEENTRY)), 0);
    EXPECT_EQ(form.maschened->value(), 27);
    EXPECT_EQ(form.reihened->value(), 35);
    EXPECT_EQ(form.breited->value(), 15.25);
    EXPECT_EQ(form.hoched->value(), 9.5);
    EXPECT_EQ(form.undoStack->count(), 0);

    // A picture that is no pattern: a message, nothing changed.
    const QString plain = dir.filePath("plain.png");
    QImage(4, 4, QImage::Format_RGB32).save(plain);
    answerOpen(plain);
    testsupport::MessageBoxCapture boxes;
    QTest::mouseClick(form.OpenPatternBtn, Qt::LeftButton);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.contains("kein mit Tricoma gespeichertes Muster"));
    EXPECT_EQ(stitch(form.di3, 0, 0), pixels[size_t(rows - 1) * bytew]);
}

TEST_F(YarnFileWindow, SaveLoadAndABrokenFileWithAGermanMessage) {
    page(2);
    for (int i = 0; i < 64; ++i) form.pal.rgb0[i] = PALETTEENTRY{uint8_t(i), uint8_t(2 * i), uint8_t(3 * i), 0};
    const LPAL yarns = form.pal;
    answerSave(dir.filePath("garne"));
    QTest::mouseClick(form.SavePaletteBtn, Qt::LeftButton);
    ASSERT_TRUE(QFile::exists(dir.filePath("garne.gpl")));

    form.pal.rgb0[5] = PALETTEENTRY{9, 9, 9, 0};
    answerOpen(dir.filePath("garne.gpl"));
    QTest::mouseClick(form.LoadPaletteBtn, Qt::LeftButton);
    EXPECT_EQ(std::memcmp(&form.pal, &yarns, sizeof yarns), 0);

    QFile bad(dir.filePath("kaputt.gpl"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("GIMP Palette\n0 0 0\n1 2 drei\n");
    bad.close();
    answerOpen(bad.fileName());
    testsupport::MessageBoxCapture boxes;
    QTest::mouseClick(form.LoadPaletteBtn, Qt::LeftButton);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.contains("Zeile 3")) << boxes.boxes[0].text.toStdString();
    EXPECT_TRUE(boxes.boxes[0].text.contains("bleiben unver\u00e4ndert"));
    EXPECT_EQ(std::memcmp(&form.pal, &yarns, sizeof yarns), 0);
}
