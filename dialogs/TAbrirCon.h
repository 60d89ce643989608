// The "open with" chooser: the desktop's applications that open a file's type,
// listed by name, one of which the user picks to open the file.
#pragma once

#include "platform/DesktopApps.h"

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QDialogButtonBox;
class QLabel;
class QListWidget;

namespace sorvane {

class TAbrirCon : public QDialog {
    Q_OBJECT

public:
    // Lists the applications for the type of the file or folder at `path` (a
    // host path); when none lists that type, every application, so that the
    // user can still choose one. Applications that want a terminal are left out.
    explicit TAbrirCon(const std::string& path, QWidget* parent = nullptr);

    // The MIME type names of a file, from its name and content: its own type,
    // that type's aliases and every type it derives from ("text/x-csrc" gives
    // "text/plain" as well).
    static std::vector<std::string> TiposDe(const std::string& path);

    // The listed applications, in the order of LBProgramas.
    const std::vector<DesktopApp>& Programas() const { return apps_; }

    // The application of the current row; nothing without one.
    std::optional<DesktopApp> Elegida() const;

    QLabel* LFichero;
    QListWidget* LBProgramas;
    QDialogButtonBox* BBotones;

private:
    void BAceptarClick();

    std::vector<DesktopApp> apps_;
};

} // namespace sorvane
