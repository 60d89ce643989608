// The folder cataloguing window.
#include "catalogue/scan/TFCrearCarpeta.h"

#include "catalogue/format/FormatError.h"
#include "catalogue/format/LineBuilders.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/Recatalogue.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/metadata/MediaWriters.h"
#include "catalogue/scan/DriveInfo.h"
#include "catalogue/scan/TFolderTree.h"
#include "dialogs/Language.h"
#include "mainwindow/SettingsView.h"
#include "platform/CataloguePath.h"
#include "platform/Directory.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "ui/CheckBox.h"
#include "ui/DriveComboBox.h"
#include "ui/Named.h"
#include "ui/SlotBarrier.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace sorvane {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text::AsUtf8(text));
}

} // namespace

TFCrearCarpeta::TFCrearCarpeta(CataloguingHost& host, QWidget* parent)
    : TVentanaCatalogar(host, parent) {
    setObjectName("FCrearCarpeta");
    resize(640, 560);
    ShellTreeView1 = Named<TFolderTree>("ShellTreeView1", this);
    ShellTreeView1->SetRoot("/");
    ENombreCarpeta = Named<QLineEdit>("ENombreCarpeta", this);
    ENombreCarpeta->setReadOnly(true);
    LCarpeta = Named<QLabel>("LCarpeta", this);
    LTamDisco = Named<QLabel>("LTamDisco", GBInfoDisk);
    DCBDisco->hide();
    BBActualizar->hide();
    GBInfoDisk->hide();
    BBNuevoCatalogo->setEnabled(false);
    SBSelectCarpeta->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LNuevoDisco);
    layout->addWidget(ShellTreeView1, 1);
    auto* form = new QFormLayout;
    form->addRow(LCarpeta, ENombreCarpeta);
    form->addRow(LNuevoNombre, ENombre);
    layout->addLayout(form);
    // The counters stay in the hidden disk box: the run still writes them.
    layout->addWidget(GBExcluir);
    layout->addWidget(GBInfoProgress);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(AniCd, 1);
    buttons->addWidget(SBAyudaCat);
    buttons->addWidget(BParar);
    buttons->addWidget(BBNuevoCatalogo);
    layout->addLayout(buttons);

    ShellTreeView1->OnChange = [this] { ShellTreeView1Change(); };
    DCBDisco->OnChange = [this] { DCBDiscoChange(); };
}

void TFCrearCarpeta::PreparaNuevo() {
    TVentanaCatalogar::PreparaNuevo();
    ShellTreeView1->setEnabled(true);
    ShellTreeView1Change();
}

void TFCrearCarpeta::showEvent(QShowEvent* event) {
    TVentanaCatalogar::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TFCrearCarpeta::FormShow() {
    BParar->setEnabled(false);
    StopRequested_ = false;
    ParaAnimacion();
    for (QLabel* label : {LNumFicheros, LNumCarpetas, LCarpetaCurso, LFicheroCurso, LAnidadoCurso})
        label->clear();
    BBNuevoCatalogo->setText(Q(
        LeeTexto("L", host_.ModoCatalogo() == "CARPETA" ? "CK_BOTON_CREAR" : "CK_BOTON_RECREAR")));
}

bool TFCrearCarpeta::AnimacionActiva() const {
    return host_.Ajustes().AnimacionCrearCarpeta();
}

bool TFCrearCarpeta::EligeCarpeta(const std::string& hostFolder) {
    const bool found = ShellTreeView1->SelectPath(hostFolder);
    if (found) ShellTreeView1Change();
    return found;
}

void TFCrearCarpeta::ShellTreeView1Change() {
    if (running_) return;
    hostFolder_ = ShellTreeView1->CurrentPath();
    const std::string path = ToCataloguePath(hostFolder_);
    // Shown as Linux writes it; the catalogue keeps the drive form.
    ENombreCarpeta->setText(Q(hostFolder_));
    const bool onDrive = path.size() >= 2 && path[1] == ':';
    if (onDrive && DCBDisco->Drive() != path[0]) {
        if (!DCBDisco->SetDrive(path[0])) {
            RefrescaUnidades(*DCBDisco);
            DCBDisco->SetDrive(path[0]);
        }
    } else if (onDrive) {
        DCBDiscoChange();
    }
    const bool belowRoot = onDrive && path.size() > 3;
    BBNuevoCatalogo->setEnabled(belowRoot);
    SBSelectCarpeta->setEnabled(belowRoot);
}

void TFCrearCarpeta::DCBDiscoChange() {
    const char letter = LetraUnidad();
    if (letter == ' ') return;
    TDriveInfo& drives = DriveInfo();
    drives.Refresh(letter, kRefreshAll);
    if (!drives.GetInfo(letter).DiskPresent) {
        host_.MuestraMensaje(LeeTexto("M", "M_DISCO_INVALIDO"));
        if (letter != 'C') DCBDisco->SetDrive('C');
        return;
    }
    MuestraSerieYEtiqueta();
    const DiskSpace space = DriveMap::Read(LiveDriveRoots()).Space(letter);
    LTamDisco->setText(Q(FormatThousands(space.totalBytes - space.freeBytes)));
    host_.ProgresoAlPrincipio();
}

void TFCrearCarpeta::BBActualizarClick() {
    RefrescaUnidades(*DCBDisco);
    DCBDiscoChange();
}

std::vector<QWidget*> TFCrearCarpeta::ControlesDeEjecucion() const {
    return {BBActualizar, BBNuevoCatalogo, DCBDisco, ENombre, MExcluir};
}

void TFCrearCarpeta::MuestraProgreso(const ScanState& state) {
    LNumFicheros->setText(QString::number(state.files));
    LNumCarpetas->setText(QString::number(state.folders));
}

void TFCrearCarpeta::BBNuevoCatalogoClick() {
    if (host_.Ocupado() || !BBNuevoCatalogo->isEnabled()) return;
    MExcluirExit();
    if (EsRecatalogo()) QuitaExcluidasInexistentes();
    const std::vector<std::string> exclusions = LineasExcluidas();
    if (!ExclusionInexistente(exclusions).empty())
        return host_.MuestraMensaje(LeeTexto("M", "M_CARPETA_EXCLUIR_NOEXISTE"));
    const std::string exclusionBlock = BloqueExcluidas(exclusions);
    BBActualizarClick();
    ENombre->setText(ENombre->text().trimmed());
    const std::string name = ENombre->text().toStdString();
    const std::string folder = ToCataloguePath(hostFolder_);
    const std::string host = hostFolder_;
    const bool newMode = host_.ModoCatalogo() == "CARPETA";
    if (name.empty()) return host_.MuestraMensaje(LeeTexto("M", "M_SIN_NOMBRE"));
    if (TieneCaracterProhibido(name))
        return host_.MuestraMensaje(LeeTexto("M", "M_CARACTER_PROHIBIDO") + " " +
                                    CaracteresProhibidos(name));
    const std::string serial = LNumSerie->text().toStdString();
    if (newMode &&
        (EsNombreRepetido(name, host_.CabecerasCargadas()) || host_.ExisteCatalogo(name)))
        return host_.MuestraMensaje(LeeTexto("M", "M_NOMBRE_REPETIDO"));
    if (newMode && EsCarpetaRepetida(serial, folder, host_.CabecerasCargadas()))
        return host_.MuestraMensaje(LeeTexto("M", "M_CARPETA_REPETIDA"));
    if (IsFolderEmpty(host)) return host_.MuestraMensaje(LeeTexto("M", "M_CARPETA_VACIA"));

    const std::vector<QWidget*> controls = ControlesDeEjecucion();
    host_.PonOcupado(true);
    running_ = true;
    try {
        EmpiezaEjecucion(controls);
        LCarpetaCurso->setText(Q(folder));
        host_.Estado(LeeTextoCapital("W", "CATALOGANDO") + " " + LeeTexto("W", "CARPETAS") + "...");
        host_.ProgresoAlPrincipio();
        ScannedFiles = ScannedFolders = 0;
        host_.PonBytesCarpeta(0);

        ScanRequest request;
        request.kind = ScanKind::Folder;
        request.hostRoot = host;
        request.catalogueRoot = folder;
        request.exclusions = exclusions;
        request.options = host_.OpcionesLineaActuales();
        request.sources = FuentesMultimedia(
            host_.LectoresMedios(), [this](const std::string& line) { host_.AnotaError(line); });
        request.sources.nested = [this](const std::string& path) { return host_.MontaArx(path); };
        ScanResult result;
        bool found = IsDirectory(host);
        if (found) {
            try {
                result = RunScan(request, *this, host_.LineasEscaneo());
            } catch (const EInOutError&) {
                found = false;
            }
        }
        BParar->setEnabled(false);
        host_.PonBytesCarpeta(result.totals.bytes);
        if (!found) {
            host_.AnotaError(LeeTexto("M", "I_CARPETA_INCORRECTA"));
            host_.AnotaError("");
            host_.MuestraMensaje(LeeTexto("M", "I_CARPETA_INCORRECTA"));
        } else if (result.stopped) {
            TerminaCancelado();
        } else if (host_.LineasEscaneo().Count() <= 1) {
            TerminaVacio();
        } else {
            const char letter = folder.empty() ? 'C' : folder[0];
            const TDriveInfoRec record = DriveInfo().GetInfo(letter);
            host_.LineasEscaneo().Insert(
                0, LineaCabecera(name, "Dirs", serial, folder, LVolumen->text().toStdString(),
                                 record.DriveType, 0,
                                 static_cast<std::int64_t>(result.totals.bytes), exclusionBlock));
            if (!GuardaCatalogo(name, newMode ? ".tct" : ".RCT", newMode)) {
                PasosDeCierre(controls, newMode, !newMode);
                return;
            }
            host_.ActualizaContadores();
            host_.Estado(LeeTexto("M", "M_CATALOGO_TERMINADO"));
            host_.ProgresoAlFinal();
        }
    } catch (...) {
        PasosDeCierre(controls, newMode, !newMode);
        throw;
    }
    PasosDeCierre(controls, newMode, !newMode);
}

} // namespace sorvane
