// The radio group: one QRadioButton per item in an exclusive QButtonGroup.
#include "ui/RadioGroup.h"

#include "ui/SlotBarrier.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

namespace sorvane {

TRadioGroup::TRadioGroup(const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)), layout_(new QGridLayout(this)) {
    group_->setExclusive(true);
}

void TRadioGroup::SetItems(const QStringList& items) {
    items_ = items;
    if (itemIndex_ >= Count()) itemIndex_ = -1;
    Rebuild();
}

void TRadioGroup::SetItem(int index, const QString& text) {
    if (index < 0 || index >= Count()) return;
    items_[index] = text;
    buttons_[static_cast<std::size_t>(index)]->setText(text);
}

void TRadioGroup::SetColumns(int columns) {
    columns_ = std::max(columns, 1);
    Rebuild();
}

QRadioButton* TRadioGroup::Button(int index) const {
    if (index < 0 || index >= static_cast<int>(buttons_.size())) return nullptr;
    return buttons_[static_cast<std::size_t>(index)];
}

void TRadioGroup::Rebuild() {
    for (QRadioButton* button : buttons_) {
        group_->removeButton(button);
        delete button;
    }
    buttons_.clear();
    const int count = Count();
    const int perColumn = (count + columns_ - 1) / columns_;
    for (int i = 0; i < count; ++i) {
        auto* button = new QRadioButton(items_[i], this);
        group_->addButton(button, i);
        layout_->addWidget(button, i % std::max(perColumn, 1), i / std::max(perColumn, 1));
        button->setChecked(i == itemIndex_);
        // Connected after the initial check, so building runs no handler.
        connect(button, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) Choose(i);
        });
        buttons_.push_back(button);
    }
}

void TRadioGroup::SetItemIndex(int index) {
    index = std::clamp(index, -1, Count() - 1);
    if (index == itemIndex_) return;
    if (index < 0) {
        // An exclusive group never lets its last checked button go.
        QRadioButton* checked = Button(itemIndex_);
        group_->setExclusive(false);
        if (checked) checked->setChecked(false);
        group_->setExclusive(true);
        Choose(-1);
        return;
    }
    // Checking the button runs Choose through its toggled signal.
    Button(index)->setChecked(true);
}

void TRadioGroup::Choose(int index) {
    if (index == itemIndex_) return;
    itemIndex_ = index;
    Fire(OnClick);
}

} // namespace sorvane
