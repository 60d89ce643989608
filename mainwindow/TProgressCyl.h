// The disk-usage gauge beside the tree: a position within a range, drawn as a
// filled bar with its percentage.
#pragma once

#include <QColor>
#include <QWidget>

namespace sorvane {

class TProgressCyl : public QWidget {
    Q_OBJECT

public:
    explicit TProgressCyl(QWidget* parent = nullptr);

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    void SetRange(int min, int max);
    void SetPosition(int position);

    QColor ForeColor{0, 0, 255};
    QColor BackColor{255, 0, 255};
    QColor FontColor{255, 255, 0};
    QColor ShadowColor{0, 0, 0};

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};

} // namespace sorvane
