// TProgressCyl: a progress bar drawn as a shaded three-dimensional cylinder in
// a frame of bevels, with an optional percentage text. The picture is drawn
// into an off-screen image of the control's own size and copied to the screen
// in one step. TPCColorStyle holds the lighting of the filled and of the empty
// part of the tube.
#pragma once

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace sorvane {

class TProgressCyl;

// The lighting of one part of the tube. Every setter ignores the value it
// already has; Intensity, RangeRGB and LightAngle also ignore 0. A change makes
// the owner's effect custom and recomputes the owner's colours.
class TPCColorStyle {
public:
    explicit TPCColorStyle(TProgressCyl* owner) : owner_(owner) {}

    int IntensityRGB() const { return intensityRGB_; }
    float Intensity() const { return intensity_; }
    float IntensityFactor() const { return intensityFactor_; }
    int RangeRGB() const { return rangeRGB_; }
    int ColorRGB() const { return colorRGB_; }
    float ColorFactor() const { return colorFactor_; }
    float LightAngle() const { return lightAngle_; }

    void SetIntensityRGB(int value);
    void SetIntensity(float value);
    void SetIntensityFactor(float value);
    void SetRangeRGB(int value);
    void SetColorRGB(int value);
    void SetColorFactor(float value);
    void SetLightAngle(float value);

    // The factor of one colour channel (0-255) under this lighting.
    double ChannelFactor(int channel) const;

private:
    void Changed();

    TProgressCyl* owner_;
    int intensityRGB_ = 255;
    float intensity_ = 4.0f;
    float intensityFactor_ = -1.0f;
    int rangeRGB_ = 255;
    int colorRGB_ = 255;
    float colorFactor_ = -1.0f;
    float lightAngle_ = -3.0f;
};

// A colour of the gauge: a fixed colour, or a colour role of the palette (a
// system colour) resolved whenever the colours are computed.
struct TPCColor {
    QColor rgb;
    QPalette::ColorRole role = QPalette::NoRole;

    TPCColor(QColor fixed = QColor(Qt::black)) : rgb(fixed) {} // NOLINT: implicit by design
    static TPCColor System(QPalette::ColorRole role) {
        TPCColor c;
        c.role = role;
        return c;
    }
    bool operator==(const TPCColor& other) const {
        return role == other.role && (role != QPalette::NoRole || rgb == other.rgb);
    }
};

enum class TPCOrientation { Horizontal, Vertical };
enum class TPCBevel { None, Lowered, Raised, Space };
// The shading level of each effect.
enum TCylinderEffect : int {
    ceFlat = 1,
    ceUltraLow = 51,
    ceLow = 102,
    ceMedium = 153,
    ceHigh = 204,
    ceMaximum = 255,
};
enum class TFontEffect { feNone, feInvert, feShadowTopLeft, feShadowBottomRight };
enum class TFontOrientation { foLeftToRight, foTopToBottom, foBottomToTop };
enum class TProEffect { peCustom };

class TProgressCyl : public QWidget {
    Q_OBJECT

public:
    explicit TProgressCyl(QWidget* parent = nullptr);
    ~TProgressCyl() override;

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    int Step() const { return step_; }
    bool StopAtMax() const { return stopAtMax_; }
    // Refused unless the new Min lies below Max (Max itself becomes Max - 1).
    void SetMin(int value);
    // Refused unless the new Max lies above Min (Min itself becomes Min + 1).
    void SetMax(int value);
    // Both ends at once; refused unless min < max.
    void SetRange(int min, int max);
    // Clamped into the range; repaints only when the fill end or the percent
    // changes, and then runs OnProgressDone when the position is Max.
    void SetPosition(int value);
    void SetStep(int value) { step_ = value; }
    void SetStopAtMax(bool value) { stopAtMax_ = value; }

    TPCOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPCOrientation value);

    TPCColor ForeColor() const { return foreColor_; }
    TPCColor ForeLineColor() const { return foreLineColor_; }
    TPCColor BackColor() const { return backColor_; }
    TPCColor BackBorderColor() const { return backBorderColor_; }
    TPCColor BevelColor() const { return bevelColor_; }
    TPCColor Color() const { return color_; }
    TPCColor FontColor() const { return fontColor_; }
    TPCColor FontShadowColor() const { return fontShadowColor_; }
    void SetForeColor(TPCColor value);
    void SetForeLineColor(TPCColor value);
    void SetBackColor(TPCColor value);
    void SetBackBorderColor(TPCColor value);
    void SetBevelColor(TPCColor value);
    void SetColor(TPCColor value);
    void SetFontColor(TPCColor value);
    void SetFontShadowColor(TPCColor value);

    TPCColorStyle& ForeStyle() { return foreStyle_; }
    TPCColorStyle& BackStyle() { return backStyle_; }

    TPCBevel BevelOuter() const { return bevelOuter_; }
    TPCBevel BevelInner() const { return bevelInner_; }
    int BevelWidth() const { return bevelWidth_; }
    int BorderWidth() const { return borderWidth_; }
    // Each of these is undone when the tube would no longer fit the control.
    void SetBevelOuter(TPCBevel value);
    void SetBevelInner(TPCBevel value);
    void SetBevelWidth(int value);
    void SetBorderWidth(int value);

    TCylinderEffect CylinderEffect() const { return cylinderEffect_; }
    void SetCylinderEffect(TCylinderEffect value);

    bool ShowText() const { return showText_; }
    QString Text() const { return text_; }
    QString TextDone() const { return textDone_; }
    TFontEffect FontEffect() const { return fontEffect_; }
    TFontOrientation FontOrientation() const { return fontOrientation_; }
    void SetShowText(bool value);
    void SetText(const QString& value);
    void SetTextDone(const QString& value);
    void SetFontEffect(TFontEffect value);
    void SetFontOrientation(TFontOrientation value);

    TProEffect ProEffect() const { return proEffect_; }
    void SetProEffect(TProEffect value) { proEffect_ = value; }

    // Derived state.
    int Percent() const { return percent_; }
    // The pixel column (row when vertical) where the fill ends: the tube runs
    // from inset b to the opposite inset, so at 100 % this lies past the tube.
    int FillEnd() const { return fillEnd_; }
    // The text the picture shows (whether or not ShowText is on).
    QString ShownText() const;
    // Whether the bevels, the border and a tube of at least one pixel fit.
    bool GeometryOk() const { return GeometryFits(bevelWidth_, borderWidth_, width(), height()); }
    // Times a change asked for the control to be painted again.
    int RepaintRequests() const { return repaintRequests_; }

    std::function<void()> OnProgressDone;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;

    // Called by the styles when they change.
    void StyleChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Factors per channel (red, green, blue) of one colour under a style.
    struct Factors {
        double c[3] = {0, 0, 0};
    };

    static bool GeometryFits(int bevelWidth, int borderWidth, int w, int h);
    QColor Resolve(const TPCColor& colour) const;
    // Recomputes the channel factors from the colours and styles.
    void ComputeColours();
    // Recomputes the percent and the fill end; true when either changed.
    bool ComputeFill();
    void Repaint();
    void Draw(QImage& image) const;
    void DrawShading(QImage& image) const;
    void DrawBevels(QImage& image) const;
    void DrawText(QImage& image) const;

    int min_ = 0, max_ = 100, position_ = 0, step_ = 1;
    bool stopAtMax_ = true;
    TPCOrientation orientation_ = TPCOrientation::Horizontal;
    TPCColor foreColor_{QColor(Qt::white)};
    TPCColor foreLineColor_ = TPCColor::System(QPalette::Highlight);
    TPCColor backColor_ = TPCColor::System(QPalette::Button);
    TPCColor backBorderColor_{QColor(Qt::black)};
    TPCColor bevelColor_ = TPCColor::System(QPalette::Button);
    TPCColor color_ = TPCColor::System(QPalette::Button);
    TPCColor fontColor_{QColor(Qt::black)};
    TPCColor fontShadowColor_ = TPCColor::System(QPalette::Button);
    TPCColorStyle foreStyle_{this};
    TPCColorStyle backStyle_{this};
    TPCBevel bevelOuter_ = TPCBevel::Lowered;
    TPCBevel bevelInner_ = TPCBevel::Raised;
    int bevelWidth_ = 1;
    int borderWidth_ = 2;
    TCylinderEffect cylinderEffect_ = ceMaximum;
    bool showText_ = true;
    QString text_ = "%";
    QString textDone_;
    TFontEffect fontEffect_ = TFontEffect::feShadowBottomRight;
    TFontOrientation fontOrientation_ = TFontOrientation::foLeftToRight;
    TProEffect proEffect_ = TProEffect::peCustom;

    int percent_ = 0;
    int fillEnd_ = 0;
    Factors fore_, foreLine_, back_;
    bool constructing_ = true;
    int repaintRequests_ = 0;
    QImage image_;
};

} // namespace sorvane
