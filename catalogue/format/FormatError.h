// Exceptions of the catalogue engine and the word that begins internal-error texts.
#pragma once

#include <stdexcept>
#include <string>

namespace sorvane {

// A catalogue line that does not hold what its layout says: too short for the
// position read, a number field with bytes outside the code, a date out of range.
class EFormatoCatalogo : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A text that is not the number or duration it should be.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A routine called with arguments its callers never pass.
class EInternalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The language's word for "internal error" that starts internal-error messages;
// the language layer replaces the English default when a language is applied.
std::string& InternalErrorWord();

} // namespace sorvane
