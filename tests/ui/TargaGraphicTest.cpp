// The TGA picture as a graphic: drawn offscreen onto a QImage and read back
// pixel by pixel, assigned, and streamed as its "Data" property (a TGA stream
// or a bitmap stream after the class name).
#include "ui/TargaGraphic.h"

#include "catalogue/metadata/ByteReader.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace sorvane {
namespace {

constexpr QRgb kSentinel = 0xff010203u;

std::string Fixture(const std::string& name) {
    const char* root = std::getenv("SORVANE_TEST_DATA");
    return std::string(root ? root : SORVANE_DEFAULT_TEST_DATA) + "/media/targa/" + name;
}

// A 2 x 2 picture: red, green on top; blue, white below.
TTargaGraphic TwoByTwo() {
    TTargaGraphic graphic;
    graphic.Picture.ImageWidth = 2;
    graphic.Picture.ImageHeight = 2;
    graphic.Picture.Bitmap = TargaBitmap{2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}};
    graphic.Picture.AlphaBitmap = TargaBitmap{2, 2, {0x10, 0x20, 0x30, 0x40}};
    graphic.Picture.PixelDepthCode = kTargaDepth24;
    return graphic;
}

QImage Canvas() {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(kSentinel);
    return image;
}

TEST(TargaGraphic, DrawStretchesTheBitmapOntoTheRectangle) {
    const TTargaGraphic graphic = TwoByTwo();
    QImage canvas = Canvas();
    {
        QPainter painter(&canvas);
        graphic.Draw(painter, QRect(2, 1, 4, 4)); // every pixel doubled
    }
    const QRgb red = 0xffff0000u, green = 0xff00ff00u, blue = 0xff0000ffu, white = 0xffffffffu;
    const QRgb expected[4][4] = {{red, red, green, green},
                                 {red, red, green, green},
                                 {blue, blue, white, white},
                                 {blue, blue, white, white}};
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 1 && y < 5;
            EXPECT_EQ(canvas.pixel(x, y), inside ? expected[y - 1][x - 2] : kSentinel)
                << x << "," << y;
        }
    }
}

TEST(TargaGraphic, DrawOfALoadedFileMatchesItsDecodedPixels) {
    TTargaGraphic graphic;
    graphic.LoadFromFile(Fixture("type10-24-bottom.tga"));
    QImage canvas(graphic.GetWidth(), graphic.GetHeight(), QImage::Format_RGB32);
    canvas.fill(kSentinel);
    {
        QPainter painter(&canvas);
        graphic.Draw(painter, canvas.rect());
    }
    for (int y = 0; y < graphic.GetHeight(); ++y)
        for (int x = 0; x < graphic.GetWidth(); ++x)
            ASSERT_EQ(canvas.pixel(x, y), 0xff000000u | graphic.Picture.Bitmap.Pixel(x, y))
                << x << "," << y;
}

TEST(TargaGraphic, DrawUsesThePaintersCompositionModeAndNothingWhenEmpty) {
    const TTargaGraphic graphic = TwoByTwo();
    QImage canvas = Canvas();
    {
        QPainter painter(&canvas);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        graphic.Draw(painter, QRect(0, 0, 2, 2));
        TTargaGraphic().Draw(painter, QRect(4, 0, 4, 4));
    }
    EXPECT_EQ(canvas.pixel(0, 0), 0xff000000u | ((0xffff0000u ^ kSentinel) & 0xffffffu));
    EXPECT_EQ(canvas.pixel(5, 1), kSentinel);
}

TEST(TargaGraphic, SizeComesFromThePictureAndSettingItDoesNothing) {
    TTargaGraphic graphic;
    EXPECT_TRUE(graphic.GetEmpty());
    graphic.LoadFromFile(Fixture("type2-24-top.tga"));
    graphic.SetWidth(50);
    graphic.SetHeight(60);
    EXPECT_EQ(graphic.GetWidth(), 13);
    EXPECT_EQ(graphic.GetHeight(), 6);
    EXPECT_FALSE(graphic.GetEmpty());
}

TEST(TargaGraphic, AssignTakesBothBitmapsAndCallsChanged) {
    const TTargaGraphic source = TwoByTwo();
    TTargaGraphic target;
    std::vector<std::string> calls;
    target.Picture.OnProgress = [&] { calls.push_back("progress"); };
    target.OnChange = [&] { calls.push_back("change"); };
    target.Assign(source);
    EXPECT_EQ(calls, (std::vector<std::string>{"progress", "change"}));
    EXPECT_EQ(target.Picture.Bitmap.Pixels, source.Picture.Bitmap.Pixels);
    EXPECT_EQ(target.Picture.AlphaBitmap.Pixels, source.Picture.AlphaBitmap.Pixels);
    EXPECT_EQ(target.GetWidth(), 2);
    EXPECT_EQ(target.ToImage().pixel(0, 1), 0xff0000ffu);
}

// The "Data" property written by one graphic and read by another, through
// the property DefineProperties gives.
TEST(TargaGraphic, DataPropertyRoundTrip) {
    TTargaGraphic source;
    source.LoadFromFile(Fixture("type2-32-top.tga"));
    source.Picture.PixelDepthCode = kTargaDepth24;
    std::vector<GraphicProperty> properties;
    source.DefineProperties(properties);
    ASSERT_EQ(properties.size(), 1u);
    EXPECT_EQ(properties[0].Name, "Data");

    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    properties[0].WriteData(buffer);
    // The class name, then a true-colour 32-bit TGA stream.
    const QByteArray data = buffer.data();
    EXPECT_EQ(data.left(7), QByteArray("\x06TTarga"));
    EXPECT_EQ(data.at(7 + 2), 2);
    EXPECT_EQ(data.at(7 + 16), 32);
    EXPECT_EQ(data.size(), 7 + 18 + 13 * 6 * 4);
    EXPECT_EQ(source.Picture.ImageKind, kTargaKindTrueColour);
    EXPECT_EQ(source.Picture.PixelDepthCode, kTargaDepth32);

    TTargaGraphic target;
    std::vector<GraphicProperty> targetProperties;
    target.DefineProperties(targetProperties);
    buffer.seek(0);
    targetProperties[0].ReadData(buffer);
    EXPECT_EQ(target.Picture.Bitmap.Pixels, source.Picture.Bitmap.Pixels);
    EXPECT_EQ(target.Picture.AlphaBitmap.Pixels, source.Picture.AlphaBitmap.Pixels);
    EXPECT_EQ(target.GetWidth(), 13);
}

TEST(TargaGraphic, DataPropertyReadsABitmapStream) {
    QImage bmp(3, 2, QImage::Format_RGB32);
    bmp.fill(0xff102030u);
    bmp.setPixel(2, 1, 0xffa0b0c0u);
    QByteArray data("\x06TTarga");
    {
        QBuffer out(&data);
        out.open(QIODevice::Append);
        ASSERT_TRUE(bmp.save(&out, "BMP"));
    }
    ASSERT_EQ(data.mid(7, 2), QByteArray("BM"));
    QBuffer in(&data);
    in.open(QIODevice::ReadOnly);
    TTargaGraphic graphic;
    graphic.ReadData(in);
    EXPECT_EQ(graphic.GetWidth(), 3);
    EXPECT_EQ(graphic.GetHeight(), 2);
    EXPECT_EQ(graphic.Picture.Bitmap.Pixel(0, 0), 0x102030u);
    EXPECT_EQ(graphic.Picture.Bitmap.Pixel(2, 1), 0xa0b0c0u);

    // Neither a bitmap nor a TGA stream.
    for (const QByteArray& bad :
         {QByteArray(), QByteArray("\x06TTar"), QByteArray("\x06TTargaBMxx"),
          QByteArray("\x06TTarga\x00\x00", 9)}) {
        QByteArray copy = bad;
        QBuffer badIn(&copy);
        badIn.open(QIODevice::ReadOnly);
        EXPECT_THROW(graphic.ReadData(badIn), EImageRead) << bad.toHex().toStdString();
    }
}

TEST(TargaGraphic, StreamsThroughADevice) {
    TTargaGraphic graphic;
    QFile file(QString::fromStdString(Fixture("type10-32-top.tga")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    graphic.LoadFromStream(file);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    graphic.SaveToStream(out);
    QFile saved(QString::fromStdString(Fixture("type10-32-top.saved")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.data(), saved.readAll());
}

} // namespace
} // namespace sorvane
