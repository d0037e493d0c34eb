// Screenshots of pages for a person to look at. Runs only when
// TRICOMA_SCREENSHOT_DIR names a folder; meant for a real display, e.g.
//   TRICOMA_SCREENSHOT_DIR=/tmp/shots QT_QPA_PLATFORM=xcb xvfb-run
//   build/tests/test_app --gtest_filter='Screens.*'
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTranslator>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeView>
#include <QMouseEvent>
#include <QPixmap>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "raster/PixKit3.h"
#include "support/printsupport.h"

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

// The size page and the file lists of the browser and the save dialog,
// to see German numbers, sizes and dates.
TEST(Screens, SizesAndFileLists) {
    const char* env = std::getenv("TRICOMA_SCREENSHOT_DIR");
    if (!env || !*env) GTEST_SKIP() << "TRICOMA_SCREENSHOT_DIR not set";
    const QString dir = QString::fromLocal8Bit(env);
    QDir().mkpath(dir);

    QTemporaryDir files;
    QDir(files.path()).mkdir(QStringLiteral("Muster"));
    const std::pair<const char*, int> entries[] = {{"pullover.bmp", 2915000}, {"muetze.bmp", 48213}, {"schal.bmp", 812}};
    int daysAgo = 3;
    for (const auto& [name, size] : entries) {
        QFile f(files.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, '\0'));
        f.flush();  // or closing stamps the time anew
        f.setFileTime(QDateTime(QDate(2024, 12, 9), QTime(14, 30)).addDays(-daysAgo), QFileDevice::FileModificationTime);
        daysAgo *= 5;
    }

    // The toolkit's texts in German as the program loads them.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(platform::uiLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitTexts);
    TMainForm form(files.filePath(QStringLiteral("tricoma")));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.listModel->rowCount(form.JamShellList1->rootIndex()) == 4; }, 5000));
    shoot(form, dir, "page1-motiv.png");
    // Wider, the list and its name column take the room.
    const QSize designed = form.size();
    form.resize(1280, 1024);
    QTest::qWait(100);
    shoot(form, dir, "page1-wide.png");
    form.resize(designed);
    QTest::qWait(50);
    form.PageControl2->setCurrentIndex(1);
    shoot(form, dir, "page2-groesse.png");

    // The chart picture was last saved there, so the dialog starts there.
    form.dialogFolders->used(TDialogFolders::ChartPicture, files.filePath(QStringLiteral("muetze.bmp")));
    printsupport::whenModal<QFileDialog>([&](QFileDialog* d) {
        auto* list = d->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_TRUE(list);
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) >= 2; }, 5000));
        QTest::qWait(200);
        EXPECT_TRUE(d->grab().save(dir + QStringLiteral("/save-dialog.png")));
        d->reject();
    });
    form.SaveAsBtnClick(form.SaveAsBtn);
    QApplication::removeTranslator(&toolkitTexts);
}

// Pages 3 and 4 with a photo's own yarns (skips without the outside photo).
TEST(Screens, YarnsFromAPhoto) {
    const char* env = std::getenv("TRICOMA_SCREENSHOT_DIR");
    if (!env || !*env) GTEST_SKIP() << "TRICOMA_SCREENSHOT_DIR not set";
    const QString photo = QStringLiteral(TRICOMA_TESTDATA_DIR "/photos/Dune.jpg");
    if (!QFile::exists(photo)) GTEST_SKIP() << "no photo";
    const QString dir = QString::fromLocal8Bit(env);
    QDir().mkpath(dir);

    TMainForm form("/tmp/x/tricoma");
    form.openfilenow(photo);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.PageControl2->setCurrentIndex(2);
    form.YarnCountEdit->setValue(8);
    QTest::mouseClick(form.FromMotifBtn, Qt::LeftButton);
    form.NearCheck->setChecked(true);
    form.RenderBtnClick(form.BitBtn3);
    shoot(form, dir, "yarns-page3.png");

    form.PageControl2->setCurrentIndex(3);
    QTest::mouseClick(form.EditModeCheck, Qt::LeftButton);
    QTest::mouseClick(form.ZoomOutBtn, Qt::LeftButton);
    QTest::mouseClick(form.ZoomOutBtn, Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, QPointF(95, dibheight(form.di3) + 65), form.PaintBox2->mapToGlobal(QPointF(95, 65)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form.PaintBox2, &move);
    shoot(form, dir, "yarns-page4.png");
}
