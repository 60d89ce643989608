// The pictures of the main window's tool buttons: the desktop theme's icon
// where the theme has one, else a standard picture of the style, and a few
// pictures of our own for actions no standard picture shows.
#pragma once

#include <QIcon>
#include <QSize>
#include <QStyle>

namespace sorvane {

// The size every tool button of the main window shows its picture at.
inline constexpr QSize kToolIconSize{16, 16};

// The theme's icon `name`, or the style's picture `fallback` when the theme has none.
QIcon IconoTema(const char* name, QStyle::StandardPixmap fallback);

// Pictures of our own, used where the theme has none.
enum class Glyph {
    Cut,         // scissors
    Paste,       // a clipboard
    PasteTop,    // a clipboard under an arrow up
    Print,       // a printer
    Colours,     // four colour patches
    FlagEnglish, // the flag of the United Kingdom
    FlagSpanish, // the flag of Spain
};
QIcon IconoPropio(Glyph glyph);

// The theme's icon `name`, or our own picture when the theme has none.
QIcon IconoTema(const char* name, Glyph fallback);

} // namespace sorvane
