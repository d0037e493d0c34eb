// The save command asks before a name it completed replaces a file, as the
// dialog asks for a typed name; "no" goes back to the dialog.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTranslator>
#include <algorithm>
#include <vector>

#include "output/save.h"
#include "platform/dialogs.h"
#include "raster/PixKit3.h"
#include "support/msgboxcapture.h"

namespace {

std::vector<QString> written;

bool recordSave(dib, const char* name, int, HWND) {
    written.push_back(QString::fromUtf8(name));
    return true;
}

}  // namespace

TEST(FirstUseSave, CompletedNameOfAnExistingFileIsAskedAbout) {
    QTemporaryDir dir;
    for (const char* existing : {"muster.gif", "muster"}) {
        QFile f(dir.filePath(existing));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const int gif = 3;
    const QString muster = dir.filePath("muster"), musterGif = dir.filePath("muster.gif");
    struct Case {
        const char* what;
        std::vector<QString> typed;  // one entry per run of the dialog; past the end: cancel
        int answer;
        std::vector<QString> saved;
        size_t questions;
    };
    const Case cases[] = {
        {"completed name exists, yes", {muster}, platform::IDYES, {musterGif}, 1},
        {"completed name exists, no, then cancel", {muster}, platform::IDNO, {}, 1},
        {"no, then another name", {muster, dir.filePath("neu")}, platform::IDNO, {dir.filePath("neu.gif")}, 1},
        {"typed name: the dialog asked already", {musterGif}, platform::IDNO, {musterGif}, 0},
        {"completed name is new", {dir.filePath("frei")}, platform::IDNO, {dir.filePath("frei.gif")}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        written.clear();
        size_t runs = 0;
        QString titleSeen;
        TSaveDialog::setHook([&](TSaveDialog& d) {
            if (runs >= c.typed.size()) return false;
            d.FileName = c.typed[runs++];
            d.FilterIndex = gif;
            return true;
        });
        testsupport::MessageBoxCapture boxes(c.answer);
        TSaveDialog dialog;
        dialog.Title = QStringLiteral("Strickvorlage speichern unter");
        output::savePicture(dialog, dib{}, nullptr, nullptr, recordSave);
        TSaveDialog::setHook({});
        EXPECT_EQ(written, c.saved);
        ASSERT_EQ(boxes.boxes.size(), c.questions);
        if (c.questions) {
            const auto& box = boxes.boxes[0];
            EXPECT_EQ(box.text, "Die Datei muster.gif existiert bereits.\nSoll sie überschrieben werden?");
            EXPECT_EQ(box.caption, dialog.Title);
            EXPECT_EQ(box.flags, unsigned(platform::MB_YESNO | platform::MB_ICONWARNING));
        }
        // The dialog keeps the name as typed, for the next save.
        EXPECT_EQ(dialog.FileName, c.typed[runs - 1]);
    }
}

TEST(FirstUseSave, QuestionIsTheDialogsOwnWhenItsTranslationIsLoaded) {
    // Without the toolkit's translation the German wording stands in; with
    // it, the question is word for word the one the dialog asks itself.
    QTranslator toolkit;
    if (!toolkit.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        GTEST_SKIP() << "no German toolkit translation installed";
    std::vector<std::pair<QString, QString>> asked;
    platform::setMessageBoxHook([&](const QString& text, const QString& caption, unsigned) {
        asked.push_back({text, caption});
        return int(platform::IDNO);
    });
    TSaveDialog dialog;
    dialog.ConfirmReplace(nullptr, "/m/muster.gif");
    QCoreApplication::installTranslator(&toolkit);
    dialog.ConfirmReplace(nullptr, "/m/muster.gif");
    QCoreApplication::removeTranslator(&toolkit);
    testsupport::installQuietMessageBoxes();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], asked[1]);
    EXPECT_EQ(asked[0].second, "Speichern unter");
}
