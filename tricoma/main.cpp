#include <QIcon>

#include "app/TMainForm.h"
#include "app/errorreport.h"
#include "app/pictures.h"

int main(int argc, char** argv) {
    TricomaApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tricoma"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tricoma 1.0"));
    QApplication::setOrganizationName(QStringLiteral("Tricoma"));
    // Lets the desktop match the window to tricoma.desktop (menu icon, dock).
    QGuiApplication::setDesktopFileName(QStringLiteral("tricoma"));
    QApplication::setWindowIcon(pictures::programIcon());
    TMainForm form;
    form.show();
    return app.exec();
}
