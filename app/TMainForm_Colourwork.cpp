// Colourwork that can be knitted: the choice under the reduction method on
// page 3 ("Höchstens K Garne je Reihe", "Spannfäden höchstens F Maschen")
// and the compute it selects. The work is pattern::colourwork's.
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include "app/TMainForm.h"
#include "pattern/colourwork.h"
#include "pattern/compute.h"
#include "pattern/knitcheck.h"

namespace {

// Rows added to the method's group box below its two radio buttons.
constexpr int kRowsTop = 66, kRowStep = 26, kExtraHeight = 2 * kRowStep;

QSpinBox* spin(QWidget* parent, const char* name, int x, int y, int min, int max, int value) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setGeometry(x, y - 3, 48, 22);
    s->setRange(min, max);
    s->setValue(value);
    return s;
}

}  // namespace

void TMainForm::createColourworkControls(QWidget* method) {
    method->setFixedHeight(method->minimumHeight() + kExtraHeight);
    namespace cw = pattern::colourwork;
    int y = kRowsTop;
    ColourworkCheck = new QCheckBox(QStringLiteral("Höchstens"), method);
    ColourworkCheck->setObjectName(QStringLiteral("ColourworkCheck"));
    ColourworkCheck->setGeometry(16, y, 84, 17);
    ColourworkCheck->setToolTip(
        QStringLiteral("Berechnet jede Reihe mit den Garnen, die sie am besten wiedergeben, für Fair-Isle-Stricken"));
    YarnsPerRowEdit = spin(method, "YarnsPerRowEdit", 100, y, cw::kMinYarnsPerRow, cw::kMaxYarnsPerRow,
                           cw::kDefaultYarnsPerRow);
    auto* perRow = new QLabel(QStringLiteral("Garne je Reihe"), method);
    perRow->setGeometry(154, y, 100, 17);
    CoherentRowsCheck = new QCheckBox(QStringLiteral("Reihen angleichen"), method);
    CoherentRowsCheck->setObjectName(QStringLiteral("CoherentRowsCheck"));
    CoherentRowsCheck->setGeometry(256, y, 130, 17);
    CoherentRowsCheck->setToolTip(
        QStringLiteral("Wechselt die Garne von Reihe zu Reihe nur, wo es sich lohnt: der Hintergrund bleibt ruhig"));

    y += kRowStep;
    FloatMaxCheck = new QCheckBox(QStringLiteral("Spannfäden höchstens"), method);
    FloatMaxCheck->setObjectName(QStringLiteral("FloatMaxCheck"));
    FloatMaxCheck->setGeometry(16, y, 150, 17);
    FloatMaxCheck->setChecked(true);
    FloatMaxCheck->setToolTip(QStringLiteral("Kein Garn läuft auf der Rückseite über mehr Maschen"));
    FloatMaxEdit = spin(method, "FloatMaxEdit", 166, y, 0, pattern::kGaugeMax,
                        pattern::knit::defaultFloatLimit(pattern::kDefaultStitches));
    auto* stitches = new QLabel(QStringLiteral("Maschen"), method);
    stitches->setGeometry(220, y, 80, 17);

    // Everything but the switch itself waits for it.
    for (QWidget* w : {static_cast<QWidget*>(YarnsPerRowEdit), static_cast<QWidget*>(perRow),
                       static_cast<QWidget*>(CoherentRowsCheck), static_cast<QWidget*>(FloatMaxCheck),
                       static_cast<QWidget*>(FloatMaxEdit), static_cast<QWidget*>(stitches)})
        w->setEnabled(false);
}

void TMainForm::connectColourworkEvents() {
    auto enable = [this] {
        const bool on = ColourworkCheck->isChecked();
        YarnsPerRowEdit->setEnabled(on);
        CoherentRowsCheck->setEnabled(on);
        FloatMaxCheck->setEnabled(on);
        FloatMaxEdit->setEnabled(on && FloatMaxCheck->isChecked());
        for (QLabel* l : ColourworkCheck->parent()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) l->setEnabled(on);
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

pattern::ComputeStatus TMainForm::computeFromControls(int stitches, int rows, dib& grid) {
    const int rolmod = FSErrCheck->isChecked() ? 1 : 0;
    if (!ColourworkCheck || !ColourworkCheck->isChecked())
        return pattern::computeGrid(di, stitches, rows, pal, pattern::kYarnColours, rolmod, grid,
                                    [this](int p) { SetProSatus(p); });
    pattern::colourwork::Options o;
    o.maxYarns = YarnsPerRowEdit->value();
    o.floatLimit = FloatMaxCheck->isChecked() ? FloatMaxEdit->value() : -1;
    o.diffusion = rolmod == 1;
    o.coherentRows = CoherentRowsCheck->isChecked();
    const auto status = pattern::computeGrid(di, stitches, rows, pal, pattern::kYarnColours, o, grid,
                                             [this](int p) { SetProSatus(p); });
    if (status == pattern::ComputeStatus::Ok && ColourLimitEdit) {
        // The check judges the grid by what it was computed for.
        ColourLimitEdit->setValue(o.maxYarns);
        if (o.floatLimit >= 0) FloatLimitEdit->setValue(o.floatLimit);
    }
    return status;
}
