// TCheckBox: a check box whose OnClick runs whenever its state changes, by a
// click, by the keyboard or from code.
#pragma once

#include <QCheckBox>
#include <functional>

namespace sorvane {

class TCheckBox : public QCheckBox {
    Q_OBJECT

public:
    explicit TCheckBox(const QString& caption = QString(), QWidget* parent = nullptr);

    bool Checked() const { return isChecked(); }
    // Runs OnClick when the state changes; setting the state it has does nothing.
    void SetChecked(bool checked) { setChecked(checked); }

    std::function<void()> OnClick;
};

} // namespace sorvane
