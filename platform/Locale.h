// Number formatting facts of the user's locale.
#pragma once

#include <string>

namespace sorvane {

// The thousands separator of the user's numeric locale (LC_ALL, LC_NUMERIC,
// LANG); "," when the locale has none, as the C locale does.
const std::string& ThousandsSeparator();

} // namespace sorvane
