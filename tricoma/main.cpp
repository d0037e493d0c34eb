#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "app/TMainForm.h"
#include "app/application.h"
#include "app/commandline.h"
#include "app/pictures.h"
#include "platform/controls.h"

int main(int argc, char** argv) {
    TricomaApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tricoma"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tricoma 1.0"));
    QApplication::setOrganizationName(QStringLiteral("Tricoma"));
    // The toolkit has taken its own options out of the arguments by now.
    const commandline::Request request = commandline::parse(QApplication::arguments().mid(1));
    if (request.kind == commandline::Request::Usage || request.kind == commandline::Request::Help) {
        std::fputs(commandline::usage().toLocal8Bit().constData(), stderr);
        return request.kind == commandline::Request::Help ? 0 : 2;
    }
    // Lets the desktop match the window to tricoma.desktop (menu icon, dock).
    QGuiApplication::setDesktopFileName(QStringLiteral("tricoma"));
    QApplication::setWindowIcon(pictures::programIcon());
    // The toolkit's own texts (dialog buttons, file list headers) in German
    // like the rest of the program; English if the translations are missing.
    // Its numbers and dates (print and colour dialogs) in German too.
    QLocale::setDefault(platform::uiLocale());
    QTranslator toolkitTexts;
    if (toolkitTexts.load(platform::uiLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitTexts);
    TMainForm form;
    form.restoreWindowSize();
    form.show();
    // Loaded once the window is up, so a refusal has a window to belong to.
    if (request.kind == commandline::Request::StartWithFile)
        QTimer::singleShot(0, &form, [&form, file = request.file] { form.openFromCommandLine(file); });
    return app.exec();
}
