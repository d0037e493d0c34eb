#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/TMainForm.h"
#include "app/application.h"
#include "app/pictures.h"
#include "platform/controls.h"

int main(int argc, char** argv) {
    TricomaApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tricoma"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tricoma 1.0"));
    QApplication::setOrganizationName(QStringLiteral("Tricoma"));
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
    form.show();
    return app.exec();
}
