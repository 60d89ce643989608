// Reading a catalogue file back into its line list: the old fixed-width header
// form is upgraded on the way (the old file kept as ".bak"), and the header's
// catalogue name must match the file's name.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "catalogue/format/CatalogueLines.h"

namespace sorvane {

// Minimum length of a header in the old form: everything up to the drive letter.
constexpr std::size_t kOldHeaderMinLength = 177;

struct LoadedCatalogue {
    std::string name;                     // the file name without its extension
    std::unique_ptr<CatalogueLines> lines; // empty when the name check failed
    bool upgraded = false;                // the old header was rewritten
};

// The header of the current form for a header of the old form. Raises
// EFormatoCatalogo when the line is shorter than kOldHeaderMinLength or its used
// bytes are not a number.
std::string ConvierteCabeceraAntigua(std::string_view oldHeader);

// The catalogue name of a catalogue file's path: its file name before the last ".".
std::string NombreCatalogoDeRuta(const std::string& path);

// Loads the catalogue file at `path`. An old-form header is upgraded: `beforeUpgrade`
// runs first (to say so on screen), the original bytes are copied to the path
// less its last 4 characters plus ".bak", and the upgraded list replaces the file
// atomically. When the header's name differs from the file's name (compared as
// text, either side read as Windows-1252 when it is not UTF-8), the result has no
// lines. Raises EInOutError or EFormatoCatalogo for an unreadable, empty or
// damaged file.
LoadedCatalogue CargaCatalogo(const std::string& path,
                              const std::function<void()>& beforeUpgrade = {});

} // namespace sorvane
