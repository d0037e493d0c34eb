// The main window's shell: picture buttons, close confirmation, the web
// button, the about box, the general error report and the pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <functional>

#include "app/AboutBoxUnit.h"
#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "platform/errorreport.h"
#include "app/pictures.h"
#include "platform/controls.h"
#include "platform/printer.h"
#include "support/blockguard.h"
#include "support/msgboxcapture.h"

using testsupport::MessageBoxCapture;

namespace {

const QString kCloseText = QStringLiteral("Hiermit beenden Sie das Programm! Alle nicht gespeicherten Daten gehen verloren!");

// Catches the URLs the program asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
    }
    ~UrlCatcher() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    }
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

// A shown main window; mouse input goes through the window as a user's
// would, so the mouse grab of the pressed picture is really exercised.
struct ShownForm {
    ShownForm() : form("/tmp/tricoma-test/tricoma") {
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    ~ShownForm() {
        // Let the window go without asking.
        MessageBoxCapture ok(platform::IDOK);
        form.close();
    }
    QWindow* window() { return form.windowHandle(); }
    QPoint at(QWidget* w, QPoint p) { return w->mapTo(&form, p); }
    TMainForm form;
};

// Runs `act` on the next modal dialog as soon as it is open.
void whenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    int* tries = new int(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box && ++*tries < 200) return;
        timer->stop();
        timer->deleteLater();
        delete tries;
        act(box);
    });
    timer->start(10);
}

bool pressedShown(TPaintBox* normal, TPaintBox* pressed) { return normal->isHidden() && !pressed->isHidden(); }
bool normalShown(TPaintBox* normal, TPaintBox* pressed) { return !normal->isHidden() && pressed->isHidden(); }

}  // namespace

TEST(PictureButtons, SlideOffAndBackThenReleaseOutside) {
    BlockGuard guard;
    MessageBoxCapture boxes(platform::IDCANCEL);
    ShownForm s;
    TMainForm& f = s.form;
    ASSERT_TRUE(normalShown(f.EndeBtn, f.EndeBtnDown));

    QTest::mousePress(s.window(), Qt::LeftButton, {}, s.at(f.EndeBtn, {50, 15}));
    EXPECT_TRUE(pressedShown(f.EndeBtn, f.EndeBtnDown));
    EXPECT_TRUE(f.inEndeBtn);

    // Off the picture (also just past its right and bottom edges).
    QTest::mouseMove(s.window(), s.at(f.EndeBtn, {50, -20}));
    EXPECT_TRUE(normalShown(f.EndeBtn, f.EndeBtnDown));
    EXPECT_TRUE(f.inEndeBtn);
    QTest::mouseMove(s.window(), s.at(f.EndeBtn, {f.EndeBtn->width() - 1, 15}));
    EXPECT_TRUE(pressedShown(f.EndeBtn, f.EndeBtnDown)) << "back on the picture";
    QTest::mouseMove(s.window(), s.at(f.EndeBtn, {f.EndeBtn->width(), 15}));
    EXPECT_TRUE(normalShown(f.EndeBtn, f.EndeBtnDown)) << "X = width is outside";
    QTest::mouseMove(s.window(), s.at(f.EndeBtn, {10, 10}));
    EXPECT_TRUE(pressedShown(f.EndeBtn, f.EndeBtnDown));

    QTest::mouseMove(s.window(), s.at(f.EndeBtn, {-30, 15}));
    QTest::mouseRelease(s.window(), Qt::LeftButton, {}, s.at(f.EndeBtn, {-30, 15}));
    EXPECT_TRUE(normalShown(f.EndeBtn, f.EndeBtnDown));
    EXPECT_FALSE(f.inEndeBtn);
    EXPECT_TRUE(boxes.boxes.empty()) << "releasing off the picture does not close";
    EXPECT_TRUE(f.isVisible());
}

TEST(PictureButtons, ReleaseOverEndeAsksAndCancelKeepsRunning) {
    BlockGuard guard;
    MessageBoxCapture boxes(platform::IDCANCEL);
    ShownForm s;
    TMainForm& f = s.form;
    // The pressed look must be gone by the time the question is asked.
    bool pressedWhileAsking = true;
    platform::setMessageBoxHook([&](const QString& text, const QString& caption, unsigned flags) {
        boxes.boxes.push_back({text, caption, flags});
        pressedWhileAsking = !normalShown(f.EndeBtn, f.EndeBtnDown) || f.inEndeBtn;
        return int(platform::IDCANCEL);
    });

    QTest::mousePress(s.window(), Qt::LeftButton, {}, s.at(f.EndeBtn, {50, 15}));
    QTest::mouseRelease(s.window(), Qt::LeftButton, {}, s.at(f.EndeBtn, {50, 15}));

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, kCloseText);
    EXPECT_EQ(boxes.boxes[0].caption, "Programm beenden");
    EXPECT_EQ(boxes.boxes[0].flags, unsigned(platform::MB_OKCANCEL | platform::MB_ICONINFORMATION));
    EXPECT_FALSE(pressedWhileAsking);
    EXPECT_TRUE(f.isVisible()) << "Cancel keeps the program running";
    EXPECT_TRUE(normalShown(f.EndeBtn, f.EndeBtnDown));
    EXPECT_FALSE(f.inEndeBtn);
}

TEST(PictureButtons, HoverWithoutPressChangesNothing) {
    BlockGuard guard;
    MessageBoxCapture boxes;
    ShownForm s;
    TMainForm& f = s.form;
    for (TPaintBox* b : {f.EndeBtn, f.ueberbtn}) {
        QTest::mouseMove(s.window(), s.at(b, {5, 5}));
        QTest::mouseMove(s.window(), s.at(b, {60, 20}));
        QTest::mouseMove(s.window(), s.at(b, {60, 60}));
    }
    EXPECT_TRUE(normalShown(f.EndeBtn, f.EndeBtnDown));
    EXPECT_TRUE(normalShown(f.ueberbtn, f.ueberBtn2));
    EXPECT_FALSE(f.inEndeBtn);
    EXPECT_FALSE(f.inUeberBtn);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(CloseQuery, CloseButtonAsksTheSameQuestion) {
    BlockGuard guard;
    ShownForm s;
    {
        MessageBoxCapture boxes(platform::IDCANCEL);
        s.window()->close();  // what the title bar's close button does
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, kCloseText);
        EXPECT_EQ(boxes.boxes[0].caption, "Programm beenden");
        EXPECT_TRUE(s.form.isVisible());
    }
    {
        MessageBoxCapture boxes(platform::IDOK);
        s.window()->close();
        EXPECT_EQ(boxes.boxes.size(), 1u);
        EXPECT_FALSE(s.form.isVisible()) << "OK closes";
    }
}

TEST(CloseQuery, EscAndClosingTheRealBoxMeanCancel) {
    BlockGuard guard;
    platform::setMessageBoxHook({});  // the real box, answered by key and by its close button
    TMainForm form("/tmp/tricoma-test/tricoma");
    for (int way = 0; way < 2; ++way) {
        whenModal([way](QWidget* box) {
            ASSERT_NE(box, nullptr);
            if (way == 0) QTest::keyClick(box, Qt::Key_Escape);
            else box->close();
        });
        bool canClose = true;
        form.FormCloseQuery(&form, canClose);
        EXPECT_FALSE(canClose) << (way == 0 ? "Esc" : "closing the box");
    }
    testsupport::installQuietMessageBoxes();
}

TEST(PictureButtons, UeberOpensTheAboutBoxAndDestroysIt) {
    BlockGuard guard;
    MessageBoxCapture boxes;
    ShownForm s;
    TMainForm& f = s.form;
    bool seen = false;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<TAboutBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->windowTitle(), "Info");
        EXPECT_EQ(box->parent(), &f);
        EXPECT_TRUE(normalShown(f.ueberbtn, f.ueberBtn2));
        EXPECT_FALSE(f.inUeberBtn);
        QTest::mouseClick(box->BitBtn1, Qt::LeftButton);
    });
    QTest::mousePress(s.window(), Qt::LeftButton, {}, s.at(f.ueberbtn, {50, 15}));
    EXPECT_TRUE(pressedShown(f.ueberbtn, f.ueberBtn2));
    QTest::mouseRelease(s.window(), Qt::LeftButton, {}, s.at(f.ueberbtn, {50, 15}));
    EXPECT_TRUE(seen);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.findChildren<TAboutBox*>().isEmpty()) << "the about box lives only while shown";
    EXPECT_TRUE(normalShown(f.ueberbtn, f.ueberBtn2));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(WebButton, OpensTheMakersAddressAndFailsSilently) {
    BlockGuard guard;
    MessageBoxCapture boxes;
    TMainForm form("/tmp/tricoma-test/tricoma");
    {
        UrlCatcher catcher;
        QTest::mouseClick(form.wwwBtn, Qt::LeftButton);
        ASSERT_EQ(catcher.urls.size(), 1);
        EXPECT_EQ(catcher.urls[0], QUrl(QString::fromLatin1(kMakerWebAddress)));
        EXPECT_EQ(form.wwwBtn->text(), makerWebCaption());
    }
    // Nobody to open it here: nothing is shown.
    form.wwwBtnClick(form.wwwBtn);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(ErrorReport, PrinterErrorIsShownAndTheProgramGoesOn) {
    MessageBoxCapture boxes;
    bool result = errorreport::Guard([]() -> bool { throw platform::PrinterError(platform::kNoDefaultPrinter); });
    EXPECT_FALSE(result);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QString::fromUtf8(platform::kNoDefaultPrinter));
    EXPECT_EQ(boxes.boxes[0].flags & 0x0F, unsigned(platform::MB_OK));
    EXPECT_TRUE(errorreport::Guard([] { return true; }));
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST(ErrorReport, ErrorsWithoutTextGetAGermanOne) {
    MessageBoxCapture boxes;
    errorreport::Guard([]() -> bool { throw 42; });
    errorreport::Guard([]() -> bool { throw std::bad_alloc(); });
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "Unbekannter Fehler.");
    EXPECT_EQ(boxes.boxes[1].text, QString::fromUtf8("Nicht genügend Arbeitsspeicher für diesen Vorgang."));
}

TEST(ErrorReport, AnErrorWhileReportingDoesNotLoop) {
    int shown = 0;
    platform::setMessageBoxHook([&](const QString&, const QString&, unsigned) -> int {
        ++shown;
        // The box itself fails again: reported no further.
        errorreport::Guard([]() -> bool { throw std::runtime_error("nochmal"); });
        return platform::IDOK;
    });
    errorreport::Guard([]() -> bool { throw std::runtime_error("zuerst"); });
    EXPECT_EQ(shown, 1);
    testsupport::installQuietMessageBoxes();
}

TEST(Pictures, EveryPictureIsBuiltInWithItsSize) {
    for (const pictures::Entry& e : pictures::all()) {
        QPixmap p = pictures::get(e.id);
        ASSERT_FALSE(p.isNull()) << e.file;
        EXPECT_EQ(p.size(), QSize(e.width, e.height)) << e.file;
    }
    EXPECT_TRUE(pictures::tabIcon(7).isNull());
    EXPECT_FALSE(pictures::programIcon().isNull());
}

TEST(Pictures, TabsShowIconsZeroOneTwoFourThree) {
    BlockGuard guard;
    TMainForm form("/tmp/tricoma-test/tricoma");
    const int expected[5] = {0, 1, 2, 4, 3};
    for (int i = 0; i < 5; ++i) {
        QImage shown = form.PageControl2->tabIcon(i).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        QImage icon = pictures::tabIcon(expected[i]).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(shown, icon) << "page " << i + 1;
    }
    // The picture buttons show their pictures.
    EXPECT_EQ(form.EndeBtn->picture().size(), QSize(101, 30));
    EXPECT_EQ(form.EndeBtnDown->picture().size(), QSize(101, 30));
    EXPECT_EQ(form.ueberbtn->geometry(), QRect(1, 4, 101, 30));
    EXPECT_EQ(form.EndeBtn->geometry(), QRect(105, 4, 101, 30));
}

TEST(Layout, EveryPageFitsTheWindowsSize) {
    BlockGuard guard;
    TMainForm form("/tmp/tricoma-test/tricoma");
    const QSize need = form.minimumSizeHint();
    EXPECT_LE(need.width(), 622);
    EXPECT_LE(need.height(), 474) << "a page's fixed strips and boxes no longer fit";
    EXPECT_EQ(form.size(), QSize(622, 474));
    EXPECT_EQ(form.StatusBar1->height(), 19);
    EXPECT_EQ(form.Panel7->height(), 41);
}

#include "test_shell.moc"
