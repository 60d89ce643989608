// The tips window: one of the language file's tips, with buttons to the
// previous and the next one, and the switch that stops the tips at start.
// Made for one showing.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace sorvane {

class TCheckBox;

class TFTips : public QDialog {
    Q_OBJECT

public:
    // `tipsOff` is the configuration page's "no tips at start" (CBTipsComienzo).
    explicit TFTips(TCheckBox& tipsOff, QWidget* parent = nullptr);

    static constexpr int NumeroTips() { return 23; }

    // The draw of the first tip: a number from 0 to count - 1. Drawn from a
    // generator seeded by the clock; tests replace it.
    static std::function<int(int count)>& Sorteo();

    // The texts in the current language, then a tip drawn at random (1 when
    // the draw gives 0, so tip 23 is never the first one).
    void FormShow();
    // Shows tip `n` and its position ("7 / 23").
    void MuestraTip(int n);
    // The next or the previous tip; nothing at either end.
    void BBNextTipClick();
    void BBPrevTipClick();
    // The configuration page's "no tips at start" takes the state of CBNuncaMas.
    void FormClose();

    int TipActual = 1;
    QPlainTextEdit* MTip;
    QLabel* LTipCurso;
    QPushButton *BBPrevTip, *BBNextTip;
    TCheckBox* CBNuncaMas;

private:
    TCheckBox& tipsOff_;
};

// Makes the tips window, shows it modally, runs its close and frees it.
void MuestraTips(QWidget* owner, TCheckBox& tipsOff);

} // namespace sorvane
