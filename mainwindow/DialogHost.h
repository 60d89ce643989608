// What the collection and catalogue dialogs and the nested-entries viewer
// take from the main window, as one interface: its tree of collections and
// catalogues, its directory grid, its status and progress bars, and the
// routines that edit the tree. The main window implements it and hands it
// over when the standing windows are made, so those dialogs never include its
// header.
#pragma once

#include "catalogue/format/CatalogueLines.h"
#include "mainwindow/CataloguingHost.h"

#include <QIcon>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QObject;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace sorvane {

struct DateTime;
class SettingsView;
class TNodoArbol;
class TRadioGroup;
class TStatusBar;
class TStringGrid;
struct TGridMouseEvent;

// What a row of the directory grid lists.
enum DirectoryRowKind : int {
    kRowEmpty = 0,
    kRowCollection, // a collection of a collection listing
    kRowFolder,
    kRowFile,
    kRowCatalogue, // a catalogue of a collection listing
};

// Node image indexes of the tree.
enum NodeImage : int {
    kImageOpenFolder = 0,
    kImageCollection = 1,
    kImageOtherDisk = 15,
    kImageClosedFolder = 16,
};

class DialogHost {
public:
    virtual const SettingsView& Ajustes() const = 0;
    // A long operation runs (BusyFlag), and the lines it may fill (ScanBuffer).
    virtual bool Ocupado() const = 0;
    virtual void PonOcupado(bool busy) = 0;
    virtual CatalogueLines& LineasEscaneo() = 0;
    virtual void MuestraMensaje(const std::string& text) = 0;
    // The catalogue root (BaseFolder, ending in "/").
    virtual const std::string& CarpetaRaiz() const = 0;
    virtual std::vector<std::string_view> CabecerasCargadas() const = 0;

    // The main window's controls the dialogs read and set: the tree (Arbol)
    // and its icons (ILIconos), the directory grid (SGDirectorio), the status
    // bar (SBPrincipal) and the progress bar (PBPrincipal).
    virtual QTreeWidget& ArbolCatalogos() = 0;
    virtual const std::vector<QIcon>& IconosArbol() const = 0;
    virtual TStringGrid& RejillaDirectorio() = 0;
    virtual TStatusBar& BarraEstado() = 0;
    virtual QProgressBar& BarraProgreso() = 0;

    // What the directory grid shows: the catalogue (CurrentCatalogueNode), the
    // folder's line in it (CurrentLineIndex) and its path (CurrentFolderPath).
    virtual TNodoArbol* NodoCatalogoActual() const = 0;
    virtual long long LineaCarpetaActual() const = 0;
    virtual const std::string& RutaCarpetaActual() const = 0;

    // The tree's nodes and what edits them.
    virtual bool EsColeccion(QTreeWidgetItem* node) const = 0;
    virtual bool EsCatalogo(QTreeWidgetItem* node) const = 0;
    virtual bool EsDescendiente(QTreeWidgetItem* ancestor, QTreeWidgetItem* node) const = 0;
    virtual std::string CarpetaDeNodo(QTreeWidgetItem* node) const = 0;
    virtual std::string FicheroDeCatalogo(QTreeWidgetItem* node) const = 0;
    virtual bool CatalogoIntacto(QTreeWidgetItem* node) = 0;
    virtual void RecuerdaIdentidad(QTreeWidgetItem* node) = 0;
    virtual void AsignaIconoDisco(QTreeWidgetItem* node, char code) = 0;
    virtual void MarcaTipoDisco(std::string_view header, TRadioGroup& group) const = 0;
    virtual void OrdenaArbol() = 0;
    virtual void ArbolChange(QTreeWidgetItem* node) = 0;

    // The nested-entries grid: its titles, its dates, the header click and its
    // sort (the summary going to `info`), and the archive opened on the desktop.
    virtual void AsignaTitulosAnidados() = 0;
    virtual std::string TextoFechaUtf8(const DateTime& value, bool withTime) const = 0;
    virtual void PulsacionRejilla(int x, int y) = 0;
    virtual bool EsClickTitulo(const TStringGrid& grid, const TGridMouseEvent& event,
                               bool fromWindow) const = 0;
    virtual void OrdenaRejilla(TStringGrid& grid, int column, ClaveRejilla key,
                               const std::function<void()>& titles, QLabel* info) = 0;
    virtual void SBAbrirTriple(QObject* sender) = 0;

protected:
    ~DialogHost() = default;
};

} // namespace sorvane
