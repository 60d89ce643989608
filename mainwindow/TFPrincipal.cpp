// The main window: construction of its pages and controls, start-up on first
// activation, shut-down, the page guard and the counters.
#include "mainwindow/TFPrincipal.h"

#include "archive/ace/arxUnAce.h"
#include "archive/arc/arxUnArc.h"
#include "archive/arj/arxUnArj.h"
#include "archive/cab/arxUnCab.h"
#include "archive/gzip/arxUnGZip.h"
#include "archive/rar/arxUnRar.h"
#include "archive/tar/arxUnTar.h"
#include "archive/zip/arxUnZip.h"
#include "archive/zoo/arxUnZoo.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/StringManager.h"
#include "catalogue/format/TextUtils.h"
#include "catalogue/metadata/MediaWriters.h"
#include "catalogue/scan/TFCrearCarpeta.h"
#include "catalogue/scan/TFCrearDisco.h"
#include "catalogue/scan/TFSelectFolder.h"
#include "dialogs/Language.h"
#include "dialogs/LanguageBindings.h"
#include "dialogs/Modal.h"
#include "dialogs/TFAnidados.h"
#include "dialogs/TFCambiarCatalogo.h"
#include "dialogs/TFCambiarColeccion.h"
#include "dialogs/TFCambiarDescripcion.h"
#include "dialogs/TFColector.h"
#include "dialogs/TFColectorMensaje.h"
#include "dialogs/TFCrearColeccion.h"
#include "dialogs/TFMensajes.h"
#include "dialogs/TFTips.h"
#include "mainwindow/ButtonIcons.h"
#include "mainwindow/TFErrores.h"
#include "mainwindow/TFFinal.h"
#include "platform/Directory.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "ui/BusyGuard.h"
#include "ui/CheckBox.h"
#include "ui/Named.h"
#include "ui/ProgressCyl.h"
#include "ui/RadioGroup.h"
#include "ui/SlotBarrier.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sorvane {

TFPrincipal* FPrincipal = nullptr;

namespace {

constexpr int kDirectoryColumns = 15;

QString Q(const std::string& utf8) {
    return QString::fromStdString(text::AsUtf8(utf8));
}

} // namespace

QString TituloAplicacion() {
    return Q(NombrePrograma + " " + VersionPrograma);
}

TFPrincipal::TFPrincipal(QWidget* parent) : QMainWindow(parent) {
    setObjectName("FPrincipal");
    setWindowTitle(Q(NombrePrograma));
    resize(980, 640);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);
    PCMain = Named<QTabWidget>("PCMain", central);
    layout->addWidget(PCMain, 1);
    PBPrincipal = Named<QProgressBar>("PBPrincipal", central);
    PBPrincipal->setTextVisible(false);
    PBPrincipal->setMaximumHeight(10);
    layout->addWidget(PBPrincipal);
    SBPrincipal = Named<TStatusBar>("SBPrincipal", central);
    SBPrincipal->SetPanelCount(2);
    SBPrincipal->Panels(0).SetWidth(160);
    layout->addWidget(SBPrincipal);
    setCentralWidget(central);

    BuildCatalogPage();
    BuildOtherPages();
    FillImageList();
    ConnectHandlers();
}

TFPrincipal::~TFPrincipal() = default;

QToolButton* TFPrincipal::Boton(const char* name, QWidget* parent, QIcon icon, bool placed) {
    auto* button = Named<QToolButton>(name, parent);
    button->setAutoRaise(true);
    button->setIconSize(kToolIconSize);
    // Never squeezed below its picture by a narrow panel.
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (!icon.isNull()) button->setIcon(icon);
    if (!placed && parent->layout()) parent->layout()->addWidget(button);
    return button;
}

TCheckBox* TFPrincipal::Casilla(const char* name, QGroupBox* group) {
    auto* box = Named<TCheckBox>(name, group);
    // A grid of a group lays its boxes out in two rows; other layouts in a line.
    if (auto* grid = qobject_cast<QGridLayout*>(group->layout())) {
        const int index = grid->count();
        grid->addWidget(box, index % 2, index / 2);
    } else {
        group->layout()->addWidget(box);
    }
    return box;
}

void TFPrincipal::BuildCatalogPage() {
    TSCatalogos = new QWidget;
    TSCatalogos->setObjectName("TSCatalogos");
    PCMain->addTab(TSCatalogos, "Catalogues");
    auto* layout = new QHBoxLayout(TSCatalogos);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Horizontal, TSCatalogos);
    layout->addWidget(splitter);
    PCatalogosArbol = Named<QWidget>("PCatalogosArbol", splitter);
    PCatalogosArbol->setMinimumWidth(180);
    PCatalogosFicheros = Named<QWidget>("PCatalogosFicheros", splitter);
    splitter->setStretchFactor(1, 1);
    BuildTreeSide(PCatalogosArbol);
    BuildFileSide(PCatalogosFicheros);
    // The splitter never makes the tree side narrower than its buttons.
    PCatalogosArbol->setMinimumWidth(std::max(180, PCatalogosArbol->minimumSizeHint().width()));
}

void TFPrincipal::BuildTreeSide(QWidget* side) {
    const auto* style = QApplication::style();
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QWidget(side);
    buttons->setObjectName("PArbolBotones");
    auto* buttonsLayout = new QHBoxLayout(buttons);
    buttonsLayout->setContentsMargins(0, 0, 0, 0);
    GBNuevo = Named<QGroupBox>("GBNuevo", buttons);
    GBNuevo->setLayout(new QHBoxLayout);
    SBNuevoDisco = Boton("SBNuevoDisco", GBNuevo, style->standardIcon(QStyle::SP_DriveHDIcon));
    SBNuevaCarpeta = Boton("SBNuevaCarpeta", GBNuevo, style->standardIcon(QStyle::SP_DirIcon));
    SBNuevaColeccion =
        Boton("SBNuevaColeccion", GBNuevo, style->standardIcon(QStyle::SP_FileDialogNewFolder));
    GBEdicion = Named<QGroupBox>("GBEdicion", buttons);
    SBRecatalogar =
        Boton("SBRecatalogar", GBEdicion, style->standardIcon(QStyle::SP_BrowserReload));
    SBCortarCatalogo = Boton("SBCortarCatalogo", GBEdicion, IconoTema("edit-cut", Glyph::Cut));
    SBPegarCatalogo = Boton("SBPegarCatalogo", GBEdicion, IconoTema("edit-paste", Glyph::Paste));
    SBPegarCatalogo1 = Boton("SBPegarCatalogo1", GBEdicion, IconoPropio(Glyph::PasteTop));
    SBEliminar = Boton("SBEliminar", GBEdicion, style->standardIcon(QStyle::SP_TrashIcon));
    SBCambiar = Boton("SBCambiar", GBEdicion, style->standardIcon(QStyle::SP_FileDialogInfoView));
    SBEscribeArbol =
        Boton("SBEscribeArbol", GBEdicion, style->standardIcon(QStyle::SP_FileDialogListView));
    SBImprimirCatalogo =
        Boton("SBImprimirCatalogo", GBEdicion, IconoTema("document-print", Glyph::Print));
    SBExportaCatalogo =
        Boton("SBExportaCatalogo", GBEdicion, style->standardIcon(QStyle::SP_DialogSaveButton));
    // Nine buttons in two rows, so the tree side stays narrow without squeezing them.
    auto* editLayout = new QGridLayout(GBEdicion);
    QToolButton* const editButtons[] = {SBRecatalogar,    SBCortarCatalogo,   SBPegarCatalogo,
                                        SBPegarCatalogo1, SBEliminar,         SBCambiar,
                                        SBEscribeArbol,   SBImprimirCatalogo, SBExportaCatalogo};
    for (int i = 0; i < static_cast<int>(std::size(editButtons)); ++i)
        editLayout->addWidget(editButtons[i], i / 5, i % 5);
    for (QGroupBox* group : {GBNuevo, GBEdicion})
        group->layout()->setSpacing(2);
    buttonsLayout->addWidget(GBNuevo);
    buttonsLayout->addWidget(GBEdicion, 1);
    layout->addWidget(buttons);

    Arbol = Named<QTreeWidget>("Arbol", side);
    Arbol->setHeaderHidden(true);
    Arbol->setColumnCount(1);
    layout->addWidget(Arbol, 1);

    auto* bottom = new QWidget(side);
    bottom->setObjectName("PArbolAbajo");
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    SBArbol = Named<TStatusBar>("SBArbol", bottom);
    SBArbol->SetPanelCount(1);
    bottomLayout->addWidget(SBArbol);
    PArbolAbajoBarra = Named<QWidget>("PArbolAbajoBarra", bottom);
    auto* gaugeLayout = new QHBoxLayout(PArbolAbajoBarra);
    gaugeLayout->setContentsMargins(0, 0, 0, 0);
    PArbolAbajoBarraFree = Named<QLabel>("PArbolAbajoBarraFree", PArbolAbajoBarra);
    PArbolAbajoBarraFree->setMinimumWidth(80);
    PArbolAbajoBarraFree->setAlignment(Qt::AlignCenter);
    gaugeLayout->addWidget(PArbolAbajoBarraFree);
    bottomLayout->addWidget(PArbolAbajoBarra);
    layout->addWidget(bottom);
}

void TFPrincipal::BuildFileSide(QWidget* side) {
    const auto* style = QApplication::style();
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* panel = new QWidget(side);
    panel->setObjectName("PDirectorioBotones");
    // Two rows, so the captions of the column boxes never make the window wide:
    // the buttons and the collector above, the column groups below.
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* panelLayout = new QHBoxLayout;
    auto* columnsLayout = new QHBoxLayout;
    rows->addLayout(panelLayout);
    rows->addLayout(columnsLayout);
    auto* actions = new QWidget(panel);
    actions->setLayout(new QHBoxLayout);
    actions->layout()->setContentsMargins(0, 0, 0, 0);
    BBColumnas = Boton("BBColumnas", actions,
                       IconoTema("zoom-fit-best", QStyle::SP_ToolBarHorizontalExtensionButton));
    SBAbrirNotepad =
        Boton("SBAbrirNotepad", actions, IconoTema("accessories-text-editor", QStyle::SP_FileIcon));
    SBAbrirSistema =
        Boton("SBAbrirSistema", actions, style->standardIcon(QStyle::SP_DialogOpenButton));
    SBDescripcion = Boton("SBDescripcion", actions,
                          IconoTema("document-properties", QStyle::SP_FileDialogInfoView));
    SBAnidados =
        Boton("SBAnidados", actions, style->standardIcon(QStyle::SP_FileDialogContentsView));
    SBPadre = Boton("SBPadre", actions, style->standardIcon(QStyle::SP_FileDialogToParent));
    SBEncolarWinAmp = Boton("SBEncolarWinAmp", actions, style->standardIcon(QStyle::SP_MediaPlay));
    SBImprimirDirectorio =
        Boton("SBImprimirDirectorio", actions, IconoTema("document-print", Glyph::Print));
    SBAyudaCat = Boton("SBAyudaCat", actions, style->standardIcon(QStyle::SP_DialogHelpButton));
    SBAbrirExplorador =
        Boton("SBAbrirExplorador", actions, style->standardIcon(QStyle::SP_DirOpenIcon));
    SBAbrirCon = Boton("SBAbrirCon", actions, IconoTema("document-open", QStyle::SP_FileLinkIcon));
    panelLayout->addWidget(actions);

    // Column groups lay their boxes out in two rows.
    const auto group = [&](const char* name) {
        auto* box = Named<QGroupBox>(name, panel);
        box->setLayout(new QGridLayout);
        columnsLayout->addWidget(box);
        return box;
    };
    GBVerColumna = group("GBVerColumna");
    CBVerDescripcion = Casilla("CBVerDescripcion", GBVerColumna);
    CBVerCreado = Casilla("CBVerCreado", GBVerColumna);
    CBVerExtension = Casilla("CBVerExtension", GBVerColumna);
    CBVerAtributos = Casilla("CBVerAtributos", GBVerColumna);
    CBVerTamano = Casilla("CBVerTamano", GBVerColumna);
    CBVerModificado = Casilla("CBVerModificado", GBVerColumna);
    GBVerHora = group("GBVerHora");
    CBVerHoraModificado = Casilla("CBVerHoraModificado", GBVerHora);
    CBVerHoraCreado = Casilla("CBVerHoraCreado", GBVerHora);
    GBVerMultimedia = group("GBVerMultimedia");
    CBVerResolucion = Casilla("CBVerResolucion", GBVerMultimedia);
    CBVerPista = Casilla("CBVerPista", GBVerMultimedia);
    CBVerGenero = Casilla("CBVerGenero", GBVerMultimedia);
    CBVerCalidad = Casilla("CBVerCalidad", GBVerMultimedia);
    CBVerCanales = Casilla("CBVerCanales", GBVerMultimedia);
    CBVerAno = Casilla("CBVerAno", GBVerMultimedia);
    columnsLayout->addStretch();
    GBColectorDirectorio = Named<QGroupBox>("GBColectorDirectorio", panel);
    GBColectorDirectorio->setLayout(new QHBoxLayout);
    panelLayout->addWidget(GBColectorDirectorio);
    SBAbrirColector =
        Boton("SBAbrirColector", GBColectorDirectorio, IconoTema("folder", QStyle::SP_DirIcon));
    SBAddColector = Boton("SBAddColector", GBColectorDirectorio,
                          IconoTema("list-add", QStyle::SP_FileDialogNewFolder));
    LColectorFicherosNumero = Named<QLabel>("LColectorFicherosNumero", GBColectorDirectorio,
                                            GBColectorDirectorio->layout());
    LColectorSize =
        Named<QLabel>("LColectorSize", GBColectorDirectorio, GBColectorDirectorio->layout());
    panelLayout->addStretch();
    layout->addWidget(panel);

    SGDirectorio = Named<TStringGrid>("SGDirectorio", side);
    SGDirectorio->SetColCount(kDirectoryColumns);
    SGDirectorio->SetRowCount(2);
    SGDirectorio->SetColWidths(0, 0);
    SGDirectorio->SetHorizontalLines(false);
    SGDirectorio->SetVerticalLines(false);
    layout->addWidget(SGDirectorio, 1);
}

void TFPrincipal::BuildOtherPages() {
    BuildSearchPage();

    BuildExtractPage();

    BuildConfigPage();
    BuildAboutPage();
}

void TFPrincipal::FillImageList() {
    const auto* style = QApplication::style();
    const auto icon = [&](const char* theme, QStyle::StandardPixmap fallback) {
        return QIcon::fromTheme(theme, style->standardIcon(fallback));
    };
    QIcon closedFolder = style->standardIcon(QStyle::SP_DirClosedIcon);
    closedFolder.addPixmap(style->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16), QIcon::Selected);
    ILIconos = {
        style->standardIcon(QStyle::SP_DirOpenIcon),              // 0 open folder
        icon("folder-documents", QStyle::SP_DirLinkIcon),         // 1 collection
        icon("media-optical-audio", QStyle::SP_MediaVolume),      // 2 audio CD
        icon("media-optical", QStyle::SP_DriveCDIcon),            // 3 CD-ROM
        icon("media-optical-recordable", QStyle::SP_DriveCDIcon), // 4 CD-RW
        icon("media-floppy", QStyle::SP_DriveFDIcon),             // 5 floppy
        icon("media-floppy", QStyle::SP_DriveFDIcon),             // 6 LS-120
        icon("media-optical-dvd", QStyle::SP_DriveDVDIcon),       // 7 DVD
        icon("media-optical-dvd", QStyle::SP_DriveDVDIcon),       // 8 DVD-RW
        icon("drive-harddisk", QStyle::SP_DriveHDIcon),           // 9 hard disk
        icon("network-server", QStyle::SP_DriveNetIcon),          // 10 network drive
        icon("drive-removable-media", QStyle::SP_DriveFDIcon),    // 11 Zip
        icon("drive-removable-media", QStyle::SP_DriveFDIcon),    // 12 Jaz
        icon("media-optical", QStyle::SP_DriveCDIcon),            // 13 magneto-optical
        icon("folder", QStyle::SP_DirIcon),                       // 14 folder catalogue
        icon("drive-removable-media", QStyle::SP_DriveHDIcon),    // 15 other
        closedFolder,                                             // 16 closed folder
    };
}

void TFPrincipal::ConnectHandlers() {
    connect(PCMain, &QTabWidget::currentChanged, this, [this](int index) {
        Guarded([&] {
            if (BusyFlag) {
                // A page change is refused while a long operation runs.
                const QSignalBlocker block(PCMain);
                PCMain->setCurrentIndex(currentPage_);
                return;
            }
            currentPage_ = index;
            PCMainChange();
        });
    });
    connect(Arbol, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                Guarded([&] { GuardedTreeChange(current, previous); });
            });
    SGDirectorio->OnSelectCell = [this](int, int row) {
        if (!BusyFlag) ActivaBotonesDirectorio(row);
    };
    SGDirectorio->OnMouseDown = [this](const TGridMouseEvent& e) {
        MouseDownX = e.x;
        MouseDownY = e.y;
        PopupOnSelection = e.button == Qt::RightButton && e.row == SGDirectorio->Row() &&
                           e.col == SGDirectorio->Col() && e.col >= 0 && e.col <= 2;
        HeaderSortDone = false;
    };
    SGDirectorio->OnDblClick = [this](const TGridMouseEvent&) { SGDirectorioDblClick(); };
    SGDirectorio->OnKeyUp = [this](int key, Qt::KeyboardModifiers) { SGDirectorioKeyUp(key); };
    connect(SBDescripcion, &QToolButton::clicked, this,
            [this] { Guarded([this] { BBDescripcionClick(); }); });
    SGDirectorio->OnDrawCell = [this](int col, int row, QPainter& painter, const QRect& rect,
                                      bool focused) {
        return DibujaCelda(col, row, painter, rect, focused);
    };
    connect(SBNuevoDisco, &QToolButton::clicked, this,
            [this] { Guarded([this] { BBNuevoDiscoClick(); }); });
    connect(SBNuevaCarpeta, &QToolButton::clicked, this,
            [this] { Guarded([this] { BBNuevaCarpetaClick(); }); });
    connect(SBNuevaColeccion, &QToolButton::clicked, this,
            [this] { Guarded([this] { BBNuevaColeccionClick(); }); });
    connect(SBCambiar, &QToolButton::clicked, this,
            [this] { Guarded([this] { BBCambiarClick(); }); });
    connect(SBPadre, &QToolButton::clicked, this, [this] { Guarded([this] { BBPadreClick(); }); });
    connect(SBAnidados, &QToolButton::clicked, this,
            [this] { Guarded([this] { BBAnidadosClick(); }); });
    connect(BBColumnas, &QToolButton::clicked, this,
            [this] { Guarded([this] { BBColumnasClick(); }); });
    for (TCheckBox* box :
         {CBVerDescripcion, CBVerCreado, CBVerExtension, CBVerAtributos, CBVerTamano,
          CBVerModificado, CBVerHoraModificado, CBVerHoraCreado, CBVerResolucion, CBVerPista,
          CBVerGenero, CBVerCalidad, CBVerCanales, CBVerAno})
        box->OnClick = [this, box] { CBVerColumnaClick(box); };
    ConnectConfigHandlers();
    ConnectSearchHandlers();
    ConnectSortHandlers();
    ConnectOpenHandlers();
    ConnectOperationHandlers();
    ConnectReportHandlers();
    ConnectMenuHandlers();
    ConnectCollectorHandlers();
}

void TFPrincipal::GuardedTreeChange(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (BusyFlag) {
        // The tree selection cannot change while a long operation runs.
        const QSignalBlocker block(Arbol);
        Arbol->setCurrentItem(previous);
        return;
    }
    ArbolChange(current);
}

void TFPrincipal::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormActivate();
}

void TFPrincipal::closeEvent(QCloseEvent* event) {
    bool accept = false;
    Guarded([&] { accept = FormCloseQuery(); });
    if (!accept) {
        event->ignore();
        return;
    }
    Guarded([&] { FormClose(); });
    event->accept();
}

void TFPrincipal::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Guarded([this] { FormResize(); });
}

void TFPrincipal::FormResize() {
    if (SBXBuscarDatos == nullptr) return; // still being built
    if (width() - 10 < PCatalogosArbol->width())
        PCatalogosArbol->resize(PCatalogosArbol->minimumWidth(), PCatalogosArbol->height());
    CBAvanzadaClick();
    CentraAnimacion();
}

void TFPrincipal::MuestraMensaje(const std::string& text) {
    FMensajes->LMensaje->setText(Q(text));
    MuestraModal(*FMensajes);
}

std::string TFPrincipal::HostPath(const std::string& relative) const {
    return BaseFolder + relative;
}

void TFPrincipal::FormActivate() {
    if (startupDone_ || startupFailed_) return;
    {
        TBusyGuard busy(BusyFlag);
        BaseFolder = CurrentDirectory() + "/";
        ProgramFolder =
            ProgramFolderOverride.empty() ? ExecutableFolder() + "/" : ProgramFolderOverride;
        ScanBuffer.Clear();
        LanguageDefaultText() = "File Language Error";
        if (!FileExists(ProgramFolder + "english.ini")) {
            startupFailed_ = true;
            MensajeSistema("Fatal error. English.ini not found.");
            close();
            QCoreApplication::exit(1);
            return;
        }
        AbreIdioma(ProgramFolder + "english.ini");
        // The date formats first: the reset sizes the date columns by them.
        const QLocale locale = QLocale::system();
        DateFormat = locale.dateFormat(QLocale::ShortFormat);
        DateTimeFormat = DateFormat + " " + locale.timeFormat(QLocale::LongFormat);
        ResetConfiguracion();
        ArrancaConfiguracion();
        RGIdiomaClick();
        InternalErrorWord() = LeeTexto("W", "ERROR_INTERNO");
        ErrorWord = LeeTexto("W", "ERROR");
        WarningWord = LeeTexto("W", "AVISO");
        AplicaLineasRejillas();
        LColectorSize->clear();
        LColectorSizeBuscar->clear();
        if (FColector != nullptr) FColector->LColectorSize->clear();
        Lectores = std::make_unique<MediaReaders>();

        DiskGauge = Named<TProgressCyl>("DiskGauge", PArbolAbajoBarra);
        DiskGauge->SetColor(TPCColor::System(QPalette::Button));
        DiskGauge->SetForeColor(QColor(0, 0, 255));
        DiskGauge->SetBackColor(QColor(255, 0, 255));
        DiskGauge->SetFontShadowColor(QColor(Qt::black));
        DiskGauge->SetFontColor(QColor(255, 255, 0));
        DiskGauge->SetBevelInner(TPCBevel::None);
        DiskGauge->SetBevelOuter(TPCBevel::None);
        DiskGauge->SetProEffect(TProEffect::peCustom);
        DiskGauge->resize(100, 20);
        DiskGauge->setMinimumSize(100, 20);
        PArbolAbajoBarra->layout()->addWidget(DiskGauge);
        DiskGauge->SetRange(0, 100);
        DiskGauge->SetPosition(0);

        StopFlag = false;
        PCMain->setCurrentWidget(TSCatalogos);
        const std::string loading =
            LeeTexto("W", "CARGANDO") + " " + TituloAplicacion().toStdString() + "...";
        SBPrincipal->Panels(1).SetText(loading);
        TotalEntryCount = 0;
        CurrentFolderPath.clear();
        CutPath.clear();
        CutNode = nullptr;
        SBAnidados->setEnabled(false);

        FFinal->LMensaje->setText(Q(LeeTexto("M", "M_CARGANDO_MEMORIA")));
        FFinal->setWindowTitle(Q(CapitalizeFirst(loading)));
        FFinal->PBFinal->setRange(0, 0);
        FFinal->PBFinal->setValue(0);
        FFinal->show();

        CatalogueCount = 0;
        CuentaCatalogos("");
        FFinal->PBFinal->setRange(0, static_cast<int>(CatalogueCount));
        CatalogueCount = 0;

        Arbol->hide();
        Arbol->setUpdatesEnabled(false);
        try {
            CargaArbol("", nullptr);
        } catch (...) {
            Arbol->setUpdatesEnabled(true);
            Arbol->show();
            FFinal->hide();
            throw;
        }
        Arbol->collapseAll();
        OrdenaArbol();
        Arbol->setUpdatesEnabled(true);
        Arbol->show();
        ActualizaContadores();
        FFinal->hide();
    }
    startupDone_ = true;
    SBPrincipal->Panels(1).SetText("");
    ActivaBotonesArbol(nullptr);
    ActivaBotonesDirectorio(0);
    Arbol->setFocus();
    if (!CBTipsComienzo->Checked()) MuestraTips(this, *CBTipsComienzo);
}

bool TFPrincipal::FormCloseQuery() {
    if (BusyFlag) return false;
    if (!startupDone_) return true;
    return PreguntaSiNo(Q(CapitalizeFirst(LeeTexto("W", "DESCARGANDO")) + "..."),
                        Q(LeeTexto("M", "M_SALIR_PROGRAMA")));
}

void TFPrincipal::FormClose() {
    if (closing_ || !startupDone_) return;
    closing_ = true;
    const std::string unloading = CapitalizeFirst(LeeTexto("W", "DESCARGANDO")) + "...";
    SBPrincipal->Panels(1).SetText(unloading);
    FFinal->LMensaje->setText(Q(LeeTexto("M", "M_LIBERANDO_MEMORIA")));
    FFinal->setWindowTitle(Q(unloading));
    FFinal->PBFinal->setRange(
        0, static_cast<int>(std::max<long long>(1, std::llabs(CatalogueCount - 1))));
    FFinal->PBFinal->setValue(0);
    FFinal->show();
    for (QTreeWidgetItemIterator it(Arbol); *it; ++it) {
        TNodoArbol* node = AsNodo(*it);
        if (node->Kind() != NodeKind::Catalogue) continue;
        FFinal->LProgreso->setText(node->text(0));
        node->FreeLines();
        FFinal->PBFinal->setValue(FFinal->PBFinal->value() + 1);
    }
    FFinal->hide();
    Lectores.reset();
    // A save that fails is reported with its reason; the close goes on.
    Guarded([this] {
        try {
            GuardaConfiguracion();
        } catch (const EInOutError& e) {
            MuestraMensaje(LeeTexto("M", "M_ERROR_GUARDAR_CONFIGURACION") + " " + e.what());
        }
    });
    ScanBuffer.Clear();
}

void TFPrincipal::PCMainChange() {
    if (PCMain->currentWidget() != TSBuscar) return;
    BBuscar->setEnabled(true);
    QTreeWidgetItem* node = Arbol->currentItem();
    CBSoloCat->setEnabled(EsCatalogo(node));
    if (!EsCatalogo(node)) CBSoloCat->SetChecked(false);
    CBSoloCol->setEnabled(EsColeccion(node));
    if (!EsColeccion(node)) CBSoloCol->SetChecked(false);
    EBuscar->setFocus();
}

void TFPrincipal::ActualizaContadores() {
    SBPrincipal->Panels(0).SetText(FormatThousands(TotalEntryCount) + ":" +
                                   FormatThousands(CatalogueCount));
}

int TFPrincipal::ObtieneTamanoCluster(const QString& text) {
    // "4096 bytes (4k)": an item ending in a parenthesised size gives the count at its start.
    if (!text.endsWith(')')) return 512;
    bool ok = false;
    const int bytes = text.section(' ', 0, 0).toInt(&ok);
    return ok ? bytes : 512;
}

void TFPrincipal::CargaIdioma() {
    NombrePrograma = "Sorvane";
    VersionPrograma = "2.22";
    static constexpr const char* kLanguageFiles[] = {"english.ini", "spanish.ini"};
    const int index = RGIdioma->ItemIndex() == 1 ? 1 : 0;
    AbreIdioma(ProgramFolder + kLanguageFiles[index]);
    // The windows in the order their texts are written (dialogs/LanguageBindings.cpp).
    QWidget* const windows[] = {this,
                                FColector,
                                FColectorMensaje,
                                FCrearDisco,
                                FCrearCarpeta,
                                FCrearColeccion,
                                FSelectFolder,
                                FCambiarCatalogo,
                                FCambiarDescripcion,
                                FCambiarColeccion,
                                FErrores,
                                FMensajes,
                                FFinal};
    AplicaTextos(windows);
    AsignaTitulosDirectorio();
    AsignaTitulosResultados();
    AsignaTitulosAnidados();
    AsignaTitulosColector();
    // The search criteria need other widths in another language.
    ColocaCriterios();
}

void TFPrincipal::AsignaTitulosDirectorio() {
    for (int col = 1; col <= 14; ++col)
        SGDirectorio->SetCells(col, 0, LeeTextoCapital("W", kTitulosDirectorio[col]) + "       ");
    SGDirectorio->SetColWidths(0, 0);
}

void TFPrincipal::AsignaTitulosAnidados() {
    if (FAnidados == nullptr) return;
    TStringGrid& grid = *FAnidados->SGAnidados;
    for (int col = 1; col <= 5; ++col)
        grid.SetCells(col, 0, LeeTextoCapital("W", TFAnidados::kTitulos[col]) + "       ");
    grid.SetColWidths(0, 0);
}

} // namespace sorvane
