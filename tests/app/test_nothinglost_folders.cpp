// Where the file dialogs start: the folder last used for that kind of
// file, else the motif's folder, else the Pictures folder; and a palette
// that cannot be written says why.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "app/TMainForm.h"
#include "platform/dialogs.h"
#include "platform/safefile.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"
#include "support/msgboxcapture.h"

namespace {

// Answers every file dialog: records where it started, and chooses `pick`
// (or cancels when it is empty).
struct Dialogs {
    QString started;
    QString pick;
    Dialogs() {
        TSaveDialog::setHook([this](TSaveDialog& d) { return answer(d); });
        TOpenDialog::setHook([this](TOpenDialog& d) { return answer(d); });
    }
    ~Dialogs() {
        TSaveDialog::setHook({});
        TOpenDialog::setHook({});
    }
    bool answer(TFileDialogState& d) {
        started = d.InitialDir;
        if (pick.isEmpty()) return false;
        d.FileName = pick;
        return true;
    }
};

}  // namespace

TEST(NothingLostFolders, EachKindStartsWhereItWasLastUsedElseAtTheMotifElseInPictures) {
    BlockGuard guard;
    testsupport::MessageBoxCapture boxes;
    TMainForm form("/tmp/x/tricoma");
    Dialogs dialogs;
    using Click = void (TMainForm::*)(QObject*);
    const struct {
        const char* kind;
        Click click;
    } kinds[] = {{"palette", &TMainForm::LoadPaletteBtnClick},
                 {"pattern", &TMainForm::OpenPatternBtnClick},
                 {"chart", &TMainForm::SaveAsBtnClick},
                 {"pdf", &TMainForm::PdfBtnClick}};
    auto startOf = [&](Click click) {
        dialogs.pick.clear();
        dialogs.started.clear();
        (form.*click)(nullptr);
        return dialogs.started;
    };
    for (const auto& k : kinds) EXPECT_EQ(startOf(k.click), TDialogFolders::pictures()) << k.kind;

    QTemporaryDir motif, palettes, pdfs;
    const QString motifFile = motif.filePath("motiv.bmp");
    ASSERT_TRUE(SaveDib(form.di, motifFile.toUtf8().constData(), 3, nullptr));
    form.openfilenow(motifFile);
    for (const auto& k : kinds) EXPECT_EQ(startOf(k.click), motif.path()) << k.kind;

    dialogs.pick = palettes.filePath("garn.gpl");
    form.SavePaletteBtnClick(nullptr);
    dialogs.pick = pdfs.filePath("muster.pdf");
    form.PdfBtnClick(nullptr);
    EXPECT_EQ(startOf(&TMainForm::LoadPaletteBtnClick), palettes.path());
    EXPECT_EQ(startOf(&TMainForm::PdfBtnClick), pdfs.path());
    EXPECT_EQ(startOf(&TMainForm::OpenPatternBtnClick), motif.path());
    EXPECT_EQ(startOf(&TMainForm::SaveAsBtnClick), motif.path());
    // A folder that has gone is not offered.
    palettes.remove();
    EXPECT_EQ(startOf(&TMainForm::LoadPaletteBtnClick), motif.path());
    EXPECT_TRUE(boxes.boxes.empty());

    // A full disk: the old palette stays and the box says why.
    const QString old = motif.filePath("alt.gpl");
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("GIMP Palette\n1 2 3\n");
    f.close();
    dialogs.pick = old;
    platform::setWriteLimitForTesting(10);
    form.SavePaletteBtnClick(nullptr);
    platform::setWriteLimitForTesting(-1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.contains(QStringLiteral("nicht genügend Platz"))) << boxes.boxes[0].text.toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "GIMP Palette\n1 2 3\n");
}
