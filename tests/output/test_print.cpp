#include <gtest/gtest.h>

#include "output/print.h"
#include "platform/printer.h"
#include "support/blockguard.h"
#include "support/printsupport.h"

using output::Placement;
using output::PrintChoice;

namespace {

PrintChoice full(bool aspect, bool centred) {
    PrintChoice c;
    c.useFull = true;
    c.keepAspect = aspect;
    c.centred = centred;
    return c;
}

PrintChoice userdef(int w, int h, bool centred) {
    PrintChoice c;
    c.useFull = false;
    c.widthPercent = w;
    c.heightPercent = h;
    c.centred = centred;
    return c;
}

}  // namespace

TEST(PrintPlacement, FullPageOnPortraitPaper) {
    EXPECT_EQ(output::placeOnPage(4800, 6600, 400, 300, full(true, true)), (Placement{0, 1500, 4800, 3600}));
    EXPECT_EQ(output::placeOnPage(4800, 6600, 400, 300, full(true, false)), (Placement{0, 0, 4800, 3600}));
    EXPECT_EQ(output::placeOnPage(4800, 6600, 400, 300, full(false, true)), (Placement{0, 0, 4800, 6600}));
    // Tall chart: t = 21600 > 6600, the height decides.
    EXPECT_EQ(output::placeOnPage(4800, 6600, 200, 900, full(true, true)), (Placement{1667, 0, 1466, 6600}));
}

TEST(PrintPlacement, FullPageOnLandscapePaper) {
    EXPECT_EQ(output::placeOnPage(6600, 4800, 400, 300, full(true, true)), (Placement{100, 0, 6400, 4800}));
}

TEST(PrintPlacement, UserDefinedPercentagesRoundHalvesToEven) {
    EXPECT_EQ(output::placeOnPage(4800, 6600, 400, 300, userdef(50, 27, true)), (Placement{1200, 2409, 2400, 1782}));
    EXPECT_EQ(output::placeOnPage(4800, 6600, 400, 300, userdef(50, 27, false)), (Placement{0, 0, 2400, 1782}));
    EXPECT_EQ(output::percentOf(4801, 50), 2400);  // 2400.5
    EXPECT_EQ(output::percentOf(4803, 50), 2402);  // 2401.5
    EXPECT_EQ(output::percentOf(190, 27), 51);     // 51.3
    // Odd spare pixel stays at the right and bottom.
    EXPECT_EQ(output::placeOnPage(4801, 6601, 400, 300, userdef(50, 50, true)), (Placement{1200, 1650, 2400, 3300}));
}

TEST(PrintPlacement, LargeChartOnAFinePageDoesNotOverflow) {
    // 50000 * 60000 is past 32 bits.
    EXPECT_EQ(output::placeOnPage(60000, 60000, 50000, 50000, full(true, true)), (Placement{0, 0, 60000, 60000}));
    EXPECT_EQ(output::placeOnPage(60000, 40000, 50000, 50000, full(true, true)), (Placement{10000, 0, 40000, 40000}));
    EXPECT_EQ(output::derivedPercent(50, 50000, 50000, 60000, 60000), 50);
}

TEST(PrintPlacement, ChartWithoutPixelsIsPlacedNowhere) {
    EXPECT_EQ(output::placeOnPage(4800, 6600, 0, 300, full(true, true)), Placement{});
    EXPECT_EQ(output::placeOnPage(4800, 6600, 400, 0, userdef(50, 50, true)), Placement{});
}

TEST(PrintPreviewPlacement, PaperAndPictureInTheBox) {
    const Placement paper = output::previewPaper(4800, 6600, 190, 190);
    EXPECT_EQ(paper, (Placement{26, 0, 138, 190}));
    EXPECT_EQ(output::previewPaper(6600, 4800, 190, 190), (Placement{0, 26, 190, 138}));
    EXPECT_EQ(output::previewPaper(5000, 5000, 190, 190), (Placement{0, 0, 190, 190}));
    EXPECT_EQ(output::placeInPreview(paper, 400, 300, full(true, true)), (Placement{26, 43, 138, 103}));
    EXPECT_EQ(output::placeInPreview(paper, 400, 300, full(true, false)), (Placement{26, 0, 138, 103}));
    EXPECT_EQ(output::placeInPreview(paper, 400, 300, full(false, true)), (Placement{26, 0, 138, 190}));
    EXPECT_EQ(output::placeInPreview(paper, 400, 300, userdef(50, 50, true)), (Placement{60, 47, 69, 95}));
}

TEST(PrintCoupling, PercentagesFollowTheChartsAspect) {
    // Width to height: 300 * 50 / 400 * 4800 / 6600 = 27.27.
    EXPECT_EQ(output::derivedPercent(50, 400, 300, 4800, 6600), 27);
    // Height to width: 400 * 27 / 300 * 6600 / 4800 = 49.5.
    EXPECT_EQ(output::derivedPercent(27, 300, 400, 6600, 4800), 49);
    EXPECT_EQ(output::derivedPercent(49, 400, 300, 4800, 6600), 26);  // 26.73
    // 900 * 50 / 200 * 4800 / 6600 = 163.6, held at 100; tiny values at 1.
    EXPECT_EQ(output::derivedPercent(50, 200, 900, 4800, 6600), 100);
    EXPECT_EQ(output::derivedPercent(1, 900, 200, 4800, 6600), 1);
    // A page of no size gives no number: the field's minimum.
    EXPECT_EQ(output::derivedPercent(50, 400, 300, 0, 0), 1);
}

// ---------------------------------------------------------------- jobs

class PrintJob : public ::testing::Test {
protected:
    void TearDown() override { deldib(chart); }
    platform::ImagePrinterService printer{4800, 6600};
    dib chart = printsupport::solidChart(400, 300, 0x0000FF);
};

TEST_F(PrintJob, OnePageTitledVelistoBildWithTheChartInPlace) {
    BlockGuard guard;
    const Placement p = output::printPicture(printer, chart, full(true, true));
    EXPECT_EQ(p, (Placement{0, 1500, 4800, 3600}));
    ASSERT_EQ(printer.jobs.size(), 1u);
    EXPECT_EQ(printer.jobs[0].title, "Velisto Bild");
    ASSERT_EQ(printer.jobs[0].pages.size(), 1u);
    EXPECT_FALSE(printer.Printing());
    if (!printsupport::drawdibPrints()) GTEST_SKIP() << "drawdib does not draw on printers yet";
    const QImage& page = printer.jobs[0].pages[0];
    EXPECT_EQ(page.size(), QSize(4800, 6600));
    EXPECT_EQ(printsupport::inkBox(page), QRect(0, 1500, 4800, 3600));
    EXPECT_EQ(page.pixel(2400, 3300), qRgb(255, 0, 0));
}

TEST_F(PrintJob, UserDefinedOnLandscapeAndCustomPages) {
    printer.setPageSize(6600, 4800);
    EXPECT_EQ(output::printPicture(printer, chart, full(true, true)), (Placement{100, 0, 6400, 4800}));
    printer.setPageSize(4800, 6600);
    EXPECT_EQ(output::printPicture(printer, chart, userdef(50, 27, true)), (Placement{1200, 2409, 2400, 1782}));
    ASSERT_EQ(printer.jobs.size(), 2u);
    if (!printsupport::drawdibPrints()) GTEST_SKIP() << "drawdib does not draw on printers yet";
    EXPECT_EQ(printsupport::inkBox(printer.jobs[0].pages[0]), QRect(100, 0, 6400, 4800));
    EXPECT_EQ(printsupport::inkBox(printer.jobs[1].pages[0]), QRect(1200, 2409, 2400, 1782));
}

TEST_F(PrintJob, RefusedDocumentRaisesNotPrintingAndPrintsNothing) {
    printer.refuseNextDoc = true;
    try {
        output::printPicture(printer, chart, full(true, true));
        FAIL() << "no error raised";
    } catch (const platform::PrinterError& e) {
        EXPECT_EQ(e.text(), "Der Drucker druckt aktuell nicht");
    }
    EXPECT_TRUE(printer.jobs.empty());
    EXPECT_FALSE(printer.Printing());
    // The next job goes through again.
    output::printPicture(printer, chart, full(true, true));
    EXPECT_EQ(printer.jobs.size(), 1u);
}

namespace {
// A printer that loses its page size once the job has begun.
class VanishingPrinter : public platform::ImagePrinterService {
public:
    VanishingPrinter() : ImagePrinterService(100, 100) {}
    int PageWidth() override {
        if (Printing()) throw platform::PrinterError(platform::kInvalidPrinter);
        return 100;
    }
    int aborted = 0;
    void Abort() override {
        ++aborted;
        ImagePrinterService::Abort();
    }
};
}  // namespace

TEST_F(PrintJob, ErrorInsideTheJobDropsItInsteadOfLeavingItOpen) {
    VanishingPrinter vanishing;
    EXPECT_THROW(output::printPicture(vanishing, chart, full(true, true)), platform::PrinterError);
    EXPECT_EQ(vanishing.aborted, 1);
    EXPECT_FALSE(vanishing.Printing());
    EXPECT_TRUE(vanishing.jobs.empty());
}
