// The open language file and the lookups of the windows.
#include "dialogs/Language.h"

#include "catalogue/format/TextUtils.h"

namespace sorvane {

TLanguageFile& LanguageFile() {
    static TLanguageFile file;
    return file;
}

std::string& LanguageDefaultText() {
    static std::string text = "File Language Error";
    return text;
}

void AbreIdioma(const std::string& path) {
    LanguageFile() = TLanguageFile(path);
}

std::string LeeTexto(std::string_view section, std::string_view key) {
    return LanguageFile().ReadString(section, key, LanguageDefaultText());
}

std::string LeeTextoCapital(std::string_view section, std::string_view key) {
    const std::string text = LeeTexto(section, key);
    return text.empty() ? text : CapitalizeFirst(text);
}

} // namespace sorvane
