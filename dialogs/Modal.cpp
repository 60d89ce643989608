// Modal windows and question boxes, replaceable for tests.
#include "dialogs/Modal.h"

#include "dialogs/Language.h"
#include "platform/Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace sorvane {
namespace {

ModalHooks& Hooks() {
    static ModalHooks hooks;
    return hooks;
}

QString Word(std::string_view key) {
    return QString::fromStdString(LeeTextoCapital("W", key));
}

// A message box of the application with the given buttons, their words taken
// from the language in use; the button chosen, or NoButton when closed.
QMessageBox::StandardButton AskBox(QMessageBox::Icon icon, const QString& caption,
                                   const QString& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, text, buttons, QApplication::activeWindow());
    TraduceBotones(box);
    box.exec();
    return box.standardButton(box.clickedButton());
}

} // namespace

void TraduceBotones(QDialog& dialog) {
    const std::pair<QDialogButtonBox::StandardButton, const char*> words[] = {
        {QDialogButtonBox::Ok, "OK"},
        {QDialogButtonBox::Yes, "SI"},
        {QDialogButtonBox::No, "NO"},
        {QDialogButtonBox::Cancel, "CANCELAR"},
        {QDialogButtonBox::Retry, "REINTENTAR"},
        {QDialogButtonBox::Save, "GUARDAR_DOC"},
        {QDialogButtonBox::Open, "ABRIR_DOC"}};
    // An input dialog makes its buttons when it is shown, with these texts.
    if (auto* input = qobject_cast<QInputDialog*>(&dialog)) {
        input->setOkButtonText(Word("OK"));
        input->setCancelButtonText(Word("CANCELAR"));
    }
    for (QDialogButtonBox* buttons : dialog.findChildren<QDialogButtonBox*>())
        for (const auto& [which, key] : words)
            if (QPushButton* button = buttons->button(which)) button->setText(Word(key));
}

void SetModalHooks(ModalHooks hooks) {
    Hooks() = std::move(hooks);
}

int MuestraModal(QDialog& dialog) {
    TraduceBotones(dialog);
    if (Hooks().showModal) return Hooks().showModal(dialog);
    return dialog.exec();
}

bool PreguntaSiNo(const QString& caption, const QString& text) {
    if (Hooks().askYesNo) return Hooks().askYesNo(caption, text);
    return AskBox(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void MensajeSistema(const QString& text) {
    if (Hooks().systemMessage) return Hooks().systemMessage(text);
    AskBox(QMessageBox::Information, QApplication::applicationName(), text, QMessageBox::Ok);
}

QString PreguntaFicheroGuardar(const SaveFileRequest& request) {
    if (Hooks().saveFile) return Hooks().saveFile(request);
    QFileDialog dialog(QApplication::activeWindow(), request.caption, QString(), request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.fileName);
    dialog.setLabelText(QFileDialog::Accept, Word("GUARDAR_DOC"));
    dialog.setLabelText(QFileDialog::Reject, Word("CANCELAR"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

bool PreguntaReintentar(const QString& text) {
    if (Hooks().askRetryCancel) return Hooks().askRetryCancel(text);
    return AskBox(QMessageBox::Warning, QApplication::applicationName(), text,
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
    QFileDialog dialog(QApplication::activeWindow(), request.caption, request.directory,
                       request.filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, Word("ABRIR_DOC"));
    dialog.setLabelText(QFileDialog::Reject, Word("CANCELAR"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

} // namespace sorvane
