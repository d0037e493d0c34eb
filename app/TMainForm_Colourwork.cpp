// Colourwork that can be knitted: the choice on page 4 under "Berechnen"
// ("Höchstens K Garne je Reihe", "Spannfäden höchstens F Maschen") and the
// compute it selects. The work is pattern::colourwork's.
#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include "app/TMainForm.h"
#include "pattern/colourwork.h"
#include "pattern/compute.h"
#include "pattern/knitcheck.h"

namespace {

QSpinBox* spin(QWidget* parent, const char* name, int min, int max, int value) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(min, max);
    s->setValue(value);
    s->setFixedWidth(44);
    return s;
}

}  // namespace

void TMainForm::createColourworkControls(QWidget* right, QBoxLayout* page) {
    namespace cw = pattern::colourwork;
    // Two rows under the compute buttons; page 3, where the method is
    // chosen, has no height to spare and too little room beside its radio
    // buttons.
    ColourworkPanel = new QWidget(right);
    ColourworkPanel->setObjectName(QStringLiteral("ColourworkPanel"));
    auto* v = new QVBoxLayout(ColourworkPanel);
    v->setContentsMargins(8, 0, 8, 4);
    v->setSpacing(2);
    auto row = [&] {
        auto* h = new QHBoxLayout;
        h->setSpacing(4);
        v->addLayout(h);
        return h;
    };
    QHBoxLayout* yarns = row();
    ColourworkCheck = new QCheckBox(QStringLiteral("Höchstens"), ColourworkPanel);
    ColourworkCheck->setObjectName(QStringLiteral("ColourworkCheck"));
    ColourworkCheck->setToolTip(QStringLiteral(
        "Berechnet jede Reihe mit den Garnen, die sie am besten wiedergeben (Fair Isle), nach der Methode von Seite \u201eFarben\u201c"));
    yarns->addWidget(ColourworkCheck);
    YarnsPerRowEdit = spin(ColourworkPanel, "YarnsPerRowEdit", cw::kMinYarnsPerRow, cw::kMaxYarnsPerRow,
                           cw::kDefaultYarnsPerRow);
    yarns->addWidget(YarnsPerRowEdit);
    yarns->addWidget(new QLabel(QStringLiteral("Garne je Reihe"), ColourworkPanel));
    yarns->addSpacing(12);
    CoherentRowsCheck = new QCheckBox(QStringLiteral("Reihen angleichen"), ColourworkPanel);
    CoherentRowsCheck->setObjectName(QStringLiteral("CoherentRowsCheck"));
    CoherentRowsCheck->setToolTip(
        QStringLiteral("Wechselt die Garne von Reihe zu Reihe nur, wo es sich lohnt: der Hintergrund bleibt ruhig"));
    yarns->addWidget(CoherentRowsCheck);
    yarns->addStretch(1);

    QHBoxLayout* floats = row();
    floats->addSpacing(20);  // under the switch's caption
    FloatMaxCheck = new QCheckBox(QStringLiteral("Spannfäden höchstens"), ColourworkPanel);
    FloatMaxCheck->setObjectName(QStringLiteral("FloatMaxCheck"));
    FloatMaxCheck->setChecked(true);
    FloatMaxCheck->setToolTip(QStringLiteral("Kein Garn läuft auf der Rückseite über mehr Maschen"));
    floats->addWidget(FloatMaxCheck);
    FloatMaxEdit = spin(ColourworkPanel, "FloatMaxEdit", 0, pattern::kGaugeMax,
                        pattern::knit::defaultFloatLimit(pattern::kDefaultStitches));
    floats->addWidget(FloatMaxEdit);
    floats->addWidget(new QLabel(QStringLiteral("Maschen"), ColourworkPanel));
    floats->addStretch(1);
    page->addWidget(ColourworkPanel);

    // Everything but the switch itself waits for it.
    for (QWidget* w : ColourworkPanel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != ColourworkCheck) w->setEnabled(false);
}

void TMainForm::connectColourworkEvents() {
    auto enable = [this] {
        const bool on = ColourworkCheck->isChecked();
        YarnsPerRowEdit->setEnabled(on);
        CoherentRowsCheck->setEnabled(on);
        FloatMaxCheck->setEnabled(on);
        FloatMaxEdit->setEnabled(on && FloatMaxCheck->isChecked());
        for (QLabel* l : ColourworkPanel->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) l->setEnabled(on);
    };
    connect(ColourworkCheck, &QCheckBox::toggled, this, enable);

    connect(FloatMaxCheck, &QCheckBox::toggled, this, enable);
    // The limit offered is the check's (the stitches in 2.5 cm at the
    // gauge) as long as the user has not chosen another.
    auto follow = [this] {
        const int check = FloatLimitEdit ? FloatLimitEdit->value()
                                         : pattern::knit::defaultFloatLimit(maschened->value());
        if (colourworkFloatDefault_ < 0 || FloatMaxEdit->value() == colourworkFloatDefault_) {
            const QSignalBlocker quiet(FloatMaxEdit);
            FloatMaxEdit->setValue(check);
        }
        colourworkFloatDefault_ = check;
    };
    connect(FloatLimitEdit, &QSpinBox::valueChanged, this, follow);
    connect(maschened, &QSpinBox::valueChanged, this, follow);
    follow();
}

pattern::ComputeStatus TMainForm::computeFromControls(int stitches, int rows, dib& grid,
                                                      const pattern::CancellableProgress& progress) {
    const int rolmod = FSErrCheck->isChecked() ? 1 : 0;
    if (!ColourworkCheck || !ColourworkCheck->isChecked())
        return pattern::computeGridCancellable(di, stitches, rows, pal, pattern::kYarnColours, rolmod, grid, progress);
    pattern::colourwork::Options o;
    o.maxYarns = YarnsPerRowEdit->value();
    o.floatLimit = FloatMaxCheck->isChecked() ? FloatMaxEdit->value() : -1;
    o.diffusion = rolmod == 1;
    o.coherentRows = CoherentRowsCheck->isChecked();
    const auto status =
        pattern::computeGridCancellable(di, stitches, rows, pal, pattern::kYarnColours, o, grid, progress);
    if (status == pattern::ComputeStatus::Ok && ColourLimitEdit) {
        // The check judges the grid by what it was computed for.
        ColourLimitEdit->setValue(o.maxYarns);
        if (o.floatLimit >= 0) FloatLimitEdit->setValue(o.floatLimit);
    }
    return status;
}
