// The one way a handler shows a refusal or failure to the user, and the
// application's general error report: exceptions raised in the windowing or
// printer layer while an event is handled must not cross Qt's event loop;
// they end here, are shown in a message box and the program keeps running.
#pragma once

#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace errorreport {

enum class Severity { Error, Warning };

// Shows `text` in a modal box owned by `owner` (the active window when
// null) under `caption` (the box shows "Fehler" for an empty one). Re-entry while a report is
// open shows nothing more, so an error raised by the box itself cannot loop.
void Report(const QString& text, QWidget* owner = nullptr, const QString& caption = QStringLiteral("Fehler"),
            Severity severity = Severity::Error);

// Runs `work`; an exception it throws is reported and `fallback` returned.
bool Guard(const std::function<bool()>& work, bool fallback = false);

// German text for the exception in flight (call inside a catch block).
QString CurrentExceptionText();

}  // namespace errorreport
