// Motif loading on page 1: the browser, activation by mouse and key, the
// two failure boxes, the info fields and the preview.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <cstring>

#include "app/TMainForm.h"
#include "app/motifload.h"
#include "platform/controls.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"
#include "support/msgboxcapture.h"

using testsupport::MessageBoxCapture;

namespace {

void put16(QByteArray& b, uint16_t v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
void put32(QByteArray& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

// An uncompressed 24-bit BMP, built byte by byte.
QByteArray bmp24(int w, int h) {
    const int stride = (w * 3 + 3) & ~3;
    QByteArray b;
    b.append("BM");
    put32(b, uint32_t(54 + stride * h));
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, uint32_t(w));
    put32(b, uint32_t(h));
    put16(b, 1);
    put16(b, 24);
    put32(b, 0);
    put32(b, uint32_t(stride * h));
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            b.append(char(x & 0xFF));
            b.append(char(y & 0xFF));
            b.append(char(0x80));
        }
        b.append(QByteArray(stride - w * 3, '\0'));
    }
    return b;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A program folder with a picture, a damaged picture, a text file and a
// sub folder; the window starts there.
struct Browser {
    Browser() {
        EXPECT_TRUE(dir.isValid());
        QDir(dir.path()).mkdir("Muster");
        write(dir.filePath("bild.bmp"), bmp24(640, 480));
        write(dir.filePath("kaputt.bmp"), QByteArray("BM this is no picture"));
        write(dir.filePath("notiz.txt"), QByteArray("Wolle kaufen"));
        form = std::make_unique<TMainForm>(dir.filePath("tricoma"));
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    ~Browser() {
        MessageBoxCapture ok(platform::IDOK);
        form->close();
        form.reset();
    }
    QModelIndex root() const { return form->JamShellList1->rootIndex(); }
    // Waits until the list shows `n` entries.
    bool waitRows(int n) {
        return QTest::qWaitFor([&] { return form->listModel->rowCount(root()) == n; }, 5000);
    }
    QModelIndex entry(const QString& name) {
        QModelIndex i = form->listModel->index(QDir(form->listModel->filePath(root())).filePath(name));
        EXPECT_TRUE(i.isValid()) << qPrintable(name);
        return i;
    }
    QPoint centre(const QModelIndex& i) { return form->JamShellList1->visualRect(i).center(); }
    void select(const QString& name) {
        QModelIndex i = entry(name);
        form->JamShellList1->scrollTo(i);
        QTest::mouseClick(form->JamShellList1->viewport(), Qt::LeftButton, {}, centre(i));
    }
    QStringList names() const {
        QStringList out;
        for (int r = 0; r < form->listModel->rowCount(root()); ++r)
            out.append(form->listModel->index(r, 0, root()).data().toString());
        out.sort(Qt::CaseInsensitive);
        return out;
    }
    // A user's double-click: the first click selects, then the double-click.
    void doubleClick(const QString& name) {
        select(name);
        QTest::mouseDClick(form->JamShellList1->viewport(), Qt::LeftButton, {}, centre(entry(name)));
    }
    QString folder() const { return QDir::cleanPath(form->listModel->filePath(root())); }

    QTemporaryDir dir;
    std::unique_ptr<TMainForm> form;
};

// Index of the box's entry whose mask is exactly `mask`, or -1.
int findMask(QComboBox* box, const QString& mask) {
    for (int i = 0; i < box->count(); ++i)
        if (box->itemData(i).toString() == mask) return i;
    return -1;
}

}  // namespace

TEST(MotifBrowser, StartsAtTheProgramFolderWithTheLibrarysFilter) {
    BlockGuard guard;
    Browser b;
    TMainForm& f = *b.form;
    EXPECT_EQ(QDir::cleanPath(f.treeModel->filePath(f.JamShellTree1->currentIndex())), QDir::cleanPath(b.dir.path()));
    EXPECT_EQ(b.folder(), QDir::cleanPath(b.dir.path()));

    const auto pairs = motif::filterPairs(GetDIBOpenFilter());
    // The library's entries, then every file.
    ASSERT_EQ(f.FilterComboBox1->count(), pairs.size() + 1);
    ASSERT_GT(pairs.size(), 0);
    EXPECT_EQ(f.FilterComboBox1->itemText(int(pairs.size())), "Alle Dateien");
    EXPECT_EQ(f.FilterComboBox1->itemData(int(pairs.size())).toString(), "*.*");
    for (int i = 0; i < int(pairs.size()); ++i) {
        EXPECT_EQ(f.FilterComboBox1->itemText(i), pairs[i].first);
        EXPECT_EQ(f.FilterComboBox1->itemData(i).toString(), pairs[i].second);
    }
    // The first entry (every picture) hides the text file, never a folder.
    EXPECT_EQ(f.listModel->nameFilters(), motif::nameFilters(pairs[0].second));
    ASSERT_TRUE(b.waitRows(3)) << f.listModel->rowCount(b.root());
    EXPECT_EQ(b.names(), (QStringList{"bild.bmp", "kaputt.bmp", "Muster"}));
    // Sizes in German whatever the system's locale; folders show none.
    EXPECT_EQ(b.entry("bild.bmp").siblingAtColumn(1).data().toString(), "900,05 KiB");
    EXPECT_EQ(b.entry("kaputt.bmp").siblingAtColumn(1).data().toString(), "21 Bytes");
    EXPECT_EQ(b.entry("Muster").siblingAtColumn(1).data().toString(), "");
}

TEST(MotifBrowser, EveryChangeOfTheBoxSetsTheFilter) {
    BlockGuard guard;
    Browser b;
    TMainForm& f = *b.form;
    const int gif = findMask(f.FilterComboBox1, "*.gif");
    ASSERT_GE(gif, 0);
    f.FilterComboBox1->setCurrentIndex(gif);
    EXPECT_EQ(f.listModel->nameFilters(), QStringList{"*.gif"});
    EXPECT_TRUE(b.waitRows(1)) << "only the folder is left";
    f.FilterComboBox1->setCurrentIndex(0);
    EXPECT_TRUE(b.waitRows(3));

    // An empty box means "*.*": every file, also those without an extension.
    f.FilterComboBox1->clear();
    EXPECT_EQ(f.listModel->nameFilters(), QStringList{"*"});
    EXPECT_TRUE(b.waitRows(4));
}

TEST(MotifBrowser, MasksMatchUpperCaseExtensions) {
    // Cameras name their files IMG_0001.JPG; a lower-case mask must still list them.
    BlockGuard guard;
    Browser b;
    TMainForm& f = *b.form;
    write(b.dir.filePath("FOTO.BMP"), bmp24(4, 3));
    const int bmp = findMask(f.FilterComboBox1, "*.bmp;*.dib;*.rle");
    ASSERT_GE(bmp, 0);
    f.FilterComboBox1->setCurrentIndex(bmp);
    ASSERT_TRUE(QTest::qWaitFor([&] { return b.names().contains("FOTO.BMP"); }, 5000))
        << qPrintable(b.names().join(", "));
    EXPECT_FALSE(b.names().contains("notiz.txt"));
}

TEST(MotifFilters, PairsAndMasks) {
    auto pairs = motif::filterPairs("Bilder|*.bmp;*.dib|GIF|*.gif|Rest");
    ASSERT_EQ(pairs.size(), 2);
    EXPECT_EQ(pairs[0].first, "Bilder");
    EXPECT_EQ(pairs[0].second, "*.bmp;*.dib");
    EXPECT_EQ(pairs[1].second, "*.gif");
    EXPECT_TRUE(motif::filterPairs("").isEmpty());
    EXPECT_TRUE(motif::filterPairs(nullptr).isEmpty());
    EXPECT_EQ(motif::nameFilters("*.bmp; *.dib"), (QStringList{"*.bmp", "*.dib"}));
    EXPECT_EQ(motif::nameFilters("*.*"), QStringList{"*"});
    EXPECT_EQ(motif::nameFilters(""), QStringList{"*"});
}

TEST(MotifActivation, DoubleClickOnEmptySpaceDoesNothing) {
    BlockGuard guard;
    MessageBoxCapture boxes;
    Browser b;
    TMainForm& f = *b.form;
    ASSERT_TRUE(b.waitRows(3));
    b.select("kaputt.bmp");  // selected first: the empty click must not load it
    uint8_t* before = f.di.poi;
    QPoint empty(20, f.JamShellList1->viewport()->height() - 5);
    ASSERT_FALSE(f.JamShellList1->indexAt(empty).isValid());
    QTest::mouseDClick(f.JamShellList1->viewport(), Qt::LeftButton, {}, empty);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(f.di.poi, before);
    EXPECT_EQ(b.folder(), QDir::cleanPath(b.dir.path()));
}

TEST(MotifActivation, FolderOpensByDoubleClickAndByEnter) {
    BlockGuard guard;
    MessageBoxCapture boxes;
    Browser b;
    TMainForm& f = *b.form;
    ASSERT_TRUE(b.waitRows(3));
    const QString sub = QDir::cleanPath(b.dir.filePath("Muster"));

    b.doubleClick("Muster");
    EXPECT_EQ(b.folder(), sub);
    EXPECT_EQ(QDir::cleanPath(f.treeModel->filePath(f.JamShellTree1->currentIndex())), sub);

    // Back up through the tree, then Enter on the folder.
    f.JamShellTree1->setCurrentIndex(f.treeModel->index(b.dir.path()));
    ASSERT_TRUE(b.waitRows(3));
    b.select("Muster");
    f.JamShellList1->setFocus();
    QTest::keyClick(f.JamShellList1, Qt::Key_Return);
    EXPECT_EQ(b.folder(), sub);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(f.Breit->text(), "320 Pixels") << "nothing was loaded";
}

TEST(MotifActivation, EnterWhileRenamingGoesToTheEditor) {
    BlockGuard guard;
    MessageBoxCapture boxes;
    Browser b;
    TMainForm& f = *b.form;
    ASSERT_TRUE(b.waitRows(3));
    b.select("kaputt.bmp");
    f.JamShellList1->setFocus();
    QTest::keyClick(f.JamShellList1, Qt::Key_F2);
    QLineEdit* editor = f.JamShellList1->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr) << "F2 edits the name";

    // The handler itself leaves the key alone while the name is edited.
    char key = 13;
    f.JamShellList1KeyPress(f.JamShellList1, key);
    EXPECT_EQ(key, 13);
    EXPECT_TRUE(boxes.boxes.empty());

    editor->setText("umbenannt.bmp");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(boxes.boxes.empty()) << "Enter finished the edit and loaded nothing";
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(b.dir.filePath("umbenannt.bmp")); }, 3000));

    // Not editing: Enter on the file loads it (and fails: it is damaged).
    b.select("umbenannt.bmp");
    key = 13;
    f.JamShellList1KeyPress(f.JamShellList1, key);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST(MotifLoading, FailureShowsTheLibrarysTextAndChangesNothing) {
    BlockGuard guard;
    MessageBoxCapture boxes;
    Browser b;
    TMainForm& f = *b.form;
    ASSERT_TRUE(b.waitRows(3));
    const uint8_t* before = f.di.poi;
    const double height = f.hoched->value();
    const QString path = b.dir.filePath("kaputt.bmp");

    b.doubleClick("kaputt.bmp");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Fehler: Die Datei " + path + " konnte nicht geladen werden!");
    EXPECT_GT(boxes.boxes[0].text.size(), 5);
    EXPECT_EQ(boxes.boxes[0].flags & 0x0F, unsigned(platform::MB_OK));
    EXPECT_EQ(f.di.poi, before);
    EXPECT_EQ(f.Breit->text(), "320 Pixels");
    EXPECT_EQ(f.Hoch->text(), "200 Pixels");
    EXPECT_DOUBLE_EQ(f.hoched->value(), height);
}

TEST(MotifLoading, ShortLibraryTextFallsBackToTheProgramsMessage) {
    MessageBoxCapture boxes;
    motif::reportLoadFailure(nullptr, "/tmp/a.bmp", "abc");
    motif::reportLoadFailure(nullptr, "/tmp/a.bmp", "");
    motif::reportLoadFailure(nullptr, "/tmp/a.bmp", "12345");
    motif::reportLoadFailure(nullptr, "/tmp/a.bmp", "123456");
    ASSERT_EQ(boxes.boxes.size(), 4u);
    const QString message = "Fehler: Die Datei /tmp/a.bmp konnte nicht geladen werden!";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(boxes.boxes[i].text, message) << i;
        EXPECT_EQ(boxes.boxes[i].caption, "Fehler") << i;
    }
    EXPECT_EQ(boxes.boxes[3].text, "123456");
    EXPECT_EQ(boxes.boxes[3].caption, message);
}

TEST(MotifLoading, A640x480TrueColourPictureFillsTheInfoFields) {
    BlockGuard guard;
    MessageBoxCapture boxes;
    Browser b;
    TMainForm& f = *b.form;
    ASSERT_TRUE(b.waitRows(3));
    f.breited->setValue(30.0);
    b.doubleClick("bild.bmp");
    ASSERT_TRUE(boxes.boxes.empty()) << qPrintable(boxes.boxes[0].text);
    ASSERT_TRUE(f.di.poi);
    EXPECT_EQ(dibwidth(f.di), 640);
    EXPECT_EQ(dibheight(f.di), 480);
    EXPECT_EQ(f.Breit->text(), "640 Pixels");
    EXPECT_EQ(f.Hoch->text(), "480 Pixels");
    EXPECT_EQ(f.tief->text(), "16777216");
    // The height follows the new proportions: 30 cm * 480 / 640.
    EXPECT_DOUBLE_EQ(f.hoched->value(), 22.5);
    // Loading changes neither the stitch grid nor the chart.
    EXPECT_EQ(dibwidth(f.di3), 46);
}

TEST(MotifPreview, SizeRule) {
    EXPECT_EQ(motif::previewSize(234, 331, 320, 200), QSize(234, 146));
    EXPECT_EQ(motif::previewSize(234, 331, 200, 400), QSize(165, 331));
    EXPECT_EQ(motif::previewSize(234, 331, 234, 331), QSize(234, 331));
    EXPECT_EQ(motif::previewSize(234, 331, 0, 200), QSize(0, 0));
}

TEST(MotifPreview, DrawsAtTheTopLeftInTheRuleSize) {
    BlockGuard guard;
    TMainForm form("/tmp/tricoma-test/tricoma");
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.DibPrevPaint->setFixedSize(234, 331);
    QCoreApplication::processEvents();
    ASSERT_EQ(form.DibPrevPaint->size(), QSize(234, 331));

    struct Case {
        int w, h;
        QSize drawn;
    };
    for (Case c : {Case{320, 200, {234, 146}}, Case{200, 400, {165, 331}}}) {
        dib red{};
        newdib(&red, c.w, c.h, 24, nullptr, 0);
        ASSERT_TRUE(red.poi);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) setpixel(red, x, y, packrgb(255, 0, 0));
        freedib(form.di);
        form.di = red;
        QImage shot = form.DibPrevPaint->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        auto isRed = [&](int x, int y) { return shot.pixel(x, y) == qRgb(255, 0, 0); };
        EXPECT_TRUE(isRed(0, 0));
        EXPECT_TRUE(isRed(c.drawn.width() - 1, c.drawn.height() - 1)) << c.w << "x" << c.h;
        if (c.drawn.width() < 234) {
            EXPECT_FALSE(isRed(c.drawn.width(), 0)) << c.w << "x" << c.h;
        }
        if (c.drawn.height() < 331) {
            EXPECT_FALSE(isRed(0, c.drawn.height())) << c.w << "x" << c.h;
        }
    }
    MessageBoxCapture ok(platform::IDOK);
    form.close();
}
