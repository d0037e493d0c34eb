// The message table: texts the user reads after a refusal, and the rule
// that decides whether a library text is shown.
#include <gtest/gtest.h>

#include "app/messages.h"
#include "raster/codecs/codec.h"

using pattern::ComputeStatus;

TEST(Messages, ComputeRefusals) {
    EXPECT_EQ(messages::computeRefusal(ComputeStatus::Ok, 1, 1), QString());
    EXPECT_EQ(messages::computeRefusal(ComputeStatus::EmptyGrid, 0, 5),
              "Das Muster hätte keine Maschen oder keine Reihen. Bitte Größe oder Maschenprobe ändern.");
    EXPECT_TRUE(messages::computeRefusal(ComputeStatus::TooLarge, 100000, 90000).contains("100.000 Maschen und 90.000 Reihen"));
    EXPECT_TRUE(messages::computeRefusal(ComputeStatus::OutOfMemory, 1, 1).contains("Arbeitsspeicher"));
}

TEST(Messages, ChartRefusalsNameTheSizeInGermanDigits) {
    chart::ChartResult res;
    res.status = chart::ChartStatus::tooLarge;
    res.geometry.width = 1500120;
    res.geometry.height = 1500020;
    res.geometry.pixelBytes = int64_t(3) << 40;
    res.limitBytes = int64_t(3) << 30;
    const QString text = messages::chartRefusal(res);
    EXPECT_TRUE(text.contains("zu groß")) << text.toStdString();
    EXPECT_TRUE(text.contains("1.500.120 × 1.500.020")) << text.toStdString();
    EXPECT_TRUE(text.contains("3.072,0 GB")) << text.toStdString();
    res.status = chart::ChartStatus::noMemory;
    EXPECT_TRUE(messages::chartRefusal(res).contains("nicht genug Speicher"));
    res.status = chart::ChartStatus::badInputs;
    EXPECT_FALSE(messages::chartRefusal(res).isEmpty());
}

// Every text of the raster library must pass the rule, or a failed load
// would hide the reason.
TEST(Messages, EveryLibraryTextIsShownAndShortOnesAreNot) {
    using pixkit::Status;
    for (Status s : {Status::UnknownFormat, Status::Corrupt, Status::Truncated, Status::TooLarge, Status::NoMemory,
                     Status::Unsupported, Status::CannotOpen, Status::WriteFailed})
        EXPECT_TRUE(messages::libraryTextShown(QString::fromUtf8(pixkit::statusText(s)))) << pixkit::statusText(s);
    const messages::Box shown = messages::loadFailure("/a.bmp", "Datei ist beschädigt");
    EXPECT_EQ(shown.text, "Datei ist beschädigt");
    EXPECT_EQ(shown.caption, "Fehler: Die Datei /a.bmp konnte nicht geladen werden!");
    const messages::Box plain = messages::loadFailure("/a.bmp", "12345");
    EXPECT_EQ(plain.text, "Fehler: Die Datei /a.bmp konnte nicht geladen werden!");
    EXPECT_EQ(plain.caption, "Fehler");
}
