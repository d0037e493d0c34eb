#include "platform/msgbox.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>

namespace platform {

namespace {
MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}
}  // namespace

void setMessageBoxHook(MessageBoxHook h) { hook() = std::move(h); }

Qt::WindowFlags dialogFrame() {
    // Customised, so window managers take the listed buttons as the only
    // ones instead of adding their defaults for a window.
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
}

namespace {
// A box without an owner is a window of its own to the window manager,
// which then gives it a window's buttons and may put it behind the main
// window: it always belongs to a window of the program.
QWidget* ownerFor(QWidget* owner) {
    if (owner) return owner->window();
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && qobject_cast<QMainWindow*>(w)) return w;
    return nullptr;
}
}  // namespace

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags) {
    if (hook()) return hook()(text, caption, flags);
    QMessageBox box(ownerFor(owner));
    box.setWindowTitle(caption.isEmpty() ? QStringLiteral("Fehler") : caption);
    box.setText(text);
    unsigned icon = flags & 0xF0;
    box.setIcon(icon == MB_ICONERROR        ? QMessageBox::Critical
                : icon == MB_ICONWARNING    ? QMessageBox::Warning
                : icon == MB_ICONINFORMATION ? QMessageBox::Information
                                             : QMessageBox::NoIcon);
    box.setWindowFlags(dialogFrame());
    const unsigned buttons = flags & 0x0F;
    if (buttons == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
    }
    if (buttons == MB_OKCANCEL) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
}

}  // namespace platform
