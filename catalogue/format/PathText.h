// Routines on catalogue paths and names ("\" separated), upper-casing and accent
// removal for comparisons, label and control-character cleaning, and size texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// The last element of a folder path: empty for "\", at most 255 characters.
// Raises EInternalError "Error interno: NombreCarpeta()" for a path without "\".
std::string NombreCarpeta(std::string_view path);

// The text before the last "\"; "\" when that is the first character; empty without "\".
std::string_view ExtraeRutaPadre(std::string_view path);

// The path itself without "\"; otherwise the text after the last "\" that is not
// the final character (a trailing "\" stays on), at most 256 characters.
std::string_view ExtraeUltimoElemento(std::string_view path);

// The name before its last "."; the whole name without ".".
std::string_view QuitaExtension(std::string_view name);

// The text after the last ".", at most 256 characters; empty without ".".
std::string_view ExtraeExtension(std::string_view name);

// Replaces the acute vowels and u with diaeresis, small and capital, by their
// plain vowels; every other character stays (n with tilde included).
void QuitaTildes(std::string& text);
// The same for one character.
char32_t WithoutAccent(char32_t c);

// Upper-cases the text character for character: through the string manager's
// table or with the Unicode upper-casing, by TableUpperCase (StringManager.h).
void PasaMayusculas(std::string& text);

// The normal form of texts compared by the search and the sort keys.
void PasaMayusculasSinTildes(std::string& text);

// Every character that is not an ASCII letter, digit, "_" or "-" becomes a blank.
void LimpiaEtiqueta(std::string& text);

// The characters the name box of a catalogue or a new collection refuses when
// typed: codes 10, 13, 26, 27, 29, 30, 31, 255 and " * . / : < > ? [ \ ] |.
bool EsCaracterProhibido(char32_t c);
// True when a name holds a refused character or any control character: what
// a pasted name brings past the key filter.
bool TieneCaracterProhibido(std::string_view name);
// The refused characters of `name` (as TieneCaracterProhibido finds them), each
// once in the order met and separated by blanks, as a message shows them: a
// printable one as itself, a control character as "#" and its code.
std::string CaracteresProhibidos(std::string_view name);

// Every byte below 32 replaced by a blank.
std::string LimpiaControles(std::string_view text);
void LimpiaControlesTexto(std::string& text);

// Size texts for the grids: bytes below 100,000, KB below 10,000,000, else MB,
// rounded half to even. `bytesWord` is the language's word for bytes.
std::string FormateaTamano(std::int64_t size, std::string_view bytesWord);

// The same with the thresholds 1,000,000 and 100,000,000 (collector totals).
std::string FormateaTamanoAmplio(std::int64_t size, std::string_view bytesWord);

} // namespace sorvane
