// Reads the user's numeric locale once.
#include "platform/Locale.h"

#include <clocale>
#include <langinfo.h>
#include <locale.h>

namespace sorvane {
namespace {

std::string ReadThousandsSeparator() {
    locale_t user = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (user == static_cast<locale_t>(0)) return ",";
    std::string separator = ::nl_langinfo_l(THOUSEP, user);
    ::freelocale(user);
    return separator.empty() ? std::string(",") : separator;
}

} // namespace

const std::string& ThousandsSeparator() {
    static const std::string separator = ReadThousandsSeparator();
    return separator;
}

} // namespace sorvane
