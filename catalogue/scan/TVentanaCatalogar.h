// What the disk and folder cataloguing windows share: the name and exclusion
// boxes, the stop button, the progress labels, the walk's observer, the checks
// before a run and the closing steps after it.
#pragma once

#include "catalogue/scan/ArchiveBridge.h"
#include "catalogue/scan/ScanWalk.h"
#include "mainwindow/CataloguingHost.h"

#include <QDialog>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace sorvane {

class TDriveComboBox;

class TVentanaCatalogar : public QDialog, protected ScanObserver, public ArchiveListingObserver {
    Q_OBJECT

public:
    // `host` is the main window, which outlives the window.
    TVentanaCatalogar(CataloguingHost& host, QWidget* parent);

    // Clears and enables the name and exclusion boxes for a new catalogue.
    virtual void PreparaNuevo();
    // True in a re-catalogue ("RDISCO", "RCARPETA").
    bool EsRecatalogo() const;
    // Puts the chosen drive's letter on every exclusion line (MExcluirExit) and
    // drops the lines that name no existing folder, which exclude nothing; a
    // re-catalogue's exclusions cannot be edited, so a folder removed since the
    // first scan must not stop the run. Gives the lines dropped.
    std::vector<std::string> QuitaExcluidasInexistentes();

    void MExcluirExit();
    void SBSelectCarpetaClick();
    void BPararClick() { StopRequested_ = true; }
    virtual void BBNuevoCatalogoClick() = 0;
    virtual void BBActualizarClick() = 0;

    QLineEdit* ENombre;
    TDriveComboBox* DCBDisco;
    QPushButton* BBActualizar;
    QPushButton* BBNuevoCatalogo;
    QGroupBox* GBInfoDisk;
    QLabel *LNumSerie, *LVolumen, *LNumFicheros, *LNumCarpetas;
    QGroupBox* GBInfoProgress;
    QLabel *LCarpetaCurso, *LFicheroCurso, *LAnidadoCurso;
    QLabel *LInfoPCarpeta, *LInfoPFichero, *LInfoPAnidado; // their captions
    QLabel *LNuevoNombre,
        *LNuevoDisco; // captions of the name box and of the drive or folder choice
    QGroupBox* GBExcluir;
    QPlainTextEdit* MExcluir;
    QToolButton* SBSelectCarpeta;
    QProgressBar* AniCd; // the busy animation
    QPushButton* BParar;
    QToolButton* SBAyudaCat;

    std::uint64_t ScannedFiles = 0;
    std::uint64_t ScannedFolders = 0;
    bool StopRequested_ = false;
    std::string StatusPrefix;

protected:
    CataloguingHost& host_;

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The exclusion lines as they stand, and the exclusion block built from them.
    std::vector<std::string> LineasExcluidas() const;
    static std::string BloqueExcluidas(const std::vector<std::string>& lines);
    // The folder picker starts here (a host path).
    virtual std::string CarpetaInicialSelector() const = 0;
    // Whether the animation plays for this window.
    virtual bool AnimacionActiva() const = 0;
    // The letter exclusion lines take.
    char LetraUnidad() const;

    // The drive's label as the drive list shows it: the text from its "[" without
    // the brackets, every character but letters, digits, "_" and "-" blanked.
    std::string EtiquetaDeUnidad() const;
    // Shows the serial and label of the chosen drive in LNumSerie and LVolumen.
    void MuestraSerieYEtiqueta();
    // The first exclusion line that names no existing folder; empty when all do.
    std::string ExclusionInexistente(const std::vector<std::string>& lines) const;

    // Shared steps of a run.
    // The start: controls off, the stop button on, the buffer and error list empty.
    void EmpiezaEjecucion(const std::vector<QWidget*>& controls);
    void ArrancaAnimacion();
    // After a stop: the message, an empty buffer, cleared labels.
    void TerminaCancelado();
    // After a walk that gave no more than the root line.
    void TerminaVacio();
    void ParaAnimacion();
    void PasosDeCierre(const std::vector<QWidget*>& controls, bool newMode, bool recatalogue);
    // Saves the scan buffer in the selected collection and, for a new catalogue,
    // loads it into the tree. `extension` is ".tct" or ".RCT".
    // Saves the scan as the catalogue file; a file that cannot be written is
    // reported with its reason and gives false.
    bool GuardaCatalogo(const std::string& name, const std::string& extension, bool load);

    // ScanObserver
    bool StopRequested() override;
    void Update(const ScanState& state) override;
    void Error(const std::string& line) override;
    virtual void MuestraProgreso(const ScanState& state) = 0;

    // ArchiveListingObserver: the member in LAnidadoCurso, the stop button
    // (the event loop runs at most every 20 ms of a listing), the error list.
public:
    void ShowMember(const std::string& name) override;
    bool ListingStopRequested() override;
    void ListingError(const std::string& line) override;
    std::string CurrentPlace() const override;

protected:
    std::uint64_t lastListingHandOff_ = 0;

    bool running_ = false;
};

} // namespace sorvane
