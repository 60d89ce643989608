// Modal windows and question boxes, replaceable for tests.
#include "dialogs/Modal.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace sorvane {
namespace {

ModalHooks& Hooks() {
    static ModalHooks hooks;
    return hooks;
}

} // namespace

void SetModalHooks(ModalHooks hooks) { Hooks() = std::move(hooks); }

int MuestraModal(QDialog& dialog) {
    if (Hooks().showModal) return Hooks().showModal(dialog);
    return dialog.exec();
}

bool PreguntaSiNo(const QString& caption, const QString& text) {
    if (Hooks().askYesNo) return Hooks().askYesNo(caption, text);
    return QMessageBox::question(QApplication::activeWindow(), caption, text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void MensajeSistema(const QString& text) {
    if (Hooks().systemMessage) return Hooks().systemMessage(text);
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(), text);
}

} // namespace sorvane
