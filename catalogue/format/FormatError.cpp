// The shared internal-error word.
#include "catalogue/format/FormatError.h"

namespace sorvane {

std::string& InternalErrorWord() {
    static std::string word = "internal error";
    return word;
}

} // namespace sorvane
