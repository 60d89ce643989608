// The disk-usage gauge.
#include "mainwindow/TProgressCyl.h"

#include <QPainter>
#include <algorithm>

namespace sorvane {

TProgressCyl::TProgressCyl(QWidget* parent) : QWidget(parent) {
    setObjectName("DiskGauge");
    setMinimumSize(100, 20);
}

void TProgressCyl::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    SetPosition(position_);
}

void TProgressCyl::SetPosition(int position) {
    position_ = std::clamp(position, min_, max_);
    update();
}

void TProgressCyl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(area, BackColor);
    const int span = max_ - min_;
    const int filled = span > 0 ? area.width() * (position_ - min_) / span : 0;
    painter.fillRect(QRect(area.left(), area.top(), filled, area.height()), ForeColor);
    const int percent = span > 0 ? 100 * (position_ - min_) / span : 0;
    const QString text = QString::number(percent) + "%";
    painter.setPen(ShadowColor);
    painter.drawText(area.translated(1, 1), Qt::AlignCenter, text);
    painter.setPen(FontColor);
    painter.drawText(area, Qt::AlignCenter, text);
}

} // namespace sorvane
