// The folder picker of the cataloguing windows.
// A standing window, created at start; its controls arrive with its own work.
#pragma once

#include <QDialog>

namespace sorvane {

class TFSelectFolder : public QDialog {
    Q_OBJECT

public:
    explicit TFSelectFolder(QWidget* parent = nullptr) : QDialog(parent) { setObjectName("FSelectFolder"); }
};

inline TFSelectFolder* FSelectFolder = nullptr;

} // namespace sorvane
