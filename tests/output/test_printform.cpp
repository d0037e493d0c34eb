#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "output/PrintFUnit.h"
#include "platform/controls.h"
#include "platform/printer.h"
#include "platform/settings.h"
#include "support/blockguard.h"
#include "support/cupsserver.h"
#include "support/msgboxcapture.h"
#include "support/printsupport.h"

using output::Placement;
using printsupport::whenModal;

namespace {

// A dialog on a 4800 x 6600 page with a 400 x 300 chart, as the print
// command sets it up, with settings in a private folder.
class PrintDialog : public ::testing::Test {
protected:
    void SetUp() override { platform::SetPrinter(&printer); }
    void TearDown() override {
        platform::SetPrinter(nullptr);
        deldib(chart);
    }
    std::unique_ptr<TPrintForm> open() {
        auto f = std::make_unique<TPrintForm>(nullptr);
        f->di = chart;
        return f;
    }
    // Opens, looks, and closes with OK (true) or Cancel.
    std::pair<int, int> openAndClose(bool ok, std::function<void(TPrintForm*)> look = {}) {
        auto f = open();
        std::pair<int, int> seen;
        whenModal<TPrintForm>([&](TPrintForm* d) {
            seen = {d->BreitEdit->value(), d->HochEdit->value()};
            if (look) look(d);
            if (ok) d->OkBitBtn1->click();
            else d->CancelBitBtn2->click();
        });
        f->ShowModal();
        return seen;
    }
    printsupport::PrivateSettings settings;
    platform::ImagePrinterService printer{4800, 6600};
    dib chart = printsupport::solidChart(400, 300, 0xFF0000);
};

QString stored(const QString& key) {
    auto s = platform::UserSettings();
    return s->value(QStringLiteral("TPrintForm/") + key).toString();
}

}  // namespace

TEST_F(PrintDialog, ControlsCaptionsAndPlaces) {
    auto f = open();
    EXPECT_EQ(f->windowTitle(), "Bild drucken...");
    EXPECT_EQ(f->size(), QSize(427, 328));
    EXPECT_EQ(f->font().pixelSize(), 11);
    struct Row {
        QWidget* w;
        QWidget* parent;
        QRect geometry;
    } rows[] = {
        {f->Panel1, f.get(), {16, 24, 200, 225}},
        {f->PrintPaintBox, f->Panel1, {4, 17, 190, 190}},
        {f->GroupBox1, f.get(), {232, 24, 185, 129}},
        {f->UseFullCheck, f->GroupBox1, {16, 24, 113, 17}},
        {f->UserdefCheck, f->GroupBox1, {16, 48, 113, 17}},
        {f->BreitEdit, f->GroupBox1, {80, 72, 89, 22}},
        {f->HochEdit, f.get(), {312, 120, 89, 22}},
        {f->GroupBox2, f.get(), {232, 160, 185, 89}},
        {f->SverhCheck, f->GroupBox2, {8, 24, 169, 17}},
        {f->ZentrCheck, f->GroupBox2, {8, 48, 161, 17}},
        {f->Bevel1, f.get(), {0, 264, 427, 16}},
        {f->OkBitBtn1, f.get(), {29, 296, 89, 25}},
        {f->PrintSetupBtn, f.get(), {125, 296, 177, 25}},
        {f->CancelBitBtn2, f.get(), {309, 296, 89, 25}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.w->parentWidget(), r.parent) << r.w->objectName().toStdString();
        EXPECT_EQ(r.w->geometry(), r.geometry) << r.w->objectName().toStdString();
        EXPECT_EQ(f->findChild<QWidget*>(r.w->objectName()), r.w);
    }
    EXPECT_EQ(f->RxLabel1->text(), "Vorschau:");
    EXPECT_EQ(f->RxLabel1->pos(), QPoint(16, 0));
    EXPECT_EQ(f->RxLabel2->text(), "Breite in %:");
    EXPECT_EQ(f->RxLabel3->text(), "Höhe in %:");
    EXPECT_EQ(f->RxLabel3->pos(), QPoint(16, 96));
    EXPECT_EQ(f->GroupBox1->title(), "Druckgröße");
    EXPECT_EQ(f->GroupBox2->title(), "Druckoptionen");
    EXPECT_EQ(f->UseFullCheck->text(), "Seite voll nutzen");
    EXPECT_EQ(f->UserdefCheck->text(), "Benutzerdefiniert");
    EXPECT_EQ(f->SverhCheck->text(), "Seitenverhältnis beibehalten");
    EXPECT_EQ(f->ZentrCheck->text(), "Zentrierte Ausgabe");
    EXPECT_EQ(f->OkBitBtn1->text(), "&OK");
    EXPECT_EQ(f->PrintSetupBtn->text(), "Drucker &einrichten...");
    EXPECT_EQ(f->CancelBitBtn2->text(), "A&bbrechen");
    EXPECT_TRUE(f->OkBitBtn1->isDefault());

    // Defaults.
    EXPECT_TRUE(f->UseFullCheck->isChecked());
    EXPECT_TRUE(f->SverhCheck->isChecked());
    EXPECT_TRUE(f->ZentrCheck->isChecked());
    EXPECT_EQ(f->BreitEdit->value(), 50);
    EXPECT_EQ(f->HochEdit->value(), 50);
    EXPECT_EQ(f->BreitEdit->minimum(), 1);
    EXPECT_EQ(f->HochEdit->maximum(), 100);

    // Tab order: OK, Cancel, setup, first group, second group, height.
    std::vector<QWidget*> chain{f->OkBitBtn1, f->CancelBitBtn2, f->PrintSetupBtn, f->UseFullCheck,
                                f->UserdefCheck, f->BreitEdit,    f->SverhCheck,   f->ZentrCheck,
                                f->HochEdit};
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
        QWidget* next = chain[i]->nextInFocusChain();
        while (next && (next->focusPolicy() == Qt::NoFocus || chain[i]->isAncestorOf(next)))
            next = next->nextInFocusChain();
        // Spin fields hand the focus to their line edit.
        if (next && chain[i + 1]->isAncestorOf(next)) next = chain[i + 1];
        EXPECT_EQ(next, chain[i + 1]) << i;
    }
}

TEST_F(PrintDialog, PreviewShowsThePaperAndThePicture) {
    auto f = open();
    f->FormShow(f.get());
    EXPECT_EQ(f->HochEdit->value(), 27);  // first opening: 50 % wide keeps the aspect at 27 %
    QImage box = f->PrintPaintBox->grab().toImage();
    ASSERT_TRUE(f->previewPaper);
    EXPECT_EQ(*f->previewPaper, (Placement{26, 0, 138, 190}));
    EXPECT_EQ(*f->previewPicture, (Placement{26, 43, 138, 103}));
    // White paper, the panel's face around it.
    EXPECT_EQ(box.pixel(30, 10), qRgb(255, 255, 255));
    EXPECT_NE(box.pixel(10, 10), qRgb(255, 255, 255));
    EXPECT_NE(box.pixel(180, 180), qRgb(255, 255, 255));

    f->ZentrCheck->setChecked(false);
    f->PrintPaintBox->grab();
    EXPECT_EQ(*f->previewPicture, (Placement{26, 0, 138, 103}));
    f->ZentrCheck->setChecked(true);
    f->SverhCheck->setChecked(false);
    f->PrintPaintBox->grab();
    EXPECT_EQ(*f->previewPicture, (Placement{26, 0, 138, 190}));

    // User-defined 50 % / 50 % without the aspect coupling.
    f->HochEdit->setValue(50);
    f->UserdefCheck->setChecked(true);
    f->PrintPaintBox->grab();
    EXPECT_EQ(*f->previewPicture, (Placement{60, 47, 69, 95}));

    if (!printsupport::drawdibPrints()) return;  // drawing itself is drawdib's
    box = f->PrintPaintBox->grab().toImage();
    EXPECT_EQ(box.pixel(94, 94), qRgb(0, 0, 255));
    EXPECT_EQ(box.pixel(30, 10), qRgb(255, 255, 255));
}

TEST_F(PrintDialog, LandscapePaper) {
    printer.setPageSize(6600, 4800);
    auto f = open();
    f->PrintPaintBox->grab();
    ASSERT_TRUE(f->previewPaper);
    EXPECT_EQ(*f->previewPaper, (Placement{0, 26, 190, 138}));
}

TEST_F(PrintDialog, CouplingsDeriveOnePercentageFromTheOther) {
    auto f = open();
    f->BreitEdit->setValue(50);
    f->FormShow(f.get());
    EXPECT_EQ(f->HochEdit->value(), 27);
    f->HochEdit->setValue(27);  // unchanged text: no event
    EXPECT_EQ(f->BreitEdit->value(), 50);
    f->HochEdit->setValue(28);
    EXPECT_EQ(f->BreitEdit->value(), 51);  // 400 * 28 / 300 * 6600 / 4800 = 51.3
    EXPECT_FALSE(f->inedit);

    // Without the aspect the fields stay apart; ticking it snaps the height.
    f->SverhCheck->setChecked(false);
    f->BreitEdit->setValue(80);
    EXPECT_EQ(f->HochEdit->value(), 28);
    f->SverhCheck->setChecked(true);
    EXPECT_EQ(f->HochEdit->value(), 43);  // 300 * 80 / 400 * 4800 / 6600 = 43.6

    // Typed text: a number counts as typed, anything else as 1.
    QLineEdit* edit = f->BreitEdit->findChild<QLineEdit*>();
    ASSERT_TRUE(edit);
    edit->selectAll();
    QTest::keyClicks(edit, "abc");
    EXPECT_EQ(f->BreitEdit->value(), 1);
    EXPECT_EQ(f->HochEdit->value(), 1);
    edit->selectAll();
    QTest::keyClicks(edit, "66");
    EXPECT_EQ(f->BreitEdit->value(), 66);
    EXPECT_EQ(f->HochEdit->value(), 36);
}

TEST_F(PrintDialog, ClampedDerivationStopsWithoutPingPong) {
    deldib(chart);
    chart = printsupport::solidChart(200, 900, 0xFF0000);
    auto f = open();
    f->BreitEdit->setValue(50);
    f->FormShow(f.get());
    EXPECT_EQ(f->HochEdit->value(), 100);  // 163.6 held at 100
    EXPECT_EQ(f->BreitEdit->value(), 50);  // not re-derived from the clamped value
}

TEST_F(PrintDialog, UserdefSwitchCouplesAndRedraws) {
    auto f = open();
    f->SverhCheck->blockSignals(true);
    f->SverhCheck->setChecked(false);
    f->HochEdit->setValue(70);
    f->SverhCheck->setChecked(true);
    f->SverhCheck->blockSignals(false);
    f->UserdefCheck->setChecked(true);
    EXPECT_EQ(f->HochEdit->value(), 27);
    f->PrintPaintBox->grab();
    EXPECT_EQ(*f->previewPicture, (Placement{60, 69, 69, 51}));
}

TEST_F(PrintDialog, ReopeningGoesFifty27ThenFortyNine26AndStays) {
    EXPECT_EQ(openAndClose(true), std::make_pair(50, 27));
    EXPECT_EQ(stored("BreitEdit_Value"), "50");
    EXPECT_EQ(stored("HochEdit_Value"), "27");
    EXPECT_EQ(openAndClose(false), std::make_pair(49, 26));  // kept also when cancelled
    EXPECT_EQ(openAndClose(true), std::make_pair(49, 26));
    EXPECT_EQ(openAndClose(true), std::make_pair(49, 26));
}

TEST_F(PrintDialog, StoresItsValuesUnderTheProgramsName) {
    openAndClose(true, [](TPrintForm* d) {
        d->SverhCheck->setChecked(false);
        d->BreitEdit->setValue(70);
        d->HochEdit->setValue(33);
        d->UserdefCheck->setChecked(true);
        d->ZentrCheck->setChecked(false);
    });
    EXPECT_EQ(stored("FormVersion"), "0");
    EXPECT_EQ(stored("BreitEdit_Value"), "70");
    EXPECT_EQ(stored("HochEdit_Value"), "33");
    for (const char* box : {"UseFullCheck", "UserdefCheck", "ZentrCheck", "SverhCheck"})
        EXPECT_EQ(stored(QString(box) + "_Alignment"), "taRightJustify") << box;
    EXPECT_EQ(stored("ShowCmd"), "1");
    EXPECT_FALSE(stored("NormPos").isEmpty());
    EXPECT_FALSE(stored("PixelsPerInch").isEmpty());

    // Percentages come back, the choices start at their defaults.
    auto f = open();
    whenModal<TPrintForm>([](TPrintForm* d) {
        EXPECT_TRUE(d->UseFullCheck->isChecked());
        EXPECT_TRUE(d->SverhCheck->isChecked());
        EXPECT_TRUE(d->ZentrCheck->isChecked());
        // Restored 70 % width: height re-derived (38), then the restored
        // 33 % height derives the width (60.5), and FormShow the height.
        EXPECT_EQ(d->BreitEdit->value(), 60);
        EXPECT_EQ(d->HochEdit->value(), 32);
        d->reject();
    });
    f->ShowModal();
}

TEST_F(PrintDialog, DestroyedWithoutClosingStillStores) {
    {
        auto f = open();
        f->BreitEdit->setValue(12);
    }
    EXPECT_EQ(stored("BreitEdit_Value"), "12");
}

TEST_F(PrintDialog, UnreadableValuesLeaveTheDefaults) {
    {
        auto s = platform::UserSettings();
        s->setValue("TPrintForm/BreitEdit_Value", "viele");
        s->setValue("TPrintForm/HochEdit_Value", "");
    }
    auto f = open();
    f->SverhCheck->setChecked(false);
    f->RestoreSettings();
    EXPECT_EQ(f->BreitEdit->value(), 50);
    EXPECT_EQ(f->HochEdit->value(), 50);
    {
        auto s = platform::UserSettings();
        s->setValue("TPrintForm/BreitEdit_Value", "250");
    }
    f->RestoreSettings();
    EXPECT_EQ(f->BreitEdit->value(), 100);  // clamped into 1..100
}

namespace {
class NoPrinter : public platform::ImagePrinterService {
public:
    NoPrinter() : ImagePrinterService(1, 1) {}
    int PageWidth() override { throw platform::PrinterError(platform::kNoDefaultPrinter); }
    int PageHeight() override { throw platform::PrinterError(platform::kNoDefaultPrinter); }
    bool Setup(QWidget*) override { throw platform::PrinterError(platform::kNoDefaultPrinter); }
};
}  // namespace

TEST_F(PrintDialog, WithoutPrinterTheDialogDoesNotOpen) {
    NoPrinter none;
    platform::SetPrinter(&none);
    auto f = open();
    try {
        f->ShowModal();
        FAIL() << "the dialog opened";
    } catch (const platform::PrinterError& e) {
        EXPECT_EQ(e.text(), "Aktuell ist kein Standarddrucker ausgewählt");
    }
    EXPECT_FALSE(f->isVisible());
}

TEST_F(PrintDialog, PrinterLostWhileOpenIsReportedOnceAndThePreviewStaysBlank) {
    NoPrinter none;
    testsupport::MessageBoxCapture boxes;
    auto f = open();
    f->FormShow(f.get());
    platform::SetPrinter(&none);
    for (int i = 0; i < 5; ++i) f->PrintPaintBox->grab();
    QCoreApplication::processEvents();
    EXPECT_FALSE(f->previewPaper);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Aktuell ist kein Standarddrucker ausgewählt");
    // The setup button says so again.
    f->PrintSetupBtn->click();
    EXPECT_EQ(boxes.boxes.size(), 2u);
    // The printer back: the preview draws again.
    platform::SetPrinter(&printer);
    f->PrintPaintBox->grab();
    EXPECT_TRUE(f->previewPaper);
}

TEST_F(PrintDialog, SetupChangesThePaperAndRecouples) {
    class Turning : public platform::ImagePrinterService {
    public:
        Turning() : ImagePrinterService(4800, 6600) {}
        bool Setup(QWidget*) override {
            setPageSize(6600, 4800);
            return true;
        }
    } turning;
    platform::SetPrinter(&turning);
    auto f = open();
    f->FormShow(f.get());
    EXPECT_EQ(f->HochEdit->value(), 27);
    f->PrintSetupBtn->click();
    EXPECT_EQ(f->HochEdit->value(), 51);  // 300 * 50 / 400 * 6600 / 4800 = 51.6
    f->PrintPaintBox->grab();
    EXPECT_EQ(*f->previewPaper, (Placement{0, 26, 190, 138}));
}

// The printer setup of the real print support, on the CUPS test printer.
TEST(PrintDialogScreen, PrinterSetupIsQtsDialogForTheCurrentPrinter) {
    QString why;
    if (!testsupport::useCupsServer(why)) GTEST_SKIP() << why.toStdString();
    printsupport::PrivateSettings settings;
    TPrintForm f(nullptr);
    dib chart = printsupport::solidChart(400, 300, 0x808080);
    f.di = chart;
    bool seen = false;
    whenModal<QPrintDialog>([&](QPrintDialog* d) {
        seen = true;
        EXPECT_EQ(d->windowTitle(), "Druckereinrichtung");
        EXPECT_EQ(d->printer()->printerName(), "TricomaPDF");
        auto* box = d->findChild<QDialogButtonBox*>();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->button(QDialogButtonBox::Ok)->text(), "&OK");
        if (const char* dir = std::getenv("TRICOMA_SCREENSHOT_DIR"))
            d->grab().save(QString::fromLocal8Bit(dir) + "/printer-setup.png");
        d->reject();
    });
    f.PrintSetupBtnClick(f.PrintSetupBtn);
    EXPECT_TRUE(seen);
    deldib(chart);
}
