// What the cataloguing windows and the collector take from the main window,
// as one interface. The main window implements it and hands it over when
// the standing windows are made, so those windows never include its header.
#pragma once

#include "catalogue/format/CatalogueLines.h"
#include "catalogue/format/LineBuilders.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

struct MediaReaders;
class SettingsView;
class TStringGrid;
struct TGridMouseEvent;

// The sort keys a grid column takes (GeneraClaveTexto, GeneraClaveNombre,
// GeneraClaveTamano, GeneraClaveFecha).
enum class ClaveRejilla { Texto, Nombre, Tamano, Fecha };

class CataloguingHost {
public:
    // The settings the windows read.
    virtual const SettingsView& Ajustes() const = 0;

    // A long operation runs (BusyFlag): no second one may start.
    virtual bool Ocupado() const = 0;
    virtual void PonOcupado(bool busy) = 0;
    // What the cataloguing window is open for (CatalogueRunMode): "DISCO",
    // "CARPETA", or "RDISCO" and "RCARPETA" for a re-catalogue.
    virtual const std::string& ModoCatalogo() const = 0;
    // The lines of the scan in progress (ScanBuffer).
    virtual CatalogueLines& LineasEscaneo() = 0;

    // The main window's progress bar and the text of its status bar's panel 1.
    virtual void RangoProgreso(int maximum) = 0; // from 0 to `maximum`
    virtual void Progreso(int value) = 0;
    virtual void ProgresoAlPrincipio() = 0;
    virtual void ProgresoAlFinal() = 0;
    virtual void Estado(const std::string& text) = 0;
    // The message window.
    virtual void MuestraMensaje(const std::string& text) = 0;
    // The error window: one line more, none, how many, and shown (titled) when
    // it holds any.
    virtual void AnotaError(std::string_view line) = 0;
    virtual void LimpiaErrores() = 0;
    virtual int NumeroErrores() const = 0;
    virtual void MuestraErrores() = 0;

    // What a scan reads with: the line switches, the metadata readers, and the
    // listing of a catalogued archive for the window that runs.
    virtual OpcionesLinea OpcionesLineaActuales() const = 0;
    virtual MediaReaders& LectoresMedios() = 0;
    virtual std::string MontaArx(const std::string& path) = 0;

    // The duplicate checks: the headers of the loaded catalogues, and whether
    // the selected collection's folder already holds a catalogue of that name.
    virtual std::vector<std::string_view> CabecerasCargadas() const = 0;
    virtual bool ExisteCatalogo(const std::string& name) const = 0;

    // Where a new catalogue is saved: the catalogue root (BaseFolder, ending in
    // "/"), the selected collection's path ("Music\Live", empty at the top)
    // and, in a re-catalogue, the file its scan writes (RecatalogueFile).
    virtual const std::string& CarpetaRaiz() const = 0;
    virtual const std::string& RutaColeccion() const = 0;
    virtual const std::string& FicheroRecatalogo() const = 0;
    // Loads a saved new catalogue into the tree below the selected collection
    // (CargaFichero) and makes it the catalogue to show.
    virtual void CargaCatalogoNuevo(const std::string& path) = 0;
    // The counts in the status bar's panel 0.
    virtual void ActualizaContadores() = 0;

    // The folder picker's answer (SelectedFolder), in catalogue form.
    virtual const std::string& CarpetaElegida() const = 0;
    virtual void PonCarpetaElegida(const std::string& folder) = 0;
    // The byte total of the last folder scan (FolderScanBytes).
    virtual void PonBytesCarpeta(std::uint64_t bytes) = 0;

    // The collector's file count and estimated size, shown in the main
    // window's collector groups of the catalogue and the search pages.
    virtual void TotalesColector(const std::string& files, const std::string& size) = 0;
    // Line 0 of the first loaded catalogue named `name`; none when no
    // catalogue of that name is loaded with lines.
    virtual std::optional<std::string> CabeceraCatalogo(const std::string& name) const = 0;
    // The collector grid's titles (columns 1-17) in the current language.
    virtual void AsignaTitulosColector() = 0;
    // The help file at topic `context`.
    virtual void AbreAyuda(int context) = 0;

    // The header click of a grid: where the mouse was pressed (MouseDownX,
    // MouseDownY), the tests every header click makes (EsClickTitulo), and the
    // sort by `column` under the busy flag, `titles` writing the titles again
    // (OrdenaColumna).
    virtual void PulsacionRejilla(int x, int y) = 0;
    virtual bool EsClickTitulo(const TStringGrid& grid, const TGridMouseEvent& event,
                               bool fromWindow) const = 0;
    virtual void OrdenaRejilla(TStringGrid& grid, int column, ClaveRejilla key,
                               const std::function<void()>& titles) = 0;

protected:
    ~CataloguingHost() = default;
};

} // namespace sorvane
