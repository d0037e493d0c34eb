// The window's controls: five wizard pages above a bottom bar and the
// status bar. Fixed controls sit at the positions of the original dialog
// layout; strips keep their heights and the scrolled views take the rest.
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QScreen>
#include <QShortcut>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QUndoStack>
#include <QVBoxLayout>
#include <functional>
#include <utility>
#include <vector>

#include "app/AboutBoxUnit.h"
#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "app/pictures.h"
#include "pattern/limits.h"
#include "platform/controls.h"

namespace {

const QColor kHeaderColour(240, 202, 166);
const QColor kLeftPanelColour(192, 220, 192);

template <class T>
T* named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

void setBackground(QWidget* w, const QColor& c) {
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
}

QWidget* headerStrip(QWidget* page, const QString& text) {
    auto* strip = new QFrame(page);
    strip->setFrameStyle(QFrame::Panel | QFrame::Raised);
    strip->setFixedHeight(33);
    setBackground(strip, kHeaderColour);
    auto* label = new QLabel(text, strip);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->move(16, 10);
    return strip;
}

// The face standing in for "Arial Black": the heaviest sans serif face
// installed (DejaVu Sans Bold from fonts-dejavu-core where nothing heavier
// is there).
QFont blackFont(int pixelSize) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setWeight(QFont::Black);
    return f;
}

QWidget* leftPanel(QWidget* page, const QString& caption, pictures::Id decoration) {
    auto* panel = new QWidget(page);
    panel->setFixedWidth(209);
    setBackground(panel, kLeftPanelColour);
    auto* frame = new QFrame(panel);
    frame->setObjectName(QStringLiteral("Decoration"));
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setGeometry(7, 7, 195, 283);
    auto* picture = new QLabel(frame);
    picture->setObjectName(QStringLiteral("DecorationPicture"));
    picture->setGeometry(1, 1, 193, 281);
    picture->setPixmap(pictures::get(decoration));
    auto* box = new QLabel(caption, panel);
    box->setObjectName(QStringLiteral("CaptionBox"));
    box->setGeometry(16, 16, 177, 73);
    box->setWordWrap(true);
    box->setAutoFillBackground(true);
    setBackground(box, kHeaderColour);
    box->setFont(blackFont(19));
    box->setContentsMargins(6, 4, 6, 4);
    QPalette p = box->palette();
    p.setColor(QPalette::WindowText, QColor(128, 0, 0));
    box->setPalette(p);
    return panel;
}

// Page frame: header strip on top, optional left panel, right area below.
QWidget* pageFrame(QWidget* page, const QString& header, const QString& caption,
                   pictures::Id decoration = pictures::Id::DecoSize) {
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(headerStrip(page, header));
    auto* body = new QWidget(page);
    v->addWidget(body, 1);
    auto* h = new QHBoxLayout(body);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    if (!caption.isEmpty()) h->addWidget(leftPanel(body, caption, decoration));
    auto* right = new QWidget(body);
    h->addWidget(right, 1);
    return right;
}

// Changed yarn colours waiting, on pages 3 and 4 alike.
QString yarnsWaitingText() {
    return QStringLiteral("Geänderte Garnfarben warten: Sie kommen mit dem nächsten „Berechnen“ ins Muster.");
}
QString takeYarnsCaption() { return QStringLiteral("Jetzt übernehmen"); }
QString takeYarnsHint() {
    return QStringLiteral("Übernimmt die geänderten Garnfarben ohne neue Berechnung ins Muster (Strg+Z nimmt es zurück)");
}

// A notice strip, hidden until it has something to say: a wrapped text and,
// when given, the button that acts on it.
QWidget* noticeStrip(QWidget* parent, const char* name, QLabel*& text, const char* textName, const QString& caption,
                     QPushButton** button = nullptr, const char* buttonName = nullptr, const QString& buttonCaption = {},
                     const QString& hint = {}) {
    auto* strip = named(new QWidget(parent), name);
    auto* h = new QHBoxLayout(strip);
    h->setContentsMargins(8, 2, 8, 2);
    text = named(new QLabel(caption, strip), textName);
    text->setWordWrap(true);
    text->setStyleSheet(QStringLiteral("color: #8a4b00;"));
    h->addWidget(text, 1);
    if (button) {
        *button = named(new QPushButton(buttonCaption, strip), buttonName);
        (*button)->setToolTip(hint);
        h->addWidget(*button);
    }
    strip->hide();
    return strip;
}

QLabel* infoStrip(QWidget* parent, const QString& text, int x, int y, int w) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, 17);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, p.color(QPalette::ToolTipBase));
    l->setPalette(p);
    return l;
}

QScrollArea* scrollView(QWidget* parent, const char* name) {
    auto* s = named(new QScrollArea(parent), name);
    s->setWidgetResizable(false);
    s->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    s->setBackgroundRole(QPalette::Dark);  // the application workspace colour
    return s;
}

}  // namespace

void TMainForm::createLayout() {
    setWindowTitle(QStringLiteral("Ornavo Tricoma 1.0"));
    resize(622, 474);
    // The system's sans serif at 8 points stands in for "MS Sans Serif".
    QFont base = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    base.setPointSize(8);
    setFont(base);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* root = new QVBoxLayout(central);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    PageControl2 = named(new QTabWidget(central), "PageControl2");
    root->addWidget(PageControl2, 1);

    // ---- bottom bar
    Panel7 = named(new QWidget(central), "Panel7");
    Panel7->setFixedHeight(41);
    root->addWidget(Panel7);
    wwwBtn = named(new TBitBtnXP(makerWebCaption(), Panel7), "wwwBtn");
    wwwBtn->setFlat(true);
    wwwBtn->setGlyph(pictures::get(pictures::Id::WebLogo));
    wwwBtn->setCursor(Qt::PointingHandCursor);
    QFont narrow = base;  // the address has to fit beside its picture
    narrow.setStretch(QFont::Condensed);
    wwwBtn->setFont(narrow);
    wwwBtn->setGeometry(5, 5, 137, 33);
    wwwBtn->setToolTip(QStringLiteral("Auf zur Ornavo Homepage..."));
    Panel8 = named(new QWidget(Panel7), "Panel8");
    Panel8->setFixedSize(214, 41);
    auto* bottom = new QHBoxLayout(Panel7);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addStretch(1);
    bottom->addWidget(Panel8);
    ueberbtn = named(new TPaintBox(Panel8), "ueberbtn");
    ueberBtn2 = named(new TPaintBox(Panel8), "ueberBtn2");
    EndeBtn = named(new TPaintBox(Panel8), "EndeBtn");
    EndeBtnDown = named(new TPaintBox(Panel8), "EndeBtnDown");
    for (TPaintBox* b : {ueberbtn, ueberBtn2}) b->setGeometry(1, 4, 101, 30);
    for (TPaintBox* b : {EndeBtn, EndeBtnDown}) b->setGeometry(105, 4, 101, 30);
    for (TPaintBox* b : {ueberbtn, ueberBtn2, EndeBtn, EndeBtnDown}) b->setCursor(Qt::PointingHandCursor);
    ueberbtn->setToolTip(QStringLiteral("Informationen über das Programm"));
    ueberBtn2->setToolTip(QStringLiteral("Informationen über das Programm"));
    EndeBtn->setToolTip(QStringLiteral("Hiermit verlassen Sie das Programm"));
    EndeBtnDown->setToolTip(QStringLiteral("Hiermit verlassen Sie das Programm"));
    ueberbtn->setPicture(pictures::get(pictures::Id::UeberUp));
    ueberBtn2->setPicture(pictures::get(pictures::Id::UeberDown));
    EndeBtn->setPicture(pictures::get(pictures::Id::EndeUp));
    EndeBtnDown->setPicture(pictures::get(pictures::Id::EndeDown));
    ueberBtn2->hide();
    EndeBtnDown->hide();

    // ---- status bar
    StatusBar1 = named(new TStatusBar(central), "StatusBar1");
    StatusBar1->panelWidths = {250, 50};
    StatusBar1->ownerDrawn = {false, true};
    root->addWidget(StatusBar1);

    // ---- page 1: Motiv laden
    TabSheet1 = named(new QWidget, "TabSheet1");
    PageControl2->addTab(TabSheet1, QStringLiteral("Motiv laden"));
    {
        QWidget* right = pageFrame(TabSheet1,
            QStringLiteral("Motiv laden - Suchen sie die Grafikdatei mit dem Muster und öffnen Sie diese per Doppelklick"),
            QString());
        auto* h = new QHBoxLayout(right);
        h->setContentsMargins(0, 0, 0, 0);
        Splitter2 = named(new QSplitter(Qt::Horizontal, right), "Splitter2");
        h->addWidget(Splitter2);

        auto* browser = new QWidget(Splitter2);
        auto* bv = new QVBoxLayout(browser);
        bv->setContentsMargins(0, 0, 0, 0);
        Splitter1 = named(new QSplitter(Qt::Horizontal, browser), "Splitter1");
        bv->addWidget(Splitter1, 1);
        JamShellTree1 = named(new QTreeView(Splitter1), "JamShellTree1");
        QFont treeFont = base;  // stands in for "Segoe UI" 9 point
        treeFont.setPointSize(9);
        JamShellTree1->setFont(treeFont);
        auto* listSide = new QWidget(Splitter1);
        auto* lv = new QVBoxLayout(listSide);
        lv->setContentsMargins(0, 0, 0, 0);
        JamShellList1 = named(new QTreeView(listSide), "JamShellList1");
        lv->addWidget(JamShellList1, 1);
        FilterComboBox1 = named(new QComboBox(listSide), "FilterComboBox1");
        FilterComboBox1->setFixedSize(185, 21);
        FilterComboBox1->setToolTip(QStringLiteral("Hier können Sie die angezeigten Dateitypen wählen"));
        lv->addWidget(FilterComboBox1);
        Splitter1->setSizes({185, 188});
        Splitter1->setStretchFactor(0, 1);  // tree and list share a wider window
        Splitter1->setStretchFactor(1, 1);

        auto* prevSide = new QWidget(Splitter2);
        auto* pv = new QVBoxLayout(prevSide);
        pv->setContentsMargins(4, 4, 4, 4);
        PreviewLabel = named(new QLabel(QStringLiteral("Preview:"), prevSide), "PreviewLabel");
        pv->addWidget(PreviewLabel);
        PrevPanel = named(new QFrame(prevSide), "PrevPanel");
        static_cast<QFrame*>(PrevPanel)->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        PrevPanel->setAutoFillBackground(true);
        PrevPanel->setBackgroundRole(QPalette::Dark);
        pv->addWidget(PrevPanel, 1);
        auto* pp = new QVBoxLayout(PrevPanel);
        pp->setContentsMargins(1, 1, 1, 1);
        DibPrevPaint = named(new TPaintBox(PrevPanel), "DibPrevPaint");
        DibPrevPaint->setToolTip(QStringLiteral("Zeigt eine Vorschau des geladenen Bildes"));
        pp->addWidget(DibPrevPaint);
        // Hidden until a picture loads only in part; takes room from the
        // preview only while it shows.
        PartialNotice = named(new QLabel(prevSide), "PartialNotice");
        PartialNotice->setWordWrap(true);
        PartialNotice->setAutoFillBackground(true);
        PartialNotice->setMargin(3);
        {
            QPalette p = PartialNotice->palette();
            p.setColor(QPalette::Window, p.color(QPalette::ToolTipBase));
            p.setColor(QPalette::WindowText, p.color(QPalette::ToolTipText));
            PartialNotice->setPalette(p);
        }
        PartialNotice->hide();
        pv->addWidget(PartialNotice);
        Splitter2->setSizes({373, 249});
        Splitter2->setStretchFactor(0, 1);  // the list and the preview share the rest
        Splitter2->setStretchFactor(1, 1);
    }

    // ---- page 2: Größe
    TabSheet2 = named(new QWidget, "TabSheet2");
    PageControl2->addTab(TabSheet2, QStringLiteral("Größe"));
    {
        QWidget* right = pageFrame(TabSheet2,
            QStringLiteral("Größe - Stellen Sie die Garneigenschaften und die gewünschte Größe ein"),
            QStringLiteral("Größe festlegen..."));
        auto* v = new QVBoxLayout(right);
        v->setContentsMargins(8, 6, 8, 6);
        v->setSpacing(4);  // the three boxes fit the window's 474 pixels

        auto* g1 = named(new QGroupBox(QStringLiteral("Informationen über das geladene Bild"), right), "GroupBox1");
        g1->setFixedHeight(94);
        auto infoField = [&](const char* name, const QString& label, int y, const QString& hint) {
            auto* l = new QLabel(label, g1);
            l->setGeometry(16, y + 3, 60, 17);
            auto* e = named(new QLineEdit(g1), name);
            e->setGeometry(88, y, 121, 21);
            e->setReadOnly(true);
            e->setFocusPolicy(Qt::NoFocus);
            e->setToolTip(hint);
            QPalette p = e->palette();
            p.setColor(QPalette::Base, kHeaderColour);
            e->setPalette(p);
            return e;
        };
        Breit = infoField("Breit", QStringLiteral("Breite:"), 18, QStringLiteral("Zeigt die Breite des gewählten Bildes in Pixeln"));
        Hoch = infoField("Hoch", QStringLiteral("Höhe:"), 42, QStringLiteral("Zeigt die Höhe des gewählten Bildes in Pixeln"));
        tief = infoField("tief", QStringLiteral("Farben:"), 66, QStringLiteral("Zeigt die Anzahl der Farben des gewählten Bildes"));
        v->addWidget(g1);

        auto* g2 = named(new QGroupBox(QStringLiteral("Garneigenschaften einstellen"), right), "GroupBox2");
        g2->setFixedHeight(97);
        infoStrip(g2, QStringLiteral("Maschen und Reihen für ein 10 cm x 10 cm großes Stück"), 8, 20, 360);
        (new QLabel(QStringLiteral("Maschen:"), g2))->setGeometry(16, 47, 60, 17);
        maschened = named(new QSpinBox(g2), "maschened");
        maschened->setGeometry(88, 44, 89, 22);
        maschened->setRange(pattern::kGaugeMin, pattern::kGaugeMax);
        maschened->setValue(pattern::kDefaultStitches);
        (new QLabel(QStringLiteral("Reihen:"), g2))->setGeometry(16, 73, 60, 17);
        reihened = named(new QSpinBox(g2), "reihened");
        reihened->setGeometry(88, 70, 89, 22);
        reihened->setRange(pattern::kGaugeMin, pattern::kGaugeMax);
        reihened->setValue(pattern::kDefaultRows);
        v->addWidget(g2);

        auto* g3 = named(new QGroupBox(QStringLiteral("Gewünschte Größe des Motivs"), right), "GroupBox3");
        g3->setFixedHeight(122);
        infoStrip(g3, QStringLiteral("Größe des Motivs in cm einstellen"), 8, 20, 360);
        (new QLabel(QStringLiteral("Breite:"), g3))->setGeometry(16, 47, 60, 17);
        breited = named(new TFloatSpinEdit(g3), "breited");
        breited->setGeometry(88, 44, 89, 22);
        breited->setRange(pattern::kSizeMin, pattern::kSizeMax);
        breited->setValue(pattern::kDefaultSizeCm);
        (new QLabel(QStringLiteral("Höhe:"), g3))->setGeometry(16, 73, 60, 17);
        hoched = named(new TFloatSpinEdit(g3), "hoched");
        hoched->setGeometry(88, 70, 89, 22);
        hoched->setRange(pattern::kSizeMin, pattern::kSizeMax);
        hoched->setValue(pattern::kDefaultSizeCm);
        sverhCheck = named(new QCheckBox(QStringLiteral("Seitenverhältnis beibehalten"), g3), "sverhCheck");
        sverhCheck->setGeometry(16, 98, 250, 17);
        sverhCheck->setChecked(true);
        // Beside the two size fields, what computing will make of them.
        StitchCount = named(new QLabel(g3), "StitchCount");
        StitchCount->setGeometry(192, 58, 190, 17);
        StitchCount->setToolTip(QStringLiteral("So viele Maschen und Reihen ergeben Größe und Maschenprobe"));
        v->addWidget(g3);
        QLabel* motifText = nullptr;
        v->addWidget(noticeStrip(right, "MotifNoticePanel", motifText, "MotifNotice",
                                 QStringLiteral("Es ist noch kein Motiv geladen: „Berechnen“ rechnet mit dem leeren "
                                                "weißen Startbild und ersetzt das geöffnete Muster.")));
        MotifNotice = motifText;
        v->addStretch(1);
    }

    // ---- page 3: Farben
    TabSheet3 = named(new QWidget, "TabSheet3");
    PageControl2->addTab(TabSheet3, QStringLiteral("Farben"));
    {
        QWidget* right = pageFrame(TabSheet3,
            QStringLiteral("Farben - stellen Sie ein, viele Farben sie benutzen möchten"),
            QStringLiteral("Farben einstellen..."), pictures::Id::DecoColours);
        auto* v = new QVBoxLayout(right);
        v->setContentsMargins(8, 8, 8, 8);
        auto* g1 = named(new QGroupBox(QStringLiteral("Informationen über das geladene Bild"), right), "GroupBox4");
        g1->setFixedHeight(150);
        infoStrip(g1, QStringLiteral("Wählen Sie die Garn-Farben aus, die sie benutzen möchten"), 8, 20, 360);
        PaintBox1 = named(new TPaintBox(g1), "PaintBox1");
        PaintBox1->setGeometry(16, 42, 337, 81);
        PaintBox1->setMouseTracking(true);  // pointing at a swatch shows its values
        InfoLabel = named(new QLabel(g1), "InfoLabel");
        InfoLabel->setGeometry(16, 127, 337, 17);
        v->addWidget(g1);
        auto* g2 = named(new QGroupBox(QStringLiteral("Methode der Farbumrechnung"), right), "GroupBox5");
        g2->setFixedHeight(73);
        NearCheck = named(new QRadioButton(QStringLiteral("Am besten &passenste Farbe"), g2), "NearCheck");
        NearCheck->setGeometry(16, 22, 300, 17);
        FSErrCheck = named(new QRadioButton(QStringLiteral("Dithering"), g2), "FSErrCheck");
        FSErrCheck->setGeometry(16, 44, 300, 17);
        FSErrCheck->setChecked(true);
        v->addWidget(g2);
        // Yarn colours from the motif, palette and pattern files, and what
        // the grid uses; below the existing boxes, which keep their places.
        auto* g3 = named(new QGroupBox(QStringLiteral("Garn-Farben aus dem Motiv und Dateien"), right), "GroupBox6");
        g3->setFixedHeight(96);
        (new QLabel(QStringLiteral("Anzahl:"), g3))->setGeometry(16, 21, 50, 17);
        YarnCountEdit = named(new QSpinBox(g3), "YarnCountEdit");
        YarnCountEdit->setGeometry(66, 18, 50, 22);
        YarnCountEdit->setRange(pattern::kMotifYarnsMin, pattern::kMotifYarnsMax);
        YarnCountEdit->setValue(pattern::kMotifYarnsDefault);
        YarnCountEdit->setToolTip(QStringLiteral("So viele Garn-Farben werden aus dem Motiv genommen"));
        auto button = [g3](const char* name, const QString& caption, int x, int y, int w, const QString& hint) {
            auto* b = named(new QPushButton(caption, g3), name);
            b->setGeometry(x, y, w, 24);
            b->setToolTip(hint);
            return b;
        };
        FromMotifBtn = button("FromMotifBtn", QStringLiteral("Farben aus Motiv..."), 122, 17, 130,
                              QStringLiteral("Nimmt die Garn-Farben aus dem geladenen Motiv"));
        LoadPaletteBtn = button("LoadPaletteBtn", QStringLiteral("Palette laden..."), 258, 17, 124,
                                QStringLiteral("Lädt die Garn-Farben aus einer GIMP-Palette (.gpl)"));
        SavePaletteBtn = button("SavePaletteBtn", QStringLiteral("Palette speichern..."), 16, 43, 120,
                                QStringLiteral("Speichert die Garn-Farben als GIMP-Palette (.gpl)"));
        OpenPatternBtn = button("OpenPatternBtn", QStringLiteral("Muster öffnen..."), 140, 43, 116,
                                QStringLiteral("Öffnet ein gespeichertes Muster mit Garn-Farben, Maschenprobe und Größe"));
        SavePatternBtn = button("SavePatternBtn", QStringLiteral("Muster speichern..."), 260, 43, 122,
                                QStringLiteral("Speichert das Muster mit Garn-Farben, Maschenprobe und Größe als PNG-Bild"));
        YarnUsageLabel = named(new QLabel(g3), "YarnUsageLabel");
        YarnUsageLabel->setGeometry(16, 68, 366, 26);
        YarnUsageLabel->setWordWrap(true);
        YarnUsageLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        v->addWidget(g3);
        YarnsWaitingPanel = noticeStrip(right, "YarnsWaitingPanel", YarnsWaitingLabel, "YarnsWaitingLabel",
                                        yarnsWaitingText(), &TakeYarnsBtn, "TakeYarnsBtn", takeYarnsCaption(),
                                        takeYarnsHint());
        v->addWidget(YarnsWaitingPanel);
        v->addStretch(1);
    }

    // ---- page 4: Berechnen
    TabSheet4 = named(new QWidget, "TabSheet4");
    PageControl2->addTab(TabSheet4, QStringLiteral("Berechnen"));
    {
        QWidget* right = pageFrame(TabSheet4, QStringLiteral("Tricoma berechnen - Ergebnis bertrachten"),
                                   QStringLiteral("Muster berechnen..."), pictures::Id::DecoCompute);
        auto* v = new QVBoxLayout(right);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        auto* top = new QWidget(right);
        top->setFixedHeight(62);
        BitBtn3 = named(new TBitBtnXP(QStringLiteral("Berechnen"), top), "BitBtn3");
        BitBtn3->setGeometry(8, 8, 145, 25);
        BitBtn3->setGlyph(pictures::get(pictures::Id::GlyphCompute));
        BitBtnXP1 = named(new TBitBtnXP(QStringLiteral("Bild &speichern unter..."), top), "BitBtnXP1");
        BitBtnXP1->setGeometry(160, 8, 145, 25);
        BitBtnXP1->setGlyph(pictures::get(pictures::Id::GlyphSave));
        BitBtnXP1->setToolTip(QStringLiteral("Speichert das berechnete Maschenbild (ein Bildpunkt je Masche) als Bilddatei"));
        EditModeCheck = named(new QCheckBox(QStringLiteral("Nachbearbeiten"), top), "EditModeCheck");
        EditModeCheck->setGeometry(8, 40, 200, 17);
        // Undo, redo and zoom right after the check box's caption (its box is
        // wider than the text), the knittability switch after them.
        auto tool = [top](const char* name, const QString& caption, int x, const QString& hint) {
            auto* b = named(new QToolButton(top), name);
            b->setText(caption);
            b->setGeometry(x, 36, 24, 22);
            b->setToolTip(hint);
            return b;
        };
        UndoBtn = tool("UndoBtn", QStringLiteral("↶"), 124, QStringLiteral("Rückgängig (Strg+Z)"));
        RedoBtn = tool("RedoBtn", QStringLiteral("↷"), 150, QStringLiteral("Wiederholen (Strg+Y)"));
        ZoomOutBtn = tool("ZoomOutBtn", QStringLiteral("−"), 180, QStringLiteral("Verkleinern (− oder Strg+Mausrad)"));
        ZoomInBtn = tool("ZoomInBtn", QStringLiteral("+"), 206, QStringLiteral("Vergrößern (+ oder Strg+Mausrad)"));
        UndoBtn->setEnabled(false);
        RedoBtn->setEnabled(false);
        v->addWidget(top);
        createColourworkControls(right, v);
        Panel43 = named(new QWidget(right), "Panel43");
        Panel43->setFixedHeight(88);
        PaintBox3 = named(new TPaintBox(Panel43), "PaintBox3");
        PaintBox3->setGeometry(8, 7, 337, 81);
        Panel43->hide();
        v->addWidget(Panel43);
        createKnitControls(top, right, v);
        createEditorControls();
        ScrollBox1 = scrollView(right, "ScrollBox1");
        PaintBox2 = named(new TPaintBox, "PaintBox2");
        PaintBox2->setCursor(Qt::PointingHandCursor);
        ScrollBox1->setWidget(PaintBox2);
        // Beside the pictures the workspace colour shows; an opaque box also
        // lets scrolling move what is drawn instead of painting it again.
        PaintBox2->setBackgroundRole(QPalette::Dark);
        PaintBox2->setMouseTracking(true);  // the readout follows the pointer
        v->addWidget(ScrollBox1, 1);
        // Readouts under the view: the stitch under the pointer, the yarns in use.
        auto* info = named(new QWidget(right), "Panel44");
        info->setFixedHeight(32);
        auto* ih = new QHBoxLayout(info);
        ih->setContentsMargins(8, 1, 8, 1);
        StitchLabel = named(new QLabel(info), "StitchLabel");
        StitchLabel->setFixedWidth(124);
        StitchLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        ih->addWidget(StitchLabel);
        YarnUsageLabel2 = named(new QLabel(info), "YarnUsageLabel2");
        YarnUsageLabel2->setWordWrap(true);
        YarnUsageLabel2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        YarnUsageLabel2->setMinimumWidth(1);
        ih->addWidget(YarnUsageLabel2, 1);
        v->addWidget(info);
        // Under the readouts, so nothing above moves when they show.
        YarnsWaitingPanel2 = noticeStrip(right, "YarnsWaitingPanel2", YarnsWaitingLabel2, "YarnsWaitingLabel2",
                                         yarnsWaitingText(), &TakeYarnsBtn2, "TakeYarnsBtn2", takeYarnsCaption(),
                                         takeYarnsHint());
        v->addWidget(YarnsWaitingPanel2);
        v->addWidget(noticeStrip(right, "ComputeNoticePanel", ComputeNotice, "ComputeNotice", QString()));
    }

    // ---- page 5: Ergebnis verarbeiten
    TabSheet5 = named(new QWidget, "TabSheet5");
    PageControl2->addTab(TabSheet5, QStringLiteral("Ergebnis verarbeiten"));
    {
        QWidget* right = pageFrame(TabSheet5,
            QStringLiteral("Ergebnis verarbeiten - Muster bertrachten, speichern und drucken"),
            QStringLiteral("Ergebnis verarbeiten..."), pictures::Id::DecoResult);
        auto* v = new QVBoxLayout(right);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        auto* top = new QWidget(right);
        top->setFixedHeight(41);
        SaveAsBtn = named(new TBitBtnXP(QStringLiteral("Bild &speichern unter..."), top), "SaveAsBtn");
        SaveAsBtn->setGeometry(8, 8, 145, 25);
        SaveAsBtn->setGlyph(pictures::get(pictures::Id::GlyphSave));
        SaveAsBtn->setToolTip(QStringLiteral("Speichert die Strickvorlage mit Kästchen und Reihennummern als Bilddatei"));
        PrintBtn = named(new TBitBtnXP(QStringLiteral("Bild &drucken..."), top), "PrintBtn");
        PrintBtn->setGeometry(160, 8, 145, 25);
        PrintBtn->setGlyph(pictures::get(pictures::Id::GlyphPrint));
        ChartOptBtn = named(new TBitBtnXP(QStringLiteral("Dars&tellung..."), top), "ChartOptBtn");
        ChartOptBtn->setGeometry(312, 8, 92, 25);
        // The strip above the chart is full at the window's size: the PDF
        // export sits under the page's picture, where it moves nothing.
        QWidget* left = right->parentWidget()->layout()->itemAt(0)->widget();
        PdfBtn = named(new TBitBtnXP(QStringLiteral("Als &PDF speichern..."), left), "PdfBtn");
        PdfBtn->setGeometry(7, 298, 195, 25);
        PdfBtn->setGlyph(pictures::get(pictures::Id::GlyphSave));
        KnitModeBtn = named(new TBitBtnXP(QStringLiteral("Strick&modus..."), left), "KnitModeBtn");
        KnitModeBtn->setGeometry(7, 328, 195, 25);
        KnitModeBtn->setToolTip(QStringLiteral("Reihe für Reihe stricken: Strickschrift, aktuelle Reihe und Strickbild"));
        v->addWidget(top);
        ErgScrollBox = scrollView(right, "ErgScrollBox");
        ErgPaintBox = named(new TPaintBox, "ErgPaintBox");
        ErgPaintBox->setCursor(Qt::PointingHandCursor);
        ErgScrollBox->setWidget(ErgPaintBox);
        ErgPaintBox->setBackgroundRole(QPalette::Dark);
        v->addWidget(ErgScrollBox, 1);
    }

    // Pages 1 to 5 show icons 0, 1, 2, 4 and 3 of the list of seven.
    PageControl2->setIconSize(QSize(16, 16));
    const int tabIcons[5] = {0, 1, 2, 4, 3};
    for (int i = 0; i < 5; ++i) PageControl2->setTabIcon(i, pictures::tabIcon(tabIcons[i]));
    PageControl2->setCurrentIndex(0);

    if (QScreen* s = screen()) move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TMainForm::connectEvents() {
    using Btn = Qt::MouseButton;
    using Mods = Qt::KeyboardModifiers;
    connect(BitBtn3, &QPushButton::clicked, this, [this] { RenderBtnClick(BitBtn3); });
    connect(breited, &QDoubleSpinBox::valueChanged, this, [this] { breitedChange(breited); });
    connect(hoched, &QDoubleSpinBox::valueChanged, this, [this] { hochedChange(hoched); });
    for (QSpinBox* gauge : {maschened, reihened})
        connect(gauge, &QSpinBox::valueChanged, this, [this] { readSize(); });
    for (QDoubleSpinBox* size : {static_cast<QDoubleSpinBox*>(breited), static_cast<QDoubleSpinBox*>(hoched)})
        connect(size, &QDoubleSpinBox::valueChanged, this, [this] { readSize(); });

    // The XPaint handlers draw when called from a paint event and ask for
    // one otherwise (see TPaintBox::canvas).
    PaintBox1->onPaint = [this](QPainter&) { PaintBox1Paint(PaintBox1); };
    PaintBox2->onPaint = [this](QPainter&) { PaintBox2Paint(PaintBox2); };
    PaintBox3->onPaint = [this](QPainter&) { PaintBox3Paint(PaintBox3); };
    ErgPaintBox->onPaint = [this](QPainter&) { ErgPaintBoxPaint(ErgPaintBox); };
    PaintBox1->onMouseDown = [this](Btn b, Mods m, int x, int y) { PaintBox1MouseDown(PaintBox1, b, m, x, y); };
    PaintBox1->onMouseMove = [this](Mods m, int x, int y) { PaintBox1MouseMove(PaintBox1, m, x, y); };

    PaintBox2->onMouseDown = [this](Btn b, Mods m, int x, int y) { PaintBox2MouseDown(PaintBox2, b, m, x, y); };
    PaintBox2->onMouseMove = [this](Mods m, int x, int y) { PaintBox2MouseMove(PaintBox2, m, x, y); };
    PaintBox2->onMouseUp = [this](Btn b, Mods m, int x, int y) { PaintBox2MouseUp(PaintBox2, b, m, x, y); };
    PaintBox3->onMouseDown = [this](Btn b, Mods m, int x, int y) { PaintBox3MouseDown(PaintBox3, b, m, x, y); };
    connect(EditModeCheck, &QCheckBox::clicked, this, [this] { EditModeCheckClick(EditModeCheck); });

    connect(FromMotifBtn, &QPushButton::clicked, this, [this] { FromMotifBtnClick(FromMotifBtn); });
    connect(LoadPaletteBtn, &QPushButton::clicked, this, [this] { LoadPaletteBtnClick(LoadPaletteBtn); });
    connect(SavePaletteBtn, &QPushButton::clicked, this, [this] { SavePaletteBtnClick(SavePaletteBtn); });
    connect(OpenPatternBtn, &QPushButton::clicked, this, [this] { OpenPatternBtnClick(OpenPatternBtn); });
    connect(SavePatternBtn, &QPushButton::clicked, this, [this] { SavePatternBtnClick(SavePatternBtn); });
    connect(TakeYarnsBtn, &QPushButton::clicked, this, [this] { TakeYarnsBtnClick(TakeYarnsBtn); });
    connect(TakeYarnsBtn2, &QPushButton::clicked, this, [this] { TakeYarnsBtnClick(TakeYarnsBtn2); });
    // The one path from the pattern to the views, readouts and checks.
    connect(document_.get(), &pattern::PatternDocument::changed, this, &TMainForm::documentChanged);
    connect(UndoBtn, &QToolButton::clicked, undoStack, &QUndoStack::undo);
    connect(RedoBtn, &QToolButton::clicked, undoStack, &QUndoStack::redo);
    connect(undoStack, &QUndoStack::canUndoChanged, UndoBtn, &QWidget::setEnabled);
    connect(undoStack, &QUndoStack::canRedoChanged, RedoBtn, &QWidget::setEnabled);
    connect(ZoomOutBtn, &QToolButton::clicked, this, [this] { zoomBy(-1); });
    connect(ZoomInBtn, &QToolButton::clicked, this, [this] { zoomBy(+1); });
    ScrollBox1->viewport()->installEventFilter(this);
    PaintBox2->installEventFilter(this);  // the stitch readout ends where the grid does
    // The keys act on page 4 only: elsewhere they belong to the input fields.
    const std::pair<QKeySequence, std::function<void()>> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undoStack->undo(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { undoStack->redo(); }},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { undoStack->redo(); }},
        {QKeySequence(Qt::Key_Plus), [this] { zoomBy(+1); }},
        {QKeySequence(Qt::Key_Minus), [this] { zoomBy(-1); }},
    };
    std::vector<QShortcut*> pageKeys;
    for (const auto& [seq, act] : keys) {
        auto* sc = new QShortcut(seq, this);
        connect(sc, &QShortcut::activated, this, act);
        sc->setEnabled(false);
        pageKeys.push_back(sc);
    }
    connect(PageControl2, &QTabWidget::currentChanged, this, [this, pageKeys](int page) {
        for (QShortcut* sc : pageKeys) sc->setEnabled(PageControl2->widget(page) == TabSheet4);
    });

    ErgPaintBox->onMouseDown = [this](Btn b, Mods m, int x, int y) { ErgPaintBoxMouseDown(ErgPaintBox, b, m, x, y); };
    ErgPaintBox->onMouseMove = [this](Mods m, int x, int y) { ErgPaintBoxMouseMove(ErgPaintBox, m, x, y); };
    ErgPaintBox->onMouseUp = [this](Btn b, Mods m, int x, int y) { ErgPaintBoxMouseUp(ErgPaintBox, b, m, x, y); };
    connect(PageControl2, &QTabWidget::currentChanged, this, [this] { PageControl2Change(PageControl2); });
    StatusBar1->onDrawPanel = [this](QPainter& p, int panel, const QRect& r) { StatusBar1DrawPanel(p, panel, r); };

    connect(SaveAsBtn, &QPushButton::clicked, this, [this] { SaveAsBtnClick(SaveAsBtn); });
    connect(BitBtnXP1, &QPushButton::clicked, this, [this] { BitBtnXP1Click(BitBtnXP1); });
    connect(PrintBtn, &QPushButton::clicked, this, [this] { PrintBtnClick(PrintBtn); });
    connect(ChartOptBtn, &QPushButton::clicked, this, [this] { ChartOptBtnClick(ChartOptBtn); });
    connect(PdfBtn, &QPushButton::clicked, this, [this] { PdfBtnClick(PdfBtn); });
    connect(KnitModeBtn, &QPushButton::clicked, this, [this] { KnitModeBtnClick(KnitModeBtn); });
    // As in every desktop program; both act on the chart of the last page.
    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this, [this] { SaveChartKey(); });
    connect(new QShortcut(QKeySequence::Print, this), &QShortcut::activated, this, [this] { PrintChartKey(); });

    EndeBtn->onMouseDown = [this](Btn b, Mods m, int x, int y) { EndeBtnMouseDown(EndeBtn, b, m, x, y); };
    EndeBtn->onMouseMove = [this](Mods m, int x, int y) { EndeBtnMouseMove(EndeBtn, m, x, y); };
    EndeBtn->onMouseUp = [this](Btn b, Mods m, int x, int y) { EndeBtnMouseUp(EndeBtn, b, m, x, y); };
    EndeBtn->onClick = [this] { EndeBtnClick(EndeBtn); };
    EndeBtnDown->onClick = [this] { EndeBtnClick(EndeBtnDown); };
    // While pressed, the pressed picture holds the mouse; it lies exactly
    // over the normal one, so its positions are the normal one's.
    EndeBtnDown->onMouseMove = [this](Mods m, int x, int y) { EndeBtnMouseMove(EndeBtn, m, x, y); };
    EndeBtnDown->onMouseUp = [this](Btn b, Mods m, int x, int y) { EndeBtnMouseUp(EndeBtn, b, m, x, y); };
    ueberbtn->onMouseDown = [this](Btn b, Mods m, int x, int y) { ueberbtnMouseDown(ueberbtn, b, m, x, y); };
    ueberbtn->onMouseMove = [this](Mods m, int x, int y) { ueberbtnMouseMove(ueberbtn, m, x, y); };
    ueberbtn->onMouseUp = [this](Btn b, Mods m, int x, int y) { ueberbtnMouseUp(ueberbtn, b, m, x, y); };
    ueberbtn->onClick = [this] { ueberbtnClick(ueberbtn); };
    ueberBtn2->onClick = [this] { ueberBtn2Click(ueberBtn2); };
    ueberBtn2->onMouseMove = [this](Mods m, int x, int y) { ueberbtnMouseMove(ueberbtn, m, x, y); };
    ueberBtn2->onMouseUp = [this](Btn b, Mods m, int x, int y) { ueberbtnMouseUp(ueberbtn, b, m, x, y); };
    connect(wwwBtn, &QPushButton::clicked, this, [this] { wwwBtnClick(wwwBtn); });

    connect(FilterComboBox1, &QComboBox::currentIndexChanged, this, [this] { FilterComboBox1Change(FilterComboBox1); });
    connectKnitEvents();
    connectColourworkEvents();
    connectEditorEvents();
}
