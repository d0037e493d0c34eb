#include "app/commandline.h"

namespace commandline {

Request parse(const QStringList& args) {
    if (args.isEmpty()) return {};
    if (args.size() == 1) {
        const QString& a = args.first();
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) return {Request::Help, {}};
        if (!a.isEmpty() && !a.startsWith(QLatin1Char('-'))) return {Request::StartWithFile, a};
    }
    if (args.size() == 2 && args.first() == QLatin1String("--") && !args.last().isEmpty())
        return {Request::StartWithFile, args.last()};
    return {Request::Usage, {}};
}

QString usage() { return QStringLiteral("Aufruf: tricoma [Bilddatei]  (die Bilddatei wird als Motiv geladen)\n"); }

}  // namespace commandline
