// The folder cataloguing window: picks one folder of this machine and walks
// it into a folder catalogue (or a re-catalogue file).
#pragma once

#include "catalogue/scan/TVentanaCatalogar.h"

namespace sorvane {

class TFolderTree;

class TFCrearCarpeta : public TVentanaCatalogar {
    Q_OBJECT

public:
    explicit TFCrearCarpeta(CataloguingHost& host, QWidget* parent = nullptr);

    // A new catalogue also chooses its folder again, from the tree's selection.
    void PreparaNuevo() override;
    void FormShow();
    void ShellTreeView1Change();
    void DCBDiscoChange();
    void BBActualizarClick() override;
    void BBNuevoCatalogoClick() override;
    // Selects a folder (a host path) in the folder tree, as a click there does.
    bool EligeCarpeta(const std::string& hostFolder);

    TFolderTree* ShellTreeView1;
    QLineEdit* ENombreCarpeta;
    QLabel* LCarpeta;
    QLabel* LTamDisco;

protected:
    void showEvent(QShowEvent* event) override;
    std::string CarpetaInicialSelector() const override { return hostFolder_; }
    bool AnimacionActiva() const override;
    void MuestraProgreso(const ScanState& state) override;

private:
    std::vector<QWidget*> ControlesDeEjecucion() const;

    std::string hostFolder_; // the chosen folder on this machine
};

inline TFCrearCarpeta* FCrearCarpeta = nullptr;

} // namespace sorvane
