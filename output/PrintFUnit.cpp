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
#include <QSignalBlocker>
#include <climits>
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

    // "Mehrere Seiten": a box in the free strip above the size group; its
    // controls lie right of the one-page dialog, which widens to show them.
    MultiPageCheck = named(new QCheckBox(QStringLiteral("Mehrere Seiten"), this), "MultiPageCheck", 232, 3, 185,
                           17);
    GroupBox3 = named(new QGroupBox(QStringLiteral("Seiten"), this), "GroupBox3", 432, 24, 185, 225);
    CellLabel = named(new QLabel(QStringLiteral("Kästchenbreite in mm:"), GroupBox3), "CellLabel", 16, 24);
    CellEdit = named(new TFloatSpinEdit(GroupBox3), "CellEdit", 16, 42, 89, 22);
    CellEdit->setRange(output::kMinCellMm, output::kMaxCellMm);
    CellEdit->setSingleStep(0.5);
    CellEdit->setValue(output::kDefaultCellMm);
    OrigCheck = named(new QCheckBox(QStringLiteral("Originalgröße"), GroupBox3), "OrigCheck", 16, 72, 161, 17);
    OverlapLabel = named(new QLabel(QStringLiteral("Überlappung:"), GroupBox3), "OverlapLabel", 16, 100);
    OverlapEdit = named(new TSpinEdit(GroupBox3), "OverlapEdit", 96, 96, 73, 22);
    OverlapEdit->setRange(0, output::kMaxOverlap);
    OverlapEdit->setValue(output::kDefaultOverlap);
    PagesLabel = named(new QLabel(GroupBox3), "PagesLabel", 16, 132, 161, 17);
    PrevPageBtn = named(new QPushButton(QStringLiteral("<"), GroupBox3), "PrevPageBtn", 16, 188, 29, 25);
    PageLabel = named(new QLabel(GroupBox3), "PageLabel", 48, 192, 89, 17);
    PageLabel->setAlignment(Qt::AlignCenter);
    NextPageBtn = named(new QPushButton(QStringLiteral(">"), GroupBox3), "NextPageBtn", 140, 188, 29, 25);
    for (QPushButton* b : {PrevPageBtn, NextPageBtn}) b->setAutoDefault(false);
    Bevel2 = named(new QFrame(this), "Bevel2", 427, 264, 200, 16);
    Bevel2->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel2->setFrameRect(QRect(0, 14, 200, 2));
    PdfBtn = named(new QPushButton(QStringLiteral("Als &PDF speichern..."), this), "PdfBtn", 440, 296, 169, 25);
    PdfBtn->setAutoDefault(false);
    for (QWidget* w : {static_cast<QWidget*>(GroupBox3), static_cast<QWidget*>(Bevel2), static_cast<QWidget*>(PdfBtn)})
        w->setVisible(false);

    // After the one-page controls in the tab order.
    QWidget* order[] = {HochEdit, MultiPageCheck, CellEdit, OrigCheck, OverlapEdit, PrevPageBtn, NextPageBtn, PdfBtn};
    for (size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);

    connect(MultiPageCheck, &QCheckBox::toggled, this, [this] { MultiPageCheckClick(MultiPageCheck); });
    connect(OrigCheck, &QCheckBox::toggled, this, [this] { OrigCheckClick(OrigCheck); });
    connect(CellEdit, &QDoubleSpinBox::valueChanged, this, [this] {
        if (!OrigCheck->isChecked()) userCellMm_ = CellEdit->value();
        pagesChanged();
    });
    connect(OverlapEdit, &QSpinBox::valueChanged, this, [this] { pagesChanged(); });
    connect(PrevPageBtn, &QPushButton::clicked, this, [this] { showPreviewPage(previewPage - 1); });
    connect(NextPageBtn, &QPushButton::clicked, this, [this] { showPreviewPage(previewPage + 1); });
    connect(PdfBtn, &QPushButton::clicked, this, [this] {
        if (onSavePdf) onSavePdf(this);
    });
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
    if (multiPage()) {
        previewPaper = paper;
        drawPagesPreview(canvas, paper, PW);
        return;
    }
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

// ---------------------------------------------------------------- pages

bool TPrintForm::multiPage() const { return MultiPageCheck->isChecked(); }

output::PageChoice TPrintForm::pageChoice() const {
    output::PageChoice c;
    c.cellWidthMm = userCellMm_;
    c.originalSize = OrigCheck->isChecked();
    c.overlap = OverlapEdit->value();
    return c;
}

std::unique_ptr<output::PageDocument> TPrintForm::pageDocument() {
    if (!dibvalid(grid)) return nullptr;
    int PW = 0, PH = 0;
    if (!pageSize(PW, PH)) return nullptr;
    double dpmm = 0;
    try {
        dpmm = platform::Printer().Resolution() / 25.4;
    } catch (const platform::PrinterError& e) {
        failed(e);
        return nullptr;
    }
    if (!(dpmm > 0)) return nullptr;
    const output::PageChoice c = pageChoice();
    auto doc = std::make_unique<output::PageDocument>(grid, stitchesPer10cm, rowsPer10cm, c.cellMm(stitchesPer10cm),
                                                      c.overlap, pageStyle);
    doc->setPageSize(PW / dpmm, PH / dpmm);
    return doc;
}

void TPrintForm::drawPagesPreview(QPainter& canvas, const output::Placement& paper, int) {
    const auto doc = pageDocument();
    if (!doc || doc->pageCount() == 0 || paper.w <= 0) return;
    canvas.save();
    canvas.translate(paper.x, paper.y);
    canvas.setClipRect(0, 0, paper.w, paper.h);
    doc->paintPage(canvas, std::clamp<int64_t>(previewPage, 1, doc->pageCount()), paper.w / doc->pageWidthMm());
    canvas.restore();
}

void TPrintForm::pagesChanged() {
    if (!multiPage()) return;
    const auto doc = pageDocument();
    const int64_t n = doc ? doc->pageCount() : 0;
    previewPage = int(std::clamp<int64_t>(previewPage, 1, std::clamp<int64_t>(n, 1, INT_MAX)));
    const QLocale de = platform::uiLocale();
    if (doc && n == 0) PagesLabel->setText(QStringLiteral("Das Kästchen passt nicht aufs Papier"));
    else PagesLabel->setText(n == 1 ? QStringLiteral("1 Seite") : QStringLiteral("%1 Seiten").arg(de.toString(qlonglong(n))));
    PageLabel->setText(n ? QStringLiteral("Seite %1 von %2").arg(previewPage).arg(qlonglong(n)) : QString());
    PrevPageBtn->setEnabled(previewPage > 1);
    NextPageBtn->setEnabled(previewPage < n);
    OkBitBtn1->setEnabled(n > 0);
    PdfBtn->setEnabled(n > 0 && bool(onSavePdf));
    PrintPaintBox->update();
}

void TPrintForm::showPreviewPage(int page) {
    previewPage = page;
    pagesChanged();
}

void TPrintForm::MultiPageCheckClick(QObject*) {
    const bool on = multiPage();
    // The one-page dialog keeps its size; the pages' controls lie beside it.
    setFixedSize(on ? 627 : 427, 328);
    for (QWidget* w : {static_cast<QWidget*>(GroupBox3), static_cast<QWidget*>(Bevel2), static_cast<QWidget*>(PdfBtn)})
        w->setVisible(on);
    for (QWidget* w : {static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(GroupBox2), static_cast<QWidget*>(HochEdit)})
        w->setEnabled(!on);
    previewPage = 1;
    if (on) {
        pagesChanged();
    } else {
        OkBitBtn1->setEnabled(true);
        PrintPaintBoxPaint(MultiPageCheck);
    }
}

void TPrintForm::OrigCheckClick(QObject*) {
    const bool orig = OrigCheck->isChecked();
    {
        const QSignalBlocker quiet(CellEdit);
        CellEdit->setValue(orig ? output::originalCellMm(stitchesPer10cm) : userCellMm_);
    }
    CellEdit->setEnabled(!orig);
    pagesChanged();
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
    pagesChanged();
}

// ---------------------------------------------------------------- lifecycle

int TPrintForm::ShowModal() {
    MultiPageCheck->setEnabled(dibvalid(grid));
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
    s.reset();

    const output::PageChoice c = output::loadPageChoice();
    userCellMm_ = c.cellWidthMm;
    CellEdit->setValue(c.cellWidthMm);
    OverlapEdit->setValue(c.overlap);
    OrigCheck->setChecked(c.originalSize);
    OrigCheckClick(OrigCheck);

    // The page mode comes back as it was left, where there are pages to show.
    auto m = platform::UserSettings();
    m->beginGroup(QLatin1String(kGroup));
    if (platform::ReadInt(*m, QStringLiteral("MultiPage"), v) && MultiPageCheck->isEnabled())
        MultiPageCheck->setChecked(v != 0);
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
    // Without a grid the box is off and disabled: that says nothing of the
    // mode the user chose.
    if (MultiPageCheck->isEnabled()) s->setValue(QStringLiteral("MultiPage"), QString::number(multiPage() ? 1 : 0));
    s.reset();
    output::storePageChoice(pageChoice());
}
