#include "platform/errorreport.h"

#include <QApplication>

#include <new>
#include <stdexcept>

#include "platform/msgbox.h"

namespace errorreport {

namespace {
bool reporting = false;
}

void Report(const QString& text, QWidget* owner, const QString& caption, Severity severity) {
    if (reporting) return;
    struct Open {
        Open() { reporting = true; }
        ~Open() { reporting = false; }
    } open;
    if (!owner) owner = QApplication::activeWindow();
    const unsigned icon = severity == Severity::Warning ? platform::MB_ICONWARNING : platform::MB_ICONERROR;
    platform::MessageBox(owner, text, caption, platform::MB_OK | icon);
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
