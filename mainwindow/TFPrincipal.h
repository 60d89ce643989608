// The main window: its five pages, the catalogue tree and the directory grid,
// the shared state the other windows read, and the start-up and shut-down work.
#pragma once

#include <QMainWindow>
#include <QIcon>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/format/CatalogueLines.h"
#include "catalogue/format/DateText.h"
#include "catalogue/format/LineBuilders.h"
#include "platform/DateTime.h"
#include "mainwindow/Matchers.h"
#include "mainwindow/SearchEngine.h"
#include "mainwindow/TreeNode.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRadioButton;
class QSpinBox;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QWidget;

namespace sorvane {

struct MediaReaders;
class TCheckBox;
class TProgressCyl;
class TRadioGroup;
class TStatusBar;
class TStringGrid;

// What a row of the directory grid lists.
enum DirectoryRowKind : int {
    kRowEmpty = 0,
    kRowCollection, // a collection or catalogue of a collection listing
    kRowFolder,
    kRowFile,
};

// Node image indexes of the tree.
enum NodeImage : int {
    kImageOpenFolder = 0,
    kImageCollection = 1,
    kImageOtherDisk = 15,
    kImageClosedFolder = 16,
};

class TFPrincipal : public QMainWindow {
    Q_OBJECT

public:
    explicit TFPrincipal(QWidget* parent = nullptr);
    ~TFPrincipal() override;

    // Life cycle.
    void FormActivate();
    bool FormCloseQuery();
    void FormClose();
    bool StartupDone() const { return startupDone_; }
    bool StartupFailed() const { return startupFailed_; }
    void PCMainChange();
    void ActualizaContadores();
    static int ObtieneTamanoCluster(const QString& text);
    void MuestraMensaje(const std::string& text);
    void ResetConfiguracion();
    void CargaIdioma();
    void AsignaTitulosDirectorio();

    // Tree.
    bool EsColeccion(QTreeWidgetItem* node) const;
    bool EsCatalogo(QTreeWidgetItem* node) const;
    bool EstaDesplegado(QTreeWidgetItem* node) const;
    static bool EsLineaFichero(std::string_view line);
    void AsignaIconoDisco(QTreeWidgetItem* node, char code);
    static void MarcaTipoDisco(std::string_view header, TRadioGroup& group);
    void CuentaCatalogos(const std::string& folder);
    void CargaArbol(const std::string& folder, QTreeWidgetItem* parent);
    TNodoArbol* CargaFichero(const std::string& path, QTreeWidgetItem* collection);
    void ActivaBotonesArbol(QTreeWidgetItem* node);
    static std::string GetNodePath(QTreeWidgetItem* node);
    static bool EsDescendiente(QTreeWidgetItem* ancestor, QTreeWidgetItem* node);
    void OrdenaArbol();

    // Directory grid.
    void ArbolChange(QTreeWidgetItem* node);
    void ActivaBotonesDirectorio(int row);
    void SGDirectorioDblClick();
    void BBPadreClick();
    void BBColumnasClick();
    int CentroColumna(int column) const;
    // A date as the grids show it: DateTimeFormat with the time, DateFormat without.
    QString TextoFecha(const DateTime& value, bool withTime) const;
    std::string TextoFechaUtf8(const DateTime& value, bool withTime) const;
    void CBVerColumnaClick(TCheckBox* box);

    // Shared state.
    std::string BaseFolder;    // current folder at start, with a trailing "/"
    std::string ProgramFolder; // the executable's folder, with a trailing "/"
    std::string ProgramFolderOverride; // when set before start-up, used instead (tests)
    CatalogueLines ScanBuffer;
    std::string ErrorWord;
    std::string WarningWord;
    bool StopFlag = false;
    bool BusyFlag = false;
    std::uint32_t BitmapColor = 128, AudioColor = 16711680, MusicColor = 16711680,
                  VideoColor = 32768, TextColor = 16711935;
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
    QToolButton *SBRecatalogar, *SBCortarCatalogo, *SBPegarCatalogo, *SBPegarCatalogo1,
        *SBEliminar, *SBCambiar, *SBEscribeArbol, *SBImprimirCatalogo, *SBExportaCatalogo;
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
    TCheckBox *CBVerResolucion, *CBVerPista, *CBVerGenero, *CBVerCalidad, *CBVerCanales,
        *CBVerAno;
    QToolButton *SBAbrirColector, *SBAddColector;
    QLabel *LColectorFicherosNumero, *LColectorSize;
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
    QGroupBox *GBAtributos, *GBModificado, *GBCreado, *GBTamano, *GBTipo, *GBLimitaciones, *GBopciones;
    TCheckBox *CBAtributos, *CBAnidadosAttr, *CBMultimediaAttr, *CBSistema, *CBOculto, *CBArchivo,
        *CBLectura, *CBComprimido, *CBOffLine;
    QLineEdit *EInicial, *EFinal, *EInicialCre, *EFinalCre;
    QLineEdit *CBMin, *CBMax;
    QGroupBox *GBDuracion, *GBCanales, *GBResolucion, *GBCalidad, *GBAno, *GBGenero, *GBPista;
    QLineEdit *EDuracionIni, *EduracionFin, *EPaginasIni, *EPaginasFin, *EAnchoMin, *EAnchoMax, *EAltoMin,
        *EAltoMax, *EFrecMin, *EFrecMax, *ECalidadMin, *ECalidadMax, *EAnoMin, *EAnoMax, *ETrackMin,
        *ETrackMax, *EGenero;
    TCheckBox *CBCanales1, *CBcanales2;
    QToolButton* SBCopiar;
    QProgressBar* AniCd; // the busy animation of a search
    TStringGrid* SGResultados;

    void BBuscarClick();
    void BPararClick() { StopFlag = true; }
    void MuestraProgresoBusqueda(std::uint64_t linesVisited, std::uint64_t hits);
    // Writes one hit as row `row` of SGResultados (the grid already has the row).
    void AnadeExito(int row, const SearchRow& cells);
    void AsignaTitulosResultados();
    // The two approximate matchers of the search; the search sets their patterns.
    TFuzzySearch FuzzySearch1, FuzzySearch2;
    std::uint64_t OperationStartTime = 0, OperationEndTime = 0; // monotonic milliseconds

    // Configuration controls read here.
    TRadioGroup* RGIdioma;
    TRadioGroup* RGAutoSort;
    TCheckBox* CBAutoSortInvertir;
    TCheckBox* CBTipsComienzo;
    TCheckBox *CBLinCatHorizontal, *CBLinCatVertical;
    TCheckBox *CBSerialNumberOff, *CBMostrarErroresCatalogo, *CBAniCrearDisco, *CBAniCrearCarpeta,
        *CBCarpetaIgual, *CBAniBuscar, *CBAnidadosBuscarPath;
    TCheckBox *CBCompressedOff, *CBDocFilesOff, *CBDotFilesOff, *CBBmpFilesOff, *CBGifFilesOff,
        *CBJpgFilesOff, *CBPcxFilesOff, *CBPngFilesOff, *CBTifFilesOff, *CBTgaFilesOff,
        *CBWavFilesOff, *CBMp3FilesOff, *CBWmaFilesOff, *CBOggFilesOff, *CBAviFilesOff;
    QLineEdit *EExtension1, *EExtension2, *EExtension3, *EExtension4;

    // Cataloguing.
    std::string SelectedFolder;       // the folder picker's answer
    std::unique_ptr<MediaReaders> Lectores; // the metadata readers, reused for every file
    std::uint64_t FolderScanBytes = 0; // byte total of the last folder scan
    // The switches and extensions that steer the file lines of a scan.
    OpcionesLinea OpcionesLineaActuales() const;
    // The main window's part of a new catalogue: opening the cataloguing window
    // and showing the catalogue it made.
    void BBNuevoDiscoClick();
    void BBNuevaCarpetaClick();
    // Duplicate checks over the catalogues loaded in the tree.
    std::vector<std::string_view> CabecerasCargadas() const;
    // True when the selected collection's folder already holds a catalogue file of that name.
    bool ExisteCatalogo(const std::string& name) const;

    std::vector<QIcon> ILIconos;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildCatalogPage();
    void BuildTreeSide(QWidget* side);
    void BuildFileSide(QWidget* side);
    void BuildOtherPages();
    void BuildSearchPage();
    void ConnectSearchHandlers();
    // Steps of BBuscarClick: the criteria of the page, or nothing after a message.
    std::optional<SearchCriteria> LeeCriterios();
    std::vector<SearchNode> NodosBusqueda() const;
    // A date typed by the user; a date without a time is its first or its last second.
    std::optional<DateTime> LeeFecha(const QString& text, bool endOfDay) const;
    void FillImageList();
    void ConnectHandlers();
    QToolButton* Boton(const char* name, QWidget* parent, QIcon icon = {});
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
