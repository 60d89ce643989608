// The settings the other windows read, as one read-only view. The main window
// implements it over its configuration page, so a dialog never reaches into
// that page's widgets; AplicaLineas is the one place a grid takes its lines.
#pragma once

#include "catalogue/format/Codes.h"
#include "ui/StringGrid.h"

#include <cstdint>

namespace sorvane {

// The four grids whose cell lines the settings page sets.
enum class RejillaConLineas { Directorio, Resultados, Anidados, Colector };

struct LineasRejilla {
    bool horizontal = false;
    bool vertical = false;
};

class SettingsView {
public:
    // The two boxes of the settings page for `grid`.
    virtual LineasRejilla Lineas(RejillaConLineas grid) const = 0;
    // The cluster size in bytes of the collector's estimate (CBClusterSize).
    virtual int TamanoCluster() const = 0;
    // Whether the disk and the folder cataloguing windows play their animation.
    virtual bool AnimacionCrearDisco() const = 0;
    virtual bool AnimacionCrearCarpeta() const = 0;
    // The serial numbers are not read nor compared (CBSerialNumberOff).
    virtual bool SinNumeroSerie() const = 0;
    // A new catalogue shows the error window when its scan had errors.
    virtual bool MostrarErroresCatalogo() const = 0;
    // The colour (0x00BBGGRR) the names of a media kind's files are drawn
    // in: bitmap, audio, music or video; 0 for any other kind.
    virtual std::uint32_t ColorMultimedia(MediaKind kind) const = 0;

protected:
    ~SettingsView() = default;
};

// Gives `grid` the cell lines the settings page sets for it.
inline void AplicaLineas(TStringGrid& grid, const SettingsView& settings, RejillaConLineas which) {
    const LineasRejilla lines = settings.Lineas(which);
    grid.SetHorizontalLines(lines.horizontal);
    grid.SetVerticalLines(lines.vertical);
}

} // namespace sorvane
