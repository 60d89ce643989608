// The cylinder gauge: its range arithmetic, geometry check and text, and the
// picture it draws, read back pixel by pixel from an offscreen rendering.
#include "ui/ProgressCyl.h"

#include <QImage>
#include <climits>
#include <gtest/gtest.h>
#include <vector>

namespace sorvane {
namespace {

constexpr QRgb kSentinel = 0xff010203u;

// The gauge drawn into an image prefilled with a colour it never uses, so a
// pixel it does not draw keeps that colour.
QImage Picture(TProgressCyl& gauge) {
    QImage image(gauge.size(), QImage::Format_RGB32);
    image.fill(kSentinel);
    gauge.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xff000000u;
}

// A 150 x 22 gauge with fixed colours and no text: b = 4, the tube spans
// columns 4-145 and rows 4-17, the brightest row is 9 (a third of the way in).
struct Gauge : TProgressCyl {
    Gauge() {
        SetColor(QColor(200, 200, 200));
        SetForeColor(QColor(Qt::white));
        SetForeLineColor(QColor(255, 0, 0));
        SetBackColor(QColor(0, 128, 0));
        SetShowText(false);
    }
};

// Hand-computed shading of the colours above (steps 255 div 14 = 18 per row
// away from row 9): white is 255 at the light line and 165 at the tube's top;
// green (0,128,0) has the factors 0.25, 0.6265, 0.25; red 1, 0.25, 0.25.
const QRgb kForeLight = qRgb(255, 255, 255);
const QRgb kForeTop = qRgb(165, 165, 165);
const QRgb kBackLight = qRgb(64, 160, 64);
const QRgb kBackTop = qRgb(41, 103, 41);
const QRgb kLineLight = qRgb(255, 64, 64);

TEST(ProgressCyl, RangeEndsRefuseAnEmptyRangeAndPullThePositionIn) {
    struct Case {
        const char* name;
        void (*change)(TProgressCyl&);
        int min, max, position;
    };
    const std::vector<Case> cases = {
        {"Min := Max becomes Max - 1", [](TProgressCyl& g) { g.SetMin(100); }, 99, 100, 99},
        {"Min above Max is refused", [](TProgressCyl& g) { g.SetMin(200); }, 0, 100, 50},
        {"Max := Min becomes Min + 1", [](TProgressCyl& g) { g.SetMax(0); }, 0, 1, 1},
        {"Max below Min is refused", [](TProgressCyl& g) { g.SetMax(-5); }, 0, 100, 50},
        {"a higher Min pulls the position up", [](TProgressCyl& g) { g.SetMin(60); }, 60, 100, 60},
        {"a lower Max pulls the position down", [](TProgressCyl& g) { g.SetMax(40); }, 0, 40, 40},
        {"an empty range is refused", [](TProgressCyl& g) { g.SetRange(7, 7); }, 0, 100, 50},
        {"Min := INT_MIN keeps the range", [](TProgressCyl& g) { g.SetMin(INT_MIN); }, INT_MIN, 100,
         50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TProgressCyl gauge;
        gauge.SetPosition(50);
        c.change(gauge);
        EXPECT_EQ(gauge.Min(), c.min);
        EXPECT_EQ(gauge.Max(), c.max);
        EXPECT_EQ(gauge.Position(), c.position);
    }
    TProgressCyl lowest;
    lowest.SetMin(INT_MIN);
    lowest.SetMax(INT_MIN); // Max := Min takes Min + 1
    EXPECT_EQ(lowest.Max(), INT_MIN + 1);
}

TEST(ProgressCyl, TheWidestRangeGivesTheRightShare) {
    TProgressCyl gauge;
    gauge.SetRange(INT_MIN, INT_MAX);
    gauge.SetPosition(0);
    EXPECT_EQ(gauge.Percent(), 50);
    gauge.SetPosition(INT_MAX);
    EXPECT_EQ(gauge.Percent(), 100);
    gauge.SetPosition(INT_MIN);
    EXPECT_EQ(gauge.Percent(), 0);
}

TEST(ProgressCyl, ARepeatedPositionRepaintsOnceAndTheEndIsReportedOnce) {
    TProgressCyl gauge;
    int done = 0;
    gauge.OnProgressDone = [&] { ++done; };
    const int before = gauge.RepaintRequests();
    gauge.SetPosition(30);
    gauge.SetPosition(30);
    EXPECT_EQ(gauge.RepaintRequests(), before + 1);
    gauge.SetPosition(100);
    gauge.SetPosition(100);
    gauge.SetPosition(250); // clamped to Max: nothing changes
    EXPECT_EQ(done, 1);
    EXPECT_EQ(gauge.RepaintRequests(), before + 2);
    EXPECT_EQ(gauge.Position(), 100);
}

TEST(ProgressCyl, TheTextIsThePercentOrTheDoneTextAtTheEnd) {
    TProgressCyl gauge;
    EXPECT_EQ(gauge.ShownText(), "0%");
    gauge.SetTextDone("full");
    gauge.SetPosition(99);
    EXPECT_EQ(gauge.ShownText(), "99%");
    gauge.SetPosition(100);
    EXPECT_EQ(gauge.ShownText(), "full");
    gauge.SetText(" per cent");
    gauge.SetTextDone("");
    EXPECT_EQ(gauge.ShownText(), "100 per cent");
}

TEST(ProgressCyl, BevelsAndBorderThatLeaveNoTubeAreRefusedOrDrawNothing) {
    Gauge gauge;
    gauge.SetBevelWidth(2);
    gauge.SetBorderWidth(3); // b = 7: a tube 8 rows high
    EXPECT_EQ(gauge.BorderWidth(), 3);
    EXPECT_TRUE(gauge.GeometryOk());
    gauge.SetBorderWidth(8); // b = 12: no room on 22 rows
    EXPECT_EQ(gauge.BorderWidth(), 3);
    gauge.SetBevelWidth(-1);
    EXPECT_EQ(gauge.BevelWidth(), 2);

    gauge.resize(150, 10);
    EXPECT_FALSE(gauge.GeometryOk());
    const QImage image = Picture(gauge);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(At(image, x, y), kSentinel) << x << "," << y;
    gauge.resize(150, 22);
    EXPECT_EQ(At(Picture(gauge), 3, 11), qRgb(200, 200, 200)); // drawn again: the border
}

TEST(ProgressCyl, HalfWayTheFillTheLineAndTheEmptyPartAreShaded) {
    Gauge gauge;
    gauge.SetPosition(50);
    EXPECT_EQ(gauge.FillEnd(), 75); // 4 + round(150 / 2) - round(8 / 2)
    const QImage image = Picture(gauge);
    EXPECT_EQ(At(image, 40, 9), kForeLight);
    EXPECT_EQ(At(image, 40, 4), kForeTop);
    EXPECT_EQ(At(image, 74, 9), kForeLight);
    EXPECT_EQ(At(image, 75, 9), kLineLight);
    EXPECT_EQ(At(image, 76, 9), kBackLight);
    EXPECT_EQ(At(image, 145, 9), kBackLight);
    EXPECT_EQ(At(image, 100, 4), kBackTop);
    // Darker the farther a row lies from the light line, on both sides.
    for (int y = 5; y <= 9; ++y)
        EXPECT_GT(qRed(At(image, 40, y)), qRed(At(image, 40, y - 1))) << y;
    for (int y = 10; y <= 17; ++y)
        EXPECT_LT(qRed(At(image, 40, y)), qRed(At(image, 40, y - 1))) << y;
}

TEST(ProgressCyl, AtBothEndsOfTheRangeTheFillCoversNothingOrAll) {
    Gauge gauge;
    gauge.SetPosition(0);
    QImage image = Picture(gauge);
    EXPECT_EQ(At(image, 4, 9), kForeLight); // the first column and the line stay
    EXPECT_EQ(At(image, 5, 9), kLineLight);
    EXPECT_EQ(At(image, 6, 9), kBackLight);
    EXPECT_EQ(At(image, 145, 9), kBackLight);

    gauge.SetPosition(100);
    image = Picture(gauge);
    for (int x = 4; x <= 145; ++x)
        ASSERT_EQ(At(image, x, 9), kForeLight) << x; // no line inside the tube
    EXPECT_NE(At(image, 146, 9), kLineLight);
}

TEST(ProgressCyl, TheFrameAndTheBevelsSurroundTheTube) {
    Gauge gauge;
    const QPalette& p = gauge.palette();
    // Outer bevel lowered at inset 0, border 1-2, inner bevel raised at inset 3.
    QImage image = Picture(gauge);
    EXPECT_EQ(At(image, 0, 11), p.color(QPalette::Dark).rgb());
    EXPECT_EQ(At(image, 149, 11), p.color(QPalette::Light).rgb());
    EXPECT_EQ(At(image, 1, 11), qRgb(200, 200, 200));
    EXPECT_EQ(At(image, 3, 11), p.color(QPalette::Light).rgb());
    EXPECT_EQ(At(image, 146, 11), p.color(QPalette::Dark).rgb());

    // Without bevels the one-pixel frame just outside the tube shows.
    gauge.SetBevelInner(TPCBevel::None);
    gauge.SetBevelOuter(TPCBevel::None);
    gauge.SetBackBorderColor(QColor(0, 0, 128));
    image = Picture(gauge);
    for (const QPoint at : {QPoint(3, 11), QPoint(146, 11), QPoint(75, 3), QPoint(75, 18)})
        EXPECT_EQ(At(image, at.x(), at.y()), qRgb(0, 0, 128)) << at.x() << "," << at.y();
    EXPECT_EQ(At(image, 0, 11), qRgb(200, 200, 200));

    // A bevel colour of its own: light and shadow 64 away from it.
    gauge.SetBevelOuter(TPCBevel::Raised);
    gauge.SetBevelColor(QColor(100, 30, 240));
    image = Picture(gauge);
    EXPECT_EQ(At(image, 0, 11), qRgb(164, 94, 255));
    EXPECT_EQ(At(image, 149, 11), qRgb(36, 0, 176));
}

TEST(ProgressCyl, StyleChangesReshadeAndZerosAreIgnored) {
    Gauge gauge;
    gauge.SetPosition(100);
    const int before = gauge.RepaintRequests();
    gauge.ForeStyle().SetIntensity(0);
    gauge.ForeStyle().SetRangeRGB(0);
    gauge.ForeStyle().SetLightAngle(0);
    gauge.ForeStyle().SetIntensityFactor(-1.0f); // the value it has
    EXPECT_EQ(gauge.RepaintRequests(), before);
    EXPECT_EQ(gauge.ForeStyle().Intensity(), 4.0f);
    EXPECT_EQ(gauge.ForeStyle().LightAngle(), -3.0f);

    gauge.ForeStyle().SetLightAngle(-2.0f); // the light line moves to row 4 + 7
    EXPECT_EQ(gauge.ProEffect(), TProEffect::peCustom);
    QImage image = Picture(gauge);
    EXPECT_EQ(At(image, 40, 11), kForeLight);
    EXPECT_NE(At(image, 40, 9), kForeLight);

    gauge.SetCylinderEffect(ceFlat); // 1 div 14 = no shading at all
    image = Picture(gauge);
    for (int y = 4; y <= 17; ++y)
        EXPECT_EQ(At(image, 40, y), kForeLight) << y;
}

TEST(ProgressCyl, AVerticalGaugeFillsUpwards) {
    Gauge gauge;
    gauge.resize(22, 150);
    gauge.SetOrientation(TPCOrientation::Vertical);
    gauge.SetPosition(50);
    const QImage image = Picture(gauge);
    // Column 9 is the light line; the fill runs from the bottom to row 149 - 75.
    EXPECT_EQ(At(image, 9, 140), kForeLight);
    EXPECT_EQ(At(image, 4, 140), kForeTop);
    EXPECT_EQ(At(image, 9, 149 - 75), kLineLight);
    EXPECT_EQ(At(image, 9, 20), kBackLight);
}

// The bounding box of the pixels of one colour.
QRect Pixels(const QImage& image, QRgb colour, int* count = nullptr) {
    QRect box;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (At(image, x, y) == colour) {
                box |= QRect(x, y, 1, 1);
                ++n;
            }
    if (count != nullptr) *count = n;
    return box;
}

TEST(ProgressCyl, TheTextIsDrawnWithItsShadowOrInverted) {
    Gauge gauge;
    gauge.SetShowText(true);
    gauge.SetBackColor(QColor(Qt::white));
    gauge.SetForeLineColor(QColor(Qt::white));
    gauge.ForeStyle().SetColorFactor(0); // every tube pixel plain white
    gauge.BackStyle().SetColorFactor(0);
    gauge.SetPosition(40);
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    gauge.SetFontColor(QColor(red));
    gauge.SetFontShadowColor(QColor(blue));

    int textPixels = 0, shadowPixels = 0;
    QImage image = Picture(gauge);
    QRect text = Pixels(image, red, &textPixels);
    QRect shadow = Pixels(image, blue, &shadowPixels);
    EXPECT_GT(textPixels, 20);
    EXPECT_GT(shadowPixels, 5);
    EXPECT_EQ(shadow.bottomRight(), text.bottomRight() + QPoint(1, 1));
    EXPECT_NEAR(text.center().x(), 75, 2); // centred
    EXPECT_NEAR(text.center().y(), 11, 2);

    gauge.SetFontEffect(TFontEffect::feShadowTopLeft);
    image = Picture(gauge);
    EXPECT_EQ(Pixels(image, blue).topLeft(), Pixels(image, red).topLeft() - QPoint(1, 1));

    gauge.SetFontEffect(TFontEffect::feNone);
    Pixels(Picture(gauge), blue, &shadowPixels);
    EXPECT_EQ(shadowPixels, 0);

    // Inverted: white tube pixels under the text turn black, none is red.
    gauge.SetFontEffect(TFontEffect::feInvert);
    image = Picture(gauge);
    int inverted = 0;
    Pixels(image.copy(4, 4, 142, 14), qRgb(0, 0, 0), &inverted);
    EXPECT_GT(inverted, 20);
    Pixels(image, red, &textPixels);
    EXPECT_EQ(textPixels, 0);

    gauge.SetShowText(false);
    Pixels(Picture(gauge).copy(4, 4, 142, 14), qRgb(0, 0, 0), &inverted);
    EXPECT_EQ(inverted, 0);
}

TEST(ProgressCyl, AWideGaugeIsDrawnToItsLastColumn) {
    Gauge gauge;
    gauge.resize(3000, 22);
    gauge.SetPosition(100);
    const QImage image = Picture(gauge);
    EXPECT_EQ(At(image, 2995, 9), kForeLight);
    EXPECT_EQ(At(image, 2999, 11), gauge.palette().color(QPalette::Light).rgb());
}

} // namespace
} // namespace sorvane
