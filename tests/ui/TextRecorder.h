// A paint device for tests that keeps every text drawn on it with where it was
// drawn, so a test reads back the texts a widget shows.
#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTransform>
#include <algorithm>
#include <climits>
#include <vector>

namespace sorvane::test {

// A paint device that keeps every text drawn on it with where it was drawn,
// so a test reads back what the user would read.
class TextRecorder : public QPaintDevice {
public:
    struct Drawn {
        QPointF at;
        QString text;
    };

    explicit TextRecorder(QSize size) : size_(size), engine_(*this) {}
    QPaintEngine* paintEngine() const override { return &engine_; }

    // The texts drawn with their starting point inside `area`, left to right.
    QString TextIn(const QRect& area) const {
        std::vector<Drawn> inside;
        for (const Drawn& d : drawn)
            if (area.contains(d.at.toPoint())) inside.push_back(d);
        std::stable_sort(inside.begin(), inside.end(),
                         [](const Drawn& a, const Drawn& b) { return a.at.x() < b.at.x(); });
        QString text;
        for (const Drawn& d : inside)
            text += d.text;
        return text;
    }

    std::vector<Drawn> drawn;

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmWidthMM:
            return size_.width() * 254 / 960;
        case PdmHeightMM:
            return size_.height() * 254 / 960;
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
        }
    }

private:
    class Engine : public QPaintEngine {
    public:
        explicit Engine(TextRecorder& device) : QPaintEngine(AllFeatures), device_(device) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& state) override {
            if (state.state() & DirtyTransform) transform_ = state.transform();
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPath(const QPainterPath&) override {}
        void drawTextItem(const QPointF& at, const QTextItem& item) override {
            device_.drawn.push_back({transform_.map(at), item.text()});
        }
        Type type() const override { return User; }

    private:
        TextRecorder& device_;
        QTransform transform_;
    };

    QSize size_;
    mutable Engine engine_;
};

} // namespace sorvane::test
