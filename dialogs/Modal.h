// How modal windows, yes/no questions and system message boxes are shown. The
// windows call these instead of exec() so that a test can answer or record
// them without blocking.
#pragma once

#include <QString>
#include <functional>

class QDialog;

namespace sorvane {

// What a save dialog asks for.
struct SaveFileRequest {
    QString caption;
    QString filter;        // as QFileDialog takes it: "ASCII Tab (*.txt)"
    QString defaultSuffix; // added to a chosen name that has no extension: "txt"
    QString fileName;      // the name proposed
};

// What an open dialog asks for: an existing file.
struct OpenFileRequest {
    QString caption;
    QString filter;    // as QFileDialog takes it
    QString directory; // the folder shown first; empty: the dialog's own choice
};

struct ModalHooks {
    // Runs a modal window and returns its result; default: dialog.exec().
    std::function<int(QDialog& dialog)> showModal{};
    // A yes/no question box with a question icon; true for Yes.
    std::function<bool(const QString& caption, const QString& text)> askYesNo{};
    // The system message box used for the few fixed texts.
    std::function<void(const QString& text)> systemMessage{};
    // A save dialog: the chosen path, or an empty text when cancelled.
    std::function<QString(const SaveFileRequest& request)> saveFile{};
    // An open dialog: the chosen existing file, or an empty text when cancelled.
    std::function<QString(const OpenFileRequest& request)> openFile{};
    // A warning box with Retry and Cancel; true for Retry.
    std::function<bool(const QString& text)> askRetryCancel{};
};

// Replaces the hooks; an empty member keeps the default behaviour for it.
void SetModalHooks(ModalHooks hooks);

// Shows the dialog modally, its standard buttons in the language in use.
int MuestraModal(QDialog& dialog);
bool PreguntaSiNo(const QString& caption, const QString& text);
void MensajeSistema(const QString& text);
QString PreguntaFicheroGuardar(const SaveFileRequest& request);
bool PreguntaReintentar(const QString& text);
QString PreguntaFicheroAbrir(const OpenFileRequest& request);

// Gives every standard button of the dialog's button boxes (a message box's
// Yes, No, OK, Retry, Cancel; a colour or input dialog's OK and Cancel) the
// word of the language in use, so no box shows Qt's English words.
void TraduceBotones(QDialog& dialog);

// Lets the questions the engine asks (a disk that is not accessible, a
// missing temporary folder) reach the user through the boxes above.
void InstalaPreguntasDelMotor();

} // namespace sorvane
