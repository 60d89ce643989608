// The description editor of a folder or file of the directory grid: sets,
// changes or clears its description and writes the catalogue file at once.
#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace sorvane {

class DialogHost;

class TNodoArbol;

class TFCambiarDescripcion : public QDialog {
    Q_OBJECT

public:
    explicit TFCambiarDescripcion(DialogHost& host, QWidget* parent = nullptr);

    // The activation steps, once per showing: the entry's full path, its media
    // data and its description, for the current row of the directory grid.
    void FormShow();
    // Asks, then writes the description into the entry's line and the
    // catalogue file, and closes. A description equal to the old one (after
    // the characters a description cannot hold are removed and the blanks
    // around it trimmed) does nothing. An entry whose line is not found:
    // M_IMPOSIBLE_CAMBIAR_DESC, nothing changed. A file that cannot be written:
    // the system's reason, the line in memory as it was. In both the window
    // stays open.
    void BBAceptarClick();

    // What a description box's text holds once the characters a description
    // cannot hold (below 32, and "|") are removed, as the key filter refuses
    // them typed; a pasted "a\r\nb" is "ab".
    static QString LimpiaDescripcion(const QString& text);

    QLabel *LItem, *LAnterior, *LNueva;
    QPlainTextEdit* MNombre;
    QLineEdit *EAnterior, *ENueva;
    QPushButton* BBAceptar;
    QGroupBox* GBMultimedia;
    QLabel *LMMDuracion, *LMMResolucion, *LMMCalidad, *LMMCanales, *LMMAno, *LMMPista, *LMMGenero;
    QLabel *LMMDatoDuracion, *LMMDatoResolucion, *LMMDatoCalidad, *LMMDatoCanales, *LMMDatoAno,
        *LMMDatoPista, *LMMDatoGenero;

protected:
    void showEvent(QShowEvent* event) override;
    // ENuevaKeyPress: Enter accepts (and is consumed); a character below 32
    // other than backspace, or "|", is not typed.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DialogHost& host_;
    TNodoArbol* node_ = nullptr; // the shown catalogue, from FormShow
    int row_ = 0;                // the grid row being edited
    std::string name_;           // its name cell and folder path, from FormShow
    std::string folder_;
};

inline TFCambiarDescripcion* FCambiarDescripcion = nullptr;

} // namespace sorvane
