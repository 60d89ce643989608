// Conversions between the engine's texts (bytes, UTF-8 as a rule) and the
// QStrings the controls show.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace sorvane {

// The text to show for engine bytes: read as UTF-8 when they are valid UTF-8,
// otherwise as Windows-1252 (a field written on Windows).
QString DisplayText(std::string_view bytes);

// A control's text as UTF-8 bytes for the engine.
std::string EngineText(const QString& text);

} // namespace sorvane
