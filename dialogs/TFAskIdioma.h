// The language question of a first start: English or Spanish, asked in both
// languages, since no language is chosen yet. Made for one showing.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace sorvane {

class TRadioGroup;

class TFAskIdioma : public QDialog {
    Q_OBJECT

public:
    // `idioma` is the main window's language switch (RGIdioma).
    explicit TFAskIdioma(TRadioGroup& idioma, QWidget* parent = nullptr);

    // The language switch to English, or to Spanish; then closes.
    void BInglesClick();
    void BEspanolClick();

    QLabel *LIngles, *LEspanol;
    QPushButton *BIngles, *BEspanol;

private:
    TRadioGroup& idioma_;
};

} // namespace sorvane
