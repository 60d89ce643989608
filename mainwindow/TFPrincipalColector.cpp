// The main window's side of the collector: the search page's collector group,
// the buttons that open the collector and add the current row of the directory
// or result grid to it, the duplicate test and the counts of a collected entry.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/StringManager.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "dialogs/TFColector.h"
#include "mainwindow/SearchEngine.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Text.h"
#include "ui/Named.h"
#include "ui/SlotBarrier.h"
#include "ui/StringGrid.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace sorvane {
namespace {

using Col = TFColector::Column;

// Columns of the grids a row is added from.
constexpr int kDirDescription = 1, kDirGenre = 14;
constexpr int kResCatalogue = 2, kResFolder = 3, kResName = 5, kResGenre = 17;

// A folder cell without its trailing "\" ("\" stays as it is).
std::string_view SinBarra(std::string_view folder) {
    while (folder.size() > 1 && folder.back() == '\\')
        folder.remove_suffix(1);
    return folder;
}

// The catalogue path of an entry: folder "\a" and name "b\" give "\a\b\".
std::string RutaCompleta(std::string_view folder, std::string_view name) {
    std::string path(SinBarra(folder));
    if (path.empty() || path.back() != '\\') path.push_back('\\');
    return path + std::string(name);
}

// The digits of a size cell as a number, whatever separators the locale put in.
std::uint64_t Digitos(std::string_view size) {
    std::uint64_t value = 0;
    for (const char c : size)
        if (c >= '0' && c <= '9') value = value * 10 + static_cast<std::uint64_t>(c - '0');
    return value;
}

} // namespace

void TFPrincipal::BuildCollectorSearchGroup(QWidget* line) {
    GBColectorBuscar = Named<QGroupBox>("GBColectorBuscar", line);
    GBColectorBuscar->setLayout(new QHBoxLayout);
    GBColectorBuscar->layout()->setContentsMargins(4, 0, 4, 0);
    line->layout()->addWidget(GBColectorBuscar);
    SBAbrirColectorBuscar =
        Boton("SBAbrirColectorBuscar", GBColectorBuscar,
              QIcon::fromTheme("folder", style()->standardIcon(QStyle::SP_DirIcon)));
    LColectorFicherosNumeroBuscar = Named<QLabel>("LColectorFicherosNumeroBuscar", GBColectorBuscar,
                                                  GBColectorBuscar->layout());
    LColectorSizeBuscar =
        Named<QLabel>("LColectorSizeBuscar", GBColectorBuscar, GBColectorBuscar->layout());
}

void TFPrincipal::ConnectCollectorHandlers() {
    for (QToolButton* open : {SBAbrirColector, SBAbrirColectorBuscar})
        connect(open, &QToolButton::clicked, this,
                [this] { Guarded([this] { SBAbrirColectorClick(); }); });
    connect(SBAddColector, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBAddColectorClick(); }); });
    connect(SBAddColectorBuscar, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBAddColectorBuscarClick(); }); });
}

void TFPrincipal::AsignaTitulosColector() {
    if (FColector == nullptr) return;
    TStringGrid& grid = *FColector->SGColector;
    for (int col = 1; col <= 17; ++col)
        grid.SetCells(col, 0, LeeTextoCapital("W", TFColector::kTitulos[col]) + "       ");
    for (int col : {0, 18, 19, 20})
        grid.SetColWidths(col, 0);
}

void TFPrincipal::SBAbrirColectorClick() {
    if (BusyFlag || FColector == nullptr) return;
    MuestraModal(*FColector);
}

QTreeWidgetItem* TFPrincipal::BuscaCatalogo(const QString& name) const {
    for (QTreeWidgetItemIterator it(Arbol); *it; ++it)
        if (EsCatalogo(*it) && (*it)->text(0) == name) return *it;
    return nullptr;
}

bool TFPrincipal::EstaEnColector(std::string_view catalogue, std::string_view folder,
                                 std::string_view name) {
    const TStringGrid& grid = *FColector->SGColector;
    const std::string entry = RutaCompleta(folder, name);
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.CellView(Col::kColCatalogue, row) != catalogue) continue;
        const std::string_view rowName = grid.CellView(Col::kColName, row);
        if (rowName.empty()) continue;
        const std::string_view rowFolder = grid.CellView(Col::kColFolder, row);
        // The same entry, or an entry inside a collected folder (its full path
        // ends in "\", so the test holds on a folder boundary).
        const bool same = SinBarra(rowFolder) == SinBarra(folder) && rowName == name;
        const std::string collected = RutaCompleta(rowFolder, rowName);
        const bool inside = rowName.back() == '\\' && entry.size() > collected.size() &&
                            entry.compare(0, collected.size(), collected) == 0;
        if (same || inside) {
            MuestraMensaje(LeeTexto("M", "M_COL_ITEMYAESTA"));
            return true;
        }
    }
    return false;
}

void TFPrincipal::AnadeAlColector(const std::vector<std::string>& cells,
                                  const CatalogueLines& lines, std::size_t start) {
    std::uint64_t files = 0, bytes = 0, folders = 0;
    const std::string& name = cells[Col::kColName];
    if (!cells[Col::kColSize].empty()) {
        files = 1;
        bytes = Digitos(cells[Col::kColSize]);
    } else {
        // The folder's own line, then every line below it up to the first
        // folder outside it. A hit on the catalogue's root ("\") is the whole catalogue.
        const TStringManager& strings = StringManager();
        const std::string wanted = name == "\\"
                                       ? strings.AddBackslash(cells[Col::kColFolder])
                                       : strings.AddBackslash(cells[Col::kColFolder]) + name;
        bool inside = false;
        for (std::size_t i = std::max<std::size_t>(start, 1); i < lines.Count(); ++i) {
            const std::string_view line = lines.Line(i);
            if (EsLineaCarpeta(line)) {
                const std::string path = strings.AddBackslash(std::string(DameCarpetaRuta(line)));
                if (!inside) {
                    inside = path == wanted;
                    if (inside) ++folders;
                    continue;
                }
                if (path.compare(0, wanted.size(), wanted) != 0) break;
                ++folders;
            } else if (inside) {
                ++files;
                bytes += DameFicheroTamano(line);
            }
        }
    }
    TStringGrid& grid = *FColector->SGColector;
    const int row = FColector->FilaNueva();
    std::vector<std::string> full(TFColector::kColumns);
    for (int col = 1; col <= Col::kColGenre; ++col)
        full[col] = cells[col];
    full[Col::kColFiles] = std::to_string(files);
    full[Col::kColBytes] = std::to_string(bytes);
    full[Col::kColFolders] = std::to_string(folders);
    grid.SetRowCells(row, full);
    FColector->CalculaTotales();
}

void TFPrincipal::SBAddColectorClick() {
    if (BusyFlag || FColector == nullptr || CurrentCatalogueNode == nullptr) return;
    const CatalogueLines* lines = CurrentCatalogueNode->Lines();
    const int row = SGDirectorio->Row();
    if (lines == nullptr || lines->Count() == 0 || row < 1 || row >= SGDirectorio->RowCount())
        return;
    const int kind = SGDirectorio->RowTag(row);
    if (kind != kRowFile && kind != kRowFolder) return;
    const std::string catalogue(DameCabeceraNombre(lines->Line(0)));
    const std::string name = SGDirectorio->Cells(2, row);
    if (EstaEnColector(catalogue, CurrentFolderPath, name)) return;
    std::vector<std::string> cells(Col::kColGenre + 1);
    cells[Col::kColCollection] = CollectionPath;
    cells[Col::kColCatalogue] = catalogue;
    cells[Col::kColFolder] = CurrentFolderPath;
    for (int col = kDirDescription; col <= kDirGenre; ++col)
        cells[Col::kColDescription + col - kDirDescription] = SGDirectorio->Cells(col, row);
    AnadeAlColector(cells, *lines,
                    static_cast<std::size_t>(std::max<long long>(CurrentLineIndex, 1)));
}

void TFPrincipal::SBAddColectorBuscarClick() {
    if (BusyFlag || FColector == nullptr || ResultHits == 0) return;
    const int row = SGResultados->Row();
    if (row < 1 || row >= SGResultados->RowCount()) return;
    const auto kind = static_cast<SearchHitKind>(SGResultados->RowTag(row));
    if (kind != SearchHitKind::File && kind != SearchHitKind::Folder) return;
    // A hit of a catalogue no longer loaded has no disk to be copied from: nothing is added.
    QTreeWidgetItem* node = BuscaCatalogo(SGResultados->CellText(kResCatalogue, row));
    const CatalogueLines* lines = node != nullptr ? AsNodo(node)->Lines() : nullptr;
    if (lines == nullptr || lines->Count() == 0) return;
    if (EstaEnColector(SGResultados->CellView(kResCatalogue, row),
                       SGResultados->CellView(kResFolder, row),
                       SGResultados->CellView(kResName, row)))
        return;
    std::vector<std::string> cells(Col::kColGenre + 1);
    for (int col = 1; col <= kResGenre; ++col)
        cells[col] = SGResultados->Cells(col, row);
    AnadeAlColector(cells, *lines, 1);
}

} // namespace sorvane
