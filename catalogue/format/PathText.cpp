// Path, name and size texts.
#include "catalogue/format/PathText.h"

#include "catalogue/format/FormatError.h"
#include "catalogue/format/StringManager.h"
#include "catalogue/format/TextUtils.h"
#include "platform/Text.h"

#include <algorithm>
#include <vector>

namespace sorvane {
namespace {

constexpr std::size_t kMaxFolderNameChars = 255;
constexpr std::size_t kMaxElementChars = 256;

// size / divisor rounded to the nearest integer, halves to the even neighbour.
std::int64_t RoundedQuotient(std::int64_t size, std::int64_t divisor) {
    const bool negative = size < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(size) : static_cast<std::uint64_t>(size);
    const auto d = static_cast<std::uint64_t>(divisor);
    std::uint64_t quotient = magnitude / d;
    const std::uint64_t twiceRemainder = (magnitude % d) * 2;
    if (twiceRemainder > d || (twiceRemainder == d && quotient % 2 == 1)) ++quotient;
    const auto result = static_cast<std::int64_t>(quotient);
    return negative ? -result : result;
}

std::string SizeText(std::int64_t size, std::string_view bytesWord, std::int64_t bytesLimit,
                     std::int64_t kilobytesLimit) {
    if (size < bytesLimit) return FormatThousands(size) + " " + std::string(bytesWord);
    if (size < kilobytesLimit) return FormatThousands(RoundedQuotient(size, 1024)) + " KB";
    return FormatThousands(RoundedQuotient(size, 1024 * 1024)) + " MB";
}

} // namespace

char32_t WithoutAccent(char32_t c) {
    switch (c) {
    case U'á':
        return U'a';
    case U'é':
        return U'e';
    case U'í':
        return U'i';
    case U'ó':
        return U'o';
    case U'ú':
    case U'ü':
        return U'u';
    case U'Á':
        return U'A';
    case U'É':
        return U'E';
    case U'Í':
        return U'I';
    case U'Ó':
        return U'O';
    case U'Ú':
    case U'Ü':
        return U'U';
    default:
        return c;
    }
}

std::string NombreCarpeta(std::string_view path) {
    const std::size_t at = path.rfind('\\');
    if (at == std::string_view::npos) throw EInternalError("Error interno: NombreCarpeta()");
    if (path == "\\") return {};
    return std::string(text::FirstChars(path.substr(at + 1), kMaxFolderNameChars));
}

std::string_view ExtraeRutaPadre(std::string_view path) {
    const std::size_t at = path.rfind('\\');
    if (at == std::string_view::npos) return {};
    if (at == 0) return path.substr(0, 1);
    return path.substr(0, at);
}

std::string_view ExtraeUltimoElemento(std::string_view path) {
    if (path.size() < 2) return path;
    const std::size_t at = path.rfind('\\', path.size() - 2);
    if (at == std::string_view::npos) return path;
    return text::FirstChars(path.substr(at + 1), kMaxElementChars);
}

std::string_view QuitaExtension(std::string_view name) {
    const std::size_t at = name.rfind('.');
    return at == std::string_view::npos ? name : name.substr(0, at);
}

std::string_view ExtraeExtension(std::string_view name) {
    const std::size_t at = name.rfind('.');
    if (at == std::string_view::npos) return {};
    return text::FirstChars(name.substr(at + 1), kMaxElementChars);
}

void QuitaTildes(std::string& text) {
    if (text::IsAscii(text)) return;
    text = text::MapChars(text, WithoutAccent);
}

// Through the string manager's table or with the Unicode upper-casing, as
// the folding routines upper-case now (TableUpperCase).
void PasaMayusculas(std::string& text) {
    text = TableUpperCase() ? StringManager().MakeUpper(text) : text::Upper(text);
}

void PasaMayusculasSinTildes(std::string& text) {
    PasaMayusculas(text);
    QuitaTildes(text);
}

void LimpiaEtiqueta(std::string& text) {
    text = text::MapChars(text, [](char32_t c) -> char32_t {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '_' || c == '-';
        return kept ? c : U' ';
    });
}

bool EsCaracterProhibido(char32_t c) {
    switch (c) {
    case 10:
    case 13:
    case 26:
    case 27:
    case 29:
    case 30:
    case 31:
    case 255:
    case '"':
    case '*':
    case '.':
    case '/':
    case ':':
    case '<':
    case '>':
    case '?':
    case '[':
    case '\\':
    case ']':
    case '|':
        return true;
    default:
        return false;
    }
}

bool TieneCaracterProhibido(std::string_view name) {
    for (std::size_t pos = 0; pos < name.size();) {
        const text::DecodedChar d = text::DecodeAt(name, pos);
        if (EsCaracterProhibido(d.code) || d.code < 32) return true;
        pos += d.length;
    }
    return false;
}

std::string CaracteresProhibidos(std::string_view name) {
    std::vector<char32_t> seen;
    std::string shown;
    for (std::size_t pos = 0; pos < name.size();) {
        const text::DecodedChar d = text::DecodeAt(name, pos);
        if ((EsCaracterProhibido(d.code) || d.code < 32) &&
            std::find(seen.begin(), seen.end(), d.code) == seen.end()) {
            seen.push_back(d.code);
            if (!shown.empty()) shown += ' ';
            if (d.code < 32)
                shown += "#" + std::to_string(static_cast<unsigned>(d.code));
            else
                shown.append(name.substr(pos, d.length));
        }
        pos += d.length;
    }
    return shown;
}

std::string LimpiaControles(std::string_view text) {
    std::string out(text);
    LimpiaControlesTexto(out);
    return out;
}

void LimpiaControlesTexto(std::string& text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
}

std::string FormateaTamano(std::int64_t size, std::string_view bytesWord) {
    return SizeText(size, bytesWord, 100'000, 10'000'000);
}

std::string FormateaTamanoAmplio(std::int64_t size, std::string_view bytesWord) {
    return SizeText(size, bytesWord, 1'000'000, 100'000'000);
}

} // namespace sorvane
