// The tips window.
#include "dialogs/TFTips.h"

#include "catalogue/format/TextUtils.h"
#include "dialogs/Language.h"
#include "dialogs/Modal.h"
#include "platform/Text.h"
#include "ui/CheckBox.h"
#include "ui/Named.h"
#include "ui/SlotBarrier.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <chrono>
#include <cstdio>
#include <random>

namespace sorvane {
namespace {

QString Q(const std::string& bytes) {
    return QString::fromStdString(text::AsUtf8(bytes));
}

int SorteoDelReloj(int count) {
    std::mt19937 generator(
        static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
    return std::uniform_int_distribution<int>(0, count - 1)(generator);
}

} // namespace

std::function<int(int)>& TFTips::Sorteo() {
    static std::function<int(int)> draw = SorteoDelReloj;
    return draw;
}

TFTips::TFTips(TCheckBox& tipsOff, QWidget* parent) : QDialog(parent), tipsOff_(tipsOff) {
    setObjectName("FTips");
    setModal(true);
    resize(460, 240);

    MTip = Named<QPlainTextEdit>("MTip", this);
    MTip->setReadOnly(true);
    LTipCurso = Named<QLabel>("LTipCurso", this);
    BBPrevTip = Named<QPushButton>("BBPrevTip", this);
    BBNextTip = Named<QPushButton>("BBNextTip", this);
    CBNuncaMas = Named<TCheckBox>("CBNuncaMas", this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MTip, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CBNuncaMas);
    bottom->addStretch();
    bottom->addWidget(LTipCurso);
    bottom->addWidget(BBPrevTip);
    bottom->addWidget(BBNextTip);
    layout->addLayout(bottom);

    connect(BBPrevTip, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBPrevTipClick(); }); });
    connect(BBNextTip, &QPushButton::clicked, this,
            [this] { Guarded([this] { BBNextTipClick(); }); });
}

void TFTips::FormShow() {
    setWindowTitle(Q(LeeTextoCapital("L", "GB_TIPS")));
    BBPrevTip->setText(Q(LeeTextoCapital("W", "ANTERIOR")));
    BBNextTip->setText(Q(LeeTextoCapital("W", "SIGUIENTE")));
    CBNuncaMas->setText(Q(LeeTextoCapital("L", "GB_TIPS_NO")));
    const int drawn = Sorteo()(NumeroTips());
    TipActual = drawn == 0 ? 1 : drawn;
    MuestraTip(TipActual);
}

void TFTips::MuestraTip(int n) {
    TipActual = n;
    char key[16];
    std::snprintf(key, sizeof key, "TIP%.2d", n);
    MTip->setPlainText(Q(LeeTexto("T", key)));
    LTipCurso->setText(QString("%1 / %2").arg(n).arg(NumeroTips()));
}

void TFTips::BBNextTipClick() {
    if (TipActual < NumeroTips()) MuestraTip(TipActual + 1);
}

void TFTips::BBPrevTipClick() {
    if (TipActual > 1) MuestraTip(TipActual - 1);
}

void TFTips::FormClose() {
    tipsOff_.SetChecked(CBNuncaMas->Checked());
}

void MuestraTips(QWidget* owner, TCheckBox& tipsOff) {
    TFTips tips(tipsOff, owner);
    tips.FormShow();
    MuestraModal(tips);
    tips.FormClose();
}

} // namespace sorvane
