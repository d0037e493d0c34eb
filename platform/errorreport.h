// The application's general error report. Exceptions raised in the
// windowing or printer layer while an event is handled must not cross Qt's
// event loop; they end here, are shown in a message box and the program
// keeps running.
#pragma once

#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace errorreport {

// Shows `text` in a modal error box owned by `owner` (the active window
// when null). Re-entry while a report is open shows nothing more, so an
// error raised by the box itself cannot loop.
void Report(const QString& text, QWidget* owner = nullptr);

// Runs `work`; an exception it throws is reported and `fallback` returned.
bool Guard(const std::function<bool()>& work, bool fallback = false);

// German text for the exception in flight (call inside a catch block).
QString CurrentExceptionText();

}  // namespace errorreport
