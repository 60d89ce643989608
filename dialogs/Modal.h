// How modal windows, yes/no questions and system message boxes are shown. The
// windows call these instead of exec() so that a test can answer or record
// them without blocking.
#pragma once

#include <QString>
#include <functional>

class QDialog;

namespace sorvane {

struct ModalHooks {
    // Runs a modal window and returns its result; default: dialog.exec().
    std::function<int(QDialog& dialog)> showModal;
    // A yes/no question box with a question icon; true for Yes.
    std::function<bool(const QString& caption, const QString& text)> askYesNo;
    // The system message box used for the few fixed texts.
    std::function<void(const QString& text)> systemMessage;
};

// Replaces the hooks; an empty member keeps the default behaviour for it.
void SetModalHooks(ModalHooks hooks);

int MuestraModal(QDialog& dialog);
bool PreguntaSiNo(const QString& caption, const QString& text);
void MensajeSistema(const QString& text);

} // namespace sorvane
