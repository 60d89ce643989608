// The program-wide language state: the open language file, the text a missing
// key gives, and the lookups every window reads its texts through.
#pragma once

#include "dialogs/LanguageFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace sorvane {

// The program's name and version, which CargaIdioma sets; the application
// title is the two joined by a blank.
inline std::string NombrePrograma = "Sorvane";
inline std::string VersionPrograma = "2.22";

// The language file now open; empty until the first AbreIdioma.
TLanguageFile& LanguageFile();

// The text a missing section or key gives; "File Language Error" at start.
std::string& LanguageDefaultText();

// Replaces the open language file by the one at `path`; a missing file opens
// empty, so every lookup then gives the default text.
void AbreIdioma(const std::string& path);

// The text of the key in each language file of the program (english.ini and
// spanish.ini beside the one AbreIdioma opened), capitalised; files or keys
// that are missing give nothing.
std::vector<std::string> TextoEnCadaIdioma(std::string_view section, std::string_view key);

// LanguageFile()[section][key], or LanguageDefaultText() when missing.
std::string LeeTexto(std::string_view section, std::string_view key);

// LeeTexto with its first character upper-cased; an empty text stays empty.
std::string LeeTextoCapital(std::string_view section, std::string_view key);

} // namespace sorvane
