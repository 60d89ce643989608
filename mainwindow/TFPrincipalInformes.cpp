// The text reports of the main window: the tree, the current catalogue, the
// directory grid and the result grid, each written as "temp.txt" in the
// catalogue root (UTF-8, CR LF) and opened in the desktop's text editor; and
// the button that opens the catalogue export window.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Modal.h"
#include "dialogs/TFExportaCatalogos.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "ui/BusyGuard.h"
#include "ui/CheckBox.h"
#include "ui/ScopeGuard.h"
#include "ui/SlotBarrier.h"
#include "ui/StringGrid.h"

#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <initializer_list>
#include <utility>

namespace sorvane {
namespace {

// Columns of the directory grid.
constexpr int kDirDescription = 1, kDirName = 2, kDirSize = 3, kDirModified = 4, kDirCreated = 5,
              kDirAttributes = 6, kDirExtension = 7;
// Columns of the result grid.
constexpr int kResCollection = 1, kResCatalogue = 2, kResFolder = 3, kResDescription = 4,
              kResName = 5, kResSize = 6, kResModified = 7, kResCreated = 8, kResAttributes = 9,
              kResExtension = 10;

// Name padding by the text's display width (text::DisplayWidth: a combining
// mark takes no column, a wide East Asian character two): up to `limit`
// columns the text is padded to `width`; wider than every limit it stays as it is.
using PadRule = std::initializer_list<std::pair<std::size_t, std::size_t>>;
constexpr PadRule kCatalogueRule = {{24, 25}, {49, 50}, {98, 100}};
constexpr PadRule kResultsRule = {{14, 15}, {24, 25}, {49, 50}};

// Blanks after the text up to `width` columns; a wider text is kept whole.
std::string PadRight(std::string text, std::size_t width) {
    const std::size_t count = text::DisplayWidth(text);
    if (count < width) text.append(width - count, ' ');
    return text;
}

// Blanks before the text up to `width` columns; a wider text (a size with
// more digits than the column) is kept whole, never cut.
std::string PadLeft(std::string_view text, std::size_t width) {
    const std::size_t count = text::DisplayWidth(text);
    std::string out = count < width ? std::string(width - count, ' ') : std::string();
    out.append(text);
    return out;
}

std::string PadName(std::string text, PadRule rule) {
    const std::size_t count = text::DisplayWidth(text);
    for (const auto& [limit, width] : rule)
        if (count <= limit) return PadRight(std::move(text), width);
    return text;
}

// Without the control characters and blanks at either end.
std::string Trimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return std::string(text);
}

std::string Size(std::uint64_t size) {
    return FormatThousands(static_cast<std::int64_t>(size));
}

// A grid cell as UTF-8 (cells hold the catalogue's bytes).
std::string Cell(const TStringGrid& grid, int col, int row) {
    return text::AsUtf8(grid.CellView(col, row));
}

// The number of an indent edit, held to the up-down's range 0..99.
std::size_t Indent(const QLineEdit& edit) {
    return static_cast<std::size_t>(std::clamp(edit.text().trimmed().toInt(), 0, 99));
}

} // namespace

// ---- Row kinds of the directory grid ------------------------------------------

bool TFPrincipal::EsFilaColeccion(int row) const {
    return row >= 1 && row < SGDirectorio->RowCount() &&
           SGDirectorio->RowTag(row) == kRowCollection;
}

bool TFPrincipal::EsFilaCatalogo(int row) const {
    return row >= 1 && row < SGDirectorio->RowCount() && SGDirectorio->RowTag(row) == kRowCatalogue;
}

bool TFPrincipal::EsFilaCarpeta(int row) const {
    return row >= 1 && row < SGDirectorio->RowCount() && SGDirectorio->RowTag(row) == kRowFolder;
}

// ---- The reports -------------------------------------------------------------

void TFPrincipal::ListaArbol(CatalogueLines& list) {
    list.Clear();
    const std::size_t unit = Indent(*EPTTab);
    const bool collections = CBPTColeccionesSN->Checked();
    for (QTreeWidgetItemIterator it(Arbol); *it; ++it) {
        QTreeWidgetItem* node = *it;
        std::size_t level = 0;
        for (QTreeWidgetItem* p = node->parent(); p != nullptr; p = p->parent())
            ++level;
        const std::string name = node->text(0).toStdString();
        if (EsColeccion(node)) {
            if (!collections) continue;
            list.Add("");
            list.Add(std::string(level * unit, ' ') + text::Upper(name));
        } else if (EsCatalogo(node)) {
            std::string line = collections ? std::string(level * unit, ' ') : std::string();
            const CatalogueLines* lines = AsNodo(node)->Lines();
            if (CBPTTipodiscoSN->Checked() && lines != nullptr && lines->Count() > 0)
                line += "[" +
                        PadRight(text::Upper(DecodificaTipoDisco(DameCabeceraTipo(lines->Line(0)))),
                                 6) +
                        "] ";
            list.Add(line + name);
        }
    }
}

void TFPrincipal::ListaCatalogo(CatalogueLines& list) {
    list.Clear();
    if (CurrentCatalogueNode == nullptr || CurrentCatalogueNode->Lines() == nullptr) return;
    const CatalogueLines& lines = *CurrentCatalogueNode->Lines();
    // A date that does not decode is left empty, as the grid leaves it.
    const auto date = [this](auto read, bool withTime) {
        try {
            return TextoFechaUtf8(read(), withTime);
        } catch (const EFormatoCatalogo&) {
            return std::string();
        }
    };
    const std::string nestedIndent(Indent(*EPCTab), ' ');
    for (std::size_t i = 1; i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i);
        if (EsLineaCarpeta(line)) {
            list.Add("");
            std::string text = text::AsUtf8(DameCarpetaRuta(line)) + "  ";
            if (CBPCDescripcionSN->Checked()) text += text::AsUtf8(DameCarpetaDescripcion(line));
            list.Add(text);
            continue;
        }
        std::string text = PadName(text::AsUtf8(DameFicheroNombre(line)), kCatalogueRule);
        if (CBPCTamanoSN->Checked()) text += PadLeft(Size(DameFicheroTamano(line)), 13) + "  ";
        if (CBPCModificadoSN->Checked())
            text +=
                date([&] { return DameFicheroModificado(line); }, CBVerHoraModificado->Checked()) +
                "  ";
        if (CBPCCreadoSN->Checked())
            text +=
                date([&] { return DameFicheroCreado(line); }, CBVerHoraCreado->Checked()) + "  ";
        if (CBPCAtributosSN->Checked()) text += PadRight(DameFicheroAtributos(line), 7) + " ";
        if (CBPCDescripcionSN->Checked()) text += text::AsUtf8(DameFicheroDescripcion(line));
        list.Add(text);
        if (!CBPCAnidadosSN->Checked() || !TieneAnidados(line)) continue;
        const std::string members = DameFicheroAnidados(line);
        std::size_t begin = 0;
        for (std::size_t end = members.find(kItemSeparator); end != std::string::npos;
             begin = end + 1, end = members.find(kItemSeparator, begin)) {
            const std::string_view entry = std::string_view(members).substr(begin, end - begin);
            list.Add(nestedIndent + PadName(text::AsUtf8(DameAnidadoRuta(entry)), kCatalogueRule) +
                     PadLeft(Size(DameAnidadoTamano(entry)), 13) + "  " +
                     date([&] { return DameAnidadoFecha(entry); }, true) + "  " +
                     std::string(DameAnidadoAtributos(entry)));
        }
    }
    // The empty line put before the first folder line; only that one.
    if (list.Count() > 0 && list.Line(0).empty()) list.Delete(0);
}

void TFPrincipal::ListaDirectorio(CatalogueLines& list) {
    list.Clear();
    const TStringGrid& grid = *SGDirectorio;
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.CellView(kDirDescription, row).empty() && grid.CellView(kDirName, row).empty() &&
            grid.CellView(kDirCreated, row).empty())
            continue;
        if ((EsFilaColeccion(row) && !CBPDPrintColeccion->Checked()) ||
            (EsFilaCatalogo(row) && !CBPDPrintCatalogo->Checked()) ||
            (EsFilaCarpeta(row) && !CBPDPrintCarpeta->Checked()))
            continue;
        std::string text = PadName(Cell(grid, kDirName, row), kCatalogueRule);
        if (CBPDTamanoSN->Checked()) text += PadLeft(Cell(grid, kDirSize, row), 12) + "  ";
        if (CBPDModificadoSN->Checked()) text += Cell(grid, kDirModified, row);
        if (CBVerCreado->Checked()) text += "  " + Cell(grid, kDirCreated, row);
        if (CBVerAtributos->Checked()) text += "  " + Cell(grid, kDirAttributes, row);
        if (CBVerExtension->Checked()) text += "  " + Cell(grid, kDirExtension, row);
        if (CBVerDescripcion->Checked()) text += "  " + Cell(grid, kDirDescription, row);
        list.Add(Trimmed(text));
    }
}

void TFPrincipal::ListaExitos(CatalogueLines& list) {
    list.Clear();
    if (ResultHits == 0) return;
    const TStringGrid& grid = *SGResultados;
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.CellView(kResCollection, row).empty() &&
            grid.CellView(kResCatalogue, row).empty() && grid.CellView(kResName, row).empty())
            continue;
        std::string text;
        const auto padded = [&](int col) {
            return PadName(Cell(grid, col, row), kResultsRule) + "  ";
        };
        if (CBPRColeccionSN->Checked()) text += padded(kResCollection);
        if (CBPRCatalogoSN->Checked()) text += padded(kResCatalogue);
        if (CBPRCarpetaSN->Checked()) text += padded(kResFolder);
        text += padded(kResName);
        if (CBPRTamanoSN->Checked()) text += PadLeft(Cell(grid, kResSize, row), 12);
        if (CBPRModificadoSN->Checked()) text += "  " + Cell(grid, kResModified, row);
        if (CBPRCreadoSN->Checked()) text += "  " + Cell(grid, kResCreated, row);
        if (CBPRAtributosSN->Checked()) text += "  " + PadRight(Cell(grid, kResAttributes, row), 8);
        if (CBPRExtensionSN->Checked()) text += Cell(grid, kResExtension, row);
        if (CBPRDescripcionSN->Checked()) text += "  " + Trimmed(Cell(grid, kResDescription, row));
        list.Add(text);
    }
}

// ---- Handlers ------------------------------------------------------------------

std::string TFPrincipal::RutaInforme() const {
    return BaseFolder + "temp.txt";
}

void TFPrincipal::Informe(void (TFPrincipal::*build)(CatalogueLines&)) {
    if (BusyFlag) return;
    const std::string path = RutaInforme();
    {
        const TBusyGuard busy(BusyFlag);
        const TScopeGuard emptied([this] { ScanBuffer.Clear(); });
        (this->*build)(ScanBuffer);
        try {
            ScanBuffer.SaveToFile(path);
        } catch (const EInOutError& e) {
            // Not saved: the editor is not started.
            MuestraMensaje(e.what());
            return;
        }
    }
    AbreConNotepad(path);
}

void TFPrincipal::SBEscribeArbolClick() {
    Informe(&TFPrincipal::ListaArbol);
}

void TFPrincipal::SBImprimirCatalogoClick() {
    if (CurrentCatalogueNode == nullptr) return;
    Informe(&TFPrincipal::ListaCatalogo);
}

void TFPrincipal::ImprimeDirectorio() {
    Informe(&TFPrincipal::ListaDirectorio);
}

void TFPrincipal::SBImprimirExitosClick() {
    if (ResultHits == 0) return;
    Informe(&TFPrincipal::ListaExitos);
}

void TFPrincipal::SBExportaCatalogoClick() {
    if (BusyFlag || FExportaCatalogos == nullptr) return;
    MuestraModal(*FExportaCatalogos);
}

void TFPrincipal::ConnectReportHandlers() {
    connect(SBEscribeArbol, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBEscribeArbolClick(); }); });
    connect(SBImprimirCatalogo, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBImprimirCatalogoClick(); }); });
    connect(SBImprimirDirectorio, &QToolButton::clicked, this,
            [this] { Guarded([this] { ImprimeDirectorio(); }); });
    connect(SBImprimirExitos, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBImprimirExitosClick(); }); });
    connect(SBExportaCatalogo, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBExportaCatalogoClick(); }); });
}

} // namespace sorvane
