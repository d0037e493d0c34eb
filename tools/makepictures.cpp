// Draws every picture of the program and writes them as PNG files with the
// resource list that builds them into the program:
//
//   makepictures <source root>
//
// writes <root>/app/pictures/*.png, <root>/app/tricoma.qrc, the desktop
// icon <root>/tricoma/tricoma.png with its other sizes in <root>/tricoma/icons,
// and the sample motifs <root>/samples/*. The pictures are committed, so a
// normal build does not run this; run it again after changing a drawing.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTextStream>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "app/pictures.h"

using pictures::Id;

namespace {

// ---- yarn colours
const QColor kCream(246, 238, 220);
const QColor kRed(196, 32, 48);
const QColor kPink(236, 120, 140);
const QColor kNavy(32, 48, 104);
const QColor kGold(232, 176, 48);
const QColor kGreen(48, 128, 72);
const QColor kBlue(72, 132, 200);
const QColor kBrown(122, 76, 40);
const QColor kWhite(252, 252, 248);

QImage blank(int w, int h, QColor fill = Qt::transparent) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

// ---- one knitted stitch: the two legs of a "V", shaded like wool
void stitch(QPainter& p, const QRectF& cell, const QColor& c) {
    const qreal w = cell.width(), h = cell.height();
    for (int side = 0; side < 2; ++side) {
        p.save();
        const qreal cx = cell.left() + (side == 0 ? 0.3 : 0.7) * w;
        const qreal cy = cell.top() + 0.52 * h;
        p.translate(cx, cy);
        p.rotate(side == 0 ? -28 : 28);
        QRectF leg(-0.26 * w, -0.68 * h, 0.52 * w, 1.36 * h);
        QLinearGradient g(leg.topLeft(), leg.topRight());
        g.setColorAt(0.0, c.darker(135));
        g.setColorAt(0.45, c.lighter(118));
        g.setColorAt(1.0, c.darker(145));
        p.setBrush(g);
        p.setPen(QPen(c.darker(175), 0.6));
        p.drawEllipse(leg);
        p.restore();
    }
}

// Knits a chart: one character per stitch, looked up in `colours`.
void knit(QPainter& p, const QRectF& area, const QStringList& rows, const std::map<QChar, QColor>& colours) {
    if (rows.isEmpty()) return;
    const int n = int(rows.size()), m = int(rows.first().size());
    const qreal sw = area.width() / m, sh = area.height() / n;
    p.save();
    p.setClipRect(area, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    p.setRenderHint(QPainter::Antialiasing);
    // The gaps between the stitches show the darker back of the fabric.
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < m; ++x)
            p.fillRect(QRectF(area.left() + x * sw, area.top() + y * sh, sw, sh),
                       colours.at(rows[y][x]).darker(190));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < m; ++x)
            stitch(p, QRectF(area.left() + x * sw, area.top() + y * sh, sw, sh), colours.at(rows[y][x]));
    p.restore();
}

QStringList filled(int rows, int cols, QChar c) { return QStringList(rows, QString(cols, c)); }

// Puts `motif` into `chart` with its top-left stitch at (x, y).
void place(QStringList& chart, const QStringList& motif, int x, int y) {
    for (int r = 0; r < motif.size(); ++r)
        for (int c = 0; c < motif[r].size(); ++c)
            if (motif[r][c] != QLatin1Char('.') && y + r < chart.size() && x + c < chart[y + r].size())
                chart[y + r][x + c] = motif[r][c];
}

const QStringList kHeart = {
    "...RRR....RRR...", "..RPPRR..RRRRR..", ".RPRRRRRRRRRRRR.", ".RRRRRRRRRRRRRR.",
    ".RRRRRRRRRRRRRR.", "..RRRRRRRRRRRR..", "...RRRRRRRRRR...", "....RRRRRRRR....",
    ".....RRRRRR.....", "......RRRR......", ".......RR.......",
};

// Decorations of the left panels, 16 stitches wide and 28 rows high; the
// top rows lie under the caption box.
QImage decoration(Id id) {
    QImage img = blank(193, 281, kCream);
    QPainter p(&img);
    const QRectF area(0.5, 0.5, 192, 280);
    std::map<QChar, QColor> col = {{'.', kCream}, {'R', kRed},  {'P', kPink}, {'N', kNavy}, {'Y', kGold},
                                   {'G', kGreen}, {'B', kBlue}, {'W', kWhite}, {'T', kBrown}, {'C', kCream}};
    QStringList chart = filled(28, 16, '.');
    if (id == Id::DecoSize) {
        place(chart, kHeart, 0, 11);
        chart[24] = "R.R.R.R.R.R.R.R.";
        chart[25] = ".R.R.R.R.R.R.R.R";
        chart[26] = "RRRRRRRRRRRRRRRR";
        chart[8] = "RRRRRRRRRRRRRRRR";
        chart[9] = ".R.R.R.R.R.R.R.R";
    } else if (id == Id::DecoColours) {
        const QStringList band = {
            "NNNNNNNNNNNNNNNN", "N.N.N.N.N.N.N.N.", "NNNNNNNNNNNNNNNN", "................",
            "...R.......R....", "..RRR.....RRR...", ".RRYRR...RRYRR..", "RRYYYRR.RRYYYRR.",
            ".RRYRR...RRYRR..", "..RRR.....RRR...", "...R.......R....", "................",
            "GGGGGGGGGGGGGGGG", "G.GG.GG.GG.GG.GG", "GGGGGGGGGGGGGGGG", "................",
            "..B...B...B...B.", ".BBB.BBB.BBB.BBB", "..B...B...B...B.", "................",
            "YYYYYYYYYYYYYYYY", "Y.Y.Y.Y.Y.Y.Y.Y.", ".Y.Y.Y.Y.Y.Y.Y.Y", "YYYYYYYYYYYYYYYY",
        };
        place(chart, band, 0, 4);
    } else if (id == Id::DecoCompute) {
        col['.'] = kWhite;
        // An eight-pointed star: in every quarter two slanted petals, one
        // along each axis, with the diagonal left open between them.
        QStringList star = filled(15, 15, '.');
        for (int r = 0; r < 15; ++r)
            for (int c = 0; c < 15; ++c) {
                const int dx = std::abs(c - 7), dy = std::abs(r - 7);
                if ((dx < dy && dy - dx <= 4 && dx <= 3) || (dy < dx && dx - dy <= 4 && dy <= 3)) star[r][c] = 'N';
                if (dx + dy == 0) star[r][c] = 'R';
            }
        place(chart, star, 0, 11);
        chart[8] = "NNNNNNNNNNNNNNNN";
        chart[9] = "..N...N...N...N.";
        chart[26] = "..N...N...N...N.";
        chart[27] = "NNNNNNNNNNNNNNNN";
    } else {
        col['.'] = kNavy;
        const QStringList tree = {
            ".......Y........", ".......G........", "......GGG.......", ".....GGGGG......",
            "......GGG.......", ".....GGRGG......", "....GGGGGGG.....", ".....GGGGG......",
            "....GGGGRGG.....", "...GGGGGGGGG....", "....GGGGGGG.....", "...GGRGGGGGG....",
            "..GGGGGGGGGGG...", ".......T........", "......TTT.......",
        };
        place(chart, tree, 0, 10);
        for (int r : {9, 12, 17, 21}) chart[r][r % 2 ? 13 : 2] = 'W';
        chart[26] = "WWWWWWWWWWWWWWWW";
        chart[27] = "W.W.W.W.W.W.W.W.";
    }
    knit(p, area, chart, col);
    return img;
}

// ---- a ball of yarn with a few wound strands
void yarnBall(QPainter& p, QPointF centre, qreal r, const QColor& c) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(centre - QPointF(r * 0.35, r * 0.35), r * 1.4);
    g.setColorAt(0, c.lighter(140));
    g.setColorAt(0.6, c);
    g.setColorAt(1, c.darker(160));
    p.setBrush(g);
    p.setPen(QPen(c.darker(180), std::max(0.8, r / 20)));
    p.drawEllipse(centre, r, r);
    p.setClipRegion(QRegion(QRect(int(centre.x() - r), int(centre.y() - r), int(2 * r), int(2 * r)), QRegion::Ellipse));
    p.setPen(QPen(c.darker(130), std::max(0.7, r / 16)));
    p.setBrush(Qt::NoBrush);
    for (int i = -3; i <= 3; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(35);
        p.drawEllipse(QPointF(i * r * 0.22, 0), r * 0.35, r * 1.2);
        p.restore();
    }
    p.setPen(QPen(c.lighter(115), std::max(0.6, r / 22)));
    for (int i = -2; i <= 2; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(-50);
        p.drawEllipse(QPointF(i * r * 0.3, 0), r * 0.3, r * 1.3);
        p.restore();
    }
    p.restore();
}

void needle(QPainter& p, QPointF from, QPointF to, qreal thick, const QColor& c) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(c.darker(140), thick + 1.2, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.drawLine(from, to);
    pen.setColor(c);
    pen.setWidthF(thick);
    p.setPen(pen);
    p.drawLine(from, to);
    p.setPen(Qt::NoPen);
    p.setBrush(c.darker(150));
    p.drawEllipse(from, thick * 1.3, thick * 1.3);
    p.restore();
}

// ---- picture buttons, 101 x 30: word in blue on light grey, pressed in
// yellow outlined blue on a darker grey.
QImage pictureButton(const QString& word, bool pressed) {
    QImage img = blank(101, 30);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF face(0.5, 0.5, 100, 29);
    QLinearGradient g(face.topLeft(), face.bottomLeft());
    g.setColorAt(0, pressed ? QColor(150, 150, 156) : QColor(246, 246, 248));
    g.setColorAt(1, pressed ? QColor(178, 178, 184) : QColor(206, 206, 212));
    p.setBrush(g);
    p.setPen(QPen(QColor(96, 96, 110), 1));
    p.drawRoundedRect(face, 5, 5);
    const qreal shift = pressed ? 1 : 0;
    yarnBall(p, QPointF(16 + shift, 15 + shift), 8, pressed ? kGold : kRed);
    needle(p, QPointF(7 + shift, 24 + shift), QPointF(27 + shift, 5 + shift), 1.4, QColor(150, 110, 60));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(15);
    f.setBold(true);
    QPainterPath text;
    const QRectF box(30 + shift, shift, 70, 30);
    text.addText(0, 0, f, word);
    const QRectF tb = text.boundingRect();
    text.translate(box.center() - tb.center());
    if (pressed) {
        p.setPen(QPen(QColor(20, 40, 160), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(text);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 226, 40));
        p.drawPath(text);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(24, 56, 190));
        p.drawPath(text);
    }
    return img;
}

// ---- small pictures
QImage globe(int w, int h) {
    QImage img = blank(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal r = std::min(w, h) / 2.0 - 1;
    const QPointF c(w / 2.0, h / 2.0);
    QRadialGradient g(c - QPointF(r / 3, r / 3), r * 1.5);
    g.setColorAt(0, QColor(170, 215, 255));
    g.setColorAt(1, QColor(30, 90, 170));
    p.setBrush(g);
    p.setPen(QPen(QColor(20, 60, 120), 1));
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(235, 245, 255), 0.9));
    p.drawEllipse(c, r * 0.45, r);
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
    p.drawLine(QPointF(c.x() - r * 0.85, c.y() - r * 0.5), QPointF(c.x() + r * 0.85, c.y() - r * 0.5));
    p.drawLine(QPointF(c.x() - r * 0.85, c.y() + r * 0.5), QPointF(c.x() + r * 0.85, c.y() + r * 0.5));
    if (w >= 20) {
        // a strand of red yarn winding round the globe
        QPainterPath thread(QPointF(1, h - 3));
        thread.cubicTo(QPointF(w * 0.3, h * 0.4), QPointF(w * 0.7, h * 1.1), QPointF(w - 1, 3));
        p.setPen(QPen(kRed, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(thread);
    }
    return img;
}

QImage folderIcon() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    p.drawRoundedRect(QRectF(0.5, 3.5, 15, 11), 1.5, 1.5);
    p.setBrush(QColor(250, 222, 120));
    p.drawRect(QRectF(0.5, 2.5, 6, 2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(QRectF(3, 6, 10, 7));
    p.setBrush(kRed);
    QPainterPath heart;
    heart.moveTo(8, 12);
    heart.cubicTo(3, 9, 5, 5.5, 8, 7.8);
    heart.cubicTo(11, 5.5, 13, 9, 8, 12);
    p.drawPath(heart);
    return img;
}

QImage rulerIcon() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(8, 8);
    p.rotate(-35);
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(250, 214, 70));
    p.drawRect(QRectF(-8, -3, 16, 6));
    p.setPen(QPen(QColor(60, 40, 0), 0.8));
    for (int i = -6; i <= 6; i += 2) p.drawLine(QPointF(i, -3), QPointF(i, i % 4 == 0 ? 0.5 : -1));
    return img;
}

QImage paletteIcon() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor balls[4] = {kRed, kBlue, kGold, kGreen};
    const QPointF at[4] = {{5, 5}, {11, 5}, {5, 11}, {11, 11}};
    for (int i = 0; i < 4; ++i) yarnBall(p, at[i], 4.2, balls[i]);
    return img;
}

QImage chartIcon() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.fillRect(QRect(1, 1, 14, 14), kWhite);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool on = (x == 1 || x == 2) ? y >= 0 && y < 3 : y == 1;
            p.fillRect(QRect(2 + x * 3, 2 + y * 3, 3, 3), on ? kRed : kCream);
        }
    p.setPen(QColor(90, 90, 90));
    for (int i = 0; i <= 4; ++i) {
        p.drawLine(1 + i * 3, 1, 1 + i * 3, 14);
        p.drawLine(1, 1 + i * 3, 14, 1 + i * 3);
    }
    return img;
}

QImage needlesIcon(bool withBall = true) {
    QImage img = blank(16, 16);
    QPainter p(&img);
    if (withBall) yarnBall(p, QPointF(9.5, 9.5), 5.8, kRed);
    needle(p, QPointF(2, 3), QPointF(14, 14), 1.2, QColor(160, 120, 60));
    needle(p, QPointF(2, 13), QPointF(13, 2), 1.2, QColor(160, 120, 60));
    return img;
}

QImage diskIcon() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 40, 90), 1));
    p.setBrush(QColor(60, 100, 180));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    p.setBrush(QColor(245, 245, 245));
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(QColor(210, 210, 215));
    p.drawRect(QRectF(4, 9, 8, 5.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 100, 180));
    p.drawRect(QRectF(9, 2.5, 2, 3));
    return img;
}

QImage printerIcon() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(80, 80, 80), 1));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(170, 170, 178));
    p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.5, 1.5);
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawRect(QRectF(6, 11, 4, 1));
    p.setBrush(QColor(90, 200, 90));
    p.drawEllipse(QPointF(12.5, 7.5), 0.9, 0.9);
    return img;
}

QImage okIcon() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tick(QPointF(2, 8.5));
    tick.lineTo(6.5, 13);
    tick.lineTo(14, 3);
    p.setPen(QPen(QColor(20, 110, 40), 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.setPen(QPen(QColor(70, 190, 90), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    return img;
}

QImage aboutPicture() {
    QImage img = blank(306, 322, kCream);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // a knitted swatch with a heart, hanging from its needle
    std::map<QChar, QColor> col = {{'.', kCream}, {'R', kRed}, {'P', kPink}, {'G', kGreen}};
    QStringList chart = filled(18, 18, '.');
    place(chart, kHeart, 1, 3);
    chart[16] = "G.G.G.G.G.G.G.G.G.";
    chart[17] = "GGGGGGGGGGGGGGGGGG";
    chart[0] = "GGGGGGGGGGGGGGGGGG";
    chart[1] = ".G.G.G.G.G.G.G.G.G";
    knit(p, QRectF(24, 40, 216, 198), chart, col);
    needle(p, QPointF(8, 36), QPointF(270, 40), 5, QColor(176, 132, 70));
    // the ball it comes from, with the strand running to the swatch
    QPainterPath strand(QPointF(234, 236));
    strand.cubicTo(QPointF(260, 260), QPointF(220, 270), QPointF(232, 280));
    p.setPen(QPen(kRed.darker(110), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(strand);
    yarnBall(p, QPointF(236, 262), 52, kRed);
    yarnBall(p, QPointF(92, 282), 34, kBlue);
    needle(p, QPointF(150, 316), QPointF(300, 170), 5, QColor(176, 132, 70));
    return img;
}

// Drawn on a 256 grid and scaled, so every icon size is drawn, not resampled.
QImage programIcon(int size = 256) {
    QImage img = blank(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(8, 8, 240, 240), 36, 36);
    p.setClipPath(clip);
    std::map<QChar, QColor> col = {{'.', kCream}, {'R', kRed}, {'P', kPink}};
    QStringList chart = filled(16, 16, '.');
    place(chart, kHeart, 0, 2);
    knit(p, QRectF(8, 8, 240, 240), chart, col);
    p.setClipping(false);
    p.setPen(QPen(kBrown, 4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 36, 36);
    yarnBall(p, QPointF(196, 196), 46, kBlue);
    needle(p, QPointF(120, 244), QPointF(250, 130), 7, QColor(176, 132, 70));
    return img;
}

// ---- file list icons, 16 x 16
QImage listFolderIcon() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(250, 222, 120));
    p.drawRect(QRectF(0.5, 2.5, 6, 2));
    p.setBrush(QColor(240, 200, 80));
    p.drawRoundedRect(QRectF(0.5, 3.5, 15, 10.5), 1.5, 1.5);
    return img;
}

QImage listPictureIcon() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(170, 210, 245));
    p.drawRect(QRectF(0.5, 2.5, 15, 11));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    p.drawEllipse(QPointF(11.5, 6), 1.8, 1.8);
    QPainterPath hills(QPointF(1, 13));
    hills.lineTo(5.5, 7.5);
    hills.lineTo(9, 11);
    hills.lineTo(11, 9);
    hills.lineTo(15, 13);
    hills.closeSubpath();
    p.setBrush(kGreen);
    p.drawPath(hills);
    return img;
}

QImage listFileIcon() {
    QImage img = blank(16, 16);
    QPainter p(&img);
    p.setPen(QPen(QColor(110, 110, 110), 1));
    p.setBrush(QColor(255, 255, 255));
    QPolygonF page({QPointF(2.5, 0.5), QPointF(10.5, 0.5), QPointF(13.5, 3.5), QPointF(13.5, 15.5), QPointF(2.5, 15.5)});
    p.drawPolygon(page);
    p.setPen(QPen(QColor(170, 170, 170), 1));
    for (int y = 5; y <= 13; y += 2) p.drawLine(QPointF(4.5, y + 0.5), QPointF(11.5, y + 0.5));
    return img;
}

// ---- sample motifs: one picture pixel per stitch block, flat colours, so
// the colour reduction finds clean yarn colours.
struct Sample {
    const char* file;
    QStringList chart;
    std::map<QChar, QColor> colours;
};

QStringList framed(const QStringList& motif, int margin, QChar c) {
    const int w = int(motif.first().size());
    QStringList out = filled(int(motif.size()) + 2 * margin, w + 2 * margin, c);
    place(out, motif, margin, margin);
    return out;
}

// A shape with the symmetry of a square: the points (dx, dy) with
// 0 <= dx <= dy, reflected into all eight octants around the centre.
QStringList eightfold(int radius, const std::vector<std::pair<int, int>>& points, QChar c) {
    const int n = 2 * radius + 1;
    QStringList out = filled(n, n, '.');
    for (auto [a, b] : points)
        for (auto [dx, dy] : {std::pair{a, b}, std::pair{b, a}})
            for (int sx : {-1, 1})
                for (int sy : {-1, 1}) out[radius + sy * dy][radius + sx * dx] = c;
    return out;
}

std::vector<Sample> samples() {
    std::vector<Sample> out;
    // Star: eight slanted petals, as on the compute page's decoration.
    QStringList star = filled(15, 15, '.');
    for (int r = 0; r < 15; ++r)
        for (int c = 0; c < 15; ++c) {
            const int dx = std::abs(c - 7), dy = std::abs(r - 7);
            if ((dx < dy && dy - dx <= 4 && dx <= 3) || (dy < dx && dx - dy <= 4 && dy <= 3)) star[r][c] = 'N';
            if (dx + dy == 0) star[r][c] = 'R';
        }
    out.push_back({"Stern.png", framed(star, 2, '.'), {{'.', kCream}, {'N', kNavy}, {'R', kRed}}});

    out.push_back({"Herz.png", framed(kHeart, 2, '.'), {{'.', kCream}, {'R', kRed}, {'P', kPink}}});

    // Snowflake: arms along the axes and diagonals, with forks and tips.
    QStringList flake = eightfold(9,
                                  {{0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {0, 7}, {0, 8}, {1, 1}, {2, 2}, {3, 3},
                                   {4, 4}, {5, 5}, {6, 6}, {1, 5}, {2, 6}, {1, 8}, {1, 9}, {4, 6}, {5, 7}},
                                  'W');
    flake[9][9] = 'B';
    out.push_back({"Schneeflocke.png", framed(flake, 1, '.'), {{'.', kNavy}, {'W', kWhite}, {'B', kBlue}}});

    // Border: a band of diamonds between two edges, 6 repeats of 8 stitches.
    const QStringList repeat = {
        "NNNNNNNN", "N.N.N.N.", "........", "...R....", "..RYR...", ".RY.YR..",
        "RY...YR.", ".RY.YR..", "..RYR...", "...R....", "........", ".N.N.N.N", "NNNNNNNN",
    };
    QStringList band;
    for (const QString& row : repeat) band.append(row.repeated(6));
    out.push_back({"Borte.bmp", band, {{'.', kCream}, {'N', kGreen}, {'R', kRed}, {'Y', kGold}}});
    return out;
}

// Each stitch as a block of `cell` pixels, 24 bits without alpha.
QImage drawSample(const Sample& s, int cell) {
    const int rows = int(s.chart.size()), cols = int(s.chart.first().size());
    QImage img(cols * cell, rows * cell, QImage::Format_RGB888);
    QPainter p(&img);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) p.fillRect(x * cell, y * cell, cell, cell, s.colours.at(s.chart[y][x]));
    return img;
}

QImage draw(Id id) {
    switch (id) {
    case Id::UeberUp: return pictureButton(QStringLiteral("Über"), false);
    case Id::UeberDown: return pictureButton(QStringLiteral("Über"), true);
    case Id::EndeUp: return pictureButton(QStringLiteral("Ende"), false);
    case Id::EndeDown: return pictureButton(QStringLiteral("Ende"), true);
    case Id::DecoSize:
    case Id::DecoColours:
    case Id::DecoCompute:
    case Id::DecoResult: return decoration(id);
    case Id::Tab0: return folderIcon();
    case Id::Tab1: return rulerIcon();
    case Id::Tab2: return paletteIcon();
    case Id::Tab3: return chartIcon();
    case Id::Tab4: return needlesIcon();
    case Id::Tab5: return diskIcon();
    case Id::Tab6: return printerIcon();
    case Id::GlyphCompute: return needlesIcon();
    case Id::GlyphSave: return diskIcon();
    case Id::GlyphPrint: return printerIcon();
    case Id::GlyphOk: return okIcon();
    case Id::GlyphWeb: return globe(16, 16);
    case Id::WebLogo: return globe(24, 25);
    case Id::About: return aboutPicture();
    case Id::Icon: return programIcon();
    case Id::ListFolder: return listFolderIcon();
    case Id::ListPicture: return listPictureIcon();
    case Id::ListFile: return listFileIcon();
    }
    return QImage();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makepictures <source root>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir root(QString::fromLocal8Bit(argv[1]));
    root.mkpath(QStringLiteral("app/pictures"));

    QFile qrc(root.filePath(QStringLiteral("app/tricoma.qrc")));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    QTextStream out(&qrc);
    out << "<!-- Written by tools/makepictures.cpp. -->\n<RCC>\n  <qresource prefix=\"/pictures\">\n";
    for (const pictures::Entry& e : pictures::all()) {
        QImage img = draw(e.id);
        if (img.width() != e.width || img.height() != e.height) {
            std::fprintf(stderr, "%s: drawn %dx%d, wanted %dx%d\n", e.file, img.width(), img.height(), e.width,
                         e.height);
            return 1;
        }
        const QString name = QString::fromLatin1(e.file);
        if (!img.save(root.filePath(QStringLiteral("app/pictures/") + name))) return 1;
        out << "    <file alias=\"" << name << "\">pictures/" << name << "</file>\n";
        if (e.id == Id::Icon && !img.save(root.filePath(QStringLiteral("tricoma/tricoma.png")))) return 1;
    }
    // The desktop's icon theme sizes beside the 256 one (tricoma/CMakeLists.txt installs them).
    root.mkpath(QStringLiteral("tricoma/icons"));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 512})
        if (!programIcon(size).save(root.filePath(QStringLiteral("tricoma/icons/tricoma_%1.png").arg(size)))) return 1;
    out << "  </qresource>\n</RCC>\n";

    root.mkpath(QStringLiteral("samples"));
    for (const Sample& s : samples()) {
        QImage img = drawSample(s, 6);
        // A few colours: a palette picture keeps the bitmap small.
        if (QString::fromLatin1(s.file).endsWith(QLatin1String(".bmp")))
            img = img.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        if (!img.save(root.filePath(QStringLiteral("samples/") + QLatin1String(s.file)))) return 1;
    }
    return 0;
}
