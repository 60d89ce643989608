// The disk cataloguing window.
#include "catalogue/scan/TFCrearDisco.h"

#include "catalogue/format/LineBuilders.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/Recatalogue.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/metadata/MediaWriters.h"
#include "catalogue/scan/DriveInfo.h"
#include "dialogs/Language.h"
#include "mainwindow/SettingsView.h"
#include "platform/CataloguePath.h"
#include "platform/Directory.h"
#include "platform/Drives.h"
#include "platform/Text.h"
#include "ui/CheckBox.h"
#include "ui/DriveComboBox.h"
#include "ui/Named.h"
#include "ui/RadioGroup.h"
#include "ui/SlotBarrier.h"

#include <QDateTime>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <chrono>
#include <cstdio>

namespace sorvane {
namespace {

constexpr int kItemFloppy = 3;
constexpr int kItemHardDisk = 7;
constexpr std::uint64_t kMaxProgress = 2'147'483'647;

QString Q(const std::string& text) {
    return QString::fromStdString(text::AsUtf8(text));
}

// "%.2n": two decimals with thousands separators.
std::string TwoDecimals(double value) {
    const auto hundredths = static_cast<std::int64_t>(value * 100 + 0.5);
    char decimals[8];
    std::snprintf(decimals, sizeof decimals, ".%02lld", static_cast<long long>(hundredths % 100));
    return FormatThousands(hundredths / 100) + decimals;
}

} // namespace

const char* const TFCrearDisco::kTiposDisco[13] = {"CD-A", "CD-ROM", "CD-RW", "Floppy", "LS-120",
                                                   "DVD",  "DVD-RW", "H.D.",  "Netdrv", "Zip",
                                                   "Jaz",  "M.O.",   "?"};

TFCrearDisco::TFCrearDisco(CataloguingHost& host, QWidget* parent)
    : TVentanaCatalogar(host, parent) {
    setObjectName("FCrearDisco");
    RGTipoDisco = Named<TRadioGroup>("RGTipoDisco", this);
    QStringList kinds;
    for (const char* kind : kTiposDisco)
        kinds << kind;
    RGTipoDisco->SetItems(kinds);
    RGTipoDisco->SetColumns(2);
    RGTipoDisco->SetItemIndex(kItemHardDisk);
    const QStyle::StandardPixmap icons[13] = {
        QStyle::SP_MediaVolume,  QStyle::SP_DriveCDIcon, QStyle::SP_DriveCDIcon,
        QStyle::SP_DriveFDIcon,  QStyle::SP_DriveFDIcon, QStyle::SP_DriveDVDIcon,
        QStyle::SP_DriveDVDIcon, QStyle::SP_DriveHDIcon, QStyle::SP_DriveNetIcon,
        QStyle::SP_DriveFDIcon,  QStyle::SP_DriveFDIcon, QStyle::SP_DriveCDIcon,
        QStyle::SP_DriveHDIcon};
    for (int i = 0; i < 13; ++i)
        RGTipoDisco->Button(i)->setIcon(style()->standardIcon(icons[i]));

    LTamFilesDisco = Named<QLabel>("LTamFilesDisco", GBInfoDisk);
    LTamLibresDisco = Named<QLabel>("LTamLibresDisco", GBInfoDisk);
    auto* info = new QFormLayout(GBInfoDisk);
    const std::pair<const char*, QLabel*> rows[] = {
        {"LInfoDSerie", LNumSerie},          {"LInfoDVolumen", LVolumen},
        {"LLTamFilesDisco", LTamFilesDisco}, {"LLTamLibresDisco", LTamLibresDisco},
        {"LInfoDFicheros", LNumFicheros},    {"LInfoDCarpetas", LNumCarpetas}};
    for (const auto& [name, value] : rows) {
        auto* caption = Named<QLabel>(name, GBInfoDisk);
        info->addRow(caption, value);
    }

    auto* top = new QFormLayout;
    top->addRow(LNuevoNombre, ENombre);
    auto* drive = new QHBoxLayout;
    drive->addWidget(DCBDisco, 1);
    drive->addWidget(BBActualizar);
    top->addRow(LNuevoDisco, drive);
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addLayout(top);
    left->addWidget(GBInfoDisk);
    left->addWidget(GBExcluir);
    columns->addLayout(left, 1);
    columns->addWidget(RGTipoDisco);
    layout->addLayout(columns);
    layout->addWidget(GBInfoProgress);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(AniCd, 1);
    buttons->addWidget(SBAyudaCat);
    buttons->addWidget(BParar);
    buttons->addWidget(BBNuevoCatalogo);
    layout->addLayout(buttons);

    DCBDisco->OnChange = [this] { DCBDiscoChange(); };
}

void TFCrearDisco::PreparaNuevo() {
    TVentanaCatalogar::PreparaNuevo();
    RGTipoDisco->setEnabled(true);
}

void TFCrearDisco::showEvent(QShowEvent* event) {
    TVentanaCatalogar::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TFCrearDisco::FormShow() {
    SBSelectCarpeta->setToolTip(Q(LeeTexto("M", "M_SEL_CARPETA_EXCLUIR")));
    BParar->setEnabled(false);
    StopRequested_ = false;
    ParaAnimacion();
    StatusPrefix = LeeTextoCapital("W", "CATALOGADO") + " ";
    for (QLabel* label : {LNumFicheros, LNumCarpetas, LCarpetaCurso, LFicheroCurso, LAnidadoCurso})
        label->clear();
    BBNuevoCatalogo->setText(
        Q(LeeTexto("L", host_.ModoCatalogo() == "DISCO" ? "CC_BOTON_CREAR" : "CC_BOTON_RECREAR")));
    DCBDiscoChange();
}

bool TFCrearDisco::AnimacionActiva() const {
    return host_.Ajustes().AnimacionCrearDisco();
}

std::string TFCrearDisco::CarpetaInicialSelector() const {
    return DriveFolder(LetraUnidad());
}

bool TFCrearDisco::LeeUnidad() {
    const char letter = LetraUnidad();
    TDriveInfo& drives = DriveInfo();
    drives.Refresh(letter, kRefreshAll);
    const TDriveInfoRec record = drives.GetInfo(letter);
    // A re-catalogue keeps the medium kind and the drive of its catalogue: the
    // letter rules below would retype a Zip read from C, and a move to C would
    // scan another disk under the catalogue's name.
    const bool recatalogue = EsRecatalogo();
    if (!record.DiskPresent) {
        host_.MuestraMensaje(LeeTexto("M", "M_DISCO_INVALIDO"));
        if (recatalogue) return false;
        if (letter != 'C' && DCBDisco->IndexOf('C') >= 0) DCBDisco->SetDrive('C');
        RGTipoDisco->SetItemIndex(kItemHardDisk);
        return false;
    }
    if (!recatalogue && (letter == 'A' || letter == 'B')) RGTipoDisco->SetItemIndex(kItemFloppy);
    if (!recatalogue && letter == 'C') RGTipoDisco->SetItemIndex(kItemHardDisk);
    MuestraSerieYEtiqueta();

    const DiskSpace space = DriveMap::Read(LiveDriveRoots()).Space(letter);
    totalBytes_ = space.totalBytes;
    freeBytes_ = space.freeBytes;
    LTamFilesDisco->setText(Q(FormatThousands(totalBytes_ - freeBytes_)));
    LTamLibresDisco->setText(Q(FormatThousands(freeBytes_)));
    host_.ProgresoAlPrincipio();
    if (ENombre->text().trimmed().isEmpty()) ENombre->setText(Q(EtiquetaDeUnidad()));
    return true;
}

void TFCrearDisco::DCBDiscoChange() {
    if (DCBDisco->Drive() == ' ') return;
    LeeUnidad();
}

void TFCrearDisco::BBActualizarClick() {
    RefrescaUnidades(*DCBDisco);
    DCBDiscoChange();
}

std::vector<QWidget*> TFCrearDisco::ControlesDeEjecucion() const {
    return {BBActualizar, BBNuevoCatalogo, DCBDisco,       RGTipoDisco,
            ENombre,      MExcluir,        SBSelectCarpeta};
}

void TFCrearDisco::MuestraProgreso(const ScanState& state) {
    LNumFicheros->setText(Q(FormatThousands(static_cast<std::int64_t>(state.files))));
    LNumCarpetas->setText(Q(FormatThousands(static_cast<std::int64_t>(state.folders))));
    const std::uint64_t position = std::min(state.progress, progressMax_);
    host_.Progreso(static_cast<int>(position));
    char percent[32];
    std::snprintf(percent, sizeof percent, "%-5.2f",
                  progressMax_ == 0
                      ? 100.0
                      : static_cast<double>(position) / static_cast<double>(progressMax_) * 100);
    host_.Estado(StatusPrefix + percent + "%");
}

void TFCrearDisco::BBNuevoCatalogoClick() {
    if (host_.Ocupado()) return;
    MExcluirExit();
    if (EsRecatalogo()) QuitaExcluidasInexistentes();
    const std::vector<std::string> exclusions = LineasExcluidas();
    const std::string missing = ExclusionInexistente(exclusions);
    if (!missing.empty())
        return host_.MuestraMensaje(LeeTexto("M", "M_CARPETA_EXCLUIR_NOEXISTE") + " " +
                                    ShownPath(missing));
    const std::string exclusionBlock = BloqueExcluidas(exclusions);
    RefrescaUnidades(*DCBDisco);
    if (!LeeUnidad()) return;
    ENombre->setText(ENombre->text().trimmed());
    const std::string name = ENombre->text().toStdString();
    const bool newMode = host_.ModoCatalogo() == "DISCO";
    if (totalBytes_ == freeBytes_) return host_.MuestraMensaje(LeeTexto("M", "M_DISCO_VACIO"));
    if (name.empty()) return host_.MuestraMensaje(LeeTexto("M", "M_SIN_NOMBRE"));
    if (TieneCaracterProhibido(name))
        return host_.MuestraMensaje(LeeTexto("M", "M_CARACTER_PROHIBIDO") + " " +
                                    CaracteresProhibidos(name));
    if (newMode &&
        (EsNombreRepetido(name, host_.CabecerasCargadas()) || host_.ExisteCatalogo(name)))
        return host_.MuestraMensaje(LeeTexto("M", "M_NOMBRE_REPETIDO"));
    const std::string serial = LNumSerie->text().toStdString();
    if (newMode && serial != "0000-0000" &&
        EsDiscoRepetido(serial, host_.CabecerasCargadas(), host_.Ajustes().SinNumeroSerie()))
        return host_.MuestraMensaje(LeeTexto("M", "M_DISCO_REPETIDO"));

    const std::vector<QWidget*> controls = ControlesDeEjecucion();
    host_.PonOcupado(true);
    running_ = true;
    try {
        EmpiezaEjecucion(controls);
        const std::int64_t usedBytes = totalBytes_ - freeBytes_;
        progressMax_ = std::min<std::uint64_t>(
            static_cast<std::uint64_t>(std::max<std::int64_t>(usedBytes, 0)) / 1024, kMaxProgress);
        host_.RangoProgreso(static_cast<int>(progressMax_));
        host_.Progreso(0);
        LCarpetaCurso->setText("\\");
        ScannedFiles = ScannedFolders = 0;

        const char letter = LetraUnidad();
        ScanRequest request;
        request.kind = ScanKind::Disk;
        request.hostRoot = DriveFolder(letter);
        request.catalogueRoot = std::string(1, letter) + ":\\";
        request.exclusions = exclusions;
        request.options = host_.OpcionesLineaActuales();
        request.sources = FuentesMultimedia(
            host_.LectoresMedios(), [this](const std::string& line) { host_.AnotaError(line); });
        request.sources.nested = [this](const std::string& path) { return host_.MontaArx(path); };
        const auto start = std::chrono::steady_clock::now();
        const ScanResult result = RunScan(request, *this, host_.LineasEscaneo());
        const double seconds = std::max(
            0.01, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        BParar->setEnabled(false);

        if (result.stopped) {
            TerminaCancelado();
        } else if (host_.LineasEscaneo().Count() <= 1) {
            TerminaVacio();
        } else {
            const TDriveInfoRec record = DriveInfo().GetInfo(letter);
            host_.LineasEscaneo().Insert(
                0, LineaCabecera(name, kTiposDisco[std::max(0, RGTipoDisco->ItemIndex())], serial,
                                 request.catalogueRoot, LVolumen->text().toStdString(),
                                 record.DriveType, freeBytes_, usedBytes, exclusionBlock));
            if (!GuardaCatalogo(name, newMode ? ".tct" : ".RCT", newMode)) {
                PasosDeCierre(controls, newMode, !newMode);
                return;
            }
            host_.ActualizaContadores();
            const double lines = static_cast<double>(host_.LineasEscaneo().Count() - 1);
            host_.Estado(LeeTexto("M", "M_CATALOGO_TERMINADO") + " " + TwoDecimals(seconds) +
                         " s. / " + TwoDecimals(lines / seconds) + " i/s.");
            host_.ProgresoAlFinal();
            for (QLabel* label : {LCarpetaCurso, LFicheroCurso, LAnidadoCurso})
                label->clear();
        }
    } catch (...) {
        PasosDeCierre(controls, newMode, !newMode);
        throw;
    }
    PasosDeCierre(controls, newMode, !newMode);
}

} // namespace sorvane
