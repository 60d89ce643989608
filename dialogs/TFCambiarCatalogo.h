// The catalogue-header editor: renames the selected catalogue, changes its disk
// type and corrects its total size, in its header line and its file.
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QLabel;
class QLineEdit;
class QPushButton;

namespace sorvane {

class DialogHost;

class TNodoArbol;
class TRadioGroup;

class TFCambiarCatalogo : public QDialog {
    Q_OBJECT

public:
    explicit TFCambiarCatalogo(DialogHost& host, QWidget* parent = nullptr);

    // The activation steps, once per showing: both names, both disk types and
    // the sizes of the selected catalogue node.
    void FormShow();
    // ENuevoLibre := new total - used bytes; empty while the total is no number.
    void ENuevoTotalChange();
    // Writes the new header and closes. Nothing changed: nothing happens. An
    // empty name or one with a refused character: M_SIN_NOMBRE. A name that a
    // loaded catalogue or a catalogue file of the collection already has:
    // M_NOMBRE_REPETIDO. A total that is no number: the total box takes the
    // focus. A file that cannot be written: M_IMPOSIBLE_CAMBIAR_CAT with the
    // system's reason, the file, the header and the node as they were. In each
    // of these cases the window stays open.
    void BBAceptarClick();

    // A number as the total box holds it: digits with ",", "." or `separator`
    // between them, blanks around; nothing for anything else.
    static std::optional<std::int64_t> LeeNumero(const QString& text, std::string_view separator);

    // The disk types of the new-type group; the old-type group has "Dirs" before "?".
    static const char* const kTiposNuevos[13];

    QLabel *LAnterior, *LNueva;
    QLineEdit *EAnterior, *ENueva;
    TRadioGroup *RGTipoDiscoAnterior, *RGTipoDiscoNuevo;
    QLabel *LAnteriorOcupado, *LAnteriorLibre, *LAnteriorTotal;
    QLabel *LAnteriorOcupadoDato, *LAnteriorLibreDato, *LAnteriorTotalDato;
    QLabel *LNuevoTotal, *LNuevoLibre;
    QLineEdit *ENuevoTotal, *ENuevoLibre;
    QPushButton* BBAceptar;

protected:
    void showEvent(QShowEvent* event) override;
    // ENuevaKeyPress: Enter accepts; the refused characters are not typed.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DialogHost& host_;
    // True when the collection folder of the node holds a catalogue file of
    // that name other than the node's own (letter case and accents ignored).
    bool ExisteOtroFichero(const std::string& name) const;

    TNodoArbol* node_ = nullptr; // the catalogue being edited, from FormShow
};

inline TFCambiarCatalogo* FCambiarCatalogo = nullptr;

} // namespace sorvane
