// The directory grid of the main window: filling it for the selected tree node
// (a collection's children, or a catalogue folder's sub-folders and files),
// its drawing, its row buttons, double click and column widths.
#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/DateText.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/MediaBlock.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/LanguageFile.h"
#include "dialogs/Modal.h"
#include "dialogs/TFAnidados.h"
#include "dialogs/TFCambiarDescripcion.h"
#include "dialogs/TitleWidths.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Text.h"
#include "ui/BusyGuard.h"
#include "ui/CheckBox.h"
#include "ui/ProgressCyl.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QDateTime>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QProgressBar>
#include <QToolButton>
#include <QTreeWidget>
#include <cmath>

namespace sorvane {
namespace {

// Columns of the directory grid.
enum Column : int {
    kColKey = 0,
    kColDescription = 1,
    kColName = 2,
    kColSize = 3,
    kColModified = 4,
    kColCreated = 5,
    kColAttributes = 6,
    kColExtension = 7,
    kColDuration = 8,
    kColResolution = 9,
    kColQuality = 10,
    kColChannels = 11,
    kColYear = 12,
    kColTrack = 13,
    kColGenre = 14,
};

// The progress bar moves every 50 lines, and repaints at most every 1%.
constexpr int kProgressStep = 50;

QColor FromColorNumber(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

// used / (used + free) as a percentage, halves to the even neighbour; 100 without free space.
int GaugePosition(std::int64_t used, std::int64_t free) {
    if (free == 0) return 100;
    const double total = static_cast<double>(used) + static_cast<double>(free);
    if (total <= 0) return 0;
    return static_cast<int>(std::nearbyint(static_cast<double>(used) / total * 100.0));
}

// The texts of a file's media columns 8-14, by the kind of its extension.
void MediaColumns(std::string_view line, std::string_view extension, std::string (&cols)[15]) {
    if (!TieneMultimedia(line)) return;
    const std::string_view block = DameFicheroMultimedia(line);
    if (block.empty()) return;
    switch (MediaKindOfExtension(extension)) {
    case MediaKind::Bitmap:
        cols[kColResolution] = DameTextoResolucion(block);
        cols[kColQuality] = DameTextoCalidadImagen(block);
        break;
    case MediaKind::Audio:
        cols[kColDuration] = DameTextoDuracionWAV(block);
        cols[kColResolution] = DameTextoFrecuenciaWAV(block);
        cols[kColQuality] = DameTextoCalidadWAV(block);
        cols[kColChannels] = DameTextoCanalesWAV(block);
        break;
    case MediaKind::Music:
        cols[kColDuration] = DameTextoDuracionAudio(block);
        cols[kColResolution] = DameTextoFrecuenciaAudio(block);
        cols[kColQuality] = DameTextoCalidadAudio(block);
        cols[kColChannels] = DameTextoCanalesAudio(block);
        cols[kColYear] = DameTextoAnoAudio(block);
        cols[kColTrack] = DameTextoPistaAudio(block);
        cols[kColGenre] = DameTextoGeneroAudio(block);
        break;
    case MediaKind::Video:
        cols[kColDuration] = DameTextoDuracionAVI(block);
        cols[kColResolution] = DameTextoResolucion(block);
        cols[kColQuality] = DameTextoCalidadAVI(block);
        break;
    case MediaKind::Text:
        cols[kColDuration] = DameTextoPaginasDOC(block) + "p";
        break;
    case MediaKind::None:
        break;
    }
}

void SetRow(TStringGrid& grid, int row, const std::string (&cols)[15]) {
    std::string_view views[15];
    for (int i = 0; i < 15; ++i)
        views[i] = cols[i];
    grid.SetRowCells(row, std::span<const std::string_view>(views, 15));
}

} // namespace

QString TFPrincipal::TextoFecha(const DateTime& v, bool withTime) const {
    return QString::fromStdString(TextoFechaUtf8(v, withTime));
}

std::string TFPrincipal::TextoFechaUtf8(const DateTime& v, bool withTime) const {
    const QString& pattern = withTime ? DateTimeFormat : DateFormat;
    TDateFormat& format = withTime ? dateTimeFormat_ : dateFormat_;
    QString& formatPattern = withTime ? dateTimeFormatPattern_ : dateFormatPattern_;
    if (formatPattern != pattern) {
        format = TDateFormat(pattern.toStdString());
        formatPattern = pattern;
    }
    if (format.Supported()) return format.Format(v);
    // Day or month names: through the locale. Catalogue times carry no zone.
    const QDateTime moment(QDate(v.year, v.month, v.day), QTime(v.hour, v.minute, v.second),
                           Qt::UTC);
    QString zoneless = pattern;
    zoneless.remove(" t").remove('t');
    return QLocale::system().toString(moment, zoneless).toStdString();
}

void TFPrincipal::ArbolChange(QTreeWidgetItem* node) {
    SBPadre->setEnabled(node != nullptr && node->parent() != nullptr);
    ActivaBotonesArbol(node);
    if (node == nullptr) return;
    if (EsColeccion(node))
        ListaColeccion(node);
    else
        ListaCarpeta(node);
}

void TFPrincipal::ListaColeccion(QTreeWidgetItem* node) {
    DiskGauge->hide();
    PArbolAbajoBarraFree->clear();
    const int children = node->childCount();
    SGDirectorio->SetRowCount(1 + std::max(1, children));
    SGDirectorio->ClearRow(1);
    SGDirectorio->SetRowTag(1, kRowEmpty);
    const std::string collectionWord = LeeTextoCapital("W", "COLECCION");
    const std::string catalogueWord = LeeTextoCapital("W", "CATALOGO");
    int collections = 0, catalogues = 0;
    for (int i = 0; i < children; ++i) {
        QTreeWidgetItem* child = node->child(i);
        const bool isCollection = EsColeccion(child);
        (isCollection ? collections : catalogues) += 1;
        const std::string name = child->text(0).toStdString() + "\\";
        SGDirectorio->SetRowCells(i + 1, {"", isCollection ? collectionWord : catalogueWord, name});
        SGDirectorio->SetRowTag(i + 1, isCollection ? kRowCollection : kRowCatalogue);
    }
    CurrentCatalogueNode = nullptr;
    CurrentFileCount = 0;
    CurrentSubfolderCount = 0;
    CurrentFolderPath.clear();
    CatalogueCollectionPath.clear();
    CollectionPath = GetNodePath(node).substr(1);
    SBArbol->Panels(0).SetText(collectionWord);
    SBPrincipal->Panels(1).SetText(std::to_string(collections) + " " +
                                   LeeTexto("W", "COLECCIONES") + ", " +
                                   std::to_string(catalogues) + " " + LeeTexto("W", "CATALOGOS"));
    ActivaBotonesDirectorio(1);
}

void TFPrincipal::ListaCarpeta(QTreeWidgetItem* node) {
    {
        TBusyGuard busy(BusyFlag);
        TStringGridUpdate update(*SGDirectorio);
        SBPrincipal->Panels(1).SetText(LeeTextoCapital("W", "CARGANDO") + "...");
        AsignaTitulosDirectorio();
        SGDirectorio->SetRowCount(2);
        SGDirectorio->ClearRow(1);
        SGDirectorio->SetRowTag(1, kRowEmpty);

        // The catalogue node above the selected folder, and the folder's path in it.
        QTreeWidgetItem* catalogue = node;
        std::string folderPath;
        while (catalogue != nullptr && !EsCatalogo(catalogue)) {
            folderPath.insert(0, "\\" + catalogue->text(0).toStdString());
            catalogue = catalogue->parent();
        }
        if (catalogue == nullptr) return;
        TNodoArbol* catalogueNode = AsNodo(catalogue);
        CatalogueLines& lines = *catalogueNode->Lines();
        CurrentFolderPath = folderPath.empty() ? "\\" : folderPath;
        const std::string cataloguePath = GetNodePath(catalogue);
        const std::string parentPath = std::string(ExtraeRutaPadre(cataloguePath));
        CatalogueCollectionPath =
            parentPath == "\\" || parentPath.empty() ? "" : parentPath.substr(1) + "\\";
        CollectionPath = node->parent() == nullptr || catalogue->parent() == nullptr
                             ? ""
                             : GetNodePath(catalogue->parent()).substr(1);

        const std::string_view header = lines.Line(0);
        const std::int64_t used = DameCabeceraOcupado(header);
        const std::int64_t free = DameCabeceraLibre(header);
        const std::string bytesWord = LeeTexto("W", "BYTES");
        DiskGauge->SetPosition(GaugePosition(used, free));
        DiskGauge->show();
        PArbolAbajoBarraFree->setText(QString::fromStdString(FormateaTamano(free, bytesWord)));
        SBArbol->Panels(0).SetText(FormatThousands(static_cast<std::int64_t>(lines.Count()) - 2) +
                                   ", " + FormateaTamano(used, bytesWord) + ", " +
                                   std::string(DameCabeceraVolumen(header)) + ", " +
                                   std::string(DameCabeceraNumSerie(header)));

        CurrentLineIndex = -1;
        for (std::size_t i = 1; i < lines.Count(); ++i) {
            const std::string_view line = lines.Line(i);
            if (EsLineaCarpeta(line) && DameCarpetaRuta(line) == CurrentFolderPath) {
                CurrentLineIndex = static_cast<long long>(i);
                break;
            }
        }
        CurrentFileCount = 0;
        std::size_t afterFiles = lines.Count();
        if (CurrentLineIndex >= 0) {
            for (std::size_t i = static_cast<std::size_t>(CurrentLineIndex) + 1; i < lines.Count();
                 ++i) {
                if (EsLineaCarpeta(lines.Line(i))) {
                    afterFiles = i;
                    break;
                }
                ++CurrentFileCount;
            }
        }

        // Sub-folders: rows, and on the first visit the folder nodes of the tree.
        const bool listed = EstaDesplegado(node);
        SBPrincipal->Panels(1).SetText(
            LeeTexto("M", listed ? "M_BUSCANDO_CARPETAS" : "M_CREANDO_CARPETAS_ARBOL"));
        QCoreApplication::processEvents();
        std::vector<std::size_t> folders;
        if (CurrentLineIndex >= 0) {
            for (std::size_t i = afterFiles; i < lines.Count(); ++i) {
                const std::string_view line = lines.Line(i);
                if (!EsLineaCarpeta(line)) continue;
                const std::string_view path = DameCarpetaRuta(line);
                // Folders come in walk order, so the folder's subtree ends at the first folder
                // outside it.
                if (!EsSubcarpeta(CurrentFolderPath, path)) break;
                if (EsSubcarpetaDirecta(CurrentFolderPath, path)) folders.push_back(i);
            }
        }
        if (!listed) {
            for (std::size_t i : folders) {
                auto* child = new TNodoArbol(NodeKind::Folder);
                child->setText(
                    0, QString::fromStdString(text::AsUtf8(DameCarpetaNombre(lines.Line(i)))));
                child->setIcon(0, ILIconos[kImageClosedFolder]);
                node->addChild(child);
            }
            if (!EsCatalogo(node)) AsNodo(node)->SetKind(NodeKind::ListedFolder);
            node->sortChildren(0, Qt::AscendingOrder);
        }
        CurrentSubfolderCount = static_cast<long long>(folders.size());
        CurrentCatalogueNode = catalogueNode;

        const long long rows = CurrentSubfolderCount + CurrentFileCount;
        SGDirectorio->SetRowCount(static_cast<int>(1 + std::max<long long>(1, rows)));
        int row = 1;
        for (std::size_t i : folders)
            FilaCarpeta(row++, lines.Line(i));

        std::uint64_t total = 0;
        if (CurrentFileCount > 0) {
            PBPrincipal->setRange(0, static_cast<int>(CurrentFileCount - 1));
            PBPrincipal->setValue(0);
            SBPrincipal->Panels(1).SetText(LeeTexto("M", "M_BUSCANDO_FICHEROS"));
            QCoreApplication::processEvents();
            const auto first = static_cast<std::size_t>(CurrentLineIndex) + 1;
            const long long repaintStep =
                std::max<long long>(kProgressStep, CurrentFileCount / 100);
            long long lastShown = 0;
            for (std::size_t i = first; i < afterFiles; ++i) {
                FilaFichero(row++, lines.Line(i), total);
                const auto done = static_cast<long long>(i - first);
                if (i % kProgressStep == 0 && done - lastShown >= repaintStep) {
                    PBPrincipal->setValue(static_cast<int>(done));
                    lastShown = done;
                }
            }
            PBPrincipal->setValue(PBPrincipal->maximum());
        }
        SBPrincipal->Panels(1).SetText(
            FormatThousands(CurrentSubfolderCount) + " " + LeeTexto("W", "CARPETAS") + ", " +
            FormatThousands(CurrentFileCount) + " " + LeeTexto("W", "FICHEROS") + ", " +
            FormateaTamano(static_cast<std::int64_t>(total), bytesWord));
    }
    OrdenaAutomatico();
    SGDirectorio->SetCurrentCell(1, 1);
    ActivaBotonesDirectorio(1);
}

void TFPrincipal::FilaCarpeta(int row, std::string_view line) {
    std::string cols[15];
    cols[kColDescription] = DameCarpetaDescripcion(line);
    cols[kColName] = std::string(DameCarpetaNombre(line)) + "\\";
    cols[kColModified] =
        TextoFechaUtf8(DameCarpetaModificado(line), CBVerHoraModificado->Checked());
    try {
        cols[kColCreated] = TextoFechaUtf8(DameCarpetaCreado(line), CBVerHoraCreado->Checked());
    } catch (const EFormatoCatalogo&) {
    }
    cols[kColAttributes] = DameCarpetaAtributos(line);
    SetRow(*SGDirectorio, row, cols);
    SGDirectorio->SetRowTag(row, kRowFolder);
}

void TFPrincipal::FilaFichero(int row, std::string_view line, std::uint64_t& total) {
    std::string cols[15];
    const std::uint64_t size = DameFicheroTamano(line);
    total += size;
    const std::string extension = UpperCaseSpanish(DameFicheroExtension(line));
    cols[kColDescription] = DameFicheroDescripcion(line);
    cols[kColName] = DameFicheroNombre(line);
    cols[kColSize] = FormatThousands(static_cast<std::int64_t>(size));
    cols[kColModified] =
        TextoFechaUtf8(DameFicheroModificado(line), CBVerHoraModificado->Checked());
    try {
        cols[kColCreated] = TextoFechaUtf8(DameFicheroCreado(line), CBVerHoraCreado->Checked());
    } catch (const EFormatoCatalogo&) {
    }
    cols[kColAttributes] =
        DameFicheroAtributos(line) + std::string(DameFicheroAtributosExtendidos(line));
    cols[kColExtension] = extension;
    MediaColumns(line, extension, cols);
    SetRow(*SGDirectorio, row, cols);
    SGDirectorio->SetRowTag(row, kRowFile);
}

void TFPrincipal::ActivaBotonesDirectorio(int row) {
    const int kind =
        row > 0 && row < SGDirectorio->RowCount() ? SGDirectorio->RowTag(row) : kRowEmpty;
    if (kind == kRowEmpty) {
        for (QToolButton* b :
             {SBAnidados, SBDescripcion, SBImprimirDirectorio, SBAbrirNotepad, SBAbrirSistema,
              SBAbrirExplorador, SBEncolarWinAmp, SBAbrirCon, SBAddColector})
            b->setEnabled(false);
        return;
    }
    SBAnidados->setEnabled(SGDirectorio->CellView(kColAttributes, row).find('@') !=
                           std::string_view::npos);
    if (EsFilaListado(kind)) {
        for (QToolButton* b :
             {SBDescripcion, SBAbrirNotepad, SBAbrirSistema, SBAbrirExplorador, SBEncolarWinAmp})
            b->setEnabled(false);
    } else {
        SBDescripcion->setEnabled(true);
        SBAbrirExplorador->setEnabled(true);
        const bool file = kind == kRowFile;
        for (QToolButton* b : {SBAbrirNotepad, SBAbrirSistema, SBEncolarWinAmp, SBAbrirCon})
            b->setEnabled(file);
    }
    QTreeWidgetItem* node = Arbol->currentItem();
    SBPadre->setEnabled(node != nullptr && node->parent() != nullptr);
    SBImprimirDirectorio->setEnabled(true);
    // A collection listing names no catalogue entry to collect.
    SBAddColector->setEnabled(!EsFilaListado(kind));
}

void TFPrincipal::SGDirectorioDblClick() {
    if (HeaderSortDone || BusyFlag || SGDirectorio->CellView(kColName, 1).empty()) return;
    const int row = SGDirectorio->Row();
    if (row < 1) return;
    const int kind = SGDirectorio->RowTag(row);
    if (SGDirectorio->Col() == kColDescription) {
        if (SBDescripcion->isEnabled()) BBDescripcionClick();
        return;
    }
    if ((kind == kRowFolder || EsFilaListado(kind)) && SGDirectorio->Col() == kColName) {
        const std::string name(SGDirectorio->CellView(kColName, row));
        QTreeWidgetItem* node = Arbol->currentItem();
        if (node == nullptr) return;
        for (int i = 0; i < node->childCount(); ++i) {
            if (node->child(i)->text(0).toStdString() + "\\" == name) {
                Arbol->setCurrentItem(node->child(i));
                return;
            }
        }
    }
    // A file in the name column: an archive ("@") shows its nested entries;
    // any other file opens with its usual program.
    if (kind == kRowFile && SGDirectorio->Col() == kColName) {
        if (SGDirectorio->CellView(kColAttributes, row).find('@') != std::string_view::npos)
            BBAnidadosClick();
        else
            SBAbrirTriple(SBAbrirSistema);
    }
}

void TFPrincipal::BBAnidadosClick() {
    if (BusyFlag || FAnidados == nullptr || Arbol->topLevelItemCount() == 0) return;
    // Only a file row of a catalogue on show has a line to read the entries from.
    const int row = SGDirectorio->Row();
    if (CurrentCatalogueNode == nullptr || row < 1 || row >= SGDirectorio->RowCount() ||
        SGDirectorio->RowTag(row) != kRowFile)
        return;
    MuestraModal(*FAnidados);
}

void TFPrincipal::SGDirectorioKeyUp(int key) {
    if (key != Qt::Key_F2 || BusyFlag || !SBDescripcion->isEnabled()) return;
    SGDirectorio->SetCol(kColKey);
    BBDescripcionClick();
}

void TFPrincipal::BBDescripcionClick() {
    if (BusyFlag || SGDirectorio->CellView(kColName, 1).empty()) return;
    // Only a folder or file row of a shown catalogue has a line to hold a description.
    const int row = SGDirectorio->Row();
    const int kind = row > 0 ? SGDirectorio->RowTag(row) : kRowEmpty;
    if (CurrentCatalogueNode == nullptr || (kind != kRowFolder && kind != kRowFile)) return;
    MuestraModal(*FCambiarDescripcion);
}

void TFPrincipal::BBPadreClick() {
    if (BusyFlag) return;
    QTreeWidgetItem* node = Arbol->currentItem();
    if (node == nullptr || node->parent() == nullptr) return;
    Arbol->setFocus();
    Arbol->setCurrentItem(node->parent());
}

bool TFPrincipal::DibujaCelda(int col, int row, QPainter& painter, const QRect& rect,
                              bool focused) {
    if (row == 0) return false;
    const int kind = SGDirectorio->RowTag(row);
    const QString text = SGDirectorio->CellText(col, row);
    if (kind == kRowFile && col == kColName) {
        const std::string_view attributes = SGDirectorio->CellView(kColAttributes, row);
        QFont font = painter.font();
        if (attributes.find('@') != std::string_view::npos) {
            font.setBold(true);
            painter.setFont(font);
        } else if (attributes.find('#') != std::string_view::npos && !focused) {
            std::uint32_t color = 0;
            switch (MediaKindOfExtension(SGDirectorio->CellView(kColExtension, row))) {
            case MediaKind::Text:
                color = TextColor;
                break;
            case MediaKind::Bitmap:
                color = BitmapColor;
                break;
            case MediaKind::Audio:
                color = AudioColor;
                break;
            case MediaKind::Music:
                color = MusicColor;
                break;
            case MediaKind::Video:
                color = VideoColor;
                break;
            case MediaKind::None:
                return false;
            }
            painter.setPen(FromColorNumber(color));
        }
        SGDirectorio->DrawCellText(painter, rect, text);
        return true;
    }
    if ((kind == kRowFile || kind == kRowFolder) &&
        (col == kColSize || (col >= kColDuration && col <= kColTrack))) {
        SGDirectorio->DrawCellText(painter, rect, " " + text, Qt::AlignRight | Qt::AlignVCenter);
        return true;
    }
    // Of a collection listing only the collections are bold.
    if (kind == kRowCollection) {
        QFont font = painter.font();
        font.setBold(true);
        painter.setFont(font);
        SGDirectorio->DrawCellText(painter, rect, text);
        return true;
    }
    return false;
}

void TFPrincipal::CBVerColumnaClick(TCheckBox* box) {
    struct Width {
        TCheckBox* box;
        int column;
        int on;
    };
    const bool modTime = CBVerHoraModificado->Checked();
    const bool createdTime = CBVerHoraCreado->Checked();
    const Width widths[] = {
        {CBVerDescripcion, kColDescription, 130},
        {CBVerTamano, kColSize, 64},
        {CBVerModificado, kColModified, modTime ? 112 : 64},
        {CBVerCreado, kColCreated, createdTime ? 112 : 64},
        {CBVerAtributos, kColAttributes, 50},
        {CBVerExtension, kColExtension, 30},
        {CBVerResolucion, kColResolution, 60},
        {CBVerCalidad, kColQuality, 42},
        {CBVerCanales, kColChannels, 16},
        {CBVerAno, kColYear, 30},
        {CBVerPista, kColTrack, 28},
        {CBVerGenero, kColGenre, 100},
    };
    for (const Width& w : widths)
        if (w.box == box)
            SGDirectorio->SetColWidths(w.column,
                                       AnchoDirectorio(w.column, box->Checked() ? w.on : 0));
    if (box == CBVerHoraModificado || box == CBVerHoraCreado) {
        const int column = box == CBVerHoraModificado ? kColModified : kColCreated;
        SGDirectorio->SetColWidths(column, AnchoDirectorio(column, box->Checked() ? 112 : 68));
        if (startupDone_ && !BusyFlag && Arbol->currentItem()) ArbolChange(Arbol->currentItem());
    }
}

QString TFPrincipal::TamanoDeMuestra() {
    return QString::fromStdString(FormatThousands(9'999'999'999'999LL));
}

std::vector<QString> TFPrincipal::FechasDeMuestra(bool withTime) const {
    // Every month (names differ in width) at a morning and an evening hour.
    std::vector<QString> dates;
    for (int month = 1; month <= 12; ++month)
        for (int hour : {10, 22})
            dates.push_back(TextoFecha(DateTime{2028, month, 28, hour, 58, 58}, withTime));
    return dates;
}

int TFPrincipal::AnchoColumna(const TStringGrid& grid, const char* titleKey, int wanted,
                              const std::vector<QString>& samples) const {
    if (wanted <= 0) return 0;
    int width = AnchoParaTitulos(grid, titleKey, wanted);
    const QFontMetrics metrics(grid.font());
    for (const QString& sample : samples)
        width = std::max(width, TStringGrid::CellWidthFor(metrics, sample));
    return width;
}

int TFPrincipal::AnchoDirectorio(int column, int wanted) const {
    std::vector<QString> samples;
    // The size is drawn after a blank; the dates with or without their time.
    if (column == kColSize) samples.push_back(" " + TamanoDeMuestra());
    if (column == kColModified) samples = FechasDeMuestra(CBVerHoraModificado->Checked());
    if (column == kColCreated) samples = FechasDeMuestra(CBVerHoraCreado->Checked());
    return AnchoColumna(*SGDirectorio, kTitulosDirectorio[column], wanted, samples);
}

void TFPrincipal::BBColumnasClick() {
    const auto width = [](TCheckBox* box, int on) { return box->Checked() ? on : 0; };
    const int widths[15] = {
        0,
        0,
        0,
        width(CBVerTamano, 64),
        width(CBVerModificado, CBVerHoraModificado->Checked() ? 81 : 51),
        width(CBVerCreado, CBVerHoraCreado->Checked() ? 81 : 51),
        width(CBVerAtributos, 40),
        width(CBVerExtension, 30),
        48,
        width(CBVerResolucion, 60),
        width(CBVerCalidad, 30),
        width(CBVerCanales, 12),
        width(CBVerAno, 30),
        width(CBVerPista, 22),
        width(CBVerGenero, 50),
    };
    // Each at least as wide as its title, its widest size or date.
    int sum = 0;
    for (int col = kColSize; col <= kColGenre; ++col) {
        const int fitted = AnchoDirectorio(col, widths[col]);
        SGDirectorio->SetColWidths(col, fitted);
        sum += fitted;
    }
    const int half = (SGDirectorio->viewport()->width() - sum) / 2;
    SGDirectorio->SetColWidths(kColDescription,
                               AnchoDirectorio(kColDescription, std::max(half - 24, 90)));
    SGDirectorio->SetColWidths(kColName, AnchoDirectorio(kColName, std::max(half + 10, 110)));
}

int TFPrincipal::CentroColumna(int column) const {
    int x = SGDirectorio->ColWidths(column) / 2;
    for (int col = 0; col < column; ++col)
        x += SGDirectorio->ColWidths(col);
    return x;
}

} // namespace sorvane
