// Column widths fitted to the titles of every language.
#include "dialogs/TitleWidths.h"

#include "dialogs/Language.h"
#include "platform/Text.h"
#include "ui/StringGrid.h"

#include <algorithm>

namespace sorvane {

int AnchoParaTitulos(const TStringGrid& grid, std::string_view titleKey, int wanted) {
    if (wanted <= 0) return 0;
    std::vector<std::string> titles = TextoEnCadaIdioma("W", titleKey);
    titles.push_back(LeeTextoCapital("W", titleKey));
    int width = wanted;
    for (const std::string& title : titles)
        width = std::max(width, grid.TitleWidthFor(QString::fromStdString(text::AsUtf8(title))));
    return width;
}

} // namespace sorvane
