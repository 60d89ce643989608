// The status bar's panels.
#include "ui/StatusBar.h"

#include "ui/DisplayText.h"

#include <QLabel>
#include <algorithm>
#include <stdexcept>

namespace sorvane {

QString TStatusPanel::Text() const {
    return label_->text();
}
void TStatusPanel::SetText(const QString& text) {
    label_->setText(text);
}
void TStatusPanel::SetText(std::string_view bytes) {
    label_->setText(DisplayText(bytes));
}

int TStatusPanel::Width() const {
    return label_->minimumWidth() == label_->maximumWidth() ? label_->minimumWidth() : 0;
}

void TStatusPanel::SetWidth(int width) {
    if (width > 0) {
        label_->setFixedWidth(width);
    } else {
        label_->setMinimumWidth(0);
        label_->setMaximumWidth(QWIDGETSIZE_MAX);
    }
}

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent) {}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetPanelCount(int count) {
    count = std::max(count, 0);
    while (PanelCount() > count) {
        QLabel* label = panels_.back()->Label();
        removeWidget(label);
        delete label;
        panels_.pop_back();
    }
    while (PanelCount() < count)
        AddPanel();
    UpdateStretch();
}

TStatusPanel& TStatusBar::AddPanel(int width) {
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    panels_.push_back(std::make_unique<TStatusPanel>(label));
    panels_.back()->SetWidth(width);
    UpdateStretch();
    return *panels_.back();
}

TStatusPanel& TStatusBar::Panels(int index) {
    if (index < 0 || index >= PanelCount())
        throw std::out_of_range("Status bar panel index out of range");
    return *panels_[static_cast<std::size_t>(index)];
}

const TStatusPanel& TStatusBar::Panels(int index) const {
    return const_cast<TStatusBar*>(this)->Panels(index);
}

void TStatusBar::UpdateStretch() {
    // QStatusBar keeps a widget's stretch from when it was added: add again.
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        QLabel* label = panels_[i]->Label();
        removeWidget(label);
        addWidget(label, i + 1 == panels_.size() ? 1 : 0);
        label->show();
    }
}

} // namespace sorvane
