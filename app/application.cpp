#include "app/application.h"

#include "platform/errorreport.h"

TricomaApplication::TricomaApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TricomaApplication::notify(QObject* receiver, QEvent* event) {
    // Written out rather than through Guard: this runs for every event.
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        errorreport::Report(errorreport::CurrentExceptionText());
        return false;
    }
}
