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

namespace {

// The folder of the language file opened last, ending in "/"; empty at first.
std::string& LanguageFolder() {
    static std::string folder;
    return folder;
}

} // namespace

void AbreIdioma(const std::string& path) {
    LanguageFile() = TLanguageFile(path);
    const std::size_t slash = path.rfind('/');
    LanguageFolder() = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::vector<std::string> TextoEnCadaIdioma(std::string_view section, std::string_view key) {
    std::vector<std::string> texts;
    for (const char* file : {"english.ini", "spanish.ini"}) {
        const std::string text =
            TLanguageFile(LanguageFolder() + file).ReadString(section, key, "");
        if (!text.empty()) texts.push_back(CapitalizeFirst(text));
    }
    return texts;
}

std::string LeeTexto(std::string_view section, std::string_view key) {
    return LanguageFile().ReadString(section, key, LanguageDefaultText());
}

std::string LeeTextoCapital(std::string_view section, std::string_view key) {
    const std::string text = LeeTexto(section, key);
    return text.empty() ? text : CapitalizeFirst(text);
}

} // namespace sorvane
