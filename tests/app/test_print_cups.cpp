// The real print: the start-up chart through Qt's print support to the
// CUPS PDF printer of tools/cups-pdf.sh, the PDF rasterised with pdftoppm.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QPrinter>
#include <optional>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "output/PrintFUnit.h"
#include "output/print.h"
#include "platform/printer.h"
#include "support/cupsserver.h"
#include "support/printsupport.h"

namespace {

QStringList pageLog() {
    QFile f(testsupport::cupsDir() + "/log/page_log");
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

// Output of a successful run; nullopt when it failed.
std::optional<QString> run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The resolution the test queue's PPD gives its printer.
int queueResolution() {
    QFile f(testsupport::cupsDir() + "/etc/ppd/" + testsupport::kCupsQueue + ".ppd");
    if (f.open(QIODevice::ReadOnly)) {
        static const QRegularExpression re(R"(\*DefaultResolution:\s*(\d+)dpi)");
        const auto m = re.match(QString::fromLatin1(f.readAll()));
        if (m.hasMatch()) return m.captured(1).toInt();
    }
    return 300;
}

// Ink of the chart in chart pixels (non-white), rows from the top.
QRect chartInk(const dib& d) {
    int x0 = dibwidth(d), y0 = dibheight(d), x1 = -1, y1 = -1;
    for (int y = 0; y < dibheight(d); ++y)
        for (int x = 0; x < dibwidth(d); ++x) {
            if ((getpixel(d, x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

}  // namespace

TEST(PrintThroughCups, StartupChartArrivesAsOneJobOnOnePageInPlace) {
    QString why;
    if (!testsupport::useCupsServer(why)) GTEST_SKIP() << why.toStdString();
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty() || QStandardPaths::findExecutable("pdfinfo").isEmpty())
        GTEST_SKIP() << "pdftoppm and pdfinfo (poppler-utils) are needed";
    if (!printsupport::drawdibPrints()) GTEST_SKIP() << "drawdib does not draw on printers yet";
    printsupport::PrivateSettings settings;

    TMainForm form("/tmp/x/tricoma");
    const QRect ink = chartInk(form.rdi);
    if (ink.isEmpty()) GTEST_SKIP() << "the start-up chart is blank: nothing to find on paper";
    const int W = dibwidth(form.rdi), H = dibheight(form.rdi);

    auto& printer = static_cast<platform::QtPrinterService&>(platform::Printer());
    const QPrinter& q = printer.printer();
    const int dpi = q.resolution();
    const QRect area = q.pageLayout().paintRectPixels(dpi);
    const QStringList logBefore = pageLog();

    printsupport::whenModal<TPrintForm>([](TPrintForm* d) { d->OkBitBtn1->click(); });
    form.PrintBtnClick(form.PrintBtn);

    // The job: one line in the page log once CUPS has finished it.
    static const QRegularExpression line(
        R"(^TricomaPDF \S+ (\d+) \[[^\]]*\] total (\d+) \S+ \S+ (.*) \S+ \S+$)");
    QStringList fresh;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 90000) {
        fresh = pageLog().mid(logBefore.size());
        if (!fresh.isEmpty()) break;
        QThread::msleep(200);
    }
    ASSERT_EQ(fresh.size(), 1) << "expected exactly one finished job in " << testsupport::cupsDir().toStdString();
    const auto m = line.match(fresh[0]);
    ASSERT_TRUE(m.hasMatch()) << fresh[0].toStdString();
    EXPECT_EQ(m.captured(3), "Velisto Bild");
    EXPECT_EQ(m.captured(2), "1");  // pages
    const QString job = m.captured(1);

    // The PDF the printer made of it.
    QDir out(testsupport::cupsDir() + "/out");
    QString pdf;
    while (clock.elapsed() < 90000 && pdf.isEmpty()) {
        const QStringList files = out.entryList({"*-job_" + job + ".pdf"}, QDir::Files);
        if (!files.isEmpty() && run("pdfinfo", {out.filePath(files[0])})) pdf = out.filePath(files[0]);
        else QThread::msleep(200);
    }
    ASSERT_FALSE(pdf.isEmpty()) << "no PDF for job " << job.toStdString();
    EXPECT_TRUE(run("pdfinfo", {pdf}).value_or("").contains(QRegularExpression(R"(Pages:\s+1\n)")));

    // Rasterised at the printer's own resolution (the queue's PPD; Qt draws
    // at a finer one), the chart's ink lies where the placement rules put
    // the chart, to within one printer pixel.
    const int printerDpi = queueResolution();
    QTemporaryDir tmp;
    ASSERT_TRUE(run("pdftoppm", {"-r", QString::number(printerDpi), "-gray", "-png", "-singlefile", "-aa", "no",
                                 "-aaVector", "no", pdf, tmp.path() + "/page"}));
    QImageReader::setAllocationLimit(1024);
    const QImage page(tmp.path() + "/page.png");
    ASSERT_FALSE(page.isNull());
    const output::Placement p = output::placeOnPage(area.width(), area.height(), W, H, output::PrintChoice{});
    // Chart column c covers device columns [c * w / W, (c + 1) * w / W).
    const double scale = double(printerDpi) / dpi;
    const int left = int((area.left() + p.x + ink.left() * p.w / W) * scale);
    const int right = int((area.left() + p.x + (ink.right() + 1) * p.w / W) * scale) - 1;
    const int top = int((area.top() + p.y + ink.top() * p.h / H) * scale);
    const int bottom = int((area.top() + p.y + (ink.bottom() + 1) * p.h / H) * scale) - 1;
    // The filters resample the chart and smooth its edges: ink is what is
    // darker than mid-grey.
    const QRect got = printsupport::inkBox(page, 128);
    EXPECT_NEAR(got.left(), left, 1);
    EXPECT_NEAR(got.right(), right, 1);
    EXPECT_NEAR(got.top(), top, 1);
    EXPECT_NEAR(got.bottom(), bottom, 1);
    std::printf("page %dx%d at %d dpi (device %d dpi), chart %dx%d placed at (%d, %d) %dx%d, "
                "ink expected %d,%d-%d,%d found %d,%d-%d,%d\n",
                page.width(), page.height(), printerDpi, dpi, W, H, p.x, p.y, p.w, p.h, left, top, right, bottom,
                got.left(), got.top(), got.right(), got.bottom());
}
