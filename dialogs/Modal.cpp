// Modal windows and question boxes, replaceable for tests.
#include "dialogs/Modal.h"

#include "platform/Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace sorvane {
namespace {

ModalHooks& Hooks() {
    static ModalHooks hooks;
    return hooks;
}

} // namespace

void SetModalHooks(ModalHooks hooks) {
    Hooks() = std::move(hooks);
}

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

QString PreguntaFicheroGuardar(const SaveFileRequest& request) {
    if (Hooks().saveFile) return Hooks().saveFile(request);
    QFileDialog dialog(QApplication::activeWindow(), request.caption, QString(), request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

bool PreguntaReintentar(const QString& text) {
    if (Hooks().askRetryCancel) return Hooks().askRetryCancel(text);
    return QMessageBox::warning(QApplication::activeWindow(), QApplication::applicationName(), text,
                                QMessageBox::Retry | QMessageBox::Cancel) == QMessageBox::Retry;
}

void InstalaPreguntasDelMotor() {
    SetPromptHook([](PromptKind kind, const std::string& text) {
        const QString shown = QString::fromStdString(text);
        if (kind == PromptKind::RetryCancel) return PreguntaReintentar(shown);
        return PreguntaSiNo(QApplication::applicationName(), shown);
    });
}

QString PreguntaFicheroAbrir(const OpenFileRequest& request) {
    if (Hooks().openFile) return Hooks().openFile(request);
    // The current folder is not changed; only existing files are accepted.
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), request.caption, QString(),
                                        request.filter);
}

} // namespace sorvane
