// The catalogue export window.
// A standing window, created at start; its controls arrive with its own work.
#pragma once

#include <QDialog>

namespace sorvane {

class TFExportaCatalogos : public QDialog {
    Q_OBJECT

public:
    explicit TFExportaCatalogos(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("FExportaCatalogos"); }
};

inline TFExportaCatalogos* FExportaCatalogos = nullptr;

} // namespace sorvane
