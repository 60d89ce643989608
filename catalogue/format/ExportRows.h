// The rows of the tab-separated export of a catalogue: one row per catalogued
// file and, on request, one per archive member after its archive's row.
#pragma once

#include "catalogue/format/CatalogueLines.h"
#include "platform/DateTime.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane {

// How the export writes a date (the grids' date-time format).
using ExportDateText = std::function<std::string(const DateTime&)>;

// Appends to `rows` the rows of the catalogue `lines` (line 0 is its header,
// never exported). Text fields are quoted and written as stored, without
// escaping; sizes are the decimal of the true 64-bit size.
//   file row: ["catalogue"\t]"folder"\t"name"\tsize\tmodified\tcreated\t"attributes"\t"description"
//   member row: ["catalogue"\t]"folder"\t"member path"\tsize\tdate\t\t"attributes"\t"archive name"
// The catalogue column is written when `catalogue` is given. The folder is the
// path of the last folder line above ("\" for the root; empty before the first
// one). With `nested`, an archive's members follow its row in stored order. A
// date that does not decode is an empty field.
void FilasExportacion(const CatalogueLines& lines, std::optional<std::string_view> catalogue,
                      bool nested, const ExportDateText& date, CatalogueLines& rows);

} // namespace sorvane
