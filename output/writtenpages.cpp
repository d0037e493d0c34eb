#include "output/writtenpages.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace output {

namespace {

// Layout units: a tenth of a millimetre, so the font has a pixel size and
// the layout does not depend on any device's resolution.
constexpr double kUnitsPerMm = 10.0;

}  // namespace

WrittenPages::WrittenPages(QStringList lines) : source_(std::move(lines)) {
    font_ = QFont(QStringLiteral("DejaVu Sans"));
    font_.setPixelSize(int(std::lround(kWrittenFontMm * kUnitsPerMm)));
}

void WrittenPages::setPageSize(double widthMm, double heightMm) {
    pages_.clear();
    widthMm_ = widthMm;
    const QFontMetricsF fm(font_);
    const double width = widthMm * kUnitsPerMm, height = heightMm * kUnitsPerMm;
    const double indent = kWrittenIndentMm * kUnitsPerMm;
    const int perPage = int(height / fm.lineSpacing());
    if (perPage < 1 || width <= indent) return;
    std::vector<Line> lines;
    for (const QString& s : source_) {
        // Break between runs (after ", "), else where the text runs out.
        QString rest = s;
        bool continued = false;
        while (!rest.isEmpty()) {
            const double room = continued ? width - indent : width;
            if (fm.horizontalAdvance(rest) <= room) {
                lines.push_back({rest, continued});
                break;
            }
            qsizetype cut = -1;
            for (qsizetype at = rest.indexOf(QStringLiteral(", ")); at >= 0; at = rest.indexOf(QStringLiteral(", "), at + 1)) {
                if (fm.horizontalAdvance(rest.left(at + 1)) > room) break;
                cut = at + 1;
            }
            if (cut <= 0) {
                cut = 1;
                while (cut < rest.size() && fm.horizontalAdvance(rest.left(cut + 1)) <= room) ++cut;
            }
            lines.push_back({rest.left(cut).trimmed(), continued});
            rest = rest.mid(cut).trimmed();
            continued = true;
        }
    }
    for (std::size_t i = 0; i < lines.size(); i += std::size_t(perPage))
        pages_.emplace_back(lines.begin() + std::ptrdiff_t(i),
                            lines.begin() + std::ptrdiff_t(std::min(lines.size(), i + std::size_t(perPage))));
}

void WrittenPages::paintPage(QPainter& p, int page, double dotsPerMm) const {
    if (page < 1 || page > pageCount()) return;
    p.save();
    p.scale(dotsPerMm / kUnitsPerMm, dotsPerMm / kUnitsPerMm);
    p.setFont(font_);
    p.setPen(Qt::black);
    const QFontMetricsF fm(font_);
    double y = fm.ascent();
    for (const Line& l : pages_[std::size_t(page - 1)]) {
        p.drawText(QPointF(l.continued ? kWrittenIndentMm * kUnitsPerMm : 0.0, y), l.text);
        y += fm.lineSpacing();
    }
    p.restore();
}

}  // namespace output
