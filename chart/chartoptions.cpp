#include "chart/chartoptions.h"

#include <algorithm>
#include <cmath>

#include "platform/controls.h"
#include "platform/settings.h"

namespace chart {

namespace {

constexpr char kGroup[] = "ChartOptions";

template <typename E>
E enumIn(int v, int last, E fallback) {
    return v >= 0 && v <= last ? E(v) : fallback;
}

}  // namespace

bool ChartOptions::plain() const {
    ChartOptions o = *this;
    o.yarnFactor = ChartOptions{}.yarnFactor;
    return o == ChartOptions{};
}

ChartOptions ChartOptions::sanitised() const {
    const ChartOptions d;
    ChartOptions o = *this;
    o.outline = enumIn(int(outline), 1, d.outline);
    o.heavyLines = enumIn(int(heavyLines), 2, d.heavyLines);
    o.rowNumbers = enumIn(int(rowNumbers), 2, d.rowNumbers);
    if (columnNumbers != 0 && columnNumbers != 5 && columnNumbers != 10) o.columnNumbers = d.columnNumbers;
    o.yarnFactor = std::isfinite(yarnFactor)
                       ? std::clamp(yarnFactor, pattern::kYarnFactorMin, pattern::kYarnFactorMax)
                       : d.yarnFactor;
    return o;
}

ChartOptions readChartOptions(QSettings& s) {
    ChartOptions o;
    s.beginGroup(QLatin1String(kGroup));
    int v = 0;
    if (platform::ReadInt(s, QStringLiteral("Outline"), v)) o.outline = Outline(v);
    if (platform::ReadInt(s, QStringLiteral("HeavyLines"), v)) o.heavyLines = HeavyLines(v);
    if (platform::ReadInt(s, QStringLiteral("ColumnNumbers"), v)) o.columnNumbers = v;
    if (platform::ReadInt(s, QStringLiteral("RowNumbers"), v)) o.rowNumbers = RowNumbering(v);
    if (platform::ReadInt(s, QStringLiteral("Symbols"), v)) o.symbols = v != 0;
    if (platform::ReadInt(s, QStringLiteral("Legend"), v)) o.legend = v != 0;
    // Stored with a point whatever the language, so a file moves between machines.
    bool ok = false;
    const double k = s.value(QStringLiteral("YarnFactor")).toString().toDouble(&ok);
    if (ok) o.yarnFactor = k;
    s.endGroup();
    return o.sanitised();
}

void writeChartOptions(QSettings& s, const ChartOptions& in) {
    const ChartOptions o = in.sanitised();
    s.beginGroup(QLatin1String(kGroup));
    s.setValue(QStringLiteral("Outline"), QString::number(int(o.outline)));
    s.setValue(QStringLiteral("HeavyLines"), QString::number(int(o.heavyLines)));
    s.setValue(QStringLiteral("ColumnNumbers"), QString::number(o.columnNumbers));
    s.setValue(QStringLiteral("RowNumbers"), QString::number(int(o.rowNumbers)));
    s.setValue(QStringLiteral("Symbols"), QString::number(int(o.symbols)));
    s.setValue(QStringLiteral("Legend"), QString::number(int(o.legend)));
    s.setValue(QStringLiteral("YarnFactor"), QString::number(o.yarnFactor, 'g', 6));
    s.endGroup();
}

ChartOptions loadChartOptions() { return readChartOptions(*platform::UserSettings()); }

void storeChartOptions(const ChartOptions& o) { writeChartOptions(*platform::UserSettings(), o); }

}  // namespace chart
