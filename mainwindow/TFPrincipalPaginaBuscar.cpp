// The search page around the search run: the option handlers and their
// enabling rules, the four layouts of the criteria, the result buttons that
// follow the current hit, the drawing of hits with their matched stretches,
// copying the results as tab-separated text and opening a hit on its disk.
#include "catalogue/format/Codes.h"
#include "catalogue/format/TextUtils.h"
#include "dialogs/Modal.h"
#include "mainwindow/HitStretches.h"
#include "mainwindow/TFPrincipal.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Text.h"
#include "ui/BusyGuard.h"
#include "ui/CheckBox.h"
#include "ui/DisplayText.h"
#include "ui/RadioGroup.h"
#include "ui/ScopeGuard.h"
#include "ui/SlotBarrier.h"
#include "ui/StringGrid.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>
#include <optional>

namespace sorvane {
namespace {

// Columns of the result grid read here.
constexpr int kColCollection = 1, kColCatalogue = 2, kColFolder = 3, kColDescription = 4,
              kColName = 5, kColSize = 6, kColModified = 7, kColCreated = 8, kColAttributes = 9,
              kColExtension = 10;
constexpr int kColRange1Description = 18, kColRange1Name = 19, kColRange2Description = 20,
              kColRange2Name = 21;
// Space between a cell's left edge and its text.
constexpr int kCellMargin = 2;
// The highlight colour of a hit (colour value 255).
const QColor kHitRed(255, 0, 0);

// Delphi's Trim: bytes up to the blank go at both ends.
std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

QString Q(std::string_view bytes) {
    return QString::fromStdString(text::AsUtf8(bytes));
}

QColor FromColorNumber(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

// Runs `onChange` after the watched widget is resized or moved.
class GeometryWatcher : public QObject {
public:
    GeometryWatcher(QObject* parent, std::function<void()> onChange)
        : QObject(parent), onChange_(std::move(onChange)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Move) Guarded(onChange_);
        return false;
    }

private:
    std::function<void()> onChange_;
};

} // namespace

void TFPrincipal::ConnectSearchPageHandlers() {
    // The page gets its size after the window does: its criteria are placed
    // and the animation centred again whenever the page or the criteria move.
    TSBuscar->installEventFilter(new GeometryWatcher(this, [this] {
        ColocaCriterios();
        CentraAnimacion();
    }));
    SBXBuscarDatos->installEventFilter(new GeometryWatcher(this, [this] { CentraAnimacion(); }));
    // User edits only: a text trimmed or emptied by the page keeps the error count.
    connect(EBuscar, &QLineEdit::textEdited, this,
            [this] { Guarded([this] { EBuscarChange(); }); });
    connect(EBuscar2, &QLineEdit::textEdited, this,
            [this] { Guarded([this] { EBuscarChange(); }); });
    connect(EExtension, &QLineEdit::textChanged, this,
            [this] { Guarded([this] { EExtensionChange(); }); });
    GBDonde->OnClick = [this] { GBDondeClick(); };
    GBCuales->OnClick = [this] { GBCualesClick(); };
    CBAtributos->OnClick = [this] { CBAtributosClick(); };
    CBAnidadosAttr->OnClick = [this] { CBAnidadosAttrClick(); };
    CBMultimediaAttr->OnClick = [this] { CBMultimediaAttrClick(); };
    CBCanales1->OnClick = [this] { CBCanales1Click(); };
    CBcanales2->OnClick = [this] { CBcanales2Click(); };
    CBAvanzada->OnClick = [this] { CBAvanzadaClick(); };
    CBMultimedia->OnClick = [this] { CBAvanzadaClick(); };
    const std::pair<QRadioButton*, void (TFPrincipal::*)()> modes[] = {
        {RBNormal, &TFPrincipal::RBNormalClick},
        {RBComodin, &TFPrincipal::RBComodinClick},
        {RBComodines, &TFPrincipal::RBComodinesClick},
        {RBDifusa, &TFPrincipal::RBDifusaClick}};
    for (const auto& mode : modes) {
        const auto handler = mode.second;
        connect(mode.first, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on) Guarded([this, handler] { (this->*handler)(); });
        });
    }
    connect(SBCopiar, &QToolButton::clicked, this, [this] { Guarded([this] { BCopiarClick(); }); });
    for (QToolButton* button : {SBAbreExitoNotepad, SBAbreExitoSistema, SBAbreExitoCon,
                                SBEncolarExitoWinamp, SBExplorarExito})
        connect(button, &QToolButton::clicked, this,
                [this, button] { Guarded([this, button] { SBAbreExitoNotepadClick(button); }); });
    connect(SBVerCatalogo, &QToolButton::clicked, this,
            [this] { Guarded([this] { SBVerCatalogoClick(); }); });
    SGResultados->OnSelectCell = [this](int, int) {
        if (!BusyFlag) SGResultadosClick();
    };
    SGResultados->OnDblClick = [this](const TGridMouseEvent& e) {
        if (e.row >= 1 && !BusyFlag) SGResultadosDblClick();
    };
    SGResultados->OnDrawCell = [this](int col, int row, QPainter& painter, const QRect& rect,
                                      bool focused) {
        return SGResultadosDrawCell(col, row, painter, rect, focused);
    };

    // The page as the defaults leave it.
    CBAtributosClick();
    GBCualesClick();
    RBNormalClick();
    CBAvanzadaClick();
    SGResultadosClick();
}

// ---- Option handlers --------------------------------------------------------

void TFPrincipal::EBuscarChange() {
    // The error count of the approximate search stays below the length of text 1.
    const int length = static_cast<int>(text::CharCount(EngineText(EBuscar->text())));
    ENumErrores->setMaximum(length < 2 ? 1 : length - 1);
    ENumErrores->setValue(1);
}

void TFPrincipal::GBDondeClick() {
    CBAnidados->setEnabled(GBDonde->ItemIndex() != 1);
}

void TFPrincipal::GBCualesClick() {
    EExtension->setEnabled(GBCuales->ItemIndex() == 3);
}

void TFPrincipal::EExtensionChange() {
    if (!EExtension->text().trimmed().isEmpty()) GBCuales->SetItemIndex(3);
}

void TFPrincipal::CBAtributosClick() {
    for (TCheckBox* box : {CBAnidadosAttr, CBMultimediaAttr, CBArchivo, CBLectura, CBOculto,
                           CBSistema, CBComprimido, CBOffLine})
        box->setEnabled(CBAtributos->Checked());
}

void TFPrincipal::RBNormalClick() {
    RBNormal->setChecked(true);
    CBParte->setEnabled(true);
    ENumErrores->setEnabled(false);
}

void TFPrincipal::RBComodinClick() {
    RBComodin->setChecked(true);
    CBParte->setEnabled(false);
    ENumErrores->setEnabled(false);
}

void TFPrincipal::RBComodinesClick() {
    RBComodines->setChecked(true);
    CBParte->setEnabled(false);
    ENumErrores->setEnabled(false);
}

void TFPrincipal::RBDifusaClick() {
    RBDifusa->setChecked(true);
    CBParte->setEnabled(false);
    ENumErrores->setEnabled(true);
}

// Nested entries have no attribute "@" or "#", so asking for one keeps them out;
// of the two boxes the one clicked last stays checked.
void TFPrincipal::CBAnidadosAttrClick() {
    CBAnidados->setEnabled(!CBAnidadosAttr->Checked() && !CBMultimediaAttr->Checked());
    if (CBAnidadosAttr->Checked() && CBMultimediaAttr->Checked())
        CBMultimediaAttr->SetChecked(false);
}

void TFPrincipal::CBMultimediaAttrClick() {
    CBAnidados->setEnabled(!CBAnidadosAttr->Checked() && !CBMultimediaAttr->Checked());
    if (CBAnidadosAttr->Checked() && CBMultimediaAttr->Checked()) CBAnidadosAttr->SetChecked(false);
}

void TFPrincipal::CBCanales1Click() {
    if (CBCanales1->Checked()) CBcanales2->SetChecked(false);
}

void TFPrincipal::CBcanales2Click() {
    if (CBcanales2->Checked()) CBCanales1->SetChecked(false);
}

// ---- Layouts ----------------------------------------------------------------

// The advanced and media groups shown or hidden; a hidden group is reset first,
// so a criterion nobody sees never restricts a search. The layout of the page
// places what is shown: the advanced groups left, the simple panel between the
// hint labels in the middle, the media groups right.
void TFPrincipal::CBAvanzadaClick() {
    const bool advanced = CBAvanzada->Checked(), media = CBMultimedia->Checked();
    QWidget* const advancedControls[] = {GBAtributos,    GBModificado, GBCreado,      GBTamano,
                                         GBDonde,        GBCuales,     EExtension,    GBTipo,
                                         GBLimitaciones, SBCopiar,     SBAbreExitoCon};
    if (!advanced) {
        CBAtributos->SetChecked(false);
        for (QLineEdit* edit : {EInicial, EFinal, EInicialCre, EFinalCre, CBMin, CBMax})
            edit->clear();
        GBDonde->SetItemIndex(0);
        GBCuales->SetItemIndex(0);
        RBNormalClick();
        CBAnidados->SetChecked(true);
        CBSoloCat->SetChecked(false);
        CBSoloCol->SetChecked(false);
        CBMayusculas->SetChecked(true);
        CBTildes->SetChecked(true);
        CBParte->SetChecked(true);
        EBuscar2->clear();
        // The attribute letters are off, so nested entries are searched again.
        GBDondeClick();
    }
    for (QWidget* control : advancedControls)
        control->setVisible(advanced);
    for (QWidget* control : {static_cast<QWidget*>(RBAnd), static_cast<QWidget*>(RBOr),
                             static_cast<QWidget*>(EBuscar2)})
        control->setVisible(advanced);
    PBuscarAvanzada->setVisible(advanced);

    QGroupBox* const mediaGroups[] = {GBDuracion, GBResolucion, GBCalidad, GBCanales,
                                      GBAno,      GBGenero,     GBPista};
    if (!media) {
        for (QLineEdit* edit : {EDuracionIni, EduracionFin, EPaginasIni, EPaginasFin, EAnchoMin,
                                EAnchoMax, EAltoMin, EAltoMax, EFrecMin, EFrecMax, ECalidadMin,
                                ECalidadMax, EAnoMin, EAnoMax, EGenero, ETrackMin, ETrackMax})
            edit->clear();
        CBCanales1->SetChecked(false);
        CBcanales2->SetChecked(false);
    }
    for (QGroupBox* group : mediaGroups)
        group->setVisible(media);
    PBuscarMultimedia->setVisible(media);

    LBuscarTipIzquierdo->setVisible(!advanced && !media);
    LBuscarTipDerecho->setVisible(!advanced && !media);
    ColocaCriterios();
}

namespace {

// The room the result grid keeps below the criteria: its titles, three rows
// and its scroll bar.
constexpr int kResultsRoom = 92;

// The size a widget needs to show itself whole in the language shown: its
// hint, never below its minimum (a group's minimum holds its title).
QSize Needed(const QWidget& widget) {
    return widget.sizeHint().expandedTo(widget.minimumSizeHint());
}

// The size of `columns` placed `perRow` to a row of `grid`.
QSize SizeInRows(const std::vector<QWidget*>& columns, const QGridLayout& grid, int perRow) {
    const int count = static_cast<int>(columns.size());
    const int rows = (count + perRow - 1) / perRow;
    int width = (perRow - 1) * grid.horizontalSpacing();
    for (int c = 0; c < perRow; ++c) {
        int widest = 0;
        for (int i = c; i < count; i += perRow)
            widest = std::max(widest, Needed(*columns[i]).width());
        width += widest;
    }
    int height = (rows - 1) * grid.verticalSpacing();
    for (int r = 0; r < rows; ++r) {
        int tallest = 0;
        for (int i = r * perRow; i < std::min(count, (r + 1) * perRow); ++i)
            tallest = std::max(tallest, Needed(*columns[i]).height());
        height += tallest;
    }
    return {width, height};
}

void PlaceInRows(const std::vector<QWidget*>& columns, QGridLayout& grid, int perRow) {
    for (QWidget* column : columns)
        grid.removeWidget(column);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        grid.addWidget(columns[i], i / perRow, i % perRow, Qt::AlignTop);
}

} // namespace

// Of every way to place the advanced and the media columns, the one that fits
// the page's width and leaves the criteria lowest (of equal heights the one
// with more columns side by side); when none fits, the narrowest, which then
// scrolls sideways. Widths and heights are those the groups need in the
// language shown, so a longer translation takes another arrangement.
void TFPrincipal::ColocaCriterios() {
    auto& advanced = *static_cast<QGridLayout*>(PBuscarAvanzada->layout());
    auto& media = *static_cast<QGridLayout*>(PBuscarMultimedia->layout());
    auto* row = static_cast<QBoxLayout*>(PBuscarDatos->layout());
    const bool withAdvanced = PBuscarAvanzada->isVisibleTo(PBuscarDatos);
    const bool withMedia = PBuscarMultimedia->isVisibleTo(PBuscarDatos);
    // Texts change with the language: every size is asked for again.
    for (QWidget* widget : PBuscarDatos->findChildren<QWidget*>())
        if (widget->layout() != nullptr) widget->layout()->invalidate();
    row->invalidate();
    const int room = SBXBuscarDatos->viewport()->width();
    const QSize middle = Needed(*PBuscarSencillo->parentWidget());
    const int advancedCount = static_cast<int>(advancedColumns_.size());
    const int mediaCount = static_cast<int>(mediaColumns_.size());

    struct Choice {
        int advanced, media, width, height;
    };
    std::optional<Choice> best, narrowest;
    for (int a = advancedCount; a >= 1; --a) {
        for (int m = mediaCount; m >= 1; --m) {
            Choice c{a, m, middle.width(), middle.height()};
            if (withAdvanced) {
                const QSize size = SizeInRows(advancedColumns_, advanced, a);
                c.width += size.width() + 2 * row->spacing();
                c.height = std::max(c.height, size.height());
            }
            if (withMedia) {
                const QSize size = SizeInRows(mediaColumns_, media, m);
                c.width += size.width() + 2 * row->spacing();
                c.height = std::max(c.height, size.height());
            }
            if (!narrowest || c.width < narrowest->width) narrowest = c;
            const bool lower = !best || c.height < best->height ||
                               (c.height == best->height && c.width > best->width);
            if (c.width <= room && lower) best = c;
        }
    }
    const Choice chosen = best ? *best : *narrowest;
    PlaceInRows(advancedColumns_, advanced, chosen.advanced);
    PlaceInRows(mediaColumns_, media, chosen.media);
    row->invalidate();
    // As tall as the criteria, while the result grid keeps its room; a scroll
    // bar only for what does not fit.
    const int width = row->totalMinimumSize().width();
    const int bar = width > room ? SBXBuscarDatos->horizontalScrollBar()->sizeHint().height() : 0;
    const int tall = std::max(row->totalSizeHint().height(), chosen.height) + bar;
    const QMargins margins = TSBuscar->layout()->contentsMargins();
    const int page = TSBuscar->height() - margins.top() - margins.bottom() -
                     TSBuscar->layout()->spacing() - kResultsRoom;
    SBXBuscarDatos->setFixedHeight(std::min(tall, std::max(page, 120)));
}

void TFPrincipal::CentraAnimacion() {
    const int criteria = SBXBuscarDatos->geometry().bottom() + 1;
    AniCd->move((TSBuscar->width() - AniCd->width()) / 2,
                (TSBuscar->height() - criteria - AniCd->height()) / 2 + criteria);
}

// ---- Result buttons ---------------------------------------------------------

void TFPrincipal::SGResultadosClick() {
    const bool results = ResultHits > 0;
    SBImprimirExitos->setEnabled(results);
    SBCopiar->setEnabled(results);
    // What the current row shows decides what can be done with it: a file can be
    // opened and shown, a folder only shown, a name of the tree or an entry inside
    // an archive neither.
    const int row = SGResultados->Row();
    const auto kind = results && row >= 1 ? static_cast<SearchHitKind>(SGResultados->RowTag(row))
                                          : SearchHitKind::None;
    const bool place = kind == SearchHitKind::File || kind == SearchHitKind::Folder;
    const bool file = kind == SearchHitKind::File;
    for (QToolButton* button :
         {SBAbreExitoNotepad, SBAbreExitoSistema, SBAbreExitoCon, SBEncolarExitoWinamp})
        button->setEnabled(file);
    SBExplorarExito->setEnabled(place);
    SBVerCatalogo->setEnabled(place);
    SBAddColectorBuscar->setEnabled(place);
}

// ---- Copy -------------------------------------------------------------------

void TFPrincipal::BCopiarClick() {
    if (BusyFlag || ResultHits == 0) return;
    const TBusyGuard busy(BusyFlag);
    const TScopeGuard emptied([this] { ScanBuffer.Clear(); });
    ScanBuffer.Clear();
    // The size without its thousands separators, whichever the locale writes.
    const std::string separators = ".," + ThousandsSeparator();
    std::string line;
    for (int row = 1; row < SGResultados->RowCount(); ++row) {
        line.clear();
        for (int col : {kColCollection, kColCatalogue, kColFolder, kColDescription, kColName}) {
            const std::string_view cell = SGResultados->CellView(col, row);
            line.push_back('"');
            line.append(col == kColCollection ? TrimBlanks(cell) : cell);
            line.append("\"\t");
        }
        line.append(RemoveChars(SGResultados->CellView(kColSize, row), separators)).push_back('\t');
        line.append(SGResultados->CellView(kColModified, row)).push_back('\t');
        line.append(SGResultados->CellView(kColCreated, row)).push_back('\t');
        line.append(SGResultados->CellView(kColAttributes, row));
        ScanBuffer.Add(line);
    }
    const QString path = PreguntaFicheroGuardar(
        {QString(), "ASCII Tab (*.txt)", "txt", QString::number(SGResultados->RowCount() - 1)});
    if (path.isEmpty()) return;
    try {
        ScanBuffer.SaveToFile(path.toStdString());
    } catch (const EInOutError& e) {
        MuestraMensaje(e.what());
    }
}

// ---- Opening a hit ----------------------------------------------------------

void TFPrincipal::SBAbreExitoNotepadClick(QToolButton* button) {
    const int row = SGResultados->Row();
    if (BusyFlag || ResultHits == 0 || row < 1) return;
    const std::string name = SGResultados->Cells(kColName, row);
    // The first catalogue of that name in tree order holds the header.
    const QString catalogue = SGResultados->CellText(kColCatalogue, row);
    const CatalogueLines* lines = nullptr;
    for (QTreeWidgetItemIterator it(Arbol); *it && lines == nullptr; ++it)
        if (EsCatalogo(*it) && (*it)->text(0) == catalogue) lines = AsNodo(*it)->Lines();
    if (lines == nullptr || lines->Count() == 0) return;
    const std::optional<std::string> found =
        RutaEnDisco(lines->Line(0), SGResultados->CellView(kColFolder, row), name);
    if (!found) return;
    std::string path = *found;
    // A folder hit opens the folder that holds it.
    if (!name.empty() && name.back() == '\\' && !path.empty()) {
        path.pop_back();
        path.erase(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    }
    if (!ExisteEnDisco(path)) return;
    if (button == SBAbreExitoNotepad)
        AbreConNotepad(path);
    else if (button == SBAbreExitoSistema)
        AbreConSistema(path);
    else if (button == SBEncolarExitoWinamp)
        EncolaReproductor(path);
    else if (button == SBExplorarExito)
        AbreExplorador(path);
    else if (button == SBAbreExitoCon)
        AbreCon(path);
}

// A double click opens a file hit with its program and shows the folder of a
// folder hit, as the buttons that the row leaves on would.
void TFPrincipal::SGResultadosDblClick() {
    if (SBAbreExitoSistema->isEnabled())
        SBAbreExitoNotepadClick(SBAbreExitoSistema);
    else if (SBExplorarExito->isEnabled())
        SBAbreExitoNotepadClick(SBExplorarExito);
}

// ---- Showing a hit in its catalogue -------------------------------------------

void TFPrincipal::DescomponeRuta(std::string_view path, CatalogueLines& list) {
    list.Add("\\");
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) list.Add(path.substr(start, end - start));
        start = end + 1;
    }
}

void TFPrincipal::SBVerCatalogoClick() {
    const int row = SGResultados->Row();
    if (BusyFlag || ResultHits == 0 || row < 1) return;
    const auto kind = static_cast<SearchHitKind>(SGResultados->RowTag(row));
    if (kind != SearchHitKind::File && kind != SearchHitKind::Folder) return;
    // The first catalogue of that name in tree order.
    const QString catalogue = SGResultados->CellText(kColCatalogue, row);
    QTreeWidgetItem* node = nullptr;
    for (QTreeWidgetItemIterator it(Arbol); *it && node == nullptr; ++it)
        if (EsCatalogo(*it) && (*it)->text(0) == catalogue) node = *it;
    if (node == nullptr) return;

    const TScopeGuard emptied([this] { ScanBuffer.Clear(); });
    std::string folder = SGResultados->Cells(kColFolder, row);
    if (folder.empty() || folder.back() != '\\') folder.push_back('\\');
    ScanBuffer.Clear();
    DescomponeRuta(folder, ScanBuffer);
    // Down the folders, listing each node the first time so its folder nodes exist.
    for (std::size_t i = 0;; ++i) {
        if (!EstaDesplegado(node)) ArbolChange(node);
        if (i + 1 >= ScanBuffer.Count()) break;
        const QString wanted = Q(ScanBuffer.Line(i + 1));
        QTreeWidgetItem* child = nullptr;
        for (int c = 0; c < node->childCount() && child == nullptr; ++c)
            if (node->child(c)->text(0) == wanted) child = node->child(c);
        if (child == nullptr) break; // gone from the catalogue: its deepest folder still there
        node = child;
    }

    PCMain->setCurrentWidget(TSCatalogos);
    if (Arbol->currentItem() == node)
        ArbolChange(node); // the walk may have listed another folder meanwhile
    else
        Arbol->setCurrentItem(node);
    Arbol->setFocus();
    OrdenaArbol();
    node->setExpanded(true);

    // The hit's row; of equal names the last one.
    const std::string name = SGResultados->Cells(kColName, row);
    int found = 0;
    for (int r = 1; r < SGDirectorio->RowCount(); ++r)
        if (SGDirectorio->CellView(2, r) == name) found = r;
    if (found == 0) return;
    SGDirectorio->SetCurrentCell(2, found);
    SGDirectorio->setFocus();
}

// ---- Drawing ----------------------------------------------------------------

bool TFPrincipal::SGResultadosDrawCell(int col, int row, QPainter& painter, const QRect& rect,
                                       bool focused) {
    if (row < 1) return false;
    const std::string_view text = SGResultados->CellView(col, row);
    if (text.empty()) return false;
    if ((col >= kColSize && col <= kColCreated) || (col >= 11 && col <= 16)) {
        SGResultados->DrawCellText(painter, rect, DisplayText(text),
                                   Qt::AlignRight | Qt::AlignVCenter);
        return true;
    }
    // Which cells carry ranges: the description, the name, and the collection
    // path or catalogue name of a hit on a name of the tree.
    const auto kind = static_cast<SearchHitKind>(SGResultados->RowTag(row));
    int first = 0, second = 0;
    if (col == kColDescription || (col == kColCollection && kind == SearchHitKind::Collection)) {
        first = kColRange1Description;
        second = kColRange2Description;
    } else if (col == kColName || (col == kColCatalogue && kind == SearchHitKind::Catalogue)) {
        first = kColRange1Name;
        second = kColRange2Name;
    } else {
        return false;
    }
    const std::string_view range1 = SGResultados->CellView(first, row);
    const std::string_view range2 = SGResultados->CellView(second, row);

    QFont marked = painter.font();
    if (HitRedBold || HitBold) marked.setBold(true);
    const QColor markedColor = HitRedBold || HitRed ? kHitRed : painter.pen().color();

    if (RBComodin->isChecked() || RBComodines->isChecked()) {
        // A mask matches a whole field: the whole text is marked, or left to the grid.
        if (!IsMatchRange(range1) && !IsMatchRange(range2)) return false;
        painter.setFont(marked);
        painter.setPen(markedColor);
        SGResultados->DrawCellText(painter, rect, DisplayText(text));
        return true;
    }

    QColor normalColor = painter.pen().color();
    if (!focused && col == kColName &&
        SGResultados->CellView(kColAttributes, row).find('#') != std::string_view::npos) {
        switch (MediaKindOfExtension(SGResultados->CellView(kColExtension, row))) {
        case MediaKind::Text:
            normalColor = FromColorNumber(TextColor);
            break;
        case MediaKind::Bitmap:
            normalColor = FromColorNumber(BitmapColor);
            break;
        case MediaKind::Audio:
            normalColor = FromColorNumber(AudioColor);
            break;
        case MediaKind::Music:
            normalColor = FromColorNumber(MusicColor);
            break;
        case MediaKind::Video:
            normalColor = FromColorNumber(VideoColor);
            break;
        case MediaKind::None:
            break;
        }
    }
    const HitStretches pieces = SplitHitStretches(text, range1, range2);
    // A cell of bytes that are not UTF-8 is shown as Windows-1252 in every piece.
    const bool utf8 = text::IsValidUtf8(text);
    const auto shown = [utf8](std::string_view piece) {
        return utf8 ? QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size()))
                    : QString::fromStdString(text::Windows1252ToUtf8(piece));
    };
    painter.setClipRect(rect, Qt::IntersectClip);
    const QFont normal = painter.font();
    const std::pair<std::string_view, bool> parts[] = {{pieces.before, false},
                                                       {pieces.match1, true},
                                                       {pieces.between, false},
                                                       {pieces.match2, true},
                                                       {pieces.after, false}};
    // A text too wide for the cell keeps its leading pieces; the piece where
    // the room ends is cut and ends in "…", as the grid cuts its texts.
    int x = rect.left() + kCellMargin;
    const int end = rect.left() + rect.width() - kCellMargin - 1;
    int total = 0;
    for (const auto& [piece, isMatch] : parts)
        total += QFontMetrics(isMatch ? marked : normal).horizontalAdvance(shown(piece));
    const bool cut = x + total > end;
    const QString ellipsis(QChar(0x2026));
    for (const auto& [piece, isMatch] : parts) {
        if (piece.empty()) continue;
        QString part = shown(piece);
        painter.setFont(isMatch ? marked : normal);
        painter.setPen(isMatch ? markedColor : normalColor);
        const QFontMetrics metrics(painter.font());
        const int width = metrics.horizontalAdvance(part);
        const bool last = cut && x + width + metrics.horizontalAdvance(ellipsis) > end;
        if (last)
            part =
                TStringGrid::FitCellText(metrics, part + ellipsis, end - x + 2 * kCellMargin + 1);
        painter.drawText(QRect(x, rect.top(), std::max(0, rect.right() - x + 1), rect.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, part);
        if (last) break;
        x += width;
    }
    return true;
}

} // namespace sorvane
