// The texts the language layer writes over the standing windows: one table of
// bindings, each naming its window and control by object name, and the one
// routine that applies the table with the open language file.
#pragma once

#include <QString>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace sorvane {

// What of a control a binding writes.
enum class BindingSlot {
    Caption, // a window's title, a page's tab text, a group box's title, the text of a button,
             // label or edit
    Hint,    // the pop-up hint
    Item,    // one line of a TRadioGroup
};

// One piece of a binding's text; the pieces are joined in order.
struct TextPart {
    enum Kind { Lookup, Literal, Version, AppTitle };
    Kind kind = Lookup;
    std::string_view section; // Lookup: "W", "L", "H", "M" or "T"
    std::string_view key;     // Lookup: the key; Literal: the text itself
    bool capital = false;     // Lookup: the first character upper-cased
    bool ownDefault = false;  // Lookup: "Language File Error" instead of LanguageDefaultText()
};

// A control of a window, both by object name; an empty control is the window itself.
struct ControlRef {
    std::string_view window;
    std::string_view control;
    BindingSlot slot = BindingSlot::Caption;
    int item = -1; // BindingSlot::Item: the line of the radio group

    bool operator==(const ControlRef&) const = default;
};

struct LanguageBinding {
    ControlRef target;
    std::vector<TextPart> parts;      // the text, when it is not copied
    std::optional<ControlRef> copyOf; // the text the named control holds when this binding runs
};

// Every binding, in the order CargaIdioma writes them (window by window, as
// the language layer lists them); where a control is written twice the later
// text stays.
const std::vector<LanguageBinding>& LanguageBindings();

// A control that the table binds and that later work builds; until then its
// binding is skipped. `reason` says which work builds it.
struct PendingControl {
    std::string_view window;
    std::string_view control;
    std::string_view reason;
};
const std::vector<PendingControl>& PendingControls();

// The text of a binding's parts with the open language file (not of a copy).
std::string TextoDePartes(const std::vector<TextPart>& parts);

// The control `control` of `window` (a widget whose nearest window is
// `window`), or `window` itself for an empty name; nullptr when there is none.
QWidget* BuscaControl(QWidget* window, std::string_view control);

// Reads or writes the slot of a control as a binding sees it. Writing returns
// false when the control has no such slot (a widget of another kind, an item
// outside a radio group's lines); reading gives an empty text then.
QString LeeTextoControl(QWidget* control, BindingSlot slot, int item = -1);
bool EscribeTextoControl(QWidget* control, BindingSlot slot, int item, const QString& text);

struct ResultadoTextos {
    std::vector<const LanguageBinding*> missing;    // window, control or copied control absent
    std::vector<const LanguageBinding*> unwritable; // control present without the slot
};

// Applies every binding, in table order, to the windows among `windows`
// (matched by object name). Nothing is created; what cannot be written is
// returned.
ResultadoTextos AplicaTextos(std::span<QWidget* const> windows);

} // namespace sorvane
