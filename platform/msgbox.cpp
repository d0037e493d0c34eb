#include "platform/msgbox.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {
MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}
}  // namespace

void setMessageBoxHook(MessageBoxHook h) { hook() = std::move(h); }

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags) {
    if (hook()) return hook()(text, caption, flags);
    QMessageBox box(owner);
    box.setWindowTitle(caption.isEmpty() ? QStringLiteral("Fehler") : caption);
    box.setText(text);
    unsigned icon = flags & 0xF0;
    box.setIcon(icon == MB_ICONERROR        ? QMessageBox::Critical
                : icon == MB_ICONWARNING    ? QMessageBox::Warning
                : icon == MB_ICONINFORMATION ? QMessageBox::Information
                                             : QMessageBox::NoIcon);
    if ((flags & 0x0F) == MB_OKCANCEL) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
}

}  // namespace platform
