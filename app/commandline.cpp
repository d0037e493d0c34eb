#include "app/commandline.h"

namespace commandline {

Request parse(const QStringList& args) {
    if (args.isEmpty()) return {};
    if (args.size() == 1) {
        const QString& a = args.first();
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) return {Request::Help, {}};
        if (a == QLatin1String("--version")) return {Request::Version, {}};
        if (!a.isEmpty() && !a.startsWith(QLatin1Char('-'))) return {Request::StartWithFile, a};
    }
    if (args.size() == 2 && args.first() == QLatin1String("--") && !args.last().isEmpty())
        return {Request::StartWithFile, args.last()};
    return {Request::Usage, {}};
}

QString usage() { return QStringLiteral("Aufruf: tricoma [Bilddatei]  (die Bilddatei wird als Motiv geladen)\n"); }

QString help() {
    return QStringLiteral(
        "Aufruf: tricoma [Bilddatei]\n"
        "Macht aus einem Bild eine farbige Strickvorlage zum Nachbearbeiten, Speichern und Drucken.\n"
        "\n"
        "  Bilddatei    wird beim Start als Motiv geladen (\"--\" davor, wenn ihr Name mit \"-\" beginnt)\n"
        "  -h, --help   zeigt diese Hilfe\n"
        "  --version    zeigt die Version\n"
        "\n"
        "Mehr in der Handbuchseite: man tricoma\n");
}

QString version() { return QStringLiteral("Tricoma 1.0\n"); }

}  // namespace commandline
