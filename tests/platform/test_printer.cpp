#include <gtest/gtest.h>

#include <QPrinter>
#include <QProcess>

#include "platform/printer.h"
#include "support/cupsserver.h"

using platform::PrinterError;
using platform::QtPrinterService;

namespace {

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const PrinterError& e) {
        return e.text();
    }
    return QString();
}

}  // namespace

TEST(QtPrinters, WithoutAnyPrinterEveryRequestFailsWithNoDefaultPrinter) {
    testsupport::useNoCupsServer();
    if (!QPrinterInfo::defaultPrinterName().isEmpty())
        GTEST_SKIP() << "a printer is still known to this process";
    QtPrinterService printer;
    EXPECT_EQ(errorOf([&] { printer.PageWidth(); }), "Aktuell ist kein Standarddrucker ausgewählt");
    EXPECT_EQ(errorOf([&] { printer.PageHeight(); }), "Aktuell ist kein Standarddrucker ausgewählt");
    EXPECT_EQ(errorOf([&] { printer.BeginDoc(); }), "Aktuell ist kein Standarddrucker ausgewählt");
    EXPECT_EQ(errorOf([&] { printer.Setup(nullptr); }), "Aktuell ist kein Standarddrucker ausgewählt");
    EXPECT_EQ(errorOf([&] { printer.EndDoc(); }), "Der Drucker druckt aktuell nicht");
    EXPECT_FALSE(printer.Printing());
}

TEST(QtPrinters, PageSizeIsThePrintableAreaAndFollowsTheSetup) {
    QString why;
    if (!testsupport::useCupsServer(why)) GTEST_SKIP() << why.toStdString();
    QtPrinterService printer;
    const int w = printer.PageWidth();
    const int h = printer.PageHeight();
    QPrinter& q = printer.printer();
    EXPECT_EQ(q.printerName(), "TricomaPDF");
    const QRect area = q.pageLayout().paintRectPixels(q.resolution());
    EXPECT_EQ(w, area.width());
    EXPECT_EQ(h, area.height());
    EXPECT_GT(h, w);  // A4 portrait by default

    // Asked anew each time: landscape from the setup swaps the sides.
    QtPrinterService::setSetupHook([](QPrinter& p) {
        p.setPageOrientation(QPageLayout::Landscape);
        return true;
    });
    EXPECT_TRUE(printer.Setup(nullptr));
    EXPECT_EQ(printer.PageWidth(), h);
    EXPECT_EQ(printer.PageHeight(), w);

    QtPrinterService::setSetupHook({});
}

namespace {
bool lpadmin(const QStringList& args) {
    QProcess p;
    p.start("lpadmin", QStringList{"-h", testsupport::cupsDir() + "/cups.sock"} + args);
    return p.waitForFinished(30000) && p.exitCode() == 0;
}
}  // namespace

TEST(QtPrinters, PrinterRemovedAfterItWasChosenIsInvalid) {
    QString why;
    if (!testsupport::useCupsServer(why)) GTEST_SKIP() << why.toStdString();
    if (!lpadmin({"-p", "TricomaGone", "-E", "-v", "cups-pdf:/tricoma", "-P",
                  "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"}))
        GTEST_SKIP() << "cannot add a queue to the CUPS test server";
    QtPrinterService printer;
    QtPrinterService::setSetupHook([](QPrinter& p) {
        p.setPrinterName(QStringLiteral("TricomaGone"));
        return true;
    });
    printer.Setup(nullptr);
    QtPrinterService::setSetupHook({});
    EXPECT_EQ(printer.printer().printerName(), "TricomaGone");
    EXPECT_GT(printer.PageWidth(), 0);
    ASSERT_TRUE(lpadmin({"-x", "TricomaGone"}));
    EXPECT_EQ(errorOf([&] { printer.PageWidth(); }), "Ausgewählter Drucker ist ungültig");
    EXPECT_EQ(errorOf([&] { printer.BeginDoc(); }), "Ausgewählter Drucker ist ungültig");
    EXPECT_FALSE(printer.Printing());
}

TEST(QtPrinters, RefusedDocumentIsReportedWhenTheJobEnds) {
    QString why;
    if (!testsupport::useCupsServer(why)) GTEST_SKIP() << why.toStdString();
    QtPrinterService printer;
    // Print to a file nobody can create: the platform refuses the document.
    QtPrinterService::setSetupHook([](QPrinter& p) {
        p.setOutputFileName(QStringLiteral("/nonexistent/tricoma/x.pdf"));
        return true;
    });
    printer.Setup(nullptr);
    QtPrinterService::setSetupHook({});
    printer.Title = QStringLiteral("Velisto Bild");
    EXPECT_EQ(errorOf([&] { printer.BeginDoc(); }), "");
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(errorOf([&] { printer.EndDoc(); }), "Der Drucker druckt aktuell nicht");
}
