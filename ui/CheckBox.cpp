// The check box: OnClick follows every change of the checked state.
#include "ui/CheckBox.h"

#include "ui/SlotBarrier.h"

namespace sorvane {

TCheckBox::TCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
    connect(this, &QCheckBox::toggled, this, [this] { Fire(OnClick); });
}

} // namespace sorvane
