#include "app/AboutBoxUnit.h"

#include <QDate>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QUrl>

#include "app/ButtonsXP.h"
#include "app/pictures.h"
#include "platform/msgbox.h"

QString makerWebCaption() {
    QUrl url(QString::fromLatin1(kMakerWebAddress));
    return url.host();
}

void openMakerWebSite() {
    // The result is deliberately not examined: without a browser the user
    // simply sees nothing happen.
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerWebAddress)));
}

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, w, h);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    setWindowFlags(platform::dialogFrame());
    setFixedSize(664, 453);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    Panel1->setGeometry(8, 8, 649, 385);
    Panel1->setAutoFillBackground(true);
    QPalette p = Panel1->palette();
    p.setColor(QPalette::Window, QColor(240, 202, 166));
    p.setColor(QPalette::WindowText, Qt::black);
    Panel1->setPalette(p);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(16, 40, 306, 322);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(pictures::get(pictures::Id::About));

    ProductName = label(Panel1, "ProductName", QStringLiteral("Original Ornavo Software"), 16, 6, 620, 30);
    QFont heading(QStringLiteral("DejaVu Sans"));
    heading.setPixelSize(24);
    heading.setBold(true);
    heading.setStretch(QFont::Condensed);
    ProductName->setFont(heading);

    Copyright = label(Panel1, "Copyright", QStringLiteral("© XXXX Ornavo. Alle Rechte vorbehalten."), 336, 40, 300, 17);
    Copyright->setWordWrap(false);
    Comments = label(Panel1, "Comments",
                     QStringLiteral("Entworfen und hergestellt von Ornavo für alle, die mit Farbe stricken."),
                     336, 62, 257, 33);
    Label1 = label(Panel1, "Label1", QStringLiteral("Aus Bildern werden Strickmuster"), 336, 108, 290, 17);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label2 = label(Panel1, "Label2",
                   QStringLiteral("Tricoma macht aus einem Foto oder einer Zeichnung eine Strickschrift in den "
                                  "Farben Ihrer Wolle: Masche für Masche und Reihe für Reihe, passend zu Ihrer "
                                  "Maschenprobe. Das Ergebnis können Sie nachbearbeiten, speichern und drucken."),
                   336, 128, 290, 100);
    BitBtnXP1 = new TBitBtnXP(makerWebCaption(), Panel1);
    BitBtnXP1->setObjectName(QStringLiteral("BitBtnXP1"));
    BitBtnXP1->setGeometry(336, 240, 169, 25);
    BitBtnXP1->setGlyph(pictures::get(pictures::Id::GlyphWeb));
    BitBtnXP1->setToolTip(QStringLiteral("Auf zur Ornavo Homepage..."));
    connect(BitBtnXP1, &QPushButton::clicked, this, [this] { BitBtnXP1Click(BitBtnXP1); });
    Label3 = label(Panel1, "Label3",
                   QStringLiteral("Weitere Programme von Ornavo rund um Handarbeit, Anleitungen und "
                                  "Neuigkeiten finden Sie auf unserer Homepage."),
                   336, 272, 238, 105);

    BitBtn1 = new TBitBtnXP(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(241, 404, 181, 37);
    BitBtn1->setGlyph(pictures::get(pictures::Id::GlyphOk));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate(this);
}

void TAboutBox::FormCreate(QObject*) {
    QString text = Copyright->text();
    const qsizetype at = text.indexOf(QStringLiteral("XXXX"));
    if (at >= 0) {
        text.remove(at, 4);
        text.insert(at, QString::number(QDate::currentDate().year()));
        Copyright->setText(text);
    }
}

void TAboutBox::BitBtnXP1Click(QObject*) { openMakerWebSite(); }

void TAboutBox::showEvent(QShowEvent* event) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}
