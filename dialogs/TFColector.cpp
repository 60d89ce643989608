// The collector window: the basket, its totals and estimate, the copy run,
// and the collector files.
#include "dialogs/TFColector.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/StringManager.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/scan/DriveInfo.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "dialogs/TFColectorMensaje.h"
#include "dialogs/TitleWidths.h"
#include "mainwindow/SettingsView.h"
#include "platform/CataloguePath.h"
#include "platform/Clock.h"
#include "platform/CopyFiles.h"
#include "platform/Directory.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "ui/BusyGuard.h"
#include "ui/CheckBox.h"
#include "ui/GridRoutines.h"
#include "ui/Named.h"
#include "ui/ScopeGuard.h"
#include "ui/SlotBarrier.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace sorvane {
namespace {

constexpr std::string_view kNoSerial = "0000-0000";
constexpr const char* kFilter = "Collector files (*.clt *.CLT)";
// Widths of columns 1-3 and 6-17 (SBAnchoColumnasClick), before their titles
// widen them.
constexpr int kFixedWidths[][2] = {{1, 80},  {2, 80},  {3, 140}, {6, 64},  {7, 81},
                                   {8, 81},  {9, 40},  {10, 30}, {11, 48}, {12, 60},
                                   {13, 30}, {14, 12}, {15, 30}, {16, 22}, {17, 50}};
// The user interface gets control at most this often while copying.
constexpr std::uint64_t kEventsEvery = 20;

QString Q(std::string_view bytes) {
    return QString::fromStdString(text::AsUtf8(std::string(bytes)));
}

// A count column read as a number: its digits, 0 for anything else; nothing
// when its digits do not fit in 64 bits.
std::optional<std::int64_t> Cuenta(std::string_view cell) {
    std::int64_t value = 0;
    for (const char c : cell) {
        if (c < '0' || c > '9') return 0;
        if (__builtin_mul_overflow(value, 10, &value) ||
            __builtin_add_overflow(value, c - '0', &value))
            return std::nullopt;
    }
    return value;
}

// Sums and products of counts that stop at the largest value instead of wrapping.
std::int64_t Suma(std::int64_t a, std::int64_t b) {
    std::int64_t sum;
    return __builtin_add_overflow(a, b, &sum) ? INT64_MAX : sum;
}
std::int64_t Producto(std::int64_t a, std::int64_t b) {
    std::int64_t product;
    return __builtin_mul_overflow(a, b, &product) ? INT64_MAX : product;
}

// The bytes a row takes on a disk of clusters of `cluster` bytes: a single
// file rounded up to whole clusters, else its bytes and half a cluster a file.
// Nothing when that does not fit in 64 bits.
std::optional<std::int64_t> Estimacion(bool oneFile, std::int64_t files, std::int64_t bytes,
                                       std::int64_t cluster) {
    std::int64_t out;
    if (oneFile) {
        if (cluster <= 0) return bytes;
        if (__builtin_add_overflow(bytes, cluster - 1, &out)) return std::nullopt;
        if (__builtin_mul_overflow(out / cluster, cluster, &out)) return std::nullopt;
        return out;
    }
    if (__builtin_mul_overflow(cluster / 2, files, &out) ||
        __builtin_add_overflow(bytes, out, &out))
        return std::nullopt;
    return out;
}

// part / whole as a percentage: halves to the even neighbour, kept to 0..100;
// 0 when there is nothing to divide by.
int Porcentaje(double part, double whole) {
    if (whole <= 0) return 0;
    return static_cast<int>(std::clamp(std::nearbyint(part / whole * 100.0), 0.0, 100.0));
}

// The steps of a catalogue path ("\a\b\" gives "a", "b").
std::vector<std::string> Pasos(std::string_view path) {
    std::vector<std::string> steps;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) steps.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return steps;
}

// A folder cell or name that could lead out of the destination: a "." or ".."
// step, a name holding "\" (a folder's final one aside), or no name at all.
bool FilaPeligrosa(std::string_view folder, std::string_view item) {
    for (const std::string& step : Pasos(folder))
        if (step == "." || step == "..") return true;
    std::string_view name = item;
    if (!name.empty() && name.back() == '\\') name.remove_suffix(1);
    return name.empty() || name == "." || name == ".." || name.find('\\') != std::string_view::npos;
}

// The drive that holds a catalogue's disk: the one carrying its serial; for a
// catalogue catalogued without serial, the drive letter its header records
// when that letter stands for a folder (many Linux volumes have no serial, so
// looking "0000-0000" up would pick an unrelated drive). " " when none.
char UnidadDeCatalogo(std::string_view header) {
    const std::string serial(DameCabeceraNumSerie(header));
    if (serial != kNoSerial) return BuscaUnidadPorSerie(serial);
    char letter = DameCabeceraUnidad(header);
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return ' ';
    const std::string folder = DriveFolder(letter);
    return !folder.empty() && IsDirectory(folder) ? letter : ' ';
}

// The catalogue path of the catalogue's root on drive `drive`: "X:" for a disk,
// "X:\source" (no trailing "\") for a folder catalogue.
std::string RaizCatalogo(std::string_view header, char drive) {
    std::string root = std::string(1, drive) + ":";
    if (EsCatalogoCarpeta(header)) {
        root += DameCabeceraRuta(header);
        while (root.size() > 2 && root.back() == '\\')
            root.pop_back();
    }
    return root;
}

} // namespace

TFColector::TFColector(CataloguingHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName("FColector");
    setModal(true);
    setMinimumSize(700, 400);
    resize(900, 520);

    const auto button = [this](const char* name, QWidget* parent, QStyle::StandardPixmap icon) {
        auto* b = Named<QToolButton>(name, parent);
        b->setAutoRaise(true);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        return b;
    };

    auto* tools = new QHBoxLayout;
    SBAbrir = button("SBAbrir", this, QStyle::SP_DialogOpenButton);
    SBGuardar = button("SBGuardar", this, QStyle::SP_DialogSaveButton);
    SBBorrar = button("SBBorrar", this, QStyle::SP_DialogDiscardButton);
    SBBorrarTodo = button("SBBorrarTodo", this, QStyle::SP_TrashIcon);
    SBAnchoColumnas = button("SBAnchoColumnas", this, QStyle::SP_FileDialogDetailedView);
    SBCopiar = button("SBCopiar", this, QStyle::SP_MediaPlay);
    SBParar = button("SBParar", this, QStyle::SP_MediaStop);
    SBParar->setEnabled(false);
    SBAyuda = button("SBAyuda", this, QStyle::SP_DialogHelpButton);
    for (QToolButton* b :
         {SBAbrir, SBGuardar, SBBorrar, SBBorrarTodo, SBAnchoColumnas, SBCopiar, SBParar, SBAyuda})
        tools->addWidget(b);
    tools->addStretch();

    GBInfo = Named<QGroupBox>("GBInfo", this);
    auto* info = new QHBoxLayout(GBInfo);
    LColectorFicherosNumero = Named<QLabel>("LColectorFicherosNumero", GBInfo);
    LColectorBytes = Named<QLabel>("LColectorBytes", GBInfo);
    LColectorSize = Named<QLabel>("LColectorSize", GBInfo);
    for (QLabel* l : {LColectorFicherosNumero, LColectorBytes, LColectorSize})
        info->addWidget(l);
    info->addStretch();

    GBDestino = Named<QGroupBox>("GBDestino", this);
    auto* destination = new QHBoxLayout(GBDestino);
    EDestino = Named<QLineEdit>("EDestino", GBDestino);
    SBAbrirExtraer = button("SBAbrirExtraer", GBDestino, QStyle::SP_DirOpenIcon);
    SBAbrirExtraer->setToolButtonStyle(Qt::ToolButtonIconOnly);
    destination->addWidget(EDestino, 1);
    destination->addWidget(SBAbrirExtraer);

    GBProgreso = Named<QGroupBox>("GBProgreso", this);
    auto* progress = new QVBoxLayout(GBProgreso);
    LFicheroEnCurso = Named<QLabel>("LFicheroEnCurso", GBProgreso);
    LFicheroEnCurso->setTextFormat(Qt::PlainText);
    LPorcentajeFichero = Named<QLabel>("LPorcentajeFichero", GBProgreso);
    PBBytes = Named<QProgressBar>("PBBytes", GBProgreso);
    PBBytes->setRange(0, 100);
    PBBytes->setValue(0);
    auto* bar = new QHBoxLayout;
    bar->addWidget(PBBytes, 1);
    bar->addWidget(LPorcentajeFichero);
    progress->addWidget(LFicheroEnCurso);
    progress->addLayout(bar);

    SGColector = Named<TStringGrid>("SGColector", this);
    SGColector->SetColCount(kColumns);
    SGColector->SetRowCount(2);
    SGColector->SetRowSelect(true);
    for (int col : {kColKey, kColFiles, kColBytes, kColFolders})
        SGColector->SetColWidths(col, 0);
    SBAnchoColumnasClick();

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(GBDestino, 1);
    bottom->addWidget(GBProgreso, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(GBInfo);
    layout->addWidget(SGColector, 1);
    layout->addLayout(bottom);

    // The folder of drive C stands for "C:\".
    const std::string root = DriveFolder('C');
    EDestino->setText(Q(root.empty() ? std::string("/") : root));

    const auto wire = [this](QToolButton* b, void (TFColector::*handler)()) {
        connect(b, &QToolButton::clicked, this,
                [this, handler] { Guarded([&] { (this->*handler)(); }); });
    };
    wire(SBCopiar, &TFColector::SBCopiarClick);
    wire(SBParar, &TFColector::SBPararClick);
    wire(SBAbrir, &TFColector::SBAbrirClick);
    wire(SBGuardar, &TFColector::SBGuardarClick);
    wire(SBBorrar, &TFColector::SBBorrarClick);
    wire(SBBorrarTodo, &TFColector::SBBorrarTodoClick);
    wire(SBAbrirExtraer, &TFColector::SBAbrirExtraerClick);
    wire(SBAnchoColumnas, &TFColector::SBAnchoColumnasClick);
    wire(SBAyuda, &TFColector::SBAyudaClick);
    SGColector->OnMouseDown = [this](const TGridMouseEvent& e) { SGColectorMouseDown(e); };
    SGColector->OnMouseUp = [this](const TGridMouseEvent& e) { SGColectorMouseUp(e); };
    SGColector->OnDrawCell = [this](int col, int row, QPainter& painter, const QRect& rect,
                                    bool focused) {
        return SGColectorDrawCell(col, row, painter, rect, focused);
    };
}

bool TFColector::Vacio() const {
    return SGColector->RowCount() <= 2 &&
           (SGColector->RowCount() < 2 || SGColector->CellView(kColName, 1).empty());
}

int TFColector::FilaNueva() {
    if (SGColector->RowCount() < 2) SGColector->SetRowCount(2);
    if (Vacio()) return 1;
    const int row = SGColector->RowCount();
    SGColector->SetRowCount(row + 1);
    return row;
}

void TFColector::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TFColector::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFColector::reject() {
    if (running_) return;
    QDialog::reject();
}

void TFColector::FormShow() {
    Parar = false;
    AplicaLineas(*SGColector, host_.Ajustes(), RejillaConLineas::Colector);
    CalculaTotales();
}

void TFColector::CalculaTotales() {
    BytesTotales = 0;
    std::int64_t files = 0, folders = 0, estimate = 0;
    const bool empty = Vacio();
    if (!empty) {
        const std::int64_t cluster = host_.Ajustes().TamanoCluster();
        // Every sum is checked: a count too large for 64 bits stops at the
        // largest value and never wraps (CabenLasCuentas keeps such rows out
        // of an opened file).
        for (int row = 1; row < SGColector->RowCount(); ++row) {
            const std::int64_t rowFiles =
                Cuenta(SGColector->CellView(kColFiles, row)).value_or(INT64_MAX);
            const std::int64_t bytes =
                Cuenta(SGColector->CellView(kColBytes, row)).value_or(INT64_MAX);
            files = Suma(files, rowFiles);
            folders =
                Suma(folders, Cuenta(SGColector->CellView(kColFolders, row)).value_or(INT64_MAX));
            BytesTotales = Suma(BytesTotales, bytes);
            estimate = Suma(estimate, Estimacion(SGColector->CellView(kColFiles, row) == "1",
                                                 rowFiles, bytes, cluster)
                                          .value_or(INT64_MAX));
        }
        estimate = Suma(estimate, Producto(folders, cluster));
    }
    const std::string count = FormatThousands(files);
    const std::string size =
        estimate > 0 ? FormateaTamanoAmplio(estimate, LeeTexto("W", "BYTES")) : std::string();
    LColectorFicherosNumero->setText(Q(count));
    LColectorBytes->setText(Q(FormatThousands(BytesTotales)));
    LColectorSize->setText(Q(size));
    host_.TotalesColector(count, size);
    ActivaBotones(false);
}

void TFColector::ActivaBotones(bool running) {
    const bool full = !Vacio();
    for (QWidget* w :
         std::initializer_list<QWidget*>{SBAbrir, SBAbrirExtraer, EDestino, SBAnchoColumnas})
        w->setEnabled(!running);
    for (QToolButton* b : {SBGuardar, SBCopiar, SBBorrar, SBBorrarTodo})
        b->setEnabled(!running && full);
    SBParar->setEnabled(running);
}

std::string TFColector::DestinoHost(const std::string& text) {
    std::string host;
    if (!text.empty() && text.front() == '/') {
        host = text;
    } else if (text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) &&
               text[1] == ':' && text[2] == '\\') {
        std::string catalogue = text;
        catalogue[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(catalogue[0])));
        host = ToHostPath(catalogue);
    }
    if (!host.empty() && host.back() != '/') host.push_back('/');
    return host;
}

void TFColector::AtiendeEventos(bool now) {
    const std::uint64_t time = MonotonicMilliseconds();
    if (!now && time - lastEvents_ < kEventsEvery) return;
    lastEvents_ = time;
    QCoreApplication::processEvents();
}

void TFColector::PonEstado(double share) {
    char percent[32];
    std::snprintf(percent, sizeof percent, "%-5.2f", share);
    host_.Estado(LeeTexto("L", "T_COLECTOR") + " " + LeeTexto("W", "INFO_PROGRESO") + ": " +
                 percent + "%");
}

void TFColector::AgregaError(const std::string& message, const std::string& path) {
    host_.AnotaError("");
    host_.AnotaError("Excepción \"" + message + "\" al copiar \"" + path + "\"");
}

void TFColector::SBCopiarClick() {
    if (running_ || host_.Ocupado()) return;
    CalculaTotales();
    if (Vacio()) {
        host_.MuestraMensaje(LeeTexto("M", "M_COL_VACIO"));
        return;
    }
    const std::string text = EDestino->text().trimmed().toStdString();
    EDestino->setText(QString::fromStdString(text));
    if (text.empty()) {
        host_.MuestraMensaje(LeeTexto("M", "M_COL_NOCARPETA"));
        return;
    }
    const std::string destination = DestinoHost(text);
    const std::int64_t free = destination.empty() ? -1 : FreeBytesNear(destination);
    if (free < BytesTotales) {
        host_.MuestraMensaje(LeeTexto("M", "M_COL_NOSPACE"));
        return;
    }
    const char separator = text.front() == '/' ? '/' : '\\';
    if (text.back() != separator) EDestino->setText(QString::fromStdString(text + separator));
    BytesCopiados = 0;
    host_.LimpiaErrores();
    if (!CreateFolderPath(destination)) {
        host_.MuestraMensaje(LeeTexto("M", "M_IMPOSIBLE_CREAR"));
        return;
    }

    // The run holds the main window's busy flag: no sort, no other operation,
    // and this window's buttons and close box do nothing until it ends.
    host_.PonOcupado(true);
    const TBusyGuard running(running_);
    const TScopeGuard restore([this] {
        ActivaBotones(false);
        LFicheroEnCurso->clear();
        LPorcentajeFichero->clear();
        PBBytes->setValue(100);
        host_.RangoProgreso(100);
        host_.Progreso(100);
        host_.PonOcupado(false);
    });

    for (int row = 1; row < SGColector->RowCount(); ++row)
        SGColector->SetCells(kColKey, row,
                             SGColector->Cells(kColCollection, row) +
                                 SGColector->Cells(kColCatalogue, row));
    SortGridByColumn(*SGColector, kColKey);

    host_.RangoProgreso(100);
    host_.Progreso(0);
    host_.Estado(LeeTexto("L", "T_COLECTOR") + " " + LeeTexto("W", "INFO_PROGRESO") + ": 0%");
    ActivaBotones(true);
    Parar = false;
    std::string catalogue, header;
    bool found = false;
    bool first = true;
    AtiendeEventos(true);
    for (int row = 1; row < SGColector->RowCount() && !Parar; ++row) {
        if (first || SGColector->CellView(kColCatalogue, row) != catalogue) {
            first = false;
            catalogue = SGColector->Cells(kColCatalogue, row);
            const std::optional<std::string> line0 = host_.CabeceraCatalogo(catalogue);
            found = line0.has_value();
            header = line0.value_or(std::string());
        }
        if (!CopiaFila(row, catalogue, header, found, destination)) break;
    }

    host_.MuestraErrores();
    const bool stopped = Parar;
    Parar = false;
    host_.Estado(
        LeeTexto("L", "T_COLECTOR") + " " +
        (stopped ? LeeTexto("W", "CANCELADO") : LeeTexto("W", "INFO_PROGRESO") + ": 100%"));
}

bool TFColector::CopiaFila(int row, std::string& catalogue, std::string& header, bool& found,
                           const std::string& destination) {
    const std::string item = SGColector->Cells(kColName, row);
    const std::string folder = SGColector->Cells(kColFolder, row);
    // A row whose catalogue is gone has no disk to look for: another
    // catalogue's disk must never stand in for it.
    if (!found) {
        AgregaError(LeeTexto("M", "M_FICHERO_NOENCONTRADO"), LeeTextoCapital("W", "CATALOGO") +
                                                                 " " + catalogue + ": " + folder +
                                                                 " " + item);
        return true;
    }
    if (FilaPeligrosa(folder, item)) {
        AgregaError("Invalid name", catalogue + ": " + folder + " " + item);
        return true;
    }

    char drive = ' ';
    for (;;) {
        drive = UnidadDeCatalogo(header);
        Respuesta = ' ';
        if (drive != ' ') break;
        FColectorMensaje->LCatalogo->setText(Q(DameCabeceraNombre(header)));
        FColectorMensaje->LItem->setText(Q(item));
        MuestraModal(*FColectorMensaje);
        if (Respuesta == 'P') {
            Parar = true;
            break;
        }
        if (Respuesta == 'C') break;
    }
    if (Parar) return false;
    if (Respuesta == 'C') return true;

    const std::string root = RaizCatalogo(header, drive);
    std::string source = root;
    if (!folder.empty() && folder.front() != '\\') source += '\\';
    source += folder;
    source = StringManager().AddBackslash(source) + item;
    const std::string host = ToHostPath(source);
    const std::string within = ToHostPath(root + "\\");
    if (item.back() == '\\') {
        std::string target = destination;
        const std::vector<std::string> steps = Pasos(std::string_view(source).substr(3));
        for (const std::string& step : steps)
            target += NameToHost(step) + "/";
        if (host.empty() || !IsDirectory(host)) {
            host_.MuestraMensaje(LeeTexto("M", "M_FICHERO_NOENCONTRADO"));
            return true;
        }
        // A target inside the folder copied would be copied into itself for ever.
        if (FolderInside(target, host)) {
            AgregaError("The destination lies inside the folder copied", host);
            return true;
        }
        // Each folder of the target is made and entered from the one above it,
        // never through a symbolic link: a link in the way is an error line.
        std::optional<TCopyFolder> folder;
        try {
            folder.emplace(destination);
            for (const std::string& step : steps)
                folder.emplace(folder->Enter(NameToHost(step)));
        } catch (const ELinkInTheWay& error) {
            AgregaError(error.what(), host);
            return true;
        } catch (const EInOutError&) {
            host_.AnotaError(LeeTexto("M", "M_COL_NOCREAR_CARPETA"));
            return false;
        }
        CopiaCarpeta(host, *folder, host);
        return true;
    }
    try {
        const TCopyFolder folder(destination);
        CopiaFichero(host, folder, NameToHost(item), within);
    } catch (const EInOutError& error) {
        AgregaError(error.what(), host);
    }
    return true;
}

void TFColector::CopiaFichero(const std::string& source, const TCopyFolder& folder,
                              std::string name, const std::string& within) {
    PBBytes->setRange(0, 100);
    PBBytes->setValue(0);
    LFicheroEnCurso->setText(Q(source));
    LPorcentajeFichero->setText("0 %");
    if (!PathPresent(source)) {
        host_.MuestraMensaje(LeeTexto("M", "M_FICHERO_NOENCONTRADO"));
        return;
    }
    if (folder.Holds(name)) {
        name = RenombraDestino(folder, name);
        if (name.empty()) throw EInOutError("No free name is left for a copy");
    }
    const CopyResult result = CopyRegularFile(
        source, folder, name, within, [&](std::uint64_t copied, std::uint64_t size) {
            const double whole = size == 0 ? 1.0 : static_cast<double>(size);
            const int percent = Porcentaje(static_cast<double>(copied), whole);
            PBBytes->setValue(percent);
            host_.Progreso(
                Porcentaje(static_cast<double>(BytesCopiados) + static_cast<double>(copied),
                           static_cast<double>(BytesTotales)));
            LPorcentajeFichero->setText(QString::number(percent) + " %");
            AtiendeEventos();
            return !Parar;
        });
    if (result.stopped) {
        // The partial copy is gone; the list says which file was not copied.
        AgregaError(LeeTextoCapital("W", "CANCELADO"), source);
        return;
    }
    // An empty file counts one byte, as the totals count it.
    BytesCopiados += static_cast<std::int64_t>(std::max<std::uint64_t>(result.size, 1));
    PonEstado(BytesTotales > 0
                  ? static_cast<double>(BytesCopiados) / static_cast<double>(BytesTotales) * 100.0
                  : 0.0);
    AtiendeEventos();
}

void TFColector::CopiaCarpeta(const std::string& source, const TCopyFolder& target,
                              const std::string& within) {
    std::vector<DirectoryEntry> entries;
    std::string reason;
    if (!ListDirectory(source, entries, reason, {.sortByName = true})) {
        AgregaError(reason, source);
        return;
    }
    for (const DirectoryEntry& entry : entries) {
        if (Parar) return;
        // Hidden entries are left out, as the listing leaves them out.
        if (entry.name.front() == '.') continue;
        if (entry.isDirectory) {
            std::optional<TCopyFolder> sub;
            try {
                sub.emplace(target.Enter(entry.name));
            } catch (const ELinkInTheWay& error) {
                AgregaError(error.what(), source + entry.name);
                continue;
            } catch (const EInOutError&) {
                AgregaError(LeeTexto("M", "M_IMPOSIBLE_CREAR"), target.Path() + entry.name);
                continue;
            }
            CopiaCarpeta(source + entry.name + "/", *sub, within);
            continue;
        }
        try {
            CopiaFichero(source + entry.name, target, entry.name, within);
        } catch (const EInOutError& error) {
            AgregaError(error.what(), source + entry.name);
        }
    }
}

std::string TFColector::RenombraDestino(const TCopyFolder& folder, const std::string& name) {
    const std::size_t dot = name.rfind('.');
    const bool hasDot = dot != std::string::npos;
    const std::string base = hasDot ? name.substr(0, dot) : name;
    const std::string extension = hasDot ? name.substr(dot + 1) : std::string();
    for (int n = 1; n <= 999999; ++n) {
        const std::string candidate =
            base + "[" + std::to_string(n) + "]" + (hasDot ? "." + extension : std::string());
        if (!folder.Holds(candidate)) {
            host_.AnotaError("File renamed: " + folder.Path() + name + " to: " + folder.Path() +
                             candidate);
            return candidate;
        }
    }
    return {};
}

void TFColector::SBPararClick() {
    Parar = true;
}

void TFColector::SBBorrarClick() {
    if (running_ || Vacio()) return;
    const int row = SGColector->Row();
    if (row < 1 || row >= SGColector->RowCount()) return;
    if (SGColector->RowCount() > 2)
        SGColector->DeleteRow(row);
    else
        SGColector->ClearRow(1);
    CalculaTotales();
}

void TFColector::SBBorrarTodoClick() {
    if (running_) return;
    if (!PreguntaSiNo(QString::fromStdString(LeeTexto("W", "AVISO") + "..."),
                      QString::fromStdString(LeeTexto("M", "M_COL_VACIAR_AVISO"))))
        return;
    SGColector->SetRowCount(2);
    SGColector->ClearRow(1);
    CalculaTotales();
}

void TFColector::SBGuardarClick() {
    if (running_) return;
    SaveFileRequest request;
    request.caption = QString::fromStdString(LeeTextoCapital("W", "GUARDAR_DOC"));
    request.filter = kFilter;
    request.defaultSuffix = "clt";
    request.fileName = "col1.clt";
    const QString path = PreguntaFicheroGuardar(request);
    if (path.isEmpty()) return;
    try {
        SaveGridToFile(*SGColector, path.toStdString());
    } catch (const EInOutError& error) {
        host_.MuestraMensaje(error.what());
    }
}

void TFColector::SBAbrirClick() {
    if (running_) return;
    QFileDialog dialog(this, QString::fromStdString(LeeTextoCapital("W", "ABRIR_DOC")), QString(),
                       kFilter);
    dialog.setObjectName("ODColector");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix("clt");
    if (MuestraModal(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        try {
            LoadGridFromFile(*SGColector, dialog.selectedFiles().first().toStdString(), kColumns);
        } catch (const EInOutError& error) {
            host_.MuestraMensaje(error.what());
        }
        QuitaFilasDesmedidas();
        // A file of fewer lines than one row still leaves the empty row.
        if (SGColector->RowCount() < 2) SGColector->SetRowCount(2);
    }
    CalculaTotales();
}

void TFColector::QuitaFilasDesmedidas() {
    host_.LimpiaErrores();
    const std::int64_t cluster = host_.Ajustes().TamanoCluster();
    for (int row = SGColector->RowCount() - 1; row >= 1; --row) {
        const auto files = Cuenta(SGColector->CellView(kColFiles, row));
        const auto folders = Cuenta(SGColector->CellView(kColFolders, row));
        const auto bytes = Cuenta(SGColector->CellView(kColBytes, row));
        // The largest cluster size is the one the estimate may be asked for.
        const bool fits =
            files && folders && bytes &&
            Estimacion(false, *files, *bytes, std::max<std::int64_t>(cluster, 65536)) &&
            Estimacion(true, *files, *bytes, std::max<std::int64_t>(cluster, 65536));
        if (fits) continue;
        host_.AnotaError(
            "A row whose counts do not fit was left out: " + SGColector->Cells(kColCatalogue, row) +
            ": " + SGColector->Cells(kColFolder, row) + " " + SGColector->Cells(kColName, row));
        if (SGColector->RowCount() > 2)
            SGColector->DeleteRow(row);
        else
            SGColector->ClearRow(1);
    }
    host_.MuestraErrores();
}

void TFColector::SBAbrirExtraerClick() {
    if (running_) return;
    QFileDialog dialog(this, QString::fromStdString(LeeTexto("M", "M_COL_SELCARPETA")));
    dialog.setObjectName("SDColectorCarpeta");
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    const std::string current = DestinoHost(EDestino->text().trimmed().toStdString());
    const std::string root = DriveFolder('C');
    dialog.setDirectory(Q(!current.empty() && IsDirectory(current) ? current
                          : root.empty()                           ? std::string("/")
                                                                   : root));
    if (MuestraModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    EDestino->setText(dialog.selectedFiles().first());
}

// Each column at least as wide as its title in either language.
void TFColector::SBAnchoColumnasClick() {
    int fixed = 0;
    for (const auto& [col, width] : kFixedWidths) {
        const int fitted = AnchoParaTitulos(*SGColector, kTitulos[col], width);
        SGColector->SetColWidths(col, fitted);
        fixed += fitted;
    }
    const int half = (SGColector->viewport()->width() - fixed) / 2;
    SGColector->SetColWidths(
        kColDescription,
        AnchoParaTitulos(*SGColector, kTitulos[kColDescription], std::max(half - 24, 140)));
    SGColector->SetColWidths(
        kColName, AnchoParaTitulos(*SGColector, kTitulos[kColName], std::max(half + 10, 150)));
}

void TFColector::SGColectorMouseDown(const TGridMouseEvent& event) {
    host_.PulsacionRejilla(event.x, event.y);
}

void TFColector::SGColectorMouseUp(const TGridMouseEvent& event) {
    if (running_ || !host_.EsClickTitulo(*SGColector, event, false)) return;
    if (SGColector->RowCount() < 3) return; // fewer than two rows to order
    ClaveRejilla key = ClaveRejilla::Texto;
    if (event.col == kColName) key = ClaveRejilla::Nombre;
    if (event.col == kColSize) key = ClaveRejilla::Tamano;
    if (event.col == kColModified || event.col == kColCreated) key = ClaveRejilla::Fecha;
    host_.OrdenaRejilla(*SGColector, event.col, key, [this] { host_.AsignaTitulosColector(); });
}

bool TFColector::SGColectorDrawCell(int col, int row, QPainter& painter, const QRect& rect,
                                    bool focused) {
    if (row == 0 || SGColector->CellView(col, row).empty()) return false;
    const QString text = SGColector->CellText(col, row);
    if ((col >= kColSize && col <= kColCreated) || (col >= kColDuration && col <= 16)) {
        SGColector->DrawCellText(painter, rect, " " + text, Qt::AlignRight | Qt::AlignVCenter);
        return true;
    }
    if (col != kColName || focused) return false;
    if (SGColector->CellView(kColAttributes, row).find('#') == std::string_view::npos) return false;
    const MediaKind kind = MediaKindOfExtension(SGColector->CellView(kColExtension, row));
    switch (kind) {
    case MediaKind::Bitmap:
    case MediaKind::Audio:
    case MediaKind::Music:
    case MediaKind::Video:
        break;
    default:
        return false; // documents keep the normal colour
    }
    const std::uint32_t color = host_.Ajustes().ColorMultimedia(kind);
    painter.setPen(QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                          static_cast<int>((color >> 16) & 0xFF)));
    SGColector->DrawCellText(painter, rect, text);
    return true;
}

void TFColector::SBAyudaClick() {
    host_.AbreAyuda(10702);
}

} // namespace sorvane
