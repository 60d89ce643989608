// The string resources of a Windows executable, read from its bytes: self-
// extracting archives keep the offset of their archive data there. Every
// offset, count and length in the file is checked before it is followed.
#pragma once

#include "archive/arxStream.h"

#include <optional>
#include <string>

namespace sorvane {

// The string resource `id` of the PE executable in `stream`, cut to
// `maxChars` characters; nothing when the file is no PE image, has no such
// string, or a structure on the way lies outside the file.
std::optional<std::u16string> ReadExeStringResource(TArxBaseStream& stream, int id,
                                                    std::size_t maxChars);

} // namespace sorvane
