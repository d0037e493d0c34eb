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
    // --help and --version are answered before the window system is asked
    // for a display, so they work in a terminal without one.
    {
        QStringList args;
        for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
        const commandline::Request early = commandline::parse(args);
        if (early.kind == commandline::Request::Help || early.kind == commandline::Request::Version) {
            const QString text = early.kind == commandline::Request::Help ? commandline::help() : commandline::version();
            std::fputs(text.toLocal8Bit().constData(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    TricomaApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tricoma"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tricoma 1.0"));
    QApplication::setOrganizationName(QStringLiteral("Tricoma"));
    // The toolkit has taken its own options out of the arguments by now.
    const commandline::Request request = commandline::parse(QApplication::arguments().mid(1));
    if (request.kind != commandline::Request::Start && request.kind != commandline::Request::StartWithFile) {
        std::fputs(commandline::usage().toLocal8Bit().constData(), stderr);
        return 2;
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
