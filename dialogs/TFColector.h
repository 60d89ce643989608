// The collector basket: files and folders gathered from the catalogues, with
// their totals and the space they take on a disk of the chosen cluster size,
// copied in one run from their media to a destination folder, and saved and
// opened as collector files.
#pragma once

#include "mainwindow/CataloguingHost.h"
#include "ui/StringGrid.h"

#include <QDialog>
#include <cstdint>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPainter;
class QProgressBar;
class QToolButton;

namespace sorvane {

class TCopyFolder;
class TStringGrid;
struct TGridMouseEvent;

class TFColector : public QDialog {
    Q_OBJECT

public:
    // `host` is the main window, which outlives the collector.
    explicit TFColector(CataloguingHost& host, QWidget* parent = nullptr);

    // Columns of SGColector. Column 0 is the hidden sort key; 18 to 20 hold the
    // row's file, byte and folder counts in decimal.
    enum Column : int {
        kColKey = 0,
        kColCollection = 1,
        kColCatalogue = 2,
        kColFolder = 3,
        kColDescription = 4,
        kColName = 5, // a folder's name ends in "\"
        kColSize = 6,
        kColModified = 7,
        kColCreated = 8,
        kColAttributes = 9,
        kColExtension = 10,
        kColDuration = 11,
        kColGenre = 17,
        kColFiles = 18,
        kColBytes = 19,
        kColFolders = 20,
        kColumns = 21,
    };
    // Title keys ("W" words) of columns 1-17.
    static constexpr const char* kTitulos[18] = {
        nullptr,      "COLECCION",  "CATALOGO", "CARPETA",   "DESC",      "NOMBRE",
        "TAMANO",     "MODIFICADO", "CREADO",   "ATRIBUTOS", "EXTENSION", "DURACION",
        "RESOLUCION", "CALIDAD",    "CANALES",  "ANO",       "PISTA",     "GENERO"};

    // True when the basket holds nothing: two rows, the name of row 1 empty.
    bool Vacio() const;
    // The row an addition fills: row 1 of an empty basket, else a new last row.
    int FilaNueva();

    void FormShow();
    // Files, bytes and the estimate for the cluster size of the settings page,
    // shown here and on the main window's two collector panels; the buttons
    // follow the basket's content.
    void CalculaTotales();
    // The copy run, row by row, asking for each missing disk.
    void SBCopiarClick();
    void SBPararClick();
    // Copies one file with progress into the file `name` of `folder`; `within`
    // is the folder a symbolic link may lead into. A source that does not
    // exist is reported in the message window; a stopped copy leaves no file
    // and is listed in the error window.
    void CopiaFichero(const std::string& source, const TCopyFolder& folder, std::string name,
                      const std::string& within);
    // Copies a folder tree (`source` a host path ending in "/") into `target`;
    // per-file failures, and a symbolic link in the way of a folder, are listed
    // in the error window and the walk goes on.
    void CopiaCarpeta(const std::string& source, const TCopyFolder& target,
                      const std::string& within);
    // "name[n].ext" for the first n from 1 that is free in `folder`, listed as
    // a renamed copy; empty when none up to 999999 is.
    std::string RenombraDestino(const TCopyFolder& folder, const std::string& name);
    void SBBorrarClick();
    void SBBorrarTodoClick();
    void SBGuardarClick();
    void SBAbrirClick();
    // The rows of an opened file whose counts do not fit in 64 bits (or whose
    // estimate would not) are taken out, each named in the error window.
    void QuitaFilasDesmedidas();
    void SBAbrirExtraerClick();
    void SBAnchoColumnasClick();
    // The help file at the collector's topic.
    void SBAyudaClick();
    void SGColectorMouseDown(const TGridMouseEvent& event);
    void SGColectorMouseUp(const TGridMouseEvent& event);
    bool SGColectorDrawCell(int col, int row, QPainter& painter, const QRect& rect, bool focused);

    // A copy run is going on.
    bool Copiando() const { return running_; }

    std::int64_t BytesTotales = 0;
    std::int64_t BytesCopiados = 0;
    bool Parar = false;
    char Respuesta = ' '; // "R" retry, "C" skip, "P" stop; blank for none

    TStringGrid* SGColector;
    QGroupBox *GBInfo, *GBProgreso, *GBDestino;
    QLineEdit* EDestino;
    QToolButton *SBAbrirExtraer, *SBCopiar, *SBParar, *SBAbrir, *SBGuardar, *SBBorrar,
        *SBBorrarTodo, *SBAnchoColumnas, *SBAyuda;
    QLabel *LColectorFicherosNumero, *LColectorBytes, *LColectorSize;
    QLabel *LFicheroEnCurso, *LPorcentajeFichero;
    QProgressBar* PBBytes;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public slots:
    // Esc and the close box do nothing while a copy runs.
    void reject() override;

private:
    CataloguingHost& host_;
    // One row of the run; false when the run must end.
    bool CopiaFila(int row, std::string& catalogue, std::string& header, bool& found,
                   const std::string& destination);
    // The destination's host folder, ending in "/"; empty when it names none.
    static std::string DestinoHost(const std::string& text);
    void ActivaBotones(bool running);
    void AgregaError(const std::string& message, const std::string& path);
    // Hands control to the user interface at most every 20 ms.
    void AtiendeEventos(bool now = false);
    void PonEstado(double share);

    bool running_ = false;
    std::uint64_t lastEvents_ = 0;
};

inline TFColector* FColector = nullptr;

} // namespace sorvane
