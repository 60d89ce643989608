// The rows of the tab-separated catalogue export.
#include "catalogue/format/ExportRows.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/FormatError.h"

namespace sorvane {
namespace {

void Quoted(std::string& row, std::string_view text) {
    row.push_back('"');
    row.append(text);
    row.push_back('"');
}

// The date as the export writes it, or nothing for a date field that does not decode.
template <typename Read> std::string DateField(const ExportDateText& date, Read read) {
    try {
        return date(read());
    } catch (const EFormatoCatalogo&) {
        return {};
    }
}

} // namespace

void FilasExportacion(const CatalogueLines& lines, std::optional<std::string_view> catalogue,
                      bool nested, const ExportDateText& date, CatalogueLines& rows) {
    std::string folder;
    std::string row;
    // Each row starts with the catalogue column when there is one.
    const auto start = [&] {
        row.clear();
        if (catalogue) {
            Quoted(row, *catalogue);
            row.push_back('\t');
        }
        Quoted(row, folder);
        row.push_back('\t');
    };
    for (std::size_t i = 1; i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i);
        if (EsLineaCarpeta(line)) {
            folder = DameCarpetaRuta(line);
            continue;
        }
        const std::string_view name = DameFicheroNombre(line);
        start();
        Quoted(row, name);
        row.push_back('\t');
        row.append(std::to_string(DameFicheroTamano(line))).push_back('\t');
        row.append(DateField(date, [&] { return DameFicheroModificado(line); })).push_back('\t');
        row.append(DateField(date, [&] { return DameFicheroCreado(line); })).push_back('\t');
        Quoted(row, DameFicheroAtributos(line));
        row.push_back('\t');
        Quoted(row, DameFicheroDescripcion(line));
        rows.Add(row);
        if (!nested || !TieneAnidados(line)) continue;
        const std::string members = DameFicheroAnidados(line);
        std::size_t begin = 0;
        for (std::size_t end = members.find(kItemSeparator); end != std::string::npos;
             begin = end + 1, end = members.find(kItemSeparator, begin)) {
            const std::string_view entry = std::string_view(members).substr(begin, end - begin);
            start();
            Quoted(row, DameAnidadoRuta(entry));
            row.push_back('\t');
            row.append(std::to_string(DameAnidadoTamano(entry))).push_back('\t');
            row.append(DateField(date, [&] { return DameAnidadoFecha(entry); }));
            row.append("\t\t");
            Quoted(row, DameAnidadoAtributos(entry));
            row.push_back('\t');
            Quoted(row, name);
            rows.Add(row);
        }
    }
}

} // namespace sorvane
