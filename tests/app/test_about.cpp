// The about box: its layout, the year in the notice line and the web button.
#include <gtest/gtest.h>

#include <QDate>
#include <QDesktopServices>
#include <QLabel>
#include <QTest>
#include <QUrl>

#include "app/AboutBoxUnit.h"
#include "app/ButtonsXP.h"

namespace {

class UrlSink : public QObject {
    Q_OBJECT
public:
    UrlSink() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~UrlSink() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

}  // namespace

TEST(AboutBox, ShowsTheCurrentYearInPlaceOfThePlaceholder) {
    TAboutBox box;
    const QString year = QString::number(QDate::currentDate().year());
    EXPECT_FALSE(box.Copyright->text().contains("XXXX"));
    EXPECT_TRUE(box.Copyright->text().contains(year)) << qPrintable(box.Copyright->text());

    // Only the first placeholder is replaced, in place.
    box.Copyright->setText("von XXXX bis XXXX");
    box.FormCreate(&box);
    EXPECT_EQ(box.Copyright->text(), "von " + year + " bis XXXX");
    box.Copyright->setText("ohne Jahr");
    box.FormCreate(&box);
    EXPECT_EQ(box.Copyright->text(), "ohne Jahr");
}

TEST(AboutBox, LayoutAndCaption) {
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), "Info");
    EXPECT_EQ(box.size(), QSize(664, 453));
    EXPECT_EQ(box.ProgramIcon->geometry(), QRect(16, 40, 306, 322));
    EXPECT_FALSE(box.ProgramIcon->pixmap().isNull());
    EXPECT_EQ(box.Copyright->pos(), QPoint(336, 40));
    EXPECT_EQ(box.BitBtnXP1->geometry(), QRect(336, 240, 169, 25));
    EXPECT_EQ(box.BitBtnXP1->text(), makerWebCaption());
    EXPECT_EQ(box.BitBtn1->geometry(), QRect(241, 404, 181, 37));
    EXPECT_EQ(box.Label3->size(), QSize(238, 105));
}

TEST(AboutBox, WebButtonOpensTheAddressAndOkCloses) {
    UrlSink sink;
    TAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.BitBtnXP1, Qt::LeftButton);
    ASSERT_EQ(sink.urls.size(), 1);
    EXPECT_EQ(sink.urls[0].toString(), QString::fromLatin1(kMakerWebAddress));
    EXPECT_TRUE(box.isVisible()) << "the box stays open";
    QTest::mouseClick(box.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

#include "test_about.moc"
