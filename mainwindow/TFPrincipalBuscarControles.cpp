// The controls of the search page, built group by group in the order the page
// shows them: the simple panel (texts, commands, hit buttons, collector), the
// advanced groups, the options, the media groups, then the criteria panel
// that holds them above the result grid.
#include "mainwindow/ButtonIcons.h"
#include "mainwindow/TFPrincipal.h"
#include "ui/CheckBox.h"
#include "ui/Named.h"
#include "ui/RadioGroup.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace sorvane {
namespace {

constexpr int kMaxTextChars = 256;
constexpr int kMaxSizeChars = 10;
constexpr int kMaxExtensionChars = 32;
constexpr int kDefaultResultWidth = 150;
constexpr int kSizeBoxDigits = 13;
// The busy animation is a square of this side.
constexpr int kAnimationSize = 32;

// The width of an edit that shows `digits` digits whole.
int EditWidthFor(const QLineEdit& edit, int digits) {
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
    const QMargins margins = edit.textMargins();
    const int text = edit.fontMetrics().horizontalAdvance(QString(digits, QChar('9')));
    // The edit's own margin of 2 pixels each side and room for the cursor.
    const QSize contents(text + margins.left() + margins.right() + 2 * 2 + 2,
                         edit.fontMetrics().height());
    return edit.style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, &edit).width();
}

// Each control gets its object name and, when the parent has a layout, its
// place at the end of it.
template <typename W> W* Placed(const char* name, QWidget* parent) {
    return Named<W>(name, parent, parent->layout());
}

QLineEdit* Edit(const char* name, QWidget* parent, int maxLength = 0) {
    auto* edit = Placed<QLineEdit>(name, parent);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    return edit;
}

TCheckBox* Check(const char* name, QWidget* parent, bool checked = false) {
    auto* box = Placed<TCheckBox>(name, parent);
    box->SetChecked(checked);
    return box;
}

QRadioButton* Radio(const char* name, QWidget* parent) {
    return Placed<QRadioButton>(name, parent);
}

QLabel* Label(const char* name, QWidget* parent) {
    return Placed<QLabel>(name, parent);
}

// A group whose controls stand in a row, in a column, or in a grid of its own.
QGroupBox* RowGroup(const char* name, QWidget* parent) {
    auto* box = Named<QGroupBox>(name, parent);
    box->setLayout(new QHBoxLayout);
    return box;
}

QGroupBox* ColumnGroup(const char* name, QWidget* parent) {
    auto* box = Named<QGroupBox>(name, parent);
    box->setLayout(new QVBoxLayout);
    return box;
}

QGroupBox* BareGroup(const char* name, QWidget* parent) {
    auto* box = Named<QGroupBox>(name, parent);
    return box;
}

// Lays out a bare group as labelled edits: one row per label, its edits beside it.
void RowsOf(QGroupBox* box, std::initializer_list<std::vector<QWidget*>> rows) {
    auto* layout = new QGridLayout(box);
    int row = 0;
    for (const auto& cells : rows) {
        for (std::size_t col = 0; col < cells.size(); ++col)
            layout->addWidget(cells[col], row, static_cast<int>(col));
        ++row;
    }
}

// A row of controls of its own inside a column layout.
QWidget* Line(QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    parent->layout()->addWidget(row);
    return row;
}

void EndWithStretch(QWidget* line) {
    static_cast<QHBoxLayout*>(line->layout())->addStretch();
}

// A column of groups, each kept at the top.
QWidget* Column(QWidget* panel, std::initializer_list<QWidget*> groups) {
    auto* stack = new QWidget(panel);
    auto* layout = new QVBoxLayout(stack);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : groups)
        layout->addWidget(widget);
    layout->addStretch();
    return stack;
}

// A panel whose columns ColocaCriterios places in its grid.
QWidget* ColumnPanel(const char* name, QWidget* parent, const std::vector<QWidget*>& columns) {
    auto* panel = Named<QWidget>(name, parent);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        grid->addWidget(columns[i], 0, i, Qt::AlignTop);
    return panel;
}

} // namespace

void TFPrincipal::BuildSearchPage() {
    TSBuscar = new QWidget;
    TSBuscar->setObjectName("TSBuscar");
    auto* page = new QVBoxLayout(TSBuscar);

    PBuscarSencillo = Named<QWidget>("PBuscarSencillo", TSBuscar);
    PBuscarSencillo->setLayout(new QVBoxLayout);
    PBuscarSencillo->layout()->setContentsMargins(0, 0, 0, 0);
    PBuscarSencillo->setMinimumWidth(380);
    BuildSearchTexts(PBuscarSencillo);
    BuildSearchCommands(PBuscarSencillo);
    BuildSearchHitButtons(Line(PBuscarSencillo));
    // The collector group on a line of its own, so the hit buttons keep the
    // simple panel narrow enough to sit beside the advanced groups.
    QWidget* collector = Line(PBuscarSencillo);
    BuildCollectorSearchGroup(collector);
    EndWithStretch(collector);

    PBuscarDatos = Named<QWidget>("PBuscarDatos", TSBuscar);
    BuildSearchAttributes(PBuscarDatos);
    BuildSearchDatesAndSizes(PBuscarDatos);
    BuildSearchWhereAndWhich(PBuscarDatos);
    BuildSearchKindAndLimits(PBuscarDatos);
    BuildSearchMediaGroups(PBuscarDatos);
    BuildSearchCriteriaPanel(PBuscarDatos);
    // The criteria never widen the window: what cannot fit scrolls.
    SBXBuscarDatos = Named<QScrollArea>("SBXBuscarDatos", TSBuscar);
    SBXBuscarDatos->setFrameShape(QFrame::NoFrame);
    SBXBuscarDatos->setWidgetResizable(true);
    SBXBuscarDatos->setWidget(PBuscarDatos);
    page->addWidget(SBXBuscarDatos);

    SGResultados = Named<TStringGrid>("SGResultados", TSBuscar);
    SGResultados->SetColCount(kResultColumns);
    SGResultados->SetRowCount(2);
    SGResultados->SetDefaultColWidth(kDefaultResultWidth);
    page->addWidget(SGResultados, 1);
    PCMain->addTab(TSBuscar, "Search");
}

// Text 1, the AND/OR choice and text 2 under their label.
void TFPrincipal::BuildSearchTexts(QWidget* simple) {
    Label("LTextoABuscar", simple);
    QWidget* texts = Line(simple);
    EBuscar = Edit("EBuscar", texts, kMaxTextChars);
    RBAnd = Radio("RBAnd", texts);
    RBAnd->setChecked(true);
    RBOr = Radio("RBOr", texts);
    EBuscar2 = Edit("EBuscar2", texts, kMaxTextChars);
}

// Search and stop, the two switches of the criteria, and the busy animation
// that floats over the page, centred below the criteria.
void TFPrincipal::BuildSearchCommands(QWidget* simple) {
    QWidget* commands = Line(simple);
    BBuscar = Placed<QPushButton>("BBuscar", commands);
    BBuscar->setEnabled(false);
    BParar = Placed<QPushButton>("BParar", commands);
    BParar->setEnabled(false);
    CBAvanzada = Check("CBAvanzada", commands);
    CBMultimedia = Check("CBMultimedia", commands);
    EndWithStretch(commands);
    AniCd = Named<QProgressBar>("AniCd", TSBuscar);
    AniCd->setRange(0, 0);
    AniCd->setTextVisible(false);
    AniCd->setFixedSize(kAnimationSize, kAnimationSize);
    AniCd->hide();
}

// The file group, the place group and the result-list buttons.
void TFPrincipal::BuildSearchHitButtons(QWidget* hits) {
    const auto* style = QApplication::style();
    const auto icon = [style](const char* theme, QStyle::StandardPixmap fallback) {
        return QIcon::fromTheme(theme, style->standardIcon(fallback));
    };
    const auto separator = [hits] {
        auto* bar = new QFrame(hits);
        bar->setFrameShape(QFrame::VLine);
        bar->setFrameShadow(QFrame::Sunken);
        hits->layout()->addWidget(bar);
    };
    SBAbreExitoNotepad =
        Boton("SBAbreExitoNotepad", hits, icon("accessories-text-editor", QStyle::SP_FileIcon));
    SBAbreExitoSistema =
        Boton("SBAbreExitoSistema", hits, style->standardIcon(QStyle::SP_DialogOpenButton));
    SBAbreExitoCon =
        Boton("SBAbreExitoCon", hits, icon("document-open", QStyle::SP_FileDialogDetailedView));
    SBEncolarExitoWinamp =
        Boton("SBEncolarExitoWinamp", hits, style->standardIcon(QStyle::SP_MediaPlay));
    separator();
    SBExplorarExito = Boton("SBExplorarExito", hits, style->standardIcon(QStyle::SP_DirOpenIcon));
    SBVerCatalogo =
        Boton("SBVerCatalogo", hits, style->standardIcon(QStyle::SP_FileDialogContentsView));
    SBAddColectorBuscar =
        Boton("SBAddColectorBuscar", hits, icon("list-add", QStyle::SP_FileDialogNewFolder));
    separator();
    SBImprimirExitos =
        Boton("SBImprimirExitos", hits, icon("document-print", QStyle::SP_FileDialogListView));
    SBCopiar = Boton("SBCopiar", hits, style->standardIcon(QStyle::SP_DialogSaveButton));
    SBCopiar->setEnabled(false);
    SBBuscarColumnas = Boton("SBBuscarColumnas", hits,
                             icon("zoom-fit-best", QStyle::SP_ToolBarHorizontalExtensionButton));
    SBAyudaBus = Boton("SBAyudaBus", hits, style->standardIcon(QStyle::SP_DialogHelpButton));
    EndWithStretch(hits);
}

// The attribute letters, switched on together by CBAtributos.
void TFPrincipal::BuildSearchAttributes(QWidget* data) {
    GBAtributos = ColumnGroup("GBAtributos", data);
    CBAtributos = Check("CBAtributos", GBAtributos);
    CBAnidadosAttr = Check("CBAnidadosAttr", GBAtributos);
    CBMultimediaAttr = Check("CBMultimediaAttr", GBAtributos);
    CBSistema = Check("CBSistema", GBAtributos);
    CBOculto = Check("CBOculto", GBAtributos);
    CBArchivo = Check("CBArchivo", GBAtributos);
    CBLectura = Check("CBLectura", GBAtributos);
    CBComprimido = Check("CBComprimido", GBAtributos);
    CBOffLine = Check("CBOffLine", GBAtributos);
}

// The modified and created ranges and the size range, each from/to.
void TFPrincipal::BuildSearchDatesAndSizes(QWidget* data) {
    GBModificado = BareGroup("GBModificado", data);
    QLabel* modifiedFrom = Label("LModificadoIni", GBModificado);
    EInicial = Edit("EInicial", GBModificado);
    QLabel* modifiedTo = Label("LModificadoFin", GBModificado);
    EFinal = Edit("EFinal", GBModificado);
    RowsOf(GBModificado, {{modifiedFrom, EInicial}, {modifiedTo, EFinal}});
    GBCreado = BareGroup("GBCreado", data);
    QLabel* createdFrom = Label("LCreadoIni", GBCreado);
    EInicialCre = Edit("EInicialCre", GBCreado);
    QLabel* createdTo = Label("LCreadoFin", GBCreado);
    EFinalCre = Edit("EFinalCre", GBCreado);
    RowsOf(GBCreado, {{createdFrom, EInicialCre}, {createdTo, EFinalCre}});
    GBTamano = BareGroup("GBTamano", data);
    QLabel* smallest = Label("LTamanoIni", GBTamano);
    CBMin = Edit("CBMin", GBTamano, kMaxSizeChars);
    QLabel* largest = Label("LTamanoFin", GBTamano);
    CBMax = Edit("CBMax", GBTamano, kMaxSizeChars);
    RowsOf(GBTamano, {{smallest, CBMin}, {largest, CBMax}});
    for (QLineEdit* e : {EInicial, EFinal, EInicialCre, EFinalCre})
        e->setMaximumWidth(140);
    // Room for 13 digits, the widest size the page takes with thousands separators.
    for (QLineEdit* e : {CBMin, CBMax})
        e->setFixedWidth(EditWidthFor(*e, kSizeBoxDigits));
}

// Where the text is looked for, and which entries are.
void TFPrincipal::BuildSearchWhereAndWhich(QWidget* data) {
    GBDonde = Named<TRadioGroup>("GBDonde", data);
    GBDonde->SetItems({"Both", "Description", "Name"});
    GBDonde->SetItemIndex(0);
    GBCuales = Named<TRadioGroup>("GBCuales", data);
    GBCuales->SetItems({"Everything", "Files and folders", "Files", "Extension", "Folders"});
    GBCuales->SetItemIndex(0);
    EExtension = Edit("EExtension", data, kMaxExtensionChars);
    EExtension->setText("MP3");
    EExtension->setMaximumWidth(110);
}

// The kind of matching with its error count, the limits, and the options
// that stay under the simple panel in every layout.
void TFPrincipal::BuildSearchKindAndLimits(QWidget* data) {
    GBTipo = ColumnGroup("GBTipo", data);
    RBNormal = Radio("RBNormal", GBTipo);
    RBNormal->setChecked(true);
    RBComodin = Radio("RBComodin", GBTipo);
    RBComodines = Radio("RBComodines", GBTipo);
    RBDifusa = Radio("RBDifusa", GBTipo);
    ENumErrores = Placed<QSpinBox>("ENumErrores", GBTipo);
    ENumErrores->setRange(0, kMaxTextChars);
    ENumErrores->setValue(1);
    ENumErrores->setEnabled(false);
    GBLimitaciones = ColumnGroup("GBLimitaciones", data);
    CBAnidados = Check("CBAnidados", GBLimitaciones, true);
    CBSoloCat = Check("CBSoloCat", GBLimitaciones);
    CBSoloCol = Check("CBSoloCol", GBLimitaciones);
    GBopciones = ColumnGroup("GBopciones", data);
    CBMayusculas = Check("CBMayusculas", GBopciones, true);
    CBTildes = Check("CBTildes", GBopciones, true);
    CBParte = Check("CBParte", GBopciones, true);
}

// The media ranges: duration and pages, resolution and sample rate, quality,
// channels, year, genre and track.
void TFPrincipal::BuildSearchMediaGroups(QWidget* data) {
    GBDuracion = BareGroup("GBDuracion", data);
    QLabel* durationLabel = Label("LDuracionBuscar", GBDuracion);
    EDuracionIni = Edit("EDuracionIni", GBDuracion);
    EduracionFin = Edit("EduracionFin", GBDuracion);
    QLabel* pagesLabel = Label("LPaginasBuscar", GBDuracion);
    EPaginasIni = Edit("EPaginasIni", GBDuracion);
    EPaginasFin = Edit("EPaginasFin", GBDuracion);
    RowsOf(GBDuracion,
           {{durationLabel, EDuracionIni, EduracionFin}, {pagesLabel, EPaginasIni, EPaginasFin}});
    GBResolucion = BareGroup("GBResolucion", data);
    QLabel* widthLabel = Label("LAnchoBuscar", GBResolucion);
    EAnchoMin = Edit("EAnchoMin", GBResolucion);
    EAnchoMax = Edit("EAnchoMax", GBResolucion);
    QLabel* heightLabel = Label("LAltoBuscar", GBResolucion);
    EAltoMin = Edit("EAltoMin", GBResolucion);
    EAltoMax = Edit("EAltoMax", GBResolucion);
    QLabel* rateLabel = Label("LFrecBuscar", GBResolucion);
    EFrecMin = Edit("EFrecMin", GBResolucion);
    EFrecMax = Edit("EFrecMax", GBResolucion);
    RowsOf(GBResolucion, {{widthLabel, EAnchoMin, EAnchoMax},
                          {heightLabel, EAltoMin, EAltoMax},
                          {rateLabel, EFrecMin, EFrecMax}});
    GBCalidad = RowGroup("GBCalidad", data);
    ECalidadMin = Edit("ECalidadMin", GBCalidad);
    ECalidadMax = Edit("ECalidadMax", GBCalidad);
    GBCanales = RowGroup("GBCanales", data);
    CBCanales1 = Check("CBCanales1", GBCanales);
    CBcanales2 = Check("CBcanales2", GBCanales);
    GBAno = RowGroup("GBAno", data);
    EAnoMin = Edit("EAnoMin", GBAno);
    EAnoMax = Edit("EAnoMax", GBAno);
    GBGenero = RowGroup("GBGenero", data);
    EGenero = Edit("EGenero", GBGenero);
    GBPista = RowGroup("GBPista", data);
    ETrackMin = Edit("ETrackMin", GBPista);
    ETrackMax = Edit("ETrackMax", GBPista);
    for (QLineEdit* e : {EDuracionIni, EduracionFin, EPaginasIni, EPaginasFin, EAnchoMin, EAnchoMax,
                         EAltoMin, EAltoMax, EFrecMin, EFrecMax, ECalidadMin, ECalidadMax, EAnoMin,
                         EAnoMax, ETrackMin, ETrackMax})
        e->setMaximumWidth(70);
}

// The criteria from left to right: the advanced columns, the simple panel with
// the options in the middle between the two hint labels, the media columns.
void TFPrincipal::BuildSearchCriteriaPanel(QWidget* data) {
    advancedColumns_ = {
        Column(data, {GBTipo, GBDonde}), Column(data, {GBCuales, EExtension, GBLimitaciones}),
        Column(data, {GBModificado, GBCreado, GBTamano}), Column(data, {GBAtributos})};
    PBuscarAvanzada = ColumnPanel("PBuscarAvanzada", data, advancedColumns_);
    mediaColumns_ = {Column(data, {GBDuracion, GBCalidad, GBGenero}),
                     Column(data, {GBResolucion, GBCanales, GBAno, GBPista})};
    PBuscarMultimedia = ColumnPanel("PBuscarMultimedia", data, mediaColumns_);

    auto* middle = new QWidget(data);
    auto* middleLayout = new QVBoxLayout(middle);
    middleLayout->setContentsMargins(0, 0, 0, 0);
    middleLayout->addWidget(PBuscarSencillo);
    middleLayout->addWidget(GBopciones);
    middleLayout->addStretch();
    const auto hint = [data](const char* name) {
        auto* label = Named<QLabel>(name, data);
        label->setWordWrap(true);
        label->setFixedWidth(200); // both alike, so the simple panel stands in the middle
        label->setAlignment(Qt::AlignCenter);
        return label;
    };
    LBuscarTipIzquierdo = hint("LBuscarTipIzquierdo");
    LBuscarTipDerecho = hint("LBuscarTipDerecho");

    auto* row = new QHBoxLayout(data);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(PBuscarAvanzada, 0, Qt::AlignTop);
    row->addStretch(1);
    row->addWidget(LBuscarTipIzquierdo);
    row->addStretch(1);
    row->addWidget(middle, 0, Qt::AlignTop);
    row->addStretch(1);
    row->addWidget(LBuscarTipDerecho);
    row->addStretch(1);
    row->addWidget(PBuscarMultimedia, 0, Qt::AlignTop);
}

} // namespace sorvane
