// Picture buttons, close confirmation and the web-site button.
//
// Each picture button is a pair of equally placed pictures, the normal one
// and the pressed one. A hidden widget gets no mouse input, so while a
// button is held the visible picture of the pair holds the mouse grab and
// both pass their moves and the release on to the same handlers.
#include <memory>

#include "app/AboutBoxUnit.h"
#include "app/TMainForm.h"
#include "platform/controls.h"
#include "platform/msgbox.h"

namespace {

// Shows the pressed or the normal picture of a pair; while `held`, the one
// shown takes over the mouse, otherwise the pair lets it go.
void showPressed(TPaintBox* normal, TPaintBox* pressed, bool down, bool held) {
    TPaintBox* shown = down ? pressed : normal;
    TPaintBox* hidden = down ? normal : pressed;
    shown->show();
    hidden->hide();
    QWidget* grabber = QWidget::mouseGrabber();
    if (held) {
        if (grabber != shown) shown->grabMouse();
    } else if (grabber == normal || grabber == pressed) {
        grabber->releaseMouse();
    }
}

bool inside(const QWidget* w, int x, int y) { return x >= 0 && x < w->width() && y >= 0 && y < w->height(); }

}  // namespace

void TMainForm::EndeBtnMouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    showPressed(EndeBtn, EndeBtnDown, true, true);
    inEndeBtn = true;
}

void TMainForm::EndeBtnMouseMove(QObject*, Qt::KeyboardModifiers, int X, int Y) {
    if (!inEndeBtn) return;
    showPressed(EndeBtn, EndeBtnDown, inside(EndeBtn, X, Y), true);
}

void TMainForm::EndeBtnMouseUp(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    showPressed(EndeBtn, EndeBtnDown, false, false);
    inEndeBtn = false;
}

void TMainForm::EndeBtnClick(QObject*) {
    showPressed(EndeBtn, EndeBtnDown, false, false);
    inEndeBtn = false;
    close();  // runs FormCloseQuery through closeEvent
}

void TMainForm::ueberbtnMouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    showPressed(ueberbtn, ueberBtn2, true, true);
    inUeberBtn = true;
}

void TMainForm::ueberbtnMouseMove(QObject*, Qt::KeyboardModifiers, int X, int Y) {
    if (!inUeberBtn) return;
    showPressed(ueberbtn, ueberBtn2, inside(ueberbtn, X, Y), true);
}

void TMainForm::ueberbtnMouseUp(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    showPressed(ueberbtn, ueberBtn2, false, false);
    inUeberBtn = false;
}

void TMainForm::ueberbtnClick(QObject*) {
    auto box = std::make_unique<TAboutBox>(this);
    showPressed(ueberbtn, ueberBtn2, false, false);
    inUeberBtn = false;
    box->exec();
}

void TMainForm::ueberBtn2Click(QObject* Sender) { ueberbtnClick(Sender); }

void TMainForm::FormCloseQuery(QObject*, bool& CanClose) {
    int answer = platform::MessageBox(
        this, QStringLiteral("Hiermit beenden Sie das Programm! Alle nicht gespeicherten Daten gehen verloren!"),
        QStringLiteral("Programm beenden"), platform::MB_OKCANCEL | platform::MB_ICONINFORMATION);
    CanClose = answer == platform::IDOK;
}

void TMainForm::wwwBtnClick(QObject*) { openMakerWebSite(); }
