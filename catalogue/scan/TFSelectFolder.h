// The folder picker of the cataloguing windows: its answer goes to the main
// window's SelectedFolder, in catalogue form ("E:\Docs\Old").
#pragma once

#include "mainwindow/CataloguingHost.h"

#include <QDialog>
#include <string>

class QPushButton;

namespace sorvane {

class TFolderTree;

class TFSelectFolder : public QDialog {
    Q_OBJECT

public:
    // The answer goes to `host`, the main window, which outlives the picker.
    explicit TFSelectFolder(CataloguingHost& host, QWidget* parent = nullptr);

    // Shows the machine's folders with `hostFolder` selected.
    void Empieza(const std::string& hostFolder);
    void BBAceptarClick();
    // Reads the folders again, for folders made or removed meanwhile.
    void BBActualizarClick();

    TFolderTree* DLBFolders;
    QPushButton* BBActualizar;
    QPushButton* BBAceptar;

private:
    CataloguingHost& host_;
};

inline TFSelectFolder* FSelectFolder = nullptr;

} // namespace sorvane
