// Rendering the knitting chart into rdi.
#include <QSpinBox>

#include "app/ChartOptionsUnit.h"
#include "app/TMainForm.h"
#include "app/messages.h"
#include "platform/errorreport.h"
#include "chart/render.h"
#include "platform/controls.h"

void TMainForm::RenderDib() {
    readSize();
    chart::ChartInputs in;
    in.maschen = document_->maschen;
    in.reihen = document_->reihen;
    in.breite = document_->breite;
    in.hoch = document_->hoch;

    // At an unchanged size the chart is drawn over the old one's pixels:
    // no fresh memory, and never two charts at once.
    chart::ChartResult res = chart::renderChart(di3, in, rdi, chart::chartByteLimit(), chartopts);
    if (res.status != chart::ChartStatus::ok) {
        // The previous chart stays: it is only replaced by a complete new one.
        errorreport::Report(messages::chartRefusal(res), this);
        return;
    }
    freedib(rdi);  // empty when its block became the new chart
    rdi = res.chart;
}

void TMainForm::ChartOptBtnClick(QObject*) {
    TChartOptionsForm form(this, chartopts);
    if (form.exec() != QDialog::Accepted) return;
    const chart::ChartOptions chosen = form.options();
    chart::storeChartOptions(chosen);
    if (chosen == chartopts) return;
    chartopts = chosen;
    RenderDib();
    ErgPaintBox->update();
}
