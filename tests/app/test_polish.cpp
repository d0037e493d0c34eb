// Small things a knitter notices: readouts that outlive the pointer,
// message boxes framed as windows, and the program's own message texts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "app/messages.h"
#include "platform/controls.h"
#include "platform/errorreport.h"
#include "platform/msgbox.h"
#include "support/msgboxcapture.h"

namespace {

uint8_t& stitch(dib& d, int col, int rowFromTop) {
    return d.poi[std::ptrdiff_t(dibheight(d) - 1 - rowFromTop) * d.bytew + col];
}

TEST(PolishReadouts, StitchReadoutClearsWhenThePointerLeavesAndTheRowListFollowsNext) {
    TMainForm form("/tmp/x/tricoma");
    form.PageControl2->setCurrentIndex(3);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const int h = dibheight(form.di3);
    form.PaintBox2MouseMove(form.PaintBox2, {}, 10, h + 10);
    ASSERT_FALSE(form.StitchLabel->text().isEmpty());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(form.PaintBox2, &leave);
    EXPECT_TRUE(form.StitchLabel->text().isEmpty());

    // Long floats of black in rows 1 and 3 (from the bottom): "Nächste"
    // walks them and the list shows the row it went to.
    const int w = dibwidth(form.di3);
    for (int r : {h - 1, h - 3}) {
        stitch(form.di3, 0, r) = 10;
        stitch(form.di3, w - 1, r) = 10;
    }
    form.KnitCheck->setChecked(true);
    form.updateKnitChecks();
    ASSERT_EQ(form.FloatRowsBox->count(), 2);
    for (int expected : {1, 3, 1}) {
        form.NextFloatBtnClick(form.NextFloatBtn);
        EXPECT_EQ(form.FloatRowsBox->currentData().toInt(), expected);
    }
}

TEST(PolishMessages, BoxesHaveADialogFrameAndAnOwner) {
    TMainForm form("/tmp/x/tricoma");
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    platform::setMessageBoxHook({});
    bool seen = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                seen = true;
                const Qt::WindowFlags f = box->windowFlags();
                EXPECT_EQ(f & Qt::WindowType_Mask, Qt::Dialog);
                EXPECT_FALSE(f & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
                EXPECT_EQ(box->parentWidget(), &form);
                box->accept();
            }
    });
    errorreport::Report(QStringLiteral("Probe"), nullptr);  // no owner given: the main window owns it
    testsupport::installQuietMessageBoxes();
    EXPECT_TRUE(seen);
}

TEST(PolishMessages, OwnTextsUseGermanQuotesAndGroupedNumbers) {
    const QString path = QStringLiteral("/tmp/muster");
    pattern::YarnFileResult badLine;
    badLine.status = pattern::YarnFileStatus::BadLine;
    badLine.line = 12345;
    struct Case {
        QString text;
        QString mustHave;
    } cases[] = {
        {messages::computeRefusal(pattern::ComputeStatus::TooLarge, 99900, 123456), "99.900 Maschen und 123.456 Reihen"},
        {messages::pdfFailure(output::PdfStatus::cannotCreate, path), "„/tmp/muster“"},
        {messages::pdfFailure(output::PdfStatus::writeFailed, path), "„/tmp/muster“"},
        {messages::yarnFileRefusal(badLine, path, 64, true), "Zeile 12.345"},
        {messages::patternFileRefusal(pattern::PatternFileStatus::CannotWrite, path), "„/tmp/muster“"},
    };
    const QRegularExpression plainDigits(QStringLiteral("\\d{4,}"));
    for (const Case& c : cases) {
        EXPECT_TRUE(c.text.contains(c.mustHave)) << qPrintable(c.text);
        EXPECT_FALSE(c.text.contains(QLatin1Char('"'))) << qPrintable(c.text);
        EXPECT_FALSE(c.text.contains(plainDigits)) << qPrintable(c.text);
    }
}

}  // namespace
