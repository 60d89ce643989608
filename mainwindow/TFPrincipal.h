// The main window: its five pages, the catalogue tree and the directory grid,
// the shared state the other windows read, and the start-up and shut-down work.
#pragma once

#include "catalogue/format/CatalogueLines.h"
#include "catalogue/format/DateText.h"
#include "catalogue/format/LineBuilders.h"
#include "mainwindow/CataloguingHost.h"
#include "mainwindow/DialogHost.h"
#include "mainwindow/Matchers.h"
#include "mainwindow/SearchEngine.h"
#include "mainwindow/SettingsView.h"
#include "mainwindow/TreeNode.h"
#include "platform/DateTime.h"

#include <QIcon>
#include <QMainWindow>
#include <QScrollArea>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QMenu;
class QProgressBar;
class QRadioButton;
class QSpinBox;
class QPushButton;
class QTabWidget;
class QTreeView;
class QFileSystemModel;
class QToolButton;
class QTreeWidget;
class QWidget;

namespace sorvane {

struct CatalogueRead;
struct MediaReaders;
struct TArxonReaders;
class TCheckBox;
class TProgressCyl;
class TRadioGroup;
class TStatusBar;
class TStringGrid;
class TUnBase;
enum TOverwriteMode : std::uint8_t;
class TUnCab;
class TUnZip;
class TUnTar;
class TUnGZip;
class TUnACE;
class TUnRar;
class TUnArc;
class TUnARJ;
class TUnZoo;
class TZipCommon;
struct TGridMouseEvent;

// True for the rows of a collection listing: its collections and catalogues.
inline bool EsFilaListado(int kind) {
    return kind == kRowCollection || kind == kRowCatalogue;
}

// The section "W" keys of the column titles of the directory grid (columns
// 1-14) and of the result grid (columns 1-17); column 0 has none.
inline constexpr const char* kTitulosDirectorio[15] = {
    nullptr,   "DESC",      "NOMBRE",    "TAMANO",   "MODIFICADO",
    "CREADO",  "ATRIBUTOS", "EXTENSION", "DURACION", "RESOLUCION",
    "CALIDAD", "CANALES",   "ANO",       "PISTA",    "GENERO"};
inline constexpr const char* kTitulosResultados[18] = {
    nullptr,      "COLECCION",  "CATALOGO", "CARPETA",   "DESC",      "NOMBRE",
    "TAMANO",     "MODIFICADO", "CREADO",   "ATRIBUTOS", "EXTENSION", "DURACION",
    "RESOLUCION", "CALIDAD",    "CANALES",  "ANO",       "PISTA",     "GENERO"};

class TFPrincipal : public QMainWindow,
                    public CataloguingHost,
                    public DialogHost,
                    public SettingsView {
    Q_OBJECT

public:
    explicit TFPrincipal(QWidget* parent = nullptr);
    ~TFPrincipal() override;

    // The doors the cataloguing windows and the dialogs come in by
    // (TFPrincipalHost.cpp): the host over the shared state below, the view
    // over the configuration page.
    const SettingsView& Ajustes() const override { return *this; }
    bool Ocupado() const override { return BusyFlag; }
    void PonOcupado(bool busy) override { BusyFlag = busy; }
    const std::string& ModoCatalogo() const override { return CatalogueRunMode; }
    CatalogueLines& LineasEscaneo() override { return ScanBuffer; }
    void RangoProgreso(int maximum) override;
    void Progreso(int value) override;
    void ProgresoAlPrincipio() override;
    void ProgresoAlFinal() override;
    void Estado(const std::string& text) override;
    void AnotaError(std::string_view line) override;
    void LimpiaErrores() override;
    int NumeroErrores() const override;
    void MuestraErrores() override;
    MediaReaders& LectoresMedios() override;
    const std::string& CarpetaRaiz() const override { return BaseFolder; }
    const std::string& RutaColeccion() const override { return CollectionPath; }
    const std::string& FicheroRecatalogo() const override { return RecatalogueFile; }
    void CargaCatalogoNuevo(const std::string& path) override;
    const std::string& CarpetaElegida() const override { return SelectedFolder; }
    void PonCarpetaElegida(const std::string& folder) override { SelectedFolder = folder; }
    void PonBytesCarpeta(std::uint64_t bytes) override { FolderScanBytes = bytes; }
    void TotalesColector(const std::string& files, const std::string& size) override;
    std::optional<std::string> CabeceraCatalogo(const std::string& name) const override;
    void PulsacionRejilla(int x, int y) override;
    void OrdenaRejilla(TStringGrid& grid, int column, ClaveRejilla key,
                       const std::function<void()>& titles) override;
    void OrdenaRejilla(TStringGrid& grid, int column, ClaveRejilla key,
                       const std::function<void()>& titles, QLabel* info) override;
    QTreeWidget& ArbolCatalogos() override { return *Arbol; }
    const std::vector<QIcon>& IconosArbol() const override { return ILIconos; }
    TStringGrid& RejillaDirectorio() override { return *SGDirectorio; }
    TStatusBar& BarraEstado() override { return *SBPrincipal; }
    QProgressBar& BarraProgreso() override { return *PBPrincipal; }
    TNodoArbol* NodoCatalogoActual() const override { return CurrentCatalogueNode; }
    long long LineaCarpetaActual() const override { return CurrentLineIndex; }
    const std::string& RutaCarpetaActual() const override { return CurrentFolderPath; }
    std::uint32_t ColorMultimedia(MediaKind kind) const override;
    LineasRejilla Lineas(RejillaConLineas grid) const override;
    int TamanoCluster() const override;
    bool AnimacionCrearDisco() const override;
    bool AnimacionCrearCarpeta() const override;
    bool SinNumeroSerie() const override;
    bool MostrarErroresCatalogo() const override;

    // Life cycle.
    void FormActivate();
    bool FormCloseQuery();
    void FormClose();
    bool StartupDone() const { return startupDone_; }
    bool StartupFailed() const { return startupFailed_; }
    void PCMainChange();
    void ActualizaContadores() override;
    static int ObtieneTamanoCluster(const QString& text);
    void MuestraMensaje(const std::string& text) override;
    void ResetConfiguracion();
    // The settings file (TFPrincipalAjustes.cpp): every option, column width and
    // the window's place read into the controls, or written from them. The load
    // throws for a required key that is absent or a number that is none.
    void CargaConfiguracion();
    void GuardaConfiguracion();
    // Where the settings file is: SettingsPathOverride when set (tests), else
    // beside the program when its folder can be written, else under the user's
    // configuration folder. Decided at start-up.
    std::string SettingsPath;
    std::string SettingsPathOverride;
    // The default row height of the grids for a screen of `dpi` logical dots
    // per inch; `current` when the density is beyond the table.
    static int AltoFilaPorDpi(int dpi, int current);
    // The eight grid-line boxes applied to their four grids.
    void AplicaLineasRejillas();
    // The tips window, from the configuration page.
    void BBTipsClick();
    void CargaIdioma();
    void AsignaTitulosDirectorio();
    // The titles of the nested-entries grid (TFAnidados).
    void AsignaTitulosAnidados() override;
    // The titles of the collector grid (TFColector), columns 1-17.
    void AsignaTitulosColector() override;

    // The collector (TFPrincipalColector.cpp). Shows the collector window.
    void SBAbrirColectorClick();
    // Adds the current row of the directory grid, or of the result grid, to
    // the collector with its counts of files, bytes and folders.
    void SBAddColectorClick();
    void SBAddColectorBuscarClick();
    // True when the entry `name` of folder `folder` of catalogue `catalogue` is
    // in the collector already: the same row, or inside a collected folder of
    // that catalogue; then [M] M_COL_ITEMYAESTA.
    bool EstaEnColector(std::string_view catalogue, std::string_view folder, std::string_view name);
    // The first catalogue node in tree order whose text is `name`; null when none.
    QTreeWidgetItem* BuscaCatalogo(const QString& name) const;

    // Tree.
    bool EsColeccion(QTreeWidgetItem* node) const override;
    bool EsCatalogo(QTreeWidgetItem* node) const override;
    bool EstaDesplegado(QTreeWidgetItem* node) const;
    static bool EsLineaFichero(std::string_view line);
    void AsignaIconoDisco(QTreeWidgetItem* node, char code) override;
    void MarcaTipoDisco(std::string_view header, TRadioGroup& group) const override;
    void CuentaCatalogos(const std::string& folder);
    void CargaArbol(const std::string& folder, QTreeWidgetItem* parent);
    TNodoArbol* CargaFichero(const std::string& path, QTreeWidgetItem* collection);
    // The same for a file already read (on a worker thread of the start-up load).
    TNodoArbol* CargaFichero(const std::string& path, QTreeWidgetItem* collection,
                             CatalogueRead read);
    // Two copies of the program on one root: true when the file of the
    // catalogue node `node` is as it was read or last written here, so that a
    // write of it loses no one's change. Otherwise nothing may be written: the
    // user is told that the file (named) was changed on disk since it was
    // loaded, and asked whether to load it again (RecargaCatalogo on yes); false.
    // A file that is not there at all counts as unchanged: the write reports it.
    bool CatalogoIntacto(QTreeWidgetItem* node) override;
    // Takes the identity of the node's file after a write of our own.
    void RecuerdaIdentidad(QTreeWidgetItem* node) override;
    // Reads the node's file again into the same node: its folders are folded
    // and, when the grid showed the catalogue, it lists its root again. A file
    // that no longer loads is reported and the node keeps its lines.
    void RecargaCatalogo(QTreeWidgetItem* node);
    void ActivaBotonesArbol(QTreeWidgetItem* node);
    static std::string GetNodePath(QTreeWidgetItem* node);
    // The host folder of a collection node, or the host file of a catalogue
    // node: the catalogue root and the names on disk down to it, joined by "/",
    // with no "/" at the end; the root itself (without its "/") for no node.
    std::string CarpetaDeNodo(QTreeWidgetItem* node) const override;
    // The host path of a catalogue node's file: its collection's folder and the
    // file name it was loaded from.
    std::string FicheroDeCatalogo(QTreeWidgetItem* node) const override;
    // The name on disk of a collection's folder or a catalogue's file: the name
    // it was read from while the node still shows it (so "Disk.TCT" or a name
    // that is not UTF-8 stays that file), else the node text, with ".tct" for a
    // catalogue.
    std::string NombreEnDisco(QTreeWidgetItem* node) const;
    bool EsDescendiente(QTreeWidgetItem* ancestor, QTreeWidgetItem* node) const override;
    void OrdenaArbol() override;

    // Directory grid.
    void ArbolChange(QTreeWidgetItem* node) override;
    void ActivaBotonesDirectorio(int row);
    void SGDirectorioDblClick();
    // The nested-entries window for the current row, when that row is a file of
    // a shown catalogue.
    void BBAnidadosClick();
    // F2 on the grid: the description editor for the current row.
    void SGDirectorioKeyUp(int key);
    // The description editor for the current row of a shown catalogue's folder
    // or file; nothing while busy or for any other row.
    void BBDescripcionClick();
    void BBPadreClick();
    void BBColumnasClick();
    int CentroColumna(int column) const;
    // The width a column of `grid` gets for a wanted width `wanted` (0 hides
    // it and stays 0): at least the width of its title (section "W" key
    // `titleKey`) in the current language and in both shipped language files,
    // and of each of `samples`, so no title and no sample is ever cut.
    int AnchoColumna(const TStringGrid& grid, const char* titleKey, int wanted,
                     const std::vector<QString>& samples = {}) const;
    // The widest texts a size or a date column shows: a 13-digit size with
    // its separators, and dates with their year (and time) in every month.
    static QString TamanoDeMuestra();
    std::vector<QString> FechasDeMuestra(bool withTime) const;
    // AnchoColumna for a column of the directory grid, with its samples.
    int AnchoDirectorio(int column, int wanted) const;

    // Grid sorting (TFPrincipalOrden.cpp). Each key builder writes, for every
    // data row, the sort key of the row's cell in `column` into the hidden
    // column 0; the grids then sort by column 0 (SortGridByColumn).
    // The cell upper-cased and stripped of accents (PasaMayusculasSinTildes).
    void GeneraClaveTexto(TStringGrid& grid, int column) const;
    // The text key, with 20 blanks before a name ending in "\" (folders first).
    void GeneraClaveNombre(TStringGrid& grid, int column) const;
    // The cell's digits as a 64-bit number in twelve digits with leading zeros;
    // "0" for an empty cell, so it sorts before every number. More than twelve
    // digits (no catalogued size has them) count as 999,999,999,999.
    void GeneraClaveTamano(TStringGrid& grid, int column) const;
    // The cell read back as a date by DateTimeFormat or DateFormat, as days
    // since 30 December 1899 with ten decimals, zero-padded to 20 characters;
    // empty for an empty cell or one that is no date.
    void GeneraClaveFecha(TStringGrid& grid, int column) const;
    // "128k": the unit after the leading digits, then the digits in twelve places.
    void GeneraClaveCalidad(TStringGrid& grid, int column) const;
    // "44100 Hz", "640x480": the unit after the first blank, then the text
    // before the blank in twelve places.
    void GeneraClaveResolucion(TStringGrid& grid, int column) const;
    // The header click of the directory grid and of the result grid: a release
    // on a column title where the press was sorts the grid by that column,
    // ascending, or descending when the title already says "(asc)". The main
    // window as `sender` (the automatic sort after a listing) skips the test
    // that the mouse did not move and takes the column from the event as given.
    void SGDirectorioMouseUp(const QObject* sender, const TGridMouseEvent& event);
    // The tests every header click makes before its grid's own data test: not
    // the right button, on a title, where the press was (unless `fromWindow`),
    // and no long operation running.
    bool EsClickTitulo(const TStringGrid& grid, const TGridMouseEvent& event,
                       bool fromWindow) const override;
    using ClaveOrden = void (TFPrincipal::*)(TStringGrid&, int) const;
    // Sorts `grid` by `column` under BusyFlag: the keys of `keys` into column 0,
    // the titles rewritten by `titles`, then ascending, or the rows reversed
    // when the column's title said "(asc)", and the title marked. The sorting
    // message goes to SBPrincipal panel 1, or, for a grid with an info panel, to
    // `info` before the keys are built; either gets its text back afterwards.
    void OrdenaColumna(TStringGrid& grid, int column, ClaveOrden keys,
                       const std::function<void()>& titles, QLabel* info = nullptr);
    void SGResultadosMouseUp(const TGridMouseEvent& event);

    // A date as the grids show it: DateTimeFormat with the time, DateFormat without.
    QString TextoFecha(const DateTime& value, bool withTime) const;
    std::string TextoFechaUtf8(const DateTime& value, bool withTime) const override;
    void CBVerColumnaClick(TCheckBox* box);

    // Opening catalogued files on their mounted disk (TFPrincipalAbrir.cpp).
    // The host path of the entry `name` of a catalogue folder on the mounted disk:
    // `header` is line 0 of the catalogue's lines; `folder` its folder path as
    // CurrentFolderPath or a hit's folder column holds it ("\", "\a\b" or "\a\b\");
    // `name` the grid's name cell ("x.txt", or "sub\" for a folder, which gives a
    // path ending in "/"). The drive is the one carrying the header's serial
    // (BuscaUnidadPorSerie); a catalogue without serial ("0000-0000") uses the
    // drive letter recorded in its header, never a search by serial. When the catalogue has a
    // serial and no drive carries it: [M] M_DISCO_NOENCONTRADO + CR LF CR LF + catalogue name, and
    // nothing. The path is empty when the letter stands for no folder. The path is not checked for
    // existence (ExisteEnDisco does that).
    std::optional<std::string> RutaEnDisco(std::string_view header, std::string_view folder,
                                           std::string_view name);
    // True when `path` is an existing file or folder; else [M] M_FICHERO_NOENCONTRADO.
    bool ExisteEnDisco(const std::string& path);
    // The openers, each taking a host path (as RutaEnDisco gives). They start a
    // program detached and return true when it started; a program that cannot be
    // started is reported with the launcher's text; what it does afterwards is not
    // followed. The desktop's default program of the path (xdg-open):
    bool AbreConSistema(const std::string& path);
    // The desktop's text editor (the default application of text/plain) on the path.
    bool AbreConNotepad(const std::string& path);
    // The file manager on the path's folder part (up to and including its last "/").
    bool AbreExplorador(const std::string& path);
    // The "open with" chooser (TAbrirCon) of the path's type; false when cancelled.
    bool AbreCon(const std::string& path);
    // The audio player of EPathWinAmp with the arguments "/ADD" and the path;
    // [M] M_PATH_WINAMP_VACIO when the setting is blank, M_PATH_WINAMP_NOEXISTE
    // when no file of that name exists.
    bool EncolaReproductor(const std::string& path);
    // The shared click of the directory grid's open buttons: the current row's
    // entry on its disk, handed to the opener of `sender` (SBAbrirSistema,
    // SBAbrirNotepad, SBEncolarWinAmp, SBAbrirExplorador, SBAbrirCon).
    void SBAbrirTriple(QObject* sender) override;
    // Browse for the audio player into EPathWinAmp.
    void SBCargaWinAmpClick();

    // Text reports (TFPrincipalInformes.cpp). Each button builds its report in
    // ScanBuffer, saves it as RutaInforme() (UTF-8, CR LF, replacing it) and
    // opens it in the desktop's text editor; a failed save shows the system's
    // reason and opens nothing. Nothing is done while BusyFlag is set. Names
    // are padded by their length in characters; sizes are never cut.
    void SBEscribeArbolClick();
    void SBImprimirCatalogoClick();
    void ImprimeDirectorio();
    void SBImprimirExitosClick();
    // The report builders: the tree (collections indented by EPTTab per level),
    // the current catalogue (with the nested entries indented by EPCTab), the
    // directory grid's rows and the result grid's rows, by the printing options.
    void ListaArbol(CatalogueLines& list);
    void ListaCatalogo(CatalogueLines& list);
    void ListaDirectorio(CatalogueLines& list);
    void ListaExitos(CatalogueLines& list);
    // "temp.txt" in the catalogue root.
    std::string RutaInforme() const;
    // The kind of a directory grid row, by its tag.
    bool EsFilaColeccion(int row) const;
    bool EsFilaCatalogo(int row) const;
    bool EsFilaCarpeta(int row) const;
    // The catalogue export window, modal.
    void SBExportaCatalogoClick();

    // Shared state.
    std::string BaseFolder;            // current folder at start, with a trailing "/"
    std::string ProgramFolder;         // the executable's folder, with a trailing "/"
    std::string ProgramFolderOverride; // when set before start-up, used instead (tests)
    CatalogueLines ScanBuffer;
    std::string ErrorWord;
    std::string WarningWord;
    bool StopFlag = false;
    bool BusyFlag = false;
    std::uint32_t BitmapColor = 128, AudioColor = 16711680, MusicColor = 16711680,
                  VideoColor = 32768, TextColor = 16711935;
    // How the result grid marks a hit (RGAciertos): at most one is set.
    bool HitRedBold = true, HitBold = false, HitRed = false;
    std::string CatalogueRunMode;
    std::string CollectionPath;
    std::string CatalogueCollectionPath;
    std::string CurrentFolderPath;
    TNodoArbol* CurrentCatalogueNode = nullptr;
    long long CurrentLineIndex = -1;
    long long CurrentFileCount = 0;
    long long CurrentSubfolderCount = 0;
    std::string CutPath;
    QTreeWidgetItem* CutNode = nullptr;
    bool PopupOnSelection = false;
    bool HeaderSortDone = false;
    QString DateFormat;
    QString DateTimeFormat;
    long long TotalEntryCount = 0;
    long long CatalogueCount = 0;
    int MouseDownX = 0;
    int MouseDownY = 0;

    // Controls.
    QTabWidget* PCMain;
    QWidget *TSCatalogos, *TSBuscar, *TSExtraer, *TSConfiguracion, *TSAcercaDe;
    TStatusBar* SBPrincipal;
    QProgressBar* PBPrincipal;
    QWidget *PCatalogosArbol, *PCatalogosFicheros;
    QGroupBox *GBNuevo, *GBEdicion;
    QToolButton *SBNuevoDisco, *SBNuevaCarpeta, *SBNuevaColeccion;
    QToolButton *SBRecatalogar, *SBCortarCatalogo, *SBPegarCatalogo, *SBPegarCatalogo1, *SBEliminar,
        *SBCambiar, *SBEscribeArbol, *SBImprimirCatalogo, *SBExportaCatalogo;
    QTreeWidget* Arbol;
    TStatusBar* SBArbol;
    QWidget* PArbolAbajoBarra;
    QLabel* PArbolAbajoBarraFree;
    TProgressCyl* DiskGauge = nullptr;
    QToolButton *BBColumnas, *SBAbrirNotepad, *SBAbrirSistema, *SBDescripcion, *SBAnidados,
        *SBPadre, *SBEncolarWinAmp, *SBImprimirDirectorio, *SBAyudaCat, *SBAbrirExplorador,
        *SBAbrirCon;
    QGroupBox *GBVerColumna, *GBVerHora, *GBVerMultimedia, *GBColectorDirectorio;
    TCheckBox *CBVerDescripcion, *CBVerCreado, *CBVerExtension, *CBVerAtributos, *CBVerTamano,
        *CBVerModificado;
    TCheckBox *CBVerHoraModificado, *CBVerHoraCreado;
    TCheckBox *CBVerResolucion, *CBVerPista, *CBVerGenero, *CBVerCalidad, *CBVerCanales, *CBVerAno;
    QToolButton *SBAbrirColector, *SBAddColector;
    QLabel *LColectorFicherosNumero, *LColectorSize;
    // The search page's collector group (TFPrincipalColector.cpp).
    QGroupBox* GBColectorBuscar;
    QToolButton* SBAbrirColectorBuscar;
    QLabel *LColectorFicherosNumeroBuscar, *LColectorSizeBuscar;
    TStringGrid* SGDirectorio;
    // Search page (TFPrincipalBuscar.cpp).
    QLineEdit *EBuscar, *EBuscar2;
    QPushButton *BBuscar, *BParar;
    QRadioButton *RBAnd, *RBOr;
    QRadioButton *RBNormal, *RBComodin, *RBComodines, *RBDifusa;
    QSpinBox* ENumErrores;
    TCheckBox *CBAvanzada, *CBMayusculas, *CBTildes, *CBParte;
    TCheckBox *CBAnidados, *CBSoloCat, *CBSoloCol;
    TRadioGroup *GBDonde, *GBCuales;
    QLineEdit* EExtension;
    QGroupBox *GBAtributos, *GBModificado, *GBCreado, *GBTamano, *GBTipo, *GBLimitaciones,
        *GBopciones;
    TCheckBox *CBAtributos, *CBAnidadosAttr, *CBMultimediaAttr, *CBSistema, *CBOculto, *CBArchivo,
        *CBLectura, *CBComprimido, *CBOffLine;
    QLineEdit *EInicial, *EFinal, *EInicialCre, *EFinalCre;
    QLineEdit *CBMin, *CBMax;
    QGroupBox *GBDuracion, *GBCanales, *GBResolucion, *GBCalidad, *GBAno, *GBGenero, *GBPista;
    QLineEdit *EDuracionIni, *EduracionFin, *EPaginasIni, *EPaginasFin, *EAnchoMin, *EAnchoMax,
        *EAltoMin, *EAltoMax, *EFrecMin, *EFrecMax, *ECalidadMin, *ECalidadMax, *EAnoMin, *EAnoMax,
        *ETrackMin, *ETrackMax, *EGenero;
    TCheckBox *CBCanales1, *CBcanales2;
    QToolButton* SBCopiar;
    QProgressBar* AniCd; // the busy animation of a search
    TStringGrid* SGResultados;
    // Search page: layouts, option handlers, hit drawing and the result buttons
    // (TFPrincipalPaginaBuscar.cpp).
    QWidget *PBuscarSencillo, *PBuscarDatos, *PBuscarAvanzada, *PBuscarMultimedia;
    TCheckBox* CBMultimedia;
    QLabel *LBuscarTipIzquierdo, *LBuscarTipDerecho;
    QToolButton *SBAbreExitoNotepad, *SBAbreExitoSistema, *SBAbreExitoCon, *SBEncolarExitoWinamp;
    QToolButton *SBExplorarExito, *SBVerCatalogo, *SBAddColectorBuscar, *SBImprimirExitos;
    std::uint64_t ResultHits =
        0;                  // rows of the last search: the grid has results exactly when above 0
    void CBAvanzadaClick(); // the layout of CBAvanzada and CBMultimedia
    // The resize handler: the tree panel kept inside the window, the search
    // page laid out again and its busy animation centred.
    void FormResize();
    // Places the shown criteria within the page's width: the advanced and the
    // media columns side by side, or two by two, or one under the other, as
    // room allows.
    void ColocaCriterios();
    // AniCd in the middle of the page below the criteria.
    void CentraAnimacion();
    QScrollArea* SBXBuscarDatos = nullptr; // scrolls the criteria when they cannot fit
    void EBuscarChange();
    void GBDondeClick();
    void GBCualesClick();
    void EExtensionChange();
    void CBAtributosClick();
    void RBNormalClick();
    void RBComodinClick();
    void RBComodinesClick();
    void RBDifusaClick();
    void CBAnidadosAttrClick();
    void CBMultimediaAttrClick();
    void CBCanales1Click();
    void CBcanales2Click();
    // The result list as tab-separated text to a file chosen in the save dialog.
    void BCopiarClick();
    // The buttons that follow the current result row; also run after every search and sort.
    void SGResultadosClick();
    // Opens the current hit on its disk with the opener of `button` (a file-group
    // button or SBExplorarExito).
    void SBAbreExitoNotepadClick(QToolButton* button);
    void SGResultadosDblClick();
    // Shows the current result row in the catalogue tree: its catalogue's
    // folder selected and listed in the directory grid, the hit's row current.
    // A folder the catalogue no longer has leaves its deepest existing folder
    // shown; a catalogue the tree no longer holds changes nothing.
    void SBVerCatalogoClick();
    // The elements of a folder path ending in "\", added to `list`: "\" first,
    // then each folder name in order ("\a\b\" gives "\", "a", "b").
    static void DescomponeRuta(std::string_view path, CatalogueLines& list);
    bool SGResultadosDrawCell(int col, int row, QPainter& painter, const QRect& rect, bool focused);

    void BBuscarClick();
    void BPararClick() { StopFlag = true; }
    void MuestraProgresoBusqueda(std::uint64_t linesVisited, std::uint64_t hits);
    // Writes one hit as row `row` of SGResultados (the grid already has the row),
    // its kind kept as the row's tag.
    void AnadeExito(int row, const SearchRow& cells, SearchHitKind kind);
    void AsignaTitulosResultados();
    // The two approximate matchers of the search; the search sets their patterns.
    TFuzzySearch FuzzySearch1, FuzzySearch2;
    std::uint64_t OperationStartTime = 0, OperationEndTime = 0; // monotonic milliseconds

    // Configuration page (TFPrincipalConfiguracion.cpp): its three tabs and controls.
    QTabWidget* PCConfiguracion;
    QWidget *TBCfgBAsic, *TBCfgAvd, *TBCfgPrint;
    TRadioGroup* RGIdioma;
    QToolButton *SBIngles, *SBEspanol;
    TRadioGroup *RGAciertos, *RGModoTurbo;
    TRadioGroup* RGAutoSort;
    TCheckBox* CBAutoSortInvertir;
    QGroupBox* GBTips;
    TCheckBox* CBTipsComienzo;
    QPushButton* BBtips;
    QGroupBox* GBLineasRejillas;
    TCheckBox *CBLinCatHorizontal, *CBLinCatVertical, *CBLinBusHorizontal, *CBLinBusVertical,
        *CBLinAniHorizontal, *CBLinAniVertical, *CBLinColectorHorizontal, *CBLinColectorVertical;
    QGroupBox *GBAnimaciones, *GBColoresMultimedia, *GBPathWinamp;
    QToolButton *SBPonColorTexto, *SBPonColorBitmap, *SBPonColorAudio, *SBPonColorMusic,
        *SBPonColorVideo;
    QLineEdit *ECTextoEjemplo, *ECBitmapEjemplo, *ECAudioEjemplo, *ECMusicEjemplo, *ECVideoEjemplo;
    QToolButton *SBResetConfiguracion, *SBAyudaCfgBasic, *SBAyudaCfgAvanzada, *SBAyudaCfgImpresion;
    QGroupBox *GBExtAnidados, *GBRecatalogar, *GBMostrarErrores, *GBCfgBuscar, *GBSerialNumberOff,
        *GBMultimediaOff, *GBCompressedOff, *GBColectorCfg;
    QLabel* LColectorCFGCluster;
    QComboBox* CBClusterSize;
    QGroupBox *GBPrintTree, *GBPrintCatalogue, *GBPrintDirectory, *GBPrintResultados;
    TCheckBox *CBPTColeccionesSN, *CBPTTipodiscoSN;
    TCheckBox *CBPCAnidadosSN, *CBPCTamanoSN, *CBPCModificadoSN, *CBPCCreadoSN, *CBPCAtributosSN,
        *CBPCDescripcionSN;
    TCheckBox *CBPDTamanoSN, *CBPDModificadoSN, *CBPDPrintColeccion, *CBPDPrintCatalogo,
        *CBPDPrintCarpeta;
    TCheckBox *CBPRColeccionSN, *CBPRCatalogoSN, *CBPRCarpetaSN, *CBPRDescripcionSN, *CBPRTamanoSN,
        *CBPRModificadoSN, *CBPRCreadoSN, *CBPRAtributosSN, *CBPRExtensionSN;
    QLineEdit *EPTTab, *EPCTab; // the tab widths of the tree and catalogue reports, read-only
    // About page.
    QLabel *ImLogo, *TEdicion, *LCreditosFormatos, *LCreditosDesc, *LDerechos, *Label34, *Label1;
    QToolButton* SpeedButton1; // the about page's Spanish button
    // State the configuration page drives.
    bool TurboMode = true; // RGModoTurbo item 0: the folding routines upper-case through the table
    std::string HelpFile;  // the help file in use; empty when there is none
    // Handlers of the configuration and about pages.
    void RGIdiomaClick();
    void SBInglesClick();  // RGIdioma item 0
    void SBEspanolClick(); // RGIdioma item 1
    void RGModoTurboClick();
    void RGAciertosClick();
    void SBResetConfiguracionClick();
    void SBPonColorClick(QToolButton* sender);
    // The font colours of the five sample boxes from the five media colours.
    void PonColoresEjemplo();
    void Label34Click(); // the maker's web page
    void Label1Click();  // a new mail to the maker
    // The key filter of EExtension1..4: what one typed text becomes (empty: discarded).
    static QString EExtension1KeyPress(const QString& typed);
    TCheckBox *CBSerialNumberOff, *CBMostrarErroresCatalogo, *CBAniCrearDisco, *CBAniCrearCarpeta,
        *CBCarpetaIgual, *CBAniBuscar, *CBAnidadosBuscarPath;
    TCheckBox *CBCompressedOff, *CBDocFilesOff, *CBDotFilesOff, *CBBmpFilesOff, *CBGifFilesOff,
        *CBJpgFilesOff, *CBPcxFilesOff, *CBPngFilesOff, *CBTifFilesOff, *CBTgaFilesOff,
        *CBWavFilesOff, *CBMp3FilesOff, *CBWmaFilesOff, *CBOggFilesOff, *CBAviFilesOff;
    QLineEdit *EExtension1, *EExtension2, *EExtension3, *EExtension4;
    QLineEdit* EPathWinAmp = nullptr; // the audio player's program ("PATH_WINAMP")
    QToolButton* SBCargaWinAmp = nullptr;

    // Cataloguing.
    std::string SelectedFolder;             // the folder picker's answer
    std::unique_ptr<MediaReaders> Lectores; // the metadata readers, reused for every file
    std::uint64_t FolderScanBytes = 0;      // byte total of the last folder scan
    // The switches and extensions that steer the file lines of a scan.
    OpcionesLinea OpcionesLineaActuales() const override;
    // The nested block of a catalogued archive, listed for the cataloguing
    // window that runs (the disk window when visible, else the folder window).
    std::string MontaArx(const std::string& path) override;
    // The main window's part of a new catalogue: opening the cataloguing window
    // and showing the catalogue it made.
    void BBNuevoDiscoClick();
    void BBNuevaCarpetaClick();
    // The new-collection window, then the tree shows the selected node again.
    void BBNuevaColeccionClick();
    // Properties of the selected node: a collection opens the collection editor,
    // a catalogue the catalogue header editor.
    void BBCambiarClick();

    // Catalogue and collection operations (TFPrincipalOperaciones.cpp). Each
    // does nothing while BusyFlag is set.
    // Scans the shown catalogue's disk or folder again and carries its
    // descriptions over to the new lines, which replace the catalogue's.
    void BBRecatalogarClick();
    // Deletes the selected catalogue's file or empty collection's folder, then its node.
    void BBEliminarClick();
    // Marks the selected catalogue or collection to be moved by a paste.
    void BBCortarCatalogoClick();
    // Moves what was cut into the selected collection, or to the top level.
    void BBPegarCatalogoClick();
    void BBPegarCatalogo1Click();
    // A key released on the tree: F2 the properties, Delete the delete.
    void ArbolKeyUp(int key);
    // The folders of the header's exclusion block, one memo line each.
    static void MuestraExcluidas(std::string_view header, QPlainTextEdit& memo);
    // The host path the re-catalogue's scan writes its lines to ("<name>.RCT"
    // beside the catalogue's file); empty outside a re-catalogue.
    std::string RecatalogueFile;
    // Duplicate checks over the catalogues loaded in the tree.
    std::vector<std::string_view> CabecerasCargadas() const override;
    // True when the selected collection's folder already holds a catalogue file of that name.
    bool ExisteCatalogo(const std::string& name) const override;

    std::vector<QIcon> ILIconos;

    // Popup menus, statistics, help and the result grid's widths (TFPrincipalMenus.cpp).
    QMenu *PMArbol = nullptr, *PMDirectorio = nullptr;
    QToolButton *SBBuscarColumnas = nullptr, *SBAyudaBus = nullptr;
    // Each popup hides every item, then, when PopupOnSelection is set and no
    // long operation runs, shows each item whose button is enabled, captioned
    // in RGIdioma's language. True when an item shows.
    bool PMArbolPopup();
    bool PMDirectorioPopup();
    // The tree's mouse press: PopupOnSelection := the right button pressed on
    // the node that is already selected.
    void ArbolMouseUp(Qt::MouseButton button, QTreeWidgetItem* pressed);
    // A left press on empty tree space: no node stays selected.
    void ArbolClickVacio();
    // The catalogue statistics of the shown catalogue in the system message box.
    void PArbolAbajoBarraFreeClick();
    // The default column widths of the result grid, the two text columns
    // sharing what the client width leaves.
    void SBBuscarColumnasClick();
    // The help file of the chosen language in ProgramFolder.
    std::string FicheroAyuda() const;
    // Opens the help file at topic `context`; names the file looked for when missing.
    void AbreAyuda(int context) override;
    // The cell lines of the collector's grid from CBLinColectorHorizontal/Vertical.
    void AplicaLineasColector();
    // The extraction page (TFPrincipalExtraer.cpp).
    QWidget* PExtraer = nullptr;
    QGroupBox *GBExtraerOrigen = nullptr, *GBExtraerDestino = nullptr;
    QLineEdit *EOrigen = nullptr, *EDestino = nullptr;
    QToolButton *SBAbrirExtraer = nullptr, *SBAyudaExt = nullptr;
    QTreeView* STVDestino = nullptr;
    QFileSystemModel* STVDestinoModel = nullptr;
    QPushButton* BBExtraer = nullptr;
    // Stops a running extraction (Escape too); the member in hand is dropped.
    QPushButton* BBPararExtraer = nullptr;
    // The "replace all" or "skip all" answer of the run in progress.
    std::optional<TOverwriteMode> RespuestaTodosExtraer;
    // The overwrite question about an existing target: what to do with it,
    // and in NewFileName a free name when both are kept.
    void PreguntaSobrescribir(const std::string& FileName, std::string& NewFileName,
                              TOverwriteMode& Mode);
    // One reader per format; the library's ReaderForKind picks the one of a
    // detected kind from PageReaders, and kinds without a reader are refused.
    std::unique_ptr<TUnZip> MiUnzip, MiUnJAR;
    std::unique_ptr<TUnARJ> MiUnARJ;
    std::unique_ptr<TUnZoo> MiUnZOO;
    std::unique_ptr<TUnBase> MiUnLHA;
    std::unique_ptr<TUnTar> MiUnTAR;
    std::unique_ptr<TUnGZip> MiUnGZip;
    std::unique_ptr<TUnACE> MiUnACE;
    std::unique_ptr<TUnRar> MiUnRAR;
    std::unique_ptr<TUnArc> MiUnARC;
    std::unique_ptr<TUnCab> MiUnCAB;
    void SBAbrirExtraerClick();
    void STVDestinoChange();
    void EOrigenChange();
    void BBExtraerClick();
    void MiUnzipProgress(TZipCommon& sender, std::uint8_t byFile, std::uint8_t byArchive);
    void SBAyudaExtClick() { AbreAyuda(7); }
    // The page's readers as the library's reader table takes them.
    TArxonReaders PageReaders() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildCatalogPage();
    void BuildConfigPage(); // TFPrincipalConfiguracion.cpp
    void BuildConfigBasicTab();
    void BuildConfigAdvancedTab();
    void BuildConfigPrintTab();
    void BuildAboutPage();
    void ConnectConfigHandlers();
    // Start-up: the settings file loaded when there is a usable one, else the
    // language question; a load that fails is reported and the defaults kept.
    void ArrancaConfiguracion();
    void BuildTreeSide(QWidget* side);
    void BuildFileSide(QWidget* side);
    void BuildOtherPages();
    // The search page, group by group (TFPrincipalBuscarControles.cpp).
    void BuildSearchPage();
    void BuildSearchTexts(QWidget* simple);
    void BuildSearchCommands(QWidget* simple);
    void BuildSearchHitButtons(QWidget* hits);
    void BuildSearchAttributes(QWidget* data);
    void BuildSearchDatesAndSizes(QWidget* data);
    void BuildSearchWhereAndWhich(QWidget* data);
    void BuildSearchKindAndLimits(QWidget* data);
    void BuildSearchMediaGroups(QWidget* data);
    void BuildSearchCriteriaPanel(QWidget* data);
    void BuildExtractPage();
    void SetUpReader(TUnBase& reader);
    // The questions for the next volume of a set and for the disks of a
    // spanned ZIP set.
    void SetUpVolumeQuestions(TUnBase& reader);
    // The columns of advanced and of media groups, left to right.
    std::vector<QWidget*> advancedColumns_, mediaColumns_;
    void ConnectSearchHandlers();
    void ConnectSortHandlers(); // the header clicks of the grids (TFPrincipalOrden.cpp)
    // The automatic sort after a listing, by RGAutoSort and CBAutoSortInvertir.
    void OrdenaAutomatico();
    void ConnectSearchPageHandlers(); // TFPrincipalPaginaBuscar.cpp
    void ConnectOpenHandlers(); // the open buttons of the directory grid (TFPrincipalAbrir.cpp)
    void ConnectOperationHandlers(); // TFPrincipalOperaciones.cpp
    void ConnectReportHandlers();    // the report and export buttons (TFPrincipalInformes.cpp)
    void Informe(void (TFPrincipal::*build)(CatalogueLines&));
    void ConnectMenuHandlers(); // TFPrincipalMenus.cpp
    // The search page's collector group, and the collector buttons of both pages.
    void BuildCollectorSearchGroup(QWidget* line);
    void ConnectCollectorHandlers();
    // Fills collector row `row` with `cells` (columns 1-17) and the counts of
    // the entry from the catalogue's lines, from line `start` on.
    void AnadeAlColector(const std::vector<std::string>& cells, const CatalogueLines& lines,
                         std::size_t start);
    // Steps of BBuscarClick: the criteria of the page, or nothing after a message.
    std::optional<SearchCriteria> LeeCriterios();
    // Its groups: each fills its part of `c`, or shows why it cannot and is false.
    void LeeOpciones(SearchCriteria& c);
    bool LeeFechasYTamanos(SearchCriteria& c);
    bool LeeTextos(SearchCriteria& c);
    bool LeeRangosMultimedia(SearchCriteria& c);
    std::vector<SearchNode> NodosBusqueda() const;
    // A date typed by the user; a date without a time is its first or its last second.
    std::optional<DateTime> LeeFecha(const QString& text, bool endOfDay) const;
    void FillImageList();
    void ConnectHandlers();
    // A tool button with its picture at the size of every tool button; added to
    // the parent's layout unless `placed` says the caller places it.
    QToolButton* Boton(const char* name, QWidget* parent, QIcon icon = {}, bool placed = false);
    TCheckBox* Casilla(const char* name, QGroupBox* group);
    std::string HostPath(const std::string& relative) const;

    void ListaColeccion(QTreeWidgetItem* node);
    void ListaCarpeta(QTreeWidgetItem* node);
    void FilaFichero(int row, std::string_view line, std::uint64_t& total);
    void FilaCarpeta(int row, std::string_view line);
    bool DibujaCelda(int col, int row, QPainter& painter, const QRect& rect, bool focused);
    void GuardedTreeChange(QTreeWidgetItem* current, QTreeWidgetItem* previous);

    // The two date patterns, read once for as long as they stay the same.
    mutable TDateFormat dateFormat_, dateTimeFormat_;
    mutable QString dateFormatPattern_, dateTimeFormatPattern_;
    long long searchProgressMax_ = 0; // the lines a search walks, for its share in the status bar
    bool startupDone_ = false;
    bool startupFailed_ = false;
    bool closing_ = false;
    int currentPage_ = 0;
};

extern TFPrincipal* FPrincipal;

// The application title: the program's name, a blank and its version.
QString TituloAplicacion();

} // namespace sorvane
