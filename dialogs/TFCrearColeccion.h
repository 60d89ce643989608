// The new-collection window: makes a folder below the catalogue root, then its
// collection node in the tree.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace sorvane {

class DialogHost;

class TCheckBox;

class TFCrearColeccion : public QDialog {
    Q_OBJECT

public:
    explicit TFCrearColeccion(DialogHost& host, QWidget* parent = nullptr);

    // Empties the name; the top-level box is checked and locked when the new
    // collection cannot go below the selected node (no node, or a catalogue).
    void FormShow();
    // Creates the folder and its node, selects it and closes; an empty name does
    // nothing; a name with a refused character, or a folder that cannot be made
    // (one of that name exists already), gives M_IMPOSIBLE_CREAR and the window
    // stays open.
    void BBAceptarClick();

    QLabel* LNueva;
    QLineEdit* ENueva;
    TCheckBox* CBPrimerNivel;
    QPushButton* BBAceptar;

protected:
    void showEvent(QShowEvent* event) override;
    // ENuevaKeyPress: Enter accepts; the refused characters are dropped.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DialogHost& host_;
};

inline TFCrearColeccion* FCrearColeccion = nullptr;

} // namespace sorvane
