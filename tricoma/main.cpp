#include <QApplication>

#include "app/TMainForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tricoma"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tricoma 1.0"));
    QApplication::setOrganizationName(QStringLiteral("Tricoma"));
    TMainForm form;
    form.show();
    return app.exec();
}
