#include "app/messages.h"

#include <QLocale>

namespace messages {

namespace {

QLocale german() { return QLocale(QLocale::German, QLocale::Germany); }

QString sizeText(int64_t bytes) {
    const double mb = double(bytes) / (1024.0 * 1024.0);
    if (mb >= 1024.0) return german().toString(mb / 1024.0, 'f', 1) + QStringLiteral(" GB");
    return german().toString(mb, 'f', 0) + QStringLiteral(" MB");
}

}  // namespace

QString computeRefusal(pattern::ComputeStatus status, int stitches, int rows) {
    using pattern::ComputeStatus;
    switch (status) {
    case ComputeStatus::Ok:
        return {};
    case ComputeStatus::NoMotif:
        return QStringLiteral("Es ist kein Motiv geladen, aus dem ein Muster berechnet werden könnte.");
    case ComputeStatus::EmptyGrid:
        return QStringLiteral("Das Muster hätte keine Maschen oder keine Reihen. Bitte Größe oder Maschenprobe ändern.");
    case ComputeStatus::UnsupportedDepth:
        return QStringLiteral("Motive mit dieser Farbtiefe können nicht umgerechnet werden (nur 1, 4, 8 oder 24 Bit je "
                              "Bildpunkt).");
    case ComputeStatus::TooLarge:
        return QStringLiteral("Ein Muster mit %1 Maschen und %2 Reihen ist zu groß für den Arbeitsspeicher. Bitte "
                              "Größe oder Maschenprobe verringern.")
            .arg(german().toString(stitches), german().toString(rows));
    case ComputeStatus::OutOfMemory:
        return QStringLiteral("Für die Berechnung des Musters ist nicht genügend Arbeitsspeicher frei. Das bisherige "
                              "Muster bleibt erhalten.");
    case ComputeStatus::Cancelled:
        return {};  // the user's own choice: nothing to report
    }
    return {};
}

QString chartRefusal(const chart::ChartResult& result) {
    using chart::ChartStatus;
    const QString keep = QStringLiteral(" Das bisherige Muster bleibt erhalten.");
    const chart::ChartGeometry& g = result.geometry;
    const QLocale de = german();
    switch (result.status) {
    case ChartStatus::ok:
        return QString();
    case ChartStatus::badInputs:
        return QStringLiteral("Das Muster kann nicht gezeichnet werden: Maschen und Reihen müssen größer "
                              "als 0 sein.") + keep;
    case ChartStatus::tooLarge:
        if (g.pixelBytes < 0)
            return QStringLiteral("Das Muster wäre zu groß, um gezeichnet zu werden. Bitte wählen Sie eine "
                                  "kleinere Größe des Motivs oder weniger Maschen und Reihen.") + keep;
        return QStringLiteral("Das Muster wäre mit %1 × %2 Pixeln zu groß: Es bräuchte %3 Speicher, möglich "
                              "sind höchstens %4. Bitte wählen Sie eine kleinere Größe des Motivs oder "
                              "weniger Maschen und Reihen.")
                   .arg(de.toString(qlonglong(g.width)), de.toString(qlonglong(g.height)),
                        sizeText(g.pixelBytes), sizeText(result.limitBytes)) + keep;
    case ChartStatus::noMemory:
        return QStringLiteral("Für das Muster (%1 × %2 Pixel, %3) ist nicht genug Speicher frei.")
                   .arg(de.toString(qlonglong(g.width)), de.toString(qlonglong(g.height)),
                        sizeText(g.pixelBytes)) + keep;
    }
    return QString();
}

Box loadFailure(const QString& path, const QString& libraryText) {
    const QString message = QStringLiteral("Fehler: Die Datei ") + path + QStringLiteral(" konnte nicht geladen werden!");
    if (libraryTextShown(libraryText)) return Box{libraryText, message};
    return Box{message, QStringLiteral("Fehler")};
}

QString pagesRefusal() {
    return QStringLiteral("Bei dieser Kästchenbreite passt kein Kästchen auf das Papier. Bitte eine kleinere "
                          "Kästchenbreite wählen.");
}

QString pdfFailure(output::PdfStatus status, const QString& path, const QString& reason) {
    using output::PdfStatus;
    switch (status) {
    case PdfStatus::ok:
        return {};
    case PdfStatus::nothingFits:
        return pagesRefusal();
    case PdfStatus::cannotCreate:
        return QStringLiteral("Die Datei „%1“ kann nicht angelegt werden. Bitte prüfen, ob der Ordner existiert "
                              "und beschrieben werden darf.")
            .arg(path);
    case PdfStatus::writeFailed:
        if (!reason.isEmpty())
            return QStringLiteral("Die Datei „%1“ konnte nicht vollständig geschrieben werden: %2. Eine schon "
                                  "vorhandene Datei dieses Namens blieb unverändert.")
                .arg(path, reason);
        return QStringLiteral("Die Datei „%1“ konnte nicht vollständig geschrieben werden (ist der Datenträger "
                              "voll?). Eine schon vorhandene Datei dieses Namens blieb unverändert.")
            .arg(path);
    case PdfStatus::cancelled:
        return {};  // the user's own choice
    }
    return {};
}

QString partialPicture() {
    return QStringLiteral("Die Datei ist unvollständig: Nur ein Teil des Bildes konnte gelesen werden.");
}

QString yarnFileRefusal(const pattern::YarnFileResult& result, const QString& path, int yarns, bool loading) {
    using pattern::YarnFileStatus;
    QString text;
    switch (result.status) {
    case YarnFileStatus::Ok:
        return {};
    case YarnFileStatus::CannotRead:
        text = QStringLiteral("Die Palettendatei „%1“ konnte nicht gelesen werden.").arg(path);
        if (!result.reason.isEmpty()) text += QLatin1Char(' ') + result.reason;
        break;
    case YarnFileStatus::CannotWrite:
        return QStringLiteral("Die Palettendatei „%1“ konnte nicht geschrieben werden: %2. Eine schon "
                              "vorhandene Datei dieses Namens blieb unverändert.")
            .arg(path, result.reason);
    case YarnFileStatus::TooLarge:
        text = QStringLiteral("Die Datei „%1“ ist größer als 1 MB und damit keine Palettendatei.").arg(path);
        break;
    case YarnFileStatus::NotAFile:
        text = QStringLiteral("„%1“ ist keine gewöhnliche Datei (sondern ein Ordner, eine Pipe oder ein "
                              "Gerät).")
                   .arg(path);
        break;
    case YarnFileStatus::NotAPalette:
        text = QStringLiteral("Die Datei „%1“ ist keine GIMP-Palette (die erste Zeile muss „GIMP "
                              "Palette“ lauten).")
                   .arg(path);
        break;
    case YarnFileStatus::BadLine:
        text = QStringLiteral("Zeile %2 der Palettendatei „%1“ ist keine Farbe: erwartet werden drei Zahlen "
                              "von 0 bis 255.")
                   .arg(path, german().toString(result.line));
        break;
    case YarnFileStatus::NoColours:
        text = QStringLiteral("Die Palettendatei „%1“ enthält keine Farben.").arg(path);
        break;
    case YarnFileStatus::TooManyColours:
        text = QStringLiteral("Die Palettendatei „%1“ enthält mehr als %2 Farben; es gibt nur %2 "
                              "Garn-Farben.")
                   .arg(path)
                   .arg(yarns);
        break;
    }
    if (loading) text += QStringLiteral(" Die Garn-Farben bleiben unverändert.");
    return text;
}

QString patternFileRefusal(pattern::PatternFileStatus status, const QString& path, const QString& reason) {
    using pattern::PatternFileStatus;
    switch (status) {
    case PatternFileStatus::Ok:
        return {};
    case PatternFileStatus::NoGrid:
        return QStringLiteral("Es ist noch kein Muster berechnet, das gespeichert werden könnte.");
    case PatternFileStatus::CannotWrite:
        if (reason.isEmpty()) return QStringLiteral("Das Muster konnte nicht in „%1“ gespeichert werden.").arg(path);
        return QStringLiteral("Das Muster konnte nicht in „%1“ gespeichert werden: %2. Eine schon vorhandene "
                              "Datei dieses Namens blieb unverändert.")
            .arg(path, reason);
    case PatternFileStatus::TooLarge:
        return QStringLiteral("Das Muster „%1“ ist zu groß für dieses Programm. Das bisherige Muster bleibt "
                              "erhalten.")
            .arg(path);
    case PatternFileStatus::ShortPalette:
        return QStringLiteral("Das Muster „%1“ ist beschädigt: Einige Maschen verweisen auf Farben, die seine "
                              "Palette nicht enthält. Das bisherige Muster bleibt erhalten.")
            .arg(path);
    case PatternFileStatus::CannotRead:
        return QStringLiteral("Die Datei „%1“ konnte nicht als PNG-Bild gelesen werden. Das bisherige "
                              "Muster bleibt erhalten.")
            .arg(path);
    case PatternFileStatus::NotAPattern:
        return QStringLiteral("Die Datei „%1“ ist kein mit Tricoma gespeichertes Muster. Das bisherige "
                              "Muster bleibt erhalten.")
            .arg(path);
    case PatternFileStatus::BadValues:
        return QStringLiteral("Maschenprobe oder Größe im Muster „%1“ liegen außerhalb der "
                              "erlaubten Bereiche. Das bisherige Muster bleibt erhalten.")
            .arg(path);
    case PatternFileStatus::OutOfMemory:
        return QStringLiteral("Für das Muster „%1“ ist nicht genügend Arbeitsspeicher frei. Das "
                              "bisherige Muster bleibt erhalten.")
            .arg(path);
    }
    return {};
}

QString noMotifColours() {
    return QStringLiteral("Das Motiv enthält keine Bildpunkte, aus denen Garn-Farben genommen werden könnten.");
}

QString cleanupTooLarge() {
    return QStringLiteral("Für das Entfernen des Konfettis reicht der Arbeitsspeicher bei einem Muster dieser Größe "
                          "nicht. Das Muster bleibt unverändert.");
}

QString manyPages(int64_t pages, bool pdf) {
    const QString n = german().toString(qlonglong(pages));
    return pdf ? QStringLiteral("Die PDF-Datei bekommt %1 Seiten. %1 Seiten speichern?").arg(n)
               : QStringLiteral("Der Ausdruck hat %1 Seiten. %1 Seiten drucken?").arg(n);
}

}  // namespace messages
