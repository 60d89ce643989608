// Opening catalogued files on their real medium: the drive found by the
// catalogue's volume serial, the full path rebuilt on it, and the openers that
// hand the path to the desktop's programs or to the audio player of the settings.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/StringManager.h"
#include "catalogue/scan/DriveInfo.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "dialogs/TAbrirCon.h"
#include "dialogs/TFAnidados.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/CataloguePath.h"
#include "platform/DesktopApps.h"
#include "platform/Directory.h"
#include "platform/Launcher.h"
#include "ui/SlotBarrier.h"
#include "ui/StringGrid.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QToolButton>

namespace sorvane {
namespace {

constexpr int kColName = 2; // the name column of the directory grid
constexpr std::string_view kNoSerial = "0000-0000";

// True when the program started; else its reason is shown. The desktop
// program's own failures later on (no program for the type) are not seen here.
bool Started(TFPrincipal& window, const LaunchResult& result) {
    if (!result) window.MuestraMensaje(result.error);
    return result.started;
}

} // namespace

std::optional<std::string>
TFPrincipal::RutaEnDisco(std::string_view header, std::string_view folder, std::string_view name) {
    const std::string serial(DameCabeceraNumSerie(header));
    // A catalogue without serial is found by its recorded drive letter alone:
    // every volume without a serial shares "0000-0000", so a search by it would
    // take an unrelated drive.
    char drive = serial == kNoSerial ? DameCabeceraUnidad(header) : BuscaUnidadPorSerie(serial);
    if (drive == ' ') {
        MuestraMensaje(LeeTexto("M", "M_DISCO_NOENCONTRADO") + "\r\n\r\n" +
                       std::string(DameCabeceraNombre(header)));
        return std::nullopt;
    }
    std::string path = std::string(1, drive) + ":";
    if (EsCatalogoCarpeta(header)) {
        path += DameCabeceraRuta(header);
        // A source folder stored with its trailing "\" would double the separator.
        if (path.back() == '\\' && !folder.empty() && folder.front() == '\\') path.pop_back();
    }
    path += folder;
    path = StringManager().AddBackslash(path);
    path += name;
    return ToHostPath(path);
}

bool TFPrincipal::ExisteEnDisco(const std::string& path) {
    if (!path.empty() && (FileExists(path) || IsDirectory(path))) return true;
    MuestraMensaje(LeeTexto("M", "M_FICHERO_NOENCONTRADO"));
    return false;
}

bool TFPrincipal::AbreConSistema(const std::string& path) {
    return Started(*this, OpenWithDefaultProgram(path));
}

bool TFPrincipal::AbreConNotepad(const std::string& path) {
    return Started(*this, OpenInTextEditor(path));
}

bool TFPrincipal::AbreExplorador(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return Started(*this,
                   OpenFileManager(slash == std::string::npos ? "." : path.substr(0, slash + 1)));
}

bool TFPrincipal::AbreCon(const std::string& path) {
    TAbrirCon chooser(path, this);
    if (MuestraModal(chooser) != QDialog::Accepted) return false;
    const std::optional<DesktopApp> app = chooser.Elegida();
    if (!app) return false;
    return Started(*this, StartDesktopApp(*app, path));
}

// On Linux a player is often named without its folder ("audacious"): a name
// without "/" that is no file here counts when PATH holds a program of that name.
bool TFPrincipal::EncolaReproductor(const std::string& path) {
    const std::string player = EPathWinAmp->text().trimmed().toStdString();
    if (player.empty()) {
        MuestraMensaje(LeeTexto("M", "M_PATH_WINAMP_VACIO"));
        return false;
    }
    const bool found =
        FileExists(player) || (player.find('/') == std::string::npos && FindProgram(player));
    if (!found) {
        MuestraMensaje(LeeTexto("M", "M_PATH_WINAMP_NOEXISTE"));
        return false;
    }
    return Started(*this, StartDetached(player, {"/ADD", path}));
}

void TFPrincipal::SBAbrirTriple(QObject* sender) {
    if (BusyFlag || CurrentCatalogueNode == nullptr || CurrentCatalogueNode->Lines() == nullptr)
        return;
    const int row = SGDirectorio->Row();
    if (row < 1 || row >= SGDirectorio->RowCount()) return;
    const int kind = SGDirectorio->RowTag(row);
    if (kind != kRowFile && kind != kRowFolder) return;
    const std::string name(SGDirectorio->CellView(kColName, row));
    const std::optional<std::string> path =
        RutaEnDisco(CurrentCatalogueNode->Lines()->Line(0), CurrentFolderPath, name);
    if (!path || !ExisteEnDisco(*path)) return;
    if (sender == SBAbrirSistema ||
        (FAnidados != nullptr && sender == FAnidados->SBAbrirComprimido))
        AbreConSistema(*path);
    else if (sender == SBAbrirNotepad)
        AbreConNotepad(*path);
    else if (sender == SBEncolarWinAmp)
        EncolaReproductor(*path);
    else if (sender == SBAbrirExplorador)
        AbreExplorador(*path);
    else if (sender == SBAbrirCon)
        AbreCon(*path);
}

// Programs on Linux carry no extension, so the dialog lists every file.
void TFPrincipal::SBCargaWinAmpClick() {
    QFileDialog dialog(this);
    dialog.setObjectName("ODExeFile");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!EPathWinAmp->text().trimmed().isEmpty()) dialog.selectFile(EPathWinAmp->text().trimmed());
    if (MuestraModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    EPathWinAmp->setText(dialog.selectedFiles().first());
}

void TFPrincipal::ConnectOpenHandlers() {
    for (QToolButton* button :
         {SBAbrirSistema, SBAbrirNotepad, SBEncolarWinAmp, SBAbrirExplorador, SBAbrirCon})
        connect(button, &QToolButton::clicked, this,
                [this, button] { Guarded([&] { SBAbrirTriple(button); }); });
    connect(SBCargaWinAmp, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBCargaWinAmpClick(); }); });
}

} // namespace sorvane
