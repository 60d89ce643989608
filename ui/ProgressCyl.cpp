// The cylinder gauge: geometry, range arithmetic, colour factors and drawing.
#include "ui/ProgressCyl.h"

#include <QEnterEvent>
#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace sorvane {

namespace {

int Clamp255(double value) {
    return static_cast<int>(std::clamp<long>(std::lround(value), 0, 255));
}

QColor Shifted(const QColor& c, int delta) {
    return QColor(std::clamp(c.red() + delta, 0, 255), std::clamp(c.green() + delta, 0, 255),
                  std::clamp(c.blue() + delta, 0, 255));
}

// A one-pixel ring at `inset` from every edge: top and left in `topLeft`,
// bottom and right in `bottomRight`.
void Ring(QImage& image, int inset, QRgb topLeft, QRgb bottomRight) {
    const int left = inset, top = inset;
    const int right = image.width() - 1 - inset, bottom = image.height() - 1 - inset;
    if (left > right || top > bottom) return;
    auto* const first = reinterpret_cast<QRgb*>(image.scanLine(top));
    auto* const last = reinterpret_cast<QRgb*>(image.scanLine(bottom));
    for (int x = left; x <= right; ++x) {
        first[x] = topLeft;
        last[x] = bottomRight;
    }
    for (int y = top; y <= bottom; ++y) {
        auto* const row = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (y != bottom) row[left] = topLeft;
        if (y != top) row[right] = bottomRight;
    }
}

} // namespace

// ---- TPCColorStyle --------------------------------------------------------------

void TPCColorStyle::SetIntensityRGB(int value) {
    if (value == intensityRGB_) return;
    intensityRGB_ = value;
    Changed();
}

void TPCColorStyle::SetIntensity(float value) {
    if (value == intensity_ || value == 0.0f) return;
    intensity_ = value;
    Changed();
}

void TPCColorStyle::SetIntensityFactor(float value) {
    if (value == intensityFactor_) return;
    intensityFactor_ = value;
    Changed();
}

void TPCColorStyle::SetRangeRGB(int value) {
    if (value == rangeRGB_ || value == 0) return;
    rangeRGB_ = value;
    Changed();
}

void TPCColorStyle::SetColorRGB(int value) {
    if (value == colorRGB_) return;
    colorRGB_ = value;
    Changed();
}

void TPCColorStyle::SetColorFactor(float value) {
    if (value == colorFactor_) return;
    colorFactor_ = value;
    Changed();
}

void TPCColorStyle::SetLightAngle(float value) {
    if (value == lightAngle_ || value == 0.0f) return;
    lightAngle_ = value;
    Changed();
}

double TPCColorStyle::ChannelFactor(int channel) const {
    const double c = channel;
    return ((c * intensityFactor_ + intensityRGB_) / intensity_ + c) / rangeRGB_;
}

void TPCColorStyle::Changed() {
    if (owner_ != nullptr) owner_->StyleChanged();
}

// ---- TProgressCyl ---------------------------------------------------------------

TProgressCyl::TProgressCyl(QWidget* parent) : QWidget(parent) {
    // The picture covers the whole control: no background is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont face("Arial", 9, QFont::Bold);
    face.setStyleHint(QFont::SansSerif);
    setFont(face);
    resize(150, 22);
    ComputeColours();
    ComputeFill();
    constructing_ = false;
}

TProgressCyl::~TProgressCyl() = default;

bool TProgressCyl::GeometryFits(int bevelWidth, int borderWidth, int w, int h) {
    if (bevelWidth < 0 || borderWidth < 0 || w <= 0 || h <= 0) return false;
    const long long b = 2LL * bevelWidth + borderWidth;
    return w - 2 * b >= 1 && h - 2 * b >= 1;
}

QColor TProgressCyl::Resolve(const TPCColor& colour) const {
    return colour.role == QPalette::NoRole ? colour.rgb : palette().color(colour.role);
}

void TProgressCyl::ComputeColours() {
    const auto factors = [this](const TPCColor& colour, const TPCColorStyle& style) {
        const QColor c = Resolve(colour);
        Factors f;
        f.c[0] = style.ChannelFactor(c.red());
        f.c[1] = style.ChannelFactor(c.green());
        f.c[2] = style.ChannelFactor(c.blue());
        return f;
    };
    fore_ = factors(foreColor_, foreStyle_);
    foreLine_ = factors(foreLineColor_, foreStyle_);
    back_ = factors(backColor_, backStyle_);
}

bool TProgressCyl::ComputeFill() {
    // 64-bit ends: the span of the widest range does not fit an int.
    const std::int64_t span = static_cast<std::int64_t>(max_) - min_;
    const double fraction =
        span > 0 ? static_cast<double>(static_cast<std::int64_t>(position_) - min_) / span : 0.0;
    const int percent = static_cast<int>(std::lround(fraction * 100));
    const int extent = orientation_ == TPCOrientation::Horizontal ? width() : height();
    const int b = 2 * bevelWidth_ + borderWidth_;
    const int length =
        static_cast<int>(std::lround(extent * fraction) - std::lround(2.0 * b * fraction));
    const int end = std::max(b + length, b + 1);
    const bool changed = percent != percent_ || end != fillEnd_;
    percent_ = percent;
    fillEnd_ = end;
    return changed;
}

void TProgressCyl::Repaint() {
    ++repaintRequests_;
    update();
}

void TProgressCyl::StyleChanged() {
    if (constructing_) return;
    proEffect_ = TProEffect::peCustom;
    ComputeColours();
    Repaint();
}

void TProgressCyl::SetMin(int value) {
    if (value == max_) {
        if (max_ == INT_MIN) return;
        value = max_ - 1;
    }
    if (value >= max_) return;
    min_ = value;
    position_ = std::clamp(position_, min_, max_);
    ComputeFill();
    Repaint();
}

void TProgressCyl::SetMax(int value) {
    if (value == min_) {
        if (min_ == INT_MAX) return;
        value = min_ + 1;
    }
    if (value <= min_) return;
    max_ = value;
    position_ = std::clamp(position_, min_, max_);
    ComputeFill();
    Repaint();
}

void TProgressCyl::SetRange(int min, int max) {
    if (min >= max) return;
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, min_, max_);
    ComputeFill();
    Repaint();
}

void TProgressCyl::SetPosition(int value) {
    position_ = std::clamp(value, min_, max_);
    if (!ComputeFill()) return;
    if (position_ == max_ && OnProgressDone) OnProgressDone();
    Repaint();
}

void TProgressCyl::SetOrientation(TPCOrientation value) {
    if (value == orientation_) return;
    orientation_ = value;
    ComputeFill();
    Repaint();
}

#define SORVANE_COLOUR_SETTER(Name, member)                                                        \
    void TProgressCyl::Set##Name(TPCColor value) {                                                 \
        if (value == member) return;                                                               \
        member = value;                                                                            \
        ComputeColours();                                                                          \
        Repaint();                                                                                 \
    }
SORVANE_COLOUR_SETTER(ForeColor, foreColor_)
SORVANE_COLOUR_SETTER(ForeLineColor, foreLineColor_)
SORVANE_COLOUR_SETTER(BackColor, backColor_)
SORVANE_COLOUR_SETTER(BackBorderColor, backBorderColor_)
SORVANE_COLOUR_SETTER(BevelColor, bevelColor_)
SORVANE_COLOUR_SETTER(Color, color_)
SORVANE_COLOUR_SETTER(FontColor, fontColor_)
SORVANE_COLOUR_SETTER(FontShadowColor, fontShadowColor_)
#undef SORVANE_COLOUR_SETTER

void TProgressCyl::SetBevelOuter(TPCBevel value) {
    if (value == bevelOuter_) return;
    bevelOuter_ = value;
    Repaint();
}

void TProgressCyl::SetBevelInner(TPCBevel value) {
    if (value == bevelInner_) return;
    bevelInner_ = value;
    Repaint();
}

void TProgressCyl::SetBevelWidth(int value) {
    if (value == bevelWidth_ || !GeometryFits(value, borderWidth_, width(), height())) return;
    bevelWidth_ = value;
    ComputeFill();
    Repaint();
}

void TProgressCyl::SetBorderWidth(int value) {
    if (value == borderWidth_ || !GeometryFits(bevelWidth_, value, width(), height())) return;
    borderWidth_ = value;
    ComputeFill();
    Repaint();
}

void TProgressCyl::SetCylinderEffect(TCylinderEffect value) {
    if (value == cylinderEffect_) return;
    cylinderEffect_ = value;
    Repaint();
}

void TProgressCyl::SetShowText(bool value) {
    if (value == showText_) return;
    showText_ = value;
    Repaint();
}

void TProgressCyl::SetText(const QString& value) {
    if (value == text_) return;
    text_ = value;
    Repaint();
}

void TProgressCyl::SetTextDone(const QString& value) {
    if (value == textDone_) return;
    textDone_ = value;
    Repaint();
}

void TProgressCyl::SetFontEffect(TFontEffect value) {
    if (value == fontEffect_) return;
    fontEffect_ = value;
    Repaint();
}

void TProgressCyl::SetFontOrientation(TFontOrientation value) {
    if (value == fontOrientation_) return;
    fontOrientation_ = value;
    Repaint();
}

QString TProgressCyl::ShownText() const {
    if (!textDone_.isEmpty() && percent_ == 100) return textDone_;
    return QString::number(percent_) + text_;
}

void TProgressCyl::paintEvent(QPaintEvent*) {
    if (!GeometryOk()) return;
    if (image_.size() != size()) image_ = QImage(size(), QImage::Format_RGB32);
    Draw(image_);
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

void TProgressCyl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!GeometryOk()) return;
    image_ = QImage(size(), QImage::Format_RGB32);
    ComputeFill();
}

void TProgressCyl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        ComputeColours();
        Repaint();
        break;
    case QEvent::FontChange:
        Repaint();
        break;
    default:
        break;
    }
}

void TProgressCyl::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (OnMouseEnter) OnMouseEnter();
    Repaint();
}

void TProgressCyl::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (OnMouseLeave) OnMouseLeave();
    Repaint();
}

void TProgressCyl::Draw(QImage& image) const {
    image.fill(Resolve(color_));
    DrawShading(image);
    DrawBevels(image);
    if (showText_) DrawText(image);
}

void TProgressCyl::DrawShading(QImage& image) const {
    const int w = image.width(), h = image.height();
    const int b = 2 * bevelWidth_ + borderWidth_;
    const bool horizontal = orientation_ == TPCOrientation::Horizontal;
    // Across the bar: the tube's rows (horizontal) or columns (vertical).
    const int across = horizontal ? h - 2 * b : w - 2 * b;
    const int along = horizontal ? w : h;
    if (across < 1 || along - 2 * b < 1) return;
    const int steps = static_cast<int>(cylinderEffect_) / across;
    const long lightFore = std::lround(across / static_cast<double>(foreStyle_.LightAngle()));
    const long lightBack = std::lround(across / static_cast<double>(backStyle_.LightAngle()));
    const auto shade = [&](const Factors& f, const TPCColorStyle& style, long d) {
        const double level =
            static_cast<double>(d) * steps * style.ColorFactor() + style.ColorRGB();
        return qRgb(Clamp255(level * f.c[0]), Clamp255(level * f.c[1]), Clamp255(level * f.c[2]));
    };
    for (int r = 0; r < across; ++r) {
        const QRgb fore = shade(fore_, foreStyle_, std::labs(lightFore + r));
        const QRgb line = shade(foreLine_, foreStyle_, std::labs(lightFore + r));
        const QRgb back = shade(back_, backStyle_, std::labs(lightBack + r));
        // p runs along the bar from its start: the left edge, or the bottom edge.
        for (int p = b; p < along - b; ++p) {
            const QRgb pixel = p < fillEnd_ ? fore : p == fillEnd_ ? line : back;
            if (horizontal)
                reinterpret_cast<QRgb*>(image.scanLine(b + r))[p] = pixel;
            else
                reinterpret_cast<QRgb*>(image.scanLine(h - 1 - p))[b + r] = pixel;
        }
    }
}

void TProgressCyl::DrawBevels(QImage& image) const {
    const int a = bevelWidth_ + borderWidth_;
    const int b = a + bevelWidth_;
    const QRgb background = Resolve(color_).rgb();
    QColor light, shadow, light2, shadow2;
    if (bevelColor_ == TPCColor::System(QPalette::Button)) {
        const QPalette& p = palette();
        light = p.color(QPalette::Light);
        shadow = p.color(QPalette::Dark);
        light2 = p.color(QPalette::Midlight);
        shadow2 = p.color(QPalette::Shadow);
    } else {
        const QColor c = Resolve(bevelColor_);
        light = light2 = Shifted(c, 64);
        shadow = shadow2 = Shifted(c, -64);
    }
    // The frame just outside the tube; an inner bevel covers it.
    if (b > 0) {
        const QRgb frame = Resolve(backBorderColor_).rgb();
        Ring(image, b - 1, frame, frame);
    }
    const auto bevel = [&](int inset, QRgb topLeft, QRgb bottomRight) {
        for (int k = 0; k < bevelWidth_; ++k)
            Ring(image, inset + k, topLeft, bottomRight);
    };
    const bool noBorder = borderWidth_ == 0;
    switch (bevelInner_) {
    case TPCBevel::Lowered:
        if (bevelOuter_ == TPCBevel::Lowered && noBorder)
            bevel(a, shadow2.rgb(), light2.rgb());
        else
            bevel(a, shadow.rgb(), light.rgb());
        break;
    case TPCBevel::Raised:
        bevel(a, (bevelOuter_ == TPCBevel::Raised && noBorder ? light2 : light).rgb(),
              shadow.rgb());
        break;
    case TPCBevel::Space:
        bevel(a, background, background);
        break;
    case TPCBevel::None:
        break;
    }
    switch (bevelOuter_) {
    case TPCBevel::Lowered:
        bevel(0, shadow.rgb(), light.rgb());
        break;
    case TPCBevel::Raised:
        bevel(0, light.rgb(),
              (bevelInner_ == TPCBevel::Raised && noBorder ? shadow2 : shadow).rgb());
        break;
    case TPCBevel::Space:
        bevel(0, background, background);
        break;
    case TPCBevel::None:
        break;
    }
}

void TProgressCyl::DrawText(QImage& image) const {
    const QString shown = ShownText();
    QFont face = font();
    // Whole pixels only: the shadow and the inverted text stay crisp.
    face.setStyleStrategy(QFont::NoAntialias);
    const int angle = fontOrientation_ == TFontOrientation::foTopToBottom   ? 90
                      : fontOrientation_ == TFontOrientation::foBottomToTop ? -90
                                                                            : 0;
    const int room = image.width() + image.height();
    const QRect box(-room, -room, 2 * room, 2 * room);
    const auto write = [&](QImage& target, const QColor& colour, QPoint offset) {
        QPainter painter(&target);
        painter.setFont(face);
        painter.setPen(colour);
        painter.translate(QPointF(image.width() / 2.0, image.height() / 2.0) + offset);
        painter.rotate(angle);
        painter.drawText(box, Qt::AlignCenter, shown);
    };
    switch (fontEffect_) {
    case TFontEffect::feInvert: {
        QImage mask(image.size(), QImage::Format_RGB32);
        mask.fill(Qt::black);
        write(mask, Qt::white, {});
        for (int y = 0; y < image.height(); ++y) {
            auto* const row = reinterpret_cast<QRgb*>(image.scanLine(y));
            const auto* const bits = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] = 0xff000000u | ((row[x] ^ bits[x]) & 0x00ffffffu);
        }
        return;
    }
    case TFontEffect::feShadowTopLeft:
        write(image, Resolve(fontShadowColor_), {-1, -1});
        break;
    case TFontEffect::feShadowBottomRight:
        write(image, Resolve(fontShadowColor_), {1, 1});
        break;
    case TFontEffect::feNone:
        break;
    }
    write(image, Resolve(fontColor_), {});
}

} // namespace sorvane
