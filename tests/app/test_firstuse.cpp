// What a new user meets first: where the browser starts, a picture named on
// the command line, the live stitch count, a picture that loads only in
// part, the dialogs' frames and the keys for saving and printing.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <cstdlib>
#include <memory>

#include "app/AboutBoxUnit.h"
#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "app/commandline.h"
#include "app/messages.h"
#include "output/PrintFUnit.h"
#include "pattern/compute.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/msgbox.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"
#include "support/msgboxcapture.h"
#include "support/printsupport.h"

using testsupport::MessageBoxCapture;

namespace {

const QStringList kSamples = {"Borte.bmp", "Herz.png", "Schneeflocke.png", "Stern.png"};

QString sourceSamples() { return QStringLiteral(TRICOMA_SOURCE_DIR "/samples"); }

QString treeFolder(const TMainForm& f) {
    return QDir::cleanPath(f.treeModel->filePath(f.JamShellTree1->currentIndex()));
}

// A 24-bit picture written by the library in format `format` (3: BMP, 8: JPEG).
void writePicture(const QString& path, int w, int h, int format) {
    dib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    ASSERT_TRUE(d.poi);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, packrgb(uint8_t(x * 4), uint8_t(y * 4), uint8_t(x ^ y)));
    EXPECT_TRUE(SaveDib(d, path.toUtf8().constData(), format, nullptr));
    freedib(d);
}

// A program installed under <root>/bin, with or without its sample motifs
// in <root>/share/tricoma/samples.
struct Installed {
    explicit Installed(bool withSamples = true) {
        QDir(root.path()).mkpath("bin");
        if (withSamples) {
            QDir(root.path()).mkpath("share/tricoma/samples");
            QFile::copy(sourceSamples() + "/Stern.png", samples() + "/Stern.png");
        }
    }
    QString bin() const { return QDir::cleanPath(root.filePath("bin")); }
    QString samples() const { return QDir::cleanPath(root.filePath("share/tricoma/samples")); }
    std::unique_ptr<TMainForm> start() const {
        auto f = std::make_unique<TMainForm>(bin() + "/tricoma");
        f->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(f.get()));
        return f;
    }
    QTemporaryDir root;
};

}  // namespace

TEST(FirstUseStart, SamplesFirstThenTheLastFolderAMotifCameFrom) {
    BlockGuard guard;
    MessageBoxCapture boxes;
    Installed program;
    const QString mine = QDir::cleanPath(program.root.filePath("Meine Muster"));
    QDir().mkpath(mine);
    writePicture(mine + "/rose.bmp", 20, 10, 3);
    {
        auto f = program.start();
        EXPECT_EQ(treeFolder(*f), program.samples()) << "first start: the samples, not the program's folder";
        EXPECT_EQ(QDir::cleanPath(f->listModel->rootPath()), program.samples());
        EXPECT_EQ(f->progpath, program.bin() + "/") << "the program's folder itself stays what it was";
        f->openfilenow(mine + "/rose.bmp");
        ASSERT_EQ(dibwidth(f->di), 20);
    }
    EXPECT_EQ(treeFolder(*program.start()), mine) << "the folder of the last loaded motif";

    QDir(mine).removeRecursively();
    EXPECT_EQ(treeFolder(*program.start()), program.samples()) << "a remembered folder that is gone";

    Installed bare(false);
    EXPECT_EQ(treeFolder(*bare.start()), bare.bin()) << "no samples: the program's folder, as always";
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(FirstUseStart, ShippedSamplesOpenAndTheBuiltProgramFindsThem) {
    BlockGuard guard;
    for (const QString& name : kSamples) {
        dib d{};
        OpenDib(&d, (sourceSamples() + "/" + name).toUtf8().constData(), 0, nullptr);
        ASSERT_TRUE(d.poi) << qPrintable(name) << ": " << diberrortext(d);
        EXPECT_GE(dibwidth(d), 60) << qPrintable(name);
        EXPECT_LE(QFileInfo(sourceSamples() + "/" + name).size(), 16 * 1024) << "samples stay small";
        freedib(d);
    }
    // The test program lies in the build tree as the program does, so it
    // finds the samples' copy beside it.
    TMainForm f;
    const QString copy = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/tricoma/samples");
    EXPECT_EQ(treeFolder(f), copy);
    for (const QString& name : kSamples) EXPECT_TRUE(QFile::exists(copy + "/" + name)) << qPrintable(name);
}

TEST(FirstUseStart, TreeShowsTheSelectedFolderFromItsExpandArrow) {
    BlockGuard guard;
    // Deep and long folder names: the tree's column is far wider than the tree.
    QTemporaryDir root;
    QString deep = root.path();
    for (const char* part : {"Strickmuster aus dem Winter", "Norwegische Sterne und Borten", "Muster mit langem Namen"})
        deep += QLatin1Char('/') + QLatin1String(part);
    QDir().mkpath(deep + "/bin");
    TMainForm f(deep + "/bin/tricoma");
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QTreeView* tree = f.JamShellTree1;
    // In sight, its expand arrow and its whole name showing, and the tree
    // scrolled sideways no further than that needs: the names above keep
    // as much of their start as can be had.
    auto readable = [&] {
        const QModelIndex current = tree->currentIndex();
        const QRect cell = tree->visualRect(current);
        const int arrow = cell.left() - tree->indentation();
        const int nameEnd = cell.left() + tree->sizeHintForIndex(current).width();
        const int shown = tree->viewport()->width();
        return current.isValid() && arrow >= 0 && nameEnd <= shown && cell.top() >= 0 &&
               cell.bottom() <= tree->viewport()->height() &&
               (tree->horizontalScrollBar()->value() == 0 || nameEnd == shown || arrow == 0);
    };
    ASSERT_TRUE(QTest::qWaitFor(readable, 5000));
    QTest::qWait(200);  // folders still arriving must not scroll it away
    EXPECT_TRUE(readable());
    EXPECT_GT(tree->horizontalScrollBar()->maximum(), 0) << "the case needs a tree wider than its view";

    // Scrolling by hand is the user's: the tree stays where it was moved.
    tree->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    const int moved = tree->horizontalScrollBar()->value();
    f.keepTreeFolderInSight();
    EXPECT_EQ(tree->horizontalScrollBar()->value(), moved);
}

TEST(FirstUseCommandLine, OneFileIsLoadedAnythingElseGetsTheUsageLine) {
    using commandline::Request;
    const struct {
        QStringList args;
        Request::Kind kind;
        QString file;
    } cases[] = {
        {{}, Request::Start, {}},
        {{"muster.png"}, Request::StartWithFile, "muster.png"},
        {{"/home/k/Bilder/stern.jpg"}, Request::StartWithFile, "/home/k/Bilder/stern.jpg"},
        {{"--", "-komisch.bmp"}, Request::StartWithFile, "-komisch.bmp"},
        {{"-x"}, Request::Usage, {}},
        {{"a.png", "b.png"}, Request::Usage, {}},
        {{""}, Request::Usage, {}},
        {{"--"}, Request::Usage, {}},
        {{"--help"}, Request::Help, {}},
        {{"-h"}, Request::Help, {}},
        {{"--version"}, Request::Version, {}},
        {{"--version", "a.png"}, Request::Usage, {}},
    };
    for (const auto& c : cases) {
        const Request r = commandline::parse(c.args);
        EXPECT_EQ(r.kind, c.kind) << qPrintable(c.args.join(' '));
        EXPECT_EQ(r.file, c.file) << qPrintable(c.args.join(' '));
    }
    EXPECT_TRUE(commandline::usage().startsWith("Aufruf: tricoma [Bilddatei]"));
    EXPECT_TRUE(commandline::usage().endsWith('\n'));
    EXPECT_TRUE(commandline::help().startsWith("Aufruf: tricoma [Bilddatei]\n"));
    EXPECT_TRUE(commandline::version().startsWith("Tricoma 1."));

    BlockGuard guard;
    MessageBoxCapture boxes;
    QTemporaryDir dir;
    writePicture(dir.filePath("start.bmp"), 30, 12, 3);
    TMainForm f("/tmp/x/tricoma");
    // Relative to the folder the program was started in.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    f.openFromCommandLine("start.bmp");
    QDir::setCurrent(before);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(dibwidth(f.di), 30);
    EXPECT_EQ(f.Breit->text(), "30 Pixels");
    EXPECT_EQ(treeFolder(f), QDir::cleanPath(dir.path()));

    f.openFromCommandLine(dir.filePath("fehlt.bmp"));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Fehler: Die Datei " + dir.filePath("fehlt.bmp") + " konnte nicht geladen werden!");
    EXPECT_EQ(dibwidth(f.di), 30) << "the motif stays";
}

TEST(FirstUseStitchCount, FollowsSizeAndGaugeLiveAsComputingCountsThem) {
    BlockGuard guard;
    TMainForm f("/tmp/x/tricoma");
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    // 23 stitches and 31 rows per 10 cm, 20 x 12,5 cm for the 320 x 200 start picture.
    EXPECT_EQ(f.StitchCount->text(), "46 Maschen × 38 Reihen");

    f.sverhCheck->setChecked(false);
    const struct {
        int stitches, rows;
        double width, height;
        const char* shown;
    } cases[] = {
        {30, 40, 10.0, 5.0, "30 Maschen × 20 Reihen"},
        {23, 31, 10.5, 12.5, "24 Maschen × 38 Reihen"},  // 24,15 and 38,75: cut, not rounded
        {2, 2, 4.0, 4.0, "0 Maschen × 0 Reihen"},
        {1000, 1000, 1000.0, 20.0, "100.000 Maschen × 2.000 Reihen"},
    };
    for (const auto& c : cases) {
        f.maschened->setValue(c.stitches);
        f.reihened->setValue(c.rows);
        f.breited->setValue(c.width);
        f.hoched->setValue(c.height);
        EXPECT_EQ(f.StitchCount->text(), QString::fromUtf8(c.shown));
        const int stitches = pattern::stitchCount(c.stitches, c.width), rows = pattern::stitchCount(c.rows, c.height);
        if (stitches > 0 && rows > 0 && stitches * rows < 10000) {
            f.RenderBtnClick(f.BitBtn3);
            EXPECT_EQ(dibwidth(f.di3), stitches) << c.shown;
            EXPECT_EQ(dibheight(f.di3), rows) << c.shown;
        }
    }
    // Placed beside the fields, touching none of the box's controls.
    f.PageControl2->setCurrentIndex(1);
    QApplication::processEvents();
    QWidget* box = f.StitchCount->parentWidget();
    for (QWidget* w : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != f.StitchCount) {
            EXPECT_FALSE(w->geometry().intersects(f.StitchCount->geometry())) << qPrintable(w->objectName());
        }
    EXPECT_LE(f.StitchCount->geometry().right(), box->width());
    EXPECT_EQ(f.breited->geometry(), QRect(88, 44, 89, 22));
    EXPECT_EQ(f.hoched->geometry(), QRect(88, 70, 89, 22));
}

TEST(FirstUsePartialPicture, NoticeTellsWithoutStoppingTheUser) {
    BlockGuard guard;
    MessageBoxCapture boxes;
    QTemporaryDir dir;
    const QString whole = dir.filePath("ganz.jpg"), cut = dir.filePath("halb.jpg");
    writePicture(whole, 64, 64, 8);
    QFile in(whole);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    QFile out(cut);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.left(bytes.size() / 2));
    out.close();

    TMainForm f("/tmp/x/tricoma");
    f.show();
    EXPECT_FALSE(f.PartialNotice->isVisible());
    f.openfilenow(cut);
    EXPECT_TRUE(boxes.boxes.empty()) << "a notice, not a box to click away";
    EXPECT_EQ(dibwidth(f.di), 64) << "the part that is there is loaded";
    EXPECT_TRUE(f.PartialNotice->isVisible());
    EXPECT_EQ(f.PartialNotice->text(), messages::partialPicture());
    EXPECT_TRUE(f.PartialNotice->text().startsWith("Die Datei ist unvollständig"));

    f.openfilenow(whole);
    EXPECT_FALSE(f.PartialNotice->isVisible()) << "a whole picture clears it";
}

TEST(FirstUseDialogs, AboutPrintAndMessageBoxesHaveADialogFrame) {
    auto isDialogFrame = [](Qt::WindowFlags flags) {
        return (flags & Qt::WindowType_Mask) == Qt::Dialog && !(flags & Qt::WindowMinimizeButtonHint) &&
               !(flags & Qt::WindowMaximizeButtonHint) && (flags & Qt::WindowCloseButtonHint) &&
               (flags & Qt::CustomizeWindowHint);
    };
    TAboutBox about;
    EXPECT_TRUE(isDialogFrame(about.windowFlags()));
    EXPECT_EQ(about.size(), QSize(664, 453));
    printsupport::PrivateSettings settings;
    TPrintForm print(nullptr);
    EXPECT_TRUE(isDialogFrame(print.windowFlags()));
    EXPECT_EQ(print.size(), QSize(427, 328));

    // A real box, as the user sees it.
    platform::setMessageBoxHook({});
    Qt::WindowFlags boxFlags;
    printsupport::whenModal<QMessageBox>([&](QMessageBox* box) {
        boxFlags = box->windowFlags();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(platform::MessageBox(nullptr, "Frage?", "Titel", platform::MB_YESNO), platform::IDNO);
    testsupport::installQuietMessageBoxes();
    EXPECT_TRUE(isDialogFrame(boxFlags));
}

TEST(FirstUseKeys, CtrlSSavesTheChartOfTheCurrentGridAndSaysWhatItSaves) {
    BlockGuard guard;
    TMainForm f("/tmp/x/tricoma");
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QStringList titles;
    TSaveDialog::setHook([&](TSaveDialog& d) {
        titles << d.Title;
        return false;
    });
    f.maschened->setValue(40);  // a new grid, its chart not drawn yet
    f.RenderBtnClick(f.BitBtn3);
    const int before = dibwidth(f.rdi);
    QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
    EXPECT_NE(dibwidth(f.rdi), before) << "the chart follows the grid before it is saved";
    f.BitBtnXP1->click();
    TSaveDialog::setHook({});
    EXPECT_EQ(titles, (QStringList{"Strickvorlage speichern unter", "Maschenbild speichern unter"}));
    EXPECT_NE(f.SaveAsBtn->toolTip(), f.BitBtnXP1->toolTip());
}

// Screenshots for a person to look at; only with TRICOMA_SCREENSHOT_DIR set.
TEST(FirstUseScreens, FirstStartSizePageAndDialogs) {
    const char* env = std::getenv("TRICOMA_SCREENSHOT_DIR");
    if (!env || !*env) GTEST_SKIP() << "TRICOMA_SCREENSHOT_DIR not set";
    const QString dir = QString::fromLocal8Bit(env);
    QDir().mkpath(dir);
    auto settle = [] {
        for (int i = 0; i < 10; ++i) {
            QApplication::processEvents();
            QTest::qWait(30);
        }
    };
    TMainForm f;  // started from the build tree: the samples' copy
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.listModel->rowCount(f.JamShellList1->rootIndex()) >= 4; }, 5000));
    settle();
    f.JamShellList1->setCurrentIndex(f.listModel->index(f.listModel->rootPath() + "/Schneeflocke.png"));
    f.openfilenow(f.listModel->rootPath() + "/Schneeflocke.png");
    settle();
    ASSERT_TRUE(f.grab().save(dir + "/first-page1.png"));
    f.PageControl2->setCurrentIndex(1);
    settle();
    ASSERT_TRUE(f.grab().save(dir + "/first-page2.png"));
    TAboutBox about(&f);
    about.show();
    settle();
    ASSERT_TRUE(about.grab().save(dir + "/first-about.png"));
    printsupport::PrivateSettings settings;
    TPrintForm print(&f);
    print.di = f.rdi;
    print.show();
    settle();
    ASSERT_TRUE(print.grab().save(dir + "/first-print.png"));
    print.hide();
    about.hide();
    QTemporaryDir cut;
    {
        writePicture(cut.filePath("ganz.jpg"), 200, 120, 8);
        QFile whole(cut.filePath("ganz.jpg"));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        QFile half(cut.filePath("halb.jpg"));
        ASSERT_TRUE(half.open(QIODevice::WriteOnly));
        half.write(whole.readAll().chopped(int(whole.size() / 2)));
    }
    f.PageControl2->setCurrentIndex(0);
    f.openfilenow(cut.filePath("halb.jpg"));
    settle();
    ASSERT_TRUE(f.grab().save(dir + "/first-partial.png"));
}
