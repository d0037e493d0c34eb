#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "output/save.h"
#include "platform/dialogs.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"
#include "support/printsupport.h"

namespace {

struct SaveCall {
    std::string name;
    int format;
    int width;
};
std::vector<SaveCall> calls;

bool recordSave(dib d, const char* name, int format, HWND) {
    calls.push_back({name, format, dibwidth(d)});
    return false;
}

// Answers the save dialog with a name and a filter index, and keeps what
// the dialog was opened with.
struct ScriptedDialog {
    QString name;
    int index = 1;
    bool confirm = true;
    QString seenName;
    int seenIndex = 0;
    QString seenFilter;
    QString seenDir;
    ScriptedDialog() {
        TSaveDialog::setHook([this](TSaveDialog& d) {
            seenName = d.FileName;
            seenIndex = d.FilterIndex;
            seenFilter = d.Filter;
            seenDir = d.InitialDir;
            if (!confirm) return false;
            d.FileName = name;
            d.FilterIndex = index;
            return true;
        });
    }
    ~ScriptedDialog() { TSaveDialog::setHook({}); }
};

class SaveCommand : public ::testing::Test {
protected:
    void SetUp() override { calls.clear(); }
    void TearDown() override { deldib(chart); }
    dib chart = printsupport::solidChart(7, 3, 0x00FF00);
    TSaveDialog dialog;
};

}  // namespace

TEST(SaveName, ExtensionIsTheTextFromTheLastDotOfTheFileName) {
    EXPECT_EQ(output::fileExtension("/home/k/rose"), "");
    EXPECT_EQ(output::fileExtension("/home/k/rose.png"), ".png");
    EXPECT_EQ(output::fileExtension("/home/k/rose."), ".");
    EXPECT_EQ(output::fileExtension("/home/k/Alte.Muster/rose"), "");
    EXPECT_EQ(output::fileExtension("/home/k/Alte.Muster/rose.tar.gz"), ".gz");
    EXPECT_EQ(output::fileExtension("rose"), "");
}

TEST(SaveName, MissingExtensionComesFromTheFilterAndPresentOnesStay) {
    const char* expected[] = {".bmp", ".dib", ".gif", ".iff", ".jif", ".jpg",
                              ".lbm", ".pcx", ".rle", ".tga", ".tif"};
    for (int i = 1; i <= 11; ++i) {
        EXPECT_EQ(output::completeSaveName("/m/rose", i), QString("/m/rose") + expected[i - 1]) << i;
        EXPECT_EQ(output::saveFormat(i), i + 2);
    }
    EXPECT_EQ(output::completeSaveName("/m/rose.png", 6), "/m/rose.png");
    EXPECT_EQ(output::completeSaveName("/m/rose.", 3), "/m/rose.");
    EXPECT_EQ(output::completeSaveName("/m/Alte.Muster/rose", 6), "/m/Alte.Muster/rose.jpg");
    // No such filter entry: nothing to append.
    EXPECT_EQ(output::completeSaveName("/m/rose", 0), "/m/rose");
    EXPECT_EQ(output::completeSaveName("/m/rose", 12), "/m/rose.png");  // PNG after the eleven
    EXPECT_EQ(output::completeSaveName("/m/rose", 13), "/m/rose");
}

TEST(SaveName, AnIndexOutsideTheFilterNamesNoFormat) {
    for (int index : {-1, 0, output::saveFormatCount() + 1}) {
        EXPECT_EQ(output::saveFormat(index), 0) << index;
        EXPECT_STREQ(output::saveExtension(index), "") << index;
    }
}

TEST(SaveName, ExtensionsMatchTheLibrarysSaveFilter) {
    const QStringList parts = QString::fromUtf8(GetDIBSaveFilter()).split('|');
    ASSERT_EQ(parts.size(), 2 * output::saveFormatCount());
    for (int i = 0; i < output::saveFormatCount(); ++i)
        EXPECT_EQ(parts[2 * i + 1], QString("*") + output::saveExtension(i + 1)) << i;
}

TEST_F(SaveCommand, ExamplesReachTheLibraryWithNameAndFormat) {
    ScriptedDialog script;
    struct Case {
        const char* typed;
        int index;
        const char* written;
        int format;
    } cases[] = {
        {"/m/rose", 1, "/m/rose.bmp", 3},
        {"/m/rose.png", 6, "/m/rose.png", 8},  // JPEG data under a PNG name
        {"/m/rose.", 4, "/m/rose.", 6},
        {"/m/Alte.Muster/rose", 6, "/m/Alte.Muster/rose.jpg", 8},
        {"/m/Größe ½ – Rosé", 11, "/m/Größe ½ – Rosé.tif", 13},
    };
    for (const Case& c : cases) {
        calls.clear();
        script.name = QString::fromUtf8(c.typed);
        script.index = c.index;
        output::savePicture(dialog, chart, nullptr, nullptr, recordSave);
        ASSERT_EQ(calls.size(), 1u) << c.typed;
        EXPECT_EQ(calls[0].name, c.written);  // UTF-8, nothing replaced
        EXPECT_EQ(calls[0].format, c.format) << c.typed;
        EXPECT_EQ(calls[0].width, 7);
    }
    EXPECT_EQ(script.seenFilter, QString::fromUtf8(GetDIBSaveFilter()));
}

TEST_F(SaveCommand, CancelWritesNothing) {
    ScriptedDialog script;
    script.confirm = false;
    output::savePicture(dialog, chart, nullptr, nullptr, recordSave);
    EXPECT_TRUE(calls.empty());
}

TEST_F(SaveCommand, NextRunOpensWithTheLastIndexAndTheNameAsChosen) {
    ScriptedDialog script;
    dialog.InitialDir = "/opt/tricoma/";
    script.name = "/m/rose";
    script.index = 11;
    output::savePicture(dialog, chart, nullptr, nullptr, recordSave);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, "/m/rose.tif");
    EXPECT_EQ(script.seenIndex, 1);

    script.name = "/m/tulpe";
    output::savePicture(dialog, chart, nullptr, nullptr, recordSave);
    EXPECT_EQ(script.seenIndex, 11);
    EXPECT_EQ(script.seenName, "/m/rose");  // without the appended ".tif"
    EXPECT_EQ(script.seenDir, "/opt/tricoma/");
}
