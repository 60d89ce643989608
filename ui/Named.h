// Named: the one step every window builder repeats — a new control of a
// parent, its object name (by which the tests and the language files find
// it), and, where given, its place at the end of a layout.
#pragma once

#include <QLayout>
#include <QString>
#include <QWidget>
#include <type_traits>

namespace sorvane {

// A new `W` owned by `parent` and called `name`.
template <typename W> W* Named(const char* name, QWidget* parent) {
    // The check box of ui/ takes its caption first.
    W* widget;
    if constexpr (std::is_constructible_v<W, QWidget*>)
        widget = new W(parent);
    else
        widget = new W(QString(), parent);
    widget->setObjectName(name);
    return widget;
}

// The same, added last to `layout` when there is one.
template <typename W> W* Named(const char* name, QWidget* parent, QLayout* layout) {
    W* widget = Named<W>(name, parent);
    if (layout != nullptr) layout->addWidget(widget);
    return widget;
}

} // namespace sorvane
