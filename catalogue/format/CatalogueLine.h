// Field readers of catalogue lines: the header line, folder lines, file lines
// with their nested, media and description blocks, and nested entries. Every
// reader takes a line's bytes and returns a new value; none changes the line.
// Positions are 1-based. A line too short for a position it needs raises
// EFormatoCatalogo; no reader reads outside the line.
#pragma once

#include "platform/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// The characters that give a line its structure.
constexpr char kHeaderMarker = ':';
constexpr char kFolderMarker = '\xFF';
constexpr char kMediaBracket = '\x1A';       // 26: catalogue name; media block
constexpr char kDescriptionBracket = '\x1D'; // 29: source path; description block
constexpr char kItemSeparator = '\x1E';      // 30: items of nested and exclusion blocks
constexpr char kNestedBracket = '\x1F';      // 31: nested block; exclusion block

// Header line.
char DameCabeceraTipo(std::string_view line);
char DameCabeceraUnidad(std::string_view line);
std::string_view DameCabeceraNumSerie(std::string_view line);
std::int64_t DameCabeceraLibre(std::string_view line);
std::int64_t DameCabeceraOcupado(std::string_view line);
std::int32_t DameCabeceraTipoUnidad(std::string_view line);
std::string_view DameCabeceraVolumen(std::string_view line);
std::string_view DameCabeceraNombre(std::string_view line);
std::string_view DameCabeceraRuta(std::string_view line);
bool TieneCabeceraExcluidas(std::string_view line);
std::string_view DameCabeceraExcluidas(std::string_view line);
bool EsCatalogoCarpeta(std::string_view line);
bool EsCatalogoDisco(std::string_view line);

// Folder line.
bool EsLineaCarpeta(std::string_view line);
DateTime DameCarpetaCreado(std::string_view line);
DateTime DameCarpetaModificado(std::string_view line);
std::string_view DameCarpetaAtributos(std::string_view line);
std::string_view DameCarpetaRuta(std::string_view line);
std::string_view DameCarpetaNombre(std::string_view line);
std::string_view DameCarpetaDescripcion(std::string_view line);

// File line.
DateTime DameFicheroModificado(std::string_view line);
DateTime DameFicheroCreado(std::string_view line);
std::uint64_t DameFicheroTamano(std::string_view line);
std::string DameFicheroAtributos(std::string_view line);
std::string_view DameFicheroAtributosExtendidos(std::string_view line);
std::string_view DameFicheroNombre(std::string_view line);
std::string_view DameFicheroExtension(std::string_view line);
std::string_view DameFicheroDescripcion(std::string_view line);
bool TieneAnidados(std::string_view line);
bool TieneMultimedia(std::string_view line);
bool TieneDescripcion(std::string_view line);
// The nested block's items, each followed by character 30; empty without a block.
std::string DameFicheroAnidados(std::string_view line);
// The number of characters 30 in a text.
std::size_t CuentaAnidados(std::string_view text);
// The media block without its brackets; empty when it is missing or unclosed.
std::string_view DameFicheroMultimedia(std::string_view line);

// Any line after the header, by its first character.
std::string_view DameLineaNombre(std::string_view line);
std::string_view DameLineaDescripcion(std::string_view line);
DateTime DameLineaCreado(std::string_view line);
DateTime DameLineaModificado(std::string_view line);

// One nested entry, without its character 30.
DateTime DameAnidadoFecha(std::string_view entry);
std::uint64_t DameAnidadoTamano(std::string_view entry);
std::string_view DameAnidadoAtributos(std::string_view entry);
std::string_view DameAnidadoRuta(std::string_view entry);
std::string_view DameAnidadoNombre(std::string_view entry);

// Description block at the end of a folder or file line.
// Position of the opening character 29 of a trailing description, -1 when none.
std::ptrdiff_t DamePosicionDescripcion(std::string_view line);
std::string_view ExtraeDescripcion(std::string_view line);
std::string_view QuitaDescripcion(std::string_view line);
std::string PonDescripcion(std::string_view line, std::string_view description);
std::string UneDescripciones(std::string_view oldText, std::string_view newText);

// Folder-path tests of the tree and the grid.
bool EsSubcarpetaDirecta(std::string_view folder, std::string_view path);
bool EsSubcarpeta(std::string_view folder, std::string_view path);

} // namespace sorvane
