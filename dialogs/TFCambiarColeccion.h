// The collection editor: renames the selected collection's folder, then its node.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace sorvane {

class DialogHost;

class TFCambiarColeccion : public QDialog {
    Q_OBJECT

public:
    explicit TFCambiarColeccion(DialogHost& host, QWidget* parent = nullptr);

    // Both names := the selected node's text.
    void FormShow();
    // Renames the folder and the node and closes; a name equal to the current one
    // does nothing. A name that would move the folder elsewhere (empty, "." or
    // "..", holding "/" or "\"), an existing folder of the new name, or a rename
    // the system refuses gives M_IMPOSIBLE_RENOMBRAR_COL and the window stays open.
    void BBAceptarClick();

    QLabel *LAnterior, *LNueva;
    QLineEdit *EAnterior, *ENueva;
    QPushButton* BBAceptar;

protected:
    void showEvent(QShowEvent* event) override;
    // ENuevaKeyPress: Enter accepts, and is consumed.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DialogHost& host_;
};

inline TFCambiarColeccion* FCambiarColeccion = nullptr;

} // namespace sorvane
