// The program's windows started offscreen for a benchmark.
#include "bench/WindowRig.h"

#include "app/StandingWindows.h"
#include "bench/Options.h"
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "dialogs/Modal.h"
#include "dialogs/TFMensajes.h"
#include "mainwindow/TFPrincipal.h"
#include "mainwindow/TreeNode.h"
#include "ui/CheckBox.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string_view>

namespace sorvane::bench {

namespace fs = std::filesystem;

int RunOffscreen(int& argc, char** argv, const char* program, const std::function<int()>& run) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return RunReportingErrors(program, run);
}

WindowRig::WindowRig(const fs::path& root, Questions questions) : previous_(fs::current_path()) {
    try {
        fs::current_path(root);
        const bool record = questions == Questions::Recorded;
        SetModalHooks({
            [this](QDialog& dialog) {
                // The language question and the tips of a start without settings.
                if (dialog.objectName() == "FAskIdioma" || dialog.objectName() == "FTips")
                    return static_cast<int>(QDialog::Accepted);
                messages_.push_back(&dialog == FMensajes ? FMensajes->LMensaje->text().toStdString()
                                                         : dialog.windowTitle().toStdString());
                return static_cast<int>(QDialog::Accepted);
            },
            [this, record](const QString&, const QString& text) {
                if (record) messages_.push_back(text.toStdString());
                return true;
            },
            [this](const QString& text) { messages_.push_back(text.toStdString()); },
            {},
        });
        CreaVentanas();
        FPrincipal->ProgramFolderOverride = SORVANE_PROGRAM_DIR "/";
        // Never the settings of the build's program folder.
        FPrincipal->SettingsPathOverride = (root / ".sorvane-bench.ini").string();
        FPrincipal->FormActivate();
        if (!FPrincipal->StartupDone()) throw std::runtime_error("the main window did not start");
    } catch (...) {
        Release();
        throw;
    }
}

WindowRig::~WindowRig() {
    Release();
}

void WindowRig::Release() {
    LiberaVentanas();
    SetModalHooks({});
    std::error_code ignored;
    fs::current_path(previous_, ignored);
}

void WindowRig::OpenFolderWindow(const fs::path& folder, const std::string& name) {
    FPrincipal->CatalogueRunMode = "CARPETA";
    FCrearCarpeta->PreparaNuevo();
    FCrearCarpeta->show();
    if (!FCrearCarpeta->EligeCarpeta(folder.string()))
        throw std::runtime_error("the folder tree does not show " + folder.string());
    FCrearCarpeta->ENombre->setText(QString::fromStdString(name));
    QApplication::processEvents();
}

void WindowRig::CloseFolderWindow() {
    FCrearCarpeta->hide();
    if (!messages_.empty()) throw std::runtime_error("the window said: " + messages_.front());
}

void WindowRig::RemoveNewCatalogueNode() {
    TNodoArbol* node = FPrincipal->CurrentCatalogueNode;
    if (node == nullptr) throw std::runtime_error("the catalogue was not loaded into the tree");
    FPrincipal->CurrentCatalogueNode = nullptr;
    delete node;
    QApplication::processEvents();
}

std::vector<TCheckBox*> MediaReaderBoxes() {
    return {FPrincipal->CBDocFilesOff, FPrincipal->CBDotFilesOff, FPrincipal->CBBmpFilesOff,
            FPrincipal->CBGifFilesOff, FPrincipal->CBJpgFilesOff, FPrincipal->CBPcxFilesOff,
            FPrincipal->CBPngFilesOff, FPrincipal->CBTifFilesOff, FPrincipal->CBTgaFilesOff,
            FPrincipal->CBWavFilesOff, FPrincipal->CBMp3FilesOff, FPrincipal->CBWmaFilesOff,
            FPrincipal->CBOggFilesOff, FPrincipal->CBAviFilesOff};
}

void SetMediaReaders(bool on) {
    for (TCheckBox* box : MediaReaderBoxes())
        box->SetChecked(!on);
}

LineCounts CountLines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("no catalogue file " + path.string());
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LineCounts counts;
    counts.bytes = bytes.size();
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string_view line(bytes.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (counts.total > 0) {
            if (EsLineaCarpeta(line)) {
                ++counts.folders;
            } else {
                ++counts.files;
                if (TieneMultimedia(line))
                    ++counts.media;
                else
                    counts.withoutMedia.emplace_back(DameFicheroNombre(line));
            }
        }
        ++counts.total;
        start = end + 1;
    }
    return counts;
}

} // namespace sorvane::bench
