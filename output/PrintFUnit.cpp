#include "output/PrintFUnit.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include "platform/errorreport.h"
#include "platform/controls.h"
#include "platform/gdi.h"
#include "platform/msgbox.h"
#include "platform/settings.h"
#include "platform/drawdib.h"

TPrintForm* PrintForm = nullptr;

// ---------------------------------------------------------------- spin field

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) { setKeyboardTracking(true); }

int TSpinEdit::valueFromText(const QString& text) const {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok) return minimum();
    return qBound(minimum(), v, maximum());
}

QValidator::State TSpinEdit::validate(QString&, int&) const {
    // Any text may be typed; valueFromText decides what it means.
    return QValidator::Acceptable;
}

// ---------------------------------------------------------------- layout

namespace {

const char* const kGroup = "TPrintForm";
constexpr int kFormVersion = 0;
// Show states as the settings store keeps them.
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;

template <class T>
T* named(T* w, const char* name, int x, int y, int width = -1, int height = -1) {
    w->setObjectName(QString::fromLatin1(name));
    if (width < 0) {
        w->adjustSize();
        w->move(x, y);
    } else {
        w->setGeometry(x, y, width, height);
    }
    return w;
}

TSpinEdit* percentField(QWidget* parent, const char* name, int x, int y) {
    auto* e = named(new TSpinEdit(parent), name, x, y, 89, 22);
    e->setRange(output::kMinPercent, output::kMaxPercent);
    e->setValue(50);
    return e;
}

QString alignmentName(const QWidget* w) {
    return w->layoutDirection() == Qt::RightToLeft ? QStringLiteral("taLeftJustify")
                                                   : QStringLiteral("taRightJustify");
}

void setAlignmentName(QWidget* w, const QString& name) {
    if (name == QLatin1String("taLeftJustify")) w->setLayoutDirection(Qt::RightToLeft);
    else if (name == QLatin1String("taRightJustify")) w->setLayoutDirection(Qt::LeftToRight);
}

QString rectText(const QRect& r) {
    return QStringLiteral("%1,%2,%3,%4").arg(r.left()).arg(r.top()).arg(r.right() + 1).arg(r.bottom() + 1);
}

}  // namespace

TPrintForm::TPrintForm(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("PrintForm"));
    setWindowTitle(QStringLiteral("Bild drucken..."));
    setWindowFlags(platform::dialogFrame());
    setFixedSize(427, 328);
    // The layout was made for a narrow 11-pixel dialog font; a condensed
    // face keeps the captions inside their boxes.
    QFont f = font();
    f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), f.family()});
    f.setPixelSize(11);
    setFont(f);

    RxLabel1 = named(new QLabel(QStringLiteral("Vorschau:"), this), "RxLabel1", 16, 0);
    RxLabel1->setMinimumHeight(20);
    RxLabel1->resize(RxLabel1->width(), 20);

    Panel1 = named(new QFrame(this), "Panel1", 16, 24, 200, 225);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PrintPaintBox = named(new TPaintBox(Panel1), "PrintPaintBox", 4, 17, 190, 190);

    GroupBox1 = named(new QGroupBox(QStringLiteral("Druckgröße"), this), "GroupBox1", 232, 24, 185, 129);
    UseFullCheck = named(new QRadioButton(QStringLiteral("Seite voll nutzen"), GroupBox1), "UseFullCheck", 16,
                         24, 113, 17);
    UseFullCheck->setChecked(true);
    UserdefCheck = named(new QRadioButton(QStringLiteral("Benutzerdefiniert"), GroupBox1), "UserdefCheck", 16,
                         48, 113, 17);
    RxLabel2 = named(new QLabel(QStringLiteral("Breite in %:"), GroupBox1), "RxLabel2", 16, 72);
    BreitEdit = percentField(GroupBox1, "BreitEdit", 80, 72);
    RxLabel3 = named(new QLabel(QStringLiteral("Höhe in %:"), GroupBox1), "RxLabel3", 16, 96);

    GroupBox2 = named(new QGroupBox(QStringLiteral("Druckoptionen"), this), "GroupBox2", 232, 160, 185, 89);
    SverhCheck = named(new QCheckBox(QStringLiteral("Seitenverhältnis beibehalten"), GroupBox2), "SverhCheck",
                       8, 24, 169, 17);
    SverhCheck->setChecked(true);
    ZentrCheck = named(new QCheckBox(QStringLiteral("Zentrierte Ausgabe"), GroupBox2), "ZentrCheck", 8, 48,
                       161, 17);
    ZentrCheck->setChecked(true);

    // A child of the dialog drawn over the first group, below BreitEdit.
    HochEdit = percentField(this, "HochEdit", 312, 120);
    HochEdit->raise();

    Bevel1 = named(new QFrame(this), "Bevel1", 0, 264, 427, 16);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setFrameRect(QRect(0, 14, 427, 2));  // the line runs along the bottom edge

    OkBitBtn1 = named(new QPushButton(QStringLiteral("&OK"), this), "OkBitBtn1", 29, 296, 89, 25);
    OkBitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    OkBitBtn1->setDefault(true);
    PrintSetupBtn = named(new QPushButton(QStringLiteral("Drucker &einrichten..."), this), "PrintSetupBtn",
                          125, 296, 177, 25);
    PrintSetupBtn->setIcon(QIcon::fromTheme(QStringLiteral("document-print"),
                                            style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
    PrintSetupBtn->setAutoDefault(false);
    CancelBitBtn2 = named(new QPushButton(QStringLiteral("A&bbrechen"), this), "CancelBitBtn2", 309, 296, 89, 25);
    CancelBitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    CancelBitBtn2->setAutoDefault(false);

    // Tab order: OK, Cancel, preview panel (nothing to focus), setup, the
    // first group, the second group, the height field.
    QWidget::setTabOrder(OkBitBtn1, CancelBitBtn2);
    QWidget::setTabOrder(CancelBitBtn2, PrintSetupBtn);
    QWidget::setTabOrder(PrintSetupBtn, UseFullCheck);
    QWidget::setTabOrder(UseFullCheck, UserdefCheck);
    QWidget::setTabOrder(UserdefCheck, BreitEdit);
    QWidget::setTabOrder(BreitEdit, SverhCheck);
    QWidget::setTabOrder(SverhCheck, ZentrCheck);
    QWidget::setTabOrder(ZentrCheck, HochEdit);

    PrintPaintBox->onPaint = [this](QPainter& p) { drawPreview(p); };
    connect(UseFullCheck, &QRadioButton::toggled, this, [this](bool on) {
        if (on) PrintPaintBoxPaint(UseFullCheck);
    });
    connect(UserdefCheck, &QRadioButton::toggled, this, [this](bool on) {
        if (on) UserdefCheckClick(UserdefCheck);
    });
    connect(SverhCheck, &QCheckBox::toggled, this, [this] { PrintPaintBoxPaint(SverhCheck); });
    connect(ZentrCheck, &QCheckBox::toggled, this, [this] { PrintPaintBoxPaint(ZentrCheck); });
    connect(BreitEdit, &QSpinBox::textChanged, this, [this] { BreitEditChange(BreitEdit); });
    connect(HochEdit, &QSpinBox::textChanged, this, [this] { HochEditChange(HochEdit); });
    connect(OkBitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(PrintSetupBtn, &QPushButton::clicked, this, [this] { PrintSetupBtnClick(PrintSetupBtn); });
}

TPrintForm::~TPrintForm() {
    if (!stored_) StoreSettings();
}

output::PrintChoice TPrintForm::choice() const {
    output::PrintChoice c;
    c.useFull = UseFullCheck->isChecked();
    c.keepAspect = SverhCheck->isChecked();
    c.centred = ZentrCheck->isChecked();
    c.widthPercent = BreitEdit->value();
    c.heightPercent = HochEdit->value();
    return c;
}

// ---------------------------------------------------------------- printer

void TPrintForm::failed(const platform::PrinterError& e) {
    if (opening_) {
        if (!openError_) openError_ = e;
        return;
    }
    // Paint events would raise the same error again and again: show it
    // once, outside the paint, until the printer answers again.
    if (errorShown_) return;
    errorShown_ = true;
    QTimer::singleShot(0, this, [this, e] { errorreport::Report(e.text(), this); });
}

bool TPrintForm::pageSize(int& pw, int& ph) {
    try {
        platform::PrinterService& printer = platform::Printer();
        pw = printer.PageWidth();
        ph = printer.PageHeight();
    } catch (const platform::PrinterError& e) {
        failed(e);
        return false;
    }
    errorShown_ = false;
    return true;
}

// ---------------------------------------------------------------- preview

void TPrintForm::drawPreview(QPainter& canvas) {
    previewPaper.reset();
    previewPicture.reset();
    int PW = 0, PH = 0;
    if (!pageSize(PW, PH)) return;
    const output::Placement paper = output::previewPaper(PW, PH, PrintPaintBox->width(), PrintPaintBox->height());
    canvas.fillRect(QRect(paper.x, paper.y, paper.w, paper.h), Qt::white);
    const int W = dibwidth(di);
    const int H = dibheight(di);
    const output::Placement pic = output::placeInPreview(paper, W, H, choice());
    if (dibvalid(di)) {
        PainterDC dc(canvas);
        drawdib(&dc, pic.x, pic.y, pic.w, pic.h, di, 0, 0, W, H, true, SRCCOPY);
    }
    previewPaper = paper;
    previewPicture = pic;
}

void TPrintForm::PrintPaintBoxPaint(QObject* Sender) {
    // The drawing itself happens in the box's paint event; the coupling
    // runs with every redraw the dialog asks for.
    PrintPaintBox->update();
    BreitEditChange(Sender);
}

// ---------------------------------------------------------------- couplings

void TPrintForm::BreitEditChange(QObject*) {
    if (inedit) return;
    inedit = true;
    int PW = 0, PH = 0;
    if (SverhCheck->isChecked() && dibvalid(di) && pageSize(PW, PH))
        HochEdit->setValue(output::derivedPercent(BreitEdit->value(), dibwidth(di), dibheight(di), PW, PH));
    PrintPaintBox->update();
    inedit = false;
}

void TPrintForm::HochEditChange(QObject*) {
    if (inedit) return;
    inedit = true;
    int PW = 0, PH = 0;
    if (SverhCheck->isChecked() && dibvalid(di) && pageSize(PW, PH))
        BreitEdit->setValue(output::derivedPercent(HochEdit->value(), dibheight(di), dibwidth(di), PH, PW));
    PrintPaintBox->update();
    inedit = false;
}

void TPrintForm::UserdefCheckClick(QObject* Sender) {
    if (!UserdefCheck->isChecked()) return;
    BreitEditChange(Sender);
    PrintPaintBox->update();
}

void TPrintForm::FormShow(QObject* Sender) { BreitEditChange(Sender); }

void TPrintForm::PrintSetupBtnClick(QObject* Sender) {
    try {
        platform::Printer().Setup(this);
    } catch (const platform::PrinterError& e) {
        errorreport::Report(e.text(), this);
        errorShown_ = true;
        return;
    }
    errorShown_ = false;
    PrintPaintBoxPaint(Sender);
}

// ---------------------------------------------------------------- lifecycle

int TPrintForm::ShowModal() {
    opening_ = true;
    openError_.reset();
    RestoreSettings();
    FormShow(this);
    opening_ = false;
    if (openError_) throw *openError_;

    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    return exec();
}

void TPrintForm::done(int result) {
    StoreSettings();
    QDialog::done(result);
}

void TPrintForm::RestoreSettings() {
    auto s = platform::UserSettings();
    s->beginGroup(QLatin1String(kGroup));
    int version = kFormVersion;
    platform::ReadInt(*s, QStringLiteral("FormVersion"), version);
    if (version < kFormVersion) return;

    int show = kShowNormal;
    // A modal dialog that opened minimised would be lost to the user.
    if (platform::ReadInt(*s, QStringLiteral("ShowCmd"), show) && show == kShowMaximized)
        setWindowState(Qt::WindowMaximized);

    for (QWidget* w : {static_cast<QWidget*>(UseFullCheck), static_cast<QWidget*>(UserdefCheck),
                       static_cast<QWidget*>(ZentrCheck), static_cast<QWidget*>(SverhCheck)}) {
        const QVariant a = s->value(w->objectName() + QStringLiteral("_Alignment"));
        if (a.isValid()) setAlignmentName(w, a.toString());
    }

    // Each restored value that differs raises the field's change event, so
    // the couplings run: width first, then height.
    int v = 0;
    if (platform::ReadInt(*s, QStringLiteral("BreitEdit_Value"), v)) BreitEdit->setValue(v);
    if (platform::ReadInt(*s, QStringLiteral("HochEdit_Value"), v)) HochEdit->setValue(v);
}

void TPrintForm::StoreSettings() {
    stored_ = true;
    auto s = platform::UserSettings();
    s->beginGroup(QLatin1String(kGroup));
    s->setValue(QStringLiteral("FormVersion"), QString::number(kFormVersion));
    s->setValue(QStringLiteral("BreitEdit_Value"), QString::number(BreitEdit->value()));
    s->setValue(QStringLiteral("HochEdit_Value"), QString::number(HochEdit->value()));
    for (QWidget* w : {static_cast<QWidget*>(UseFullCheck), static_cast<QWidget*>(UserdefCheck),
                       static_cast<QWidget*>(ZentrCheck), static_cast<QWidget*>(SverhCheck)})
        s->setValue(w->objectName() + QStringLiteral("_Alignment"), alignmentName(w));

    const int show = isMaximized() ? kShowMaximized : isMinimized() ? kShowMinimized : kShowNormal;
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    const QString minMax = QStringLiteral("-1,-1,-1,-1");
    s->setValue(QStringLiteral("Flags"), QStringLiteral("0"));
    s->setValue(QStringLiteral("ShowCmd"), QString::number(show));
    s->setValue(QStringLiteral("PixelsPerInch"), QString::number(logicalDpiY()));
    s->setValue(QStringLiteral("MinMaxPos"), minMax);
    s->setValue(QStringLiteral("NormPos"), rectText(normal));
    s->setValue(QStringLiteral("Visible"), QStringLiteral("0"));
    if (const QScreen* screen = this->screen()) {
        const QString size = QStringLiteral("(%1x%2)").arg(screen->size().width()).arg(screen->size().height());
        s->setValue(QStringLiteral("MinMaxPos") + size, minMax);
        s->setValue(QStringLiteral("NormPos") + size, rectText(normal));
    }
}
