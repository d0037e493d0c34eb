// Rendering the knitting chart into rdi.
#include <QSpinBox>
#include <charconv>

#include "app/TMainForm.h"
#include "chart/render.h"
#include "platform/controls.h"
#include "platform/msgbox.h"

namespace {

// The field's value as an extended-precision number, read from its decimal
// form rather than widened from the nearest double, so that 1.3 cm stays
// 1.3 in the chart's products.
long double extendedValue(const QDoubleSpinBox* box) {
    const QByteArray text = QByteArray::number(box->value(), 'f', box->decimals());
    long double v = 0;
    const auto [end, ec] = std::from_chars(text.constData(), text.constData() + text.size(), v);
    if (ec != std::errc() || end != text.constData() + text.size()) return box->value();
    return v;
}

}  // namespace

void TMainForm::RenderDib() {
    chart::ChartInputs in;
    in.maschen = maschened->value();
    in.reihen = reihened->value();
    in.breite = extendedValue(breited);
    in.hoch = extendedValue(hoched);

    chart::ChartResult res = chart::renderChart(di3, in);
    if (res.status != chart::ChartStatus::ok) {
        // The previous chart stays: it is only replaced by a complete new one.
        platform::MessageBox(this, chart::chartErrorText(res), QString(),
                             platform::MB_OK | platform::MB_ICONERROR);
        return;
    }
    freedib(rdi);
    rdi = res.chart;
}
