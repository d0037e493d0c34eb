// Modal message boxes, the stand-in for the host platform's MessageBox.
// Tests install a hook that records the boxes and answers them, so no test
// ever blocks on a modal dialog.
#pragma once

#include <QString>
#include <Qt>
#include <functional>

class QWidget;

namespace platform {

enum MessageBoxFlags : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};

enum MessageBoxResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Shows a modal box; an empty caption means the default "Fehler". A box
// with a choice defaults to its safe answer (Yes/No: No).
int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags = MB_OK);

using MessageBoxHook = std::function<int(const QString& text, const QString& caption, unsigned flags)>;
// Replaces the real dialog (pass an empty function to restore it).
void setMessageBoxHook(MessageBoxHook hook);

// A dialog's frame: title and close button, no minimise or maximise button;
// for boxes that are answered, not kept open beside the main window.
Qt::WindowFlags dialogFrame();

}  // namespace platform
