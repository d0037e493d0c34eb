#include "platform/errorreport.h"

#include <QApplication>

#include <new>
#include <stdexcept>

#include "platform/msgbox.h"

namespace errorreport {

namespace {
bool reporting = false;
}

void Report(const QString& text, QWidget* owner) {
    if (reporting) return;
    struct Open {
        Open() { reporting = true; }
        ~Open() { reporting = false; }
    } open;
    if (!owner) owner = QApplication::activeWindow();
    platform::MessageBox(owner, text, QStringLiteral("Fehler"), platform::MB_OK | platform::MB_ICONERROR);
}

QString CurrentExceptionText() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Nicht genügend Arbeitsspeicher für diesen Vorgang.");
    } catch (const std::exception& e) {
        QString text = QString::fromUtf8(e.what());
        return text.isEmpty() ? QStringLiteral("Unbekannter Fehler.") : text;
    } catch (...) {
        return QStringLiteral("Unbekannter Fehler.");
    }
}

bool Guard(const std::function<bool()>& work, bool fallback) {
    try {
        return work();
    } catch (...) {
        Report(CurrentExceptionText());
        return fallback;
    }
}

}  // namespace errorreport
