// The catalogue export window: one catalogue, the catalogues below a
// collection, or every loaded catalogue, written as tab-separated text.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidgetItem;

namespace sorvane {

class DialogHost;

class CatalogueLines;
class TCheckBox;
class TNodoArbol;

class TFExportaCatalogos : public QDialog {
    Q_OBJECT

public:
    explicit TFExportaCatalogos(DialogHost& host, QWidget* parent = nullptr);

    // The texts of the window, and its buttons by the selected tree node.
    void FormShow();
    // Appends the rows of `node`'s catalogue to `target`, with the catalogue
    // column when `withCatalogue`; the members of archives when CBExportaAnidados is checked.
    void GeneraFilasExportacion(CatalogueLines& target, TNodoArbol& node, bool withCatalogue);
    void BExportaCatalogoClick();
    void BExportaColeccionClick();
    void BExportaTodoClick();
    // True while an export runs: the buttons, Esc and closing are refused.
    bool Running() const { return running_; }

    QPushButton *BExportaCatalogo, *BExportaColeccion, *BExportaTodo;
    QLabel *LExportaCatalogo, *LExportaColeccion, *LExportaTodo, *LProgresoExportar;
    QProgressBar* PBExportar;
    QGroupBox* GBExportarOpciones;
    TCheckBox* CBExportaAnidados;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    DialogHost& host_;
    // The catalogue and collection buttons by the selected tree node.
    void ActivaBotones();
    // Asks for the file (proposing `name`) and writes the catalogues into it
    // through a temporary file renamed into place; the catalogue column with
    // `withCatalogue`. A failure leaves any earlier file of that name as it
    // was and shows the system's reason.
    void Exporta(const QString& name, const std::vector<TNodoArbol*>& catalogues,
                 bool withCatalogue);
    bool running_ = false;
};

inline TFExportaCatalogos* FExportaCatalogos = nullptr;

} // namespace sorvane
