// Re-cataloguing: carrying the user's descriptions from an old catalogue over to
// the lines of a new scan, and the checks for a disk, folder or catalogue name
// that is already loaded.
#pragma once

#include "catalogue/format/CatalogueLines.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

// Receives one line for the error list.
using ErrorSink = std::function<void(const std::string& line)>;

// Called once per saved line before it is looked for, with its index and the
// number of saved lines: the window moves its bar, shows its status text and
// lets the event loop run.
using RecatalogueProgress = std::function<void(std::size_t index, std::size_t count)>;

// True when the two lines (folder or file, no header) stand for the same item:
// both folder lines or both file lines, the same created and modified dates, for
// files the same size, and the same name (exact). A damaged line raises
// EFormatoCatalogo.
bool EsMismoElemento(std::string_view a, std::string_view b);

// The lines of the old catalogue that carry a description, in order. Folder
// lines are kept as they stand; with `carpetaIgual` a file line has its folder's
// path put in front of its name ("\Docs\a.txt"), so it matches only a file of
// the same folder. An exception is reported to `errors` and ends the collection;
// the lines collected so far are returned. With `oldPaths`, it gets the
// catalogue path of each returned line, in the same order: a folder's own path
// ("\Docs"), a file's folder and name ("\Docs\a.txt", "\a.txt" in the root).
std::vector<std::string> CargaDescripciones(const CatalogueLines& old, bool carpetaIgual,
                                            const ErrorSink& errors,
                                            std::vector<std::string>* oldPaths = nullptr);

// Gives every line of `newLines` that matches a saved line (EsMismoElemento, in
// the folder-qualified form with `carpetaIgual`) the saved description, merged
// with the line's own (UneDescripciones). When a saved line matches a second or
// later line, `errors` gets `secondOccurrenceText` and then "Old: <name> / New:
// <folder> <name>" (the folder empty without `carpetaIgual`); every match still
// gets the description. An exception is reported to `errors`; lines already
// changed stay changed. Gives the indexes (into `saved`, in order) of the
// saved lines whose description went to no line: those that matched nothing
// and, after a failure, those not looked at.
std::vector<std::size_t>
RecatalogaDescripciones(CatalogueLines& newLines, const std::vector<std::string>& saved,
                        bool carpetaIgual, std::string_view secondOccurrenceText,
                        const RecatalogueProgress& progress, const ErrorSink& errors);

// The checks run before a new catalogue is made, over the header lines of the
// loaded catalogues. Each stops at the first hit; a damaged header raises
// EFormatoCatalogo.

// A disk catalogue with this volume serial; always false with `serialNumberOff`.
bool EsDiscoRepetido(std::string_view serial, std::span<const std::string_view> headers,
                     bool serialNumberOff);

// A folder catalogue with this volume serial whose source path is `path`
// ("E:\Docs") without its drive letter and colon, both sides compared over at
// most 1,024 characters.
bool EsCarpetaRepetida(std::string_view serial, std::string_view path,
                       std::span<const std::string_view> headers);

// A catalogue whose name equals `name` apart from letter case (Spanish letters
// included); either side is read as Windows-1252 when it is not UTF-8.
bool EsNombreRepetido(std::string_view name, std::span<const std::string_view> headers);

} // namespace sorvane
