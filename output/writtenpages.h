// The written rows as pages after the chart: plain lines of text laid out
// on the printable area in millimetres, wrapped at the runs where a row is
// wider than the page, and drawn as text so a PDF stays searchable.
#pragma once

#include <QFont>
#include <QStringList>
#include <vector>

class QPainter;

namespace output {

inline constexpr double kWrittenFontMm = 3.2;   // about 9 points
inline constexpr double kWrittenIndentMm = 8.0; // continuation of a wrapped row

class WrittenPages {
public:
    explicit WrittenPages(QStringList lines);

    // Lays the lines out on a printable area of this size (mm).
    void setPageSize(double widthMm, double heightMm);
    int pageCount() const { return int(pages_.size()); }

    // Paints page `page` (from 1 among these pages). Device (0, 0) is the
    // printable area's top left corner; `dotsPerMm` device units make a mm.
    void paintPage(QPainter& p, int page, double dotsPerMm) const;

private:
    struct Line {
        QString text;
        bool continued = false;  // the rest of a wrapped row: indented
    };
    QStringList source_;
    QFont font_;
    double widthMm_ = 0;
    std::vector<std::vector<Line>> pages_;
};

}  // namespace output
