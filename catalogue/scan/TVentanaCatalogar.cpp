// The parts the disk and folder cataloguing windows share.
#include "catalogue/scan/TVentanaCatalogar.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/scan/DriveInfo.h"
#include "catalogue/scan/TFSelectFolder.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "mainwindow/SettingsView.h"
#include "platform/CataloguePath.h"
#include "platform/Clock.h"
#include "platform/Directory.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "ui/CheckBox.h"
#include "ui/DriveComboBox.h"
#include "ui/Named.h"
#include "ui/SlotBarrier.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace sorvane {
namespace {

constexpr int kMaxNameLength = 60;
constexpr int kMaxLabelChars = 128;

} // namespace

TVentanaCatalogar::TVentanaCatalogar(CataloguingHost& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setModal(true);
    ENombre = Named<QLineEdit>("ENombre", this);
    ENombre->setMaxLength(kMaxNameLength);
    ENombre->installEventFilter(this);
    DCBDisco = Named<TDriveComboBox>("DCBDisco", this);
    BBActualizar = Named<QPushButton>("BBActualizar", this);
    BBNuevoCatalogo = Named<QPushButton>("BBNuevoCatalogo", this);
    BBNuevoCatalogo->setAutoDefault(false);

    GBInfoDisk = Named<QGroupBox>("GBInfoDisk", this);
    LNumSerie = Named<QLabel>("LNumSerie", GBInfoDisk);
    LVolumen = Named<QLabel>("LVolumen", GBInfoDisk);
    LNumFicheros = Named<QLabel>("LNumFicheros", GBInfoDisk);
    LNumCarpetas = Named<QLabel>("LNumCarpetas", GBInfoDisk);

    GBInfoProgress = Named<QGroupBox>("GBInfoProgress", this);
    LCarpetaCurso = Named<QLabel>("LCarpetaCurso", GBInfoProgress);
    LFicheroCurso = Named<QLabel>("LFicheroCurso", GBInfoProgress);
    LAnidadoCurso = Named<QLabel>("LAnidadoCurso", GBInfoProgress);
    LInfoPCarpeta = Named<QLabel>("LInfoPCarpeta", GBInfoProgress);
    LInfoPFichero = Named<QLabel>("LInfoPFichero", GBInfoProgress);
    LInfoPAnidado = Named<QLabel>("LInfoPAnidado", GBInfoProgress);
    auto* progress = new QFormLayout(GBInfoProgress);
    const std::pair<QLabel*, QLabel*> rows[] = {{LInfoPCarpeta, LCarpetaCurso},
                                                {LInfoPFichero, LFicheroCurso},
                                                {LInfoPAnidado, LAnidadoCurso}};
    for (const auto& [caption, value] : rows) {
        value->setTextFormat(Qt::PlainText);
        value->setMinimumWidth(300);
        progress->addRow(caption, value);
    }
    LNuevoNombre = Named<QLabel>("LNuevoNombre", this);
    LNuevoDisco = Named<QLabel>("LNuevoDisco", this);

    GBExcluir = Named<QGroupBox>("GBExcluir", this);
    MExcluir = Named<QPlainTextEdit>("MExcluir", GBExcluir);
    MExcluir->installEventFilter(this);
    SBSelectCarpeta = Named<QToolButton>("SBSelectCarpeta", GBExcluir);
    SBSelectCarpeta->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    auto* exclude = new QHBoxLayout(GBExcluir);
    exclude->addWidget(MExcluir, 1);
    exclude->addWidget(SBSelectCarpeta, 0, Qt::AlignTop);

    AniCd = Named<QProgressBar>("AniCd", this);
    AniCd->setRange(0, 0);
    AniCd->setTextVisible(false);
    AniCd->hide();
    BParar = Named<QPushButton>("BParar", this);
    BParar->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    BParar->setAutoDefault(false);
    BParar->setEnabled(false);
    SBAyudaCat = Named<QToolButton>("SBAyudaCat", this);
    SBAyudaCat->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

    connect(BBActualizar, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBActualizarClick(); }); });
    connect(BBNuevoCatalogo, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBNuevoCatalogoClick(); }); });
    connect(BParar, &QPushButton::clicked, this, [this] { BPararClick(); });
    connect(SBSelectCarpeta, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBSelectCarpetaClick(); }); });
}

void TVentanaCatalogar::PreparaNuevo() {
    ENombre->clear();
    ENombre->setEnabled(true);
    MExcluir->clear();
    MExcluir->setEnabled(true);
    SBSelectCarpeta->setEnabled(true);
    DCBDisco->setEnabled(true);
}

bool TVentanaCatalogar::EsRecatalogo() const {
    return host_.ModoCatalogo() == "RDISCO" || host_.ModoCatalogo() == "RCARPETA";
}

std::vector<std::string> TVentanaCatalogar::QuitaExcluidasInexistentes() {
    MExcluirExit();
    std::vector<std::string> dropped;
    QStringList kept;
    for (const std::string& line : LineasExcluidas()) {
        if (ExclusionInexistente({line}).empty())
            kept << QString::fromStdString(line);
        else
            dropped.push_back(line);
    }
    if (!dropped.empty()) MExcluir->setPlainText(kept.join('\n'));
    return dropped;
}

bool TVentanaCatalogar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ENombre && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Guarded([this] { BBNuevoCatalogoClick(); });
            return true;
        }
        const QString typed = key->text();
        if (!typed.isEmpty() && typed.at(0) != '\b' && EsCaracterProhibido(typed.at(0).unicode()))
            return true;
    }
    if (watched == MExcluir && event->type() == QEvent::FocusOut)
        Guarded([this] { MExcluirExit(); });
    return QDialog::eventFilter(watched, event);
}

void TVentanaCatalogar::keyPressEvent(QKeyEvent* event) {
    // Escape would close the window; during a run the Stop button is the way out.
    if (running_ && event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

void TVentanaCatalogar::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

char TVentanaCatalogar::LetraUnidad() const {
    return DCBDisco->Drive();
}

void TVentanaCatalogar::MExcluirExit() {
    const char letter = LetraUnidad();
    QStringList kept;
    for (const QString& raw : MExcluir->toPlainText().split('\n')) {
        QString line = raw.trimmed();
        if (line.isEmpty()) continue;
        if (line.size() >= 2 && line.at(1) == ':') line.remove(0, 2);
        if (!line.startsWith('\\')) line.prepend('\\');
        if (!line.endsWith('\\')) line.append('\\');
        line.prepend(QString(QChar(letter)) + ":");
        kept << line;
    }
    const QString text = kept.join('\n');
    if (text != MExcluir->toPlainText()) MExcluir->setPlainText(text);
}

std::vector<std::string> TVentanaCatalogar::LineasExcluidas() const {
    std::vector<std::string> lines;
    for (const QString& line : MExcluir->toPlainText().split('\n'))
        if (!line.trimmed().isEmpty()) lines.push_back(line.toStdString());
    return lines;
}

std::string TVentanaCatalogar::BloqueExcluidas(const std::vector<std::string>& lines) {
    if (lines.empty()) return {};
    std::string block(1, kNestedBracket);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) block.push_back(kItemSeparator);
        block += LimpiaControles(lines[i]);
    }
    block.push_back(kNestedBracket);
    return block;
}

void TVentanaCatalogar::SBSelectCarpetaClick() {
    host_.PonCarpetaElegida({});
    FSelectFolder->Empieza(CarpetaInicialSelector());
    MuestraModal(*FSelectFolder);
    if (!host_.CarpetaElegida().empty())
        MExcluir->appendPlainText(QString::fromStdString(host_.CarpetaElegida()));
    MExcluirExit();
}

std::string TVentanaCatalogar::EtiquetaDeUnidad() const {
    QString label = DCBDisco->currentText();
    if (label.contains('[')) label = label.mid(label.indexOf('['));
    label = label.left(kMaxLabelChars);
    label = label.size() >= 2 ? label.mid(1, label.size() - 2) : QString();
    std::string clean = label.toStdString();
    LimpiaEtiqueta(clean);
    return clean;
}

void TVentanaCatalogar::MuestraSerieYEtiqueta() {
    const char letter = LetraUnidad();
    LNumSerie->setText(host_.Ajustes().SinNumeroSerie()
                           ? QString("0000-0000")
                           : QString::fromStdString(LeeNumeroSerie(letter)));
    LVolumen->setText(QString::fromStdString(EtiquetaDeUnidad()).trimmed());
    LNumFicheros->clear();
    LNumCarpetas->clear();
}

std::string TVentanaCatalogar::ExclusionInexistente(const std::vector<std::string>& lines) const {
    for (const std::string& line : lines) {
        const std::string host = ToHostPath(line);
        if (host.empty() || !IsDirectory(host)) return line;
    }
    return {};
}

void TVentanaCatalogar::TerminaCancelado() {
    ParaAnimacion();
    host_.MuestraMensaje(LeeTexto("M", "M_CAT_CANCELADO"));
    host_.LineasEscaneo().Clear();
    for (QLabel* label : {LNumFicheros, LNumCarpetas, LCarpetaCurso, LFicheroCurso, LAnidadoCurso})
        label->clear();
    host_.Estado("");
}

void TVentanaCatalogar::TerminaVacio() {
    host_.AnotaError(LeeTexto("M", "M_ERROR_CAT_VACIO"));
    host_.AnotaError("");
    host_.MuestraMensaje(LeeTexto("M", "M_ERROR_CAT_VACIO"));
}

void TVentanaCatalogar::EmpiezaEjecucion(const std::vector<QWidget*>& controls) {
    for (QWidget* control : controls)
        control->setEnabled(false);
    BParar->setEnabled(true);
    StopRequested_ = false;
    ArrancaAnimacion();
    host_.LineasEscaneo().Clear();
    host_.LimpiaErrores();
}

void TVentanaCatalogar::ArrancaAnimacion() {
    if (AnimacionActiva()) AniCd->show();
}

void TVentanaCatalogar::ParaAnimacion() {
    AniCd->hide();
}

bool TVentanaCatalogar::StopRequested() {
    return StopRequested_;
}

void TVentanaCatalogar::Update(const ScanState& state) {
    ScannedFiles = state.files;
    ScannedFolders = state.folders;
    LCarpetaCurso->setText(QString::fromStdString(text::AsUtf8(state.currentFolder)));
    LFicheroCurso->setText(QString::fromStdString(text::AsUtf8(state.currentFile)));
    MuestraProgreso(state);
    QCoreApplication::processEvents();
}

void TVentanaCatalogar::Error(const std::string& line) {
    host_.AnotaError(line);
}

void TVentanaCatalogar::ShowMember(const std::string& name) {
    LAnidadoCurso->setText(QString::fromStdString(text::AsUtf8(name)));
}

bool TVentanaCatalogar::ListingStopRequested() {
    constexpr std::uint64_t kHandOffMs = 20;
    const std::uint64_t now = MonotonicMilliseconds();
    if (now - lastListingHandOff_ >= kHandOffMs) {
        lastListingHandOff_ = now;
        QCoreApplication::processEvents();
    }
    return StopRequested_;
}

void TVentanaCatalogar::ListingError(const std::string& line) {
    host_.AnotaError(line);
}

std::string TVentanaCatalogar::CurrentPlace() const {
    return LCarpetaCurso->text().toStdString() + "\\" + LFicheroCurso->text().toStdString();
}

bool TVentanaCatalogar::GuardaCatalogo(const std::string& name, const std::string& extension,
                                       bool load) {
    std::string folder = host_.RutaColeccion();
    for (char& c : folder)
        if (c == '\\') c = '/';
    std::string path =
        host_.CarpetaRaiz() + (folder.empty() ? "" : folder + "/") + name + extension;
    // A re-catalogue names the file beside the catalogue's own.
    if (!load && !host_.FicheroRecatalogo().empty()) path = host_.FicheroRecatalogo();
    try {
        host_.LineasEscaneo().SaveToFile(path);
    } catch (const EInOutError& e) {
        // The user's disk is full or read-only: the catalogue's own message, with the reason.
        host_.MuestraMensaje(LeeTexto("M", "M_IMPOSIBLE_GUARDAR_CAT") + " " + e.what());
        return false;
    }
    if (!load) return true;
    host_.CargaCatalogoNuevo(path);
    return true;
}

void TVentanaCatalogar::PasosDeCierre(const std::vector<QWidget*>& controls, bool newMode,
                                      bool recatalogue) {
    host_.LineasEscaneo().Clear();
    for (QWidget* control : controls)
        control->setEnabled(true);
    BParar->setEnabled(false);
    ParaAnimacion();
    running_ = false;
    host_.PonOcupado(false);
    if (newMode && host_.Ajustes().MostrarErroresCatalogo()) host_.MuestraErrores();
    if (recatalogue) accept();
}

} // namespace sorvane
