// Default column widths that show a grid's titles whole in either language.
#pragma once

#include <string_view>

namespace sorvane {

class TStringGrid;

// `wanted`, widened to the title of `titleKey` (a "W" word, capitalised) as
// the grid draws it in the language in use and in every language file of the
// program; 0 stays 0 (a hidden column).
int AnchoParaTitulos(const TStringGrid& grid, std::string_view titleKey, int wanted);

} // namespace sorvane
