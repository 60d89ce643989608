#include "ui/TargaGraphic.h"

#include "catalogue/metadata/ByteReader.h"

#include <QByteArray>
#include <QIODevice>
#include <QPainter>
#include <QRect>
#include <limits>

namespace sorvane {
namespace {

// The class name the "Data" property starts with, as a length byte and its
// characters.
constexpr char kClassName[] = "TTarga";

std::string ReadRest(QIODevice& stream) {
    const QByteArray bytes = stream.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void WriteAll(QIODevice& stream, const std::string& bytes) {
    if (stream.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size()))
        throw EImageRead("cannot write the picture: " + stream.errorString().toStdString());
}

} // namespace

void TTargaGraphic::DefineProperties(std::vector<GraphicProperty>& properties) {
    properties.push_back(GraphicProperty{QStringLiteral("Data"),
                                         [this](QIODevice& stream) { ReadData(stream); },
                                         [this](QIODevice& stream) { WriteData(stream); }});
}

void TTargaGraphic::Assign(const TTargaGraphic& source) {
    Picture.Assign(source.Picture);
    Changed();
}

void TTargaGraphic::Changed() {
    if (Picture.OnProgress) Picture.OnProgress();
    if (OnChange) OnChange();
}

void TTargaGraphic::Draw(QPainter& canvas, const QRect& rect) const {
    if (GetEmpty()) return;
    canvas.drawImage(rect, ToImage());
}

QImage TTargaGraphic::ToImage() const {
    const TargaBitmap& bitmap = Picture.Bitmap;
    if (bitmap.Empty()) return QImage();
    QImage image(bitmap.Width, bitmap.Height, QImage::Format_RGB32);
    for (std::int32_t y = 0; y < bitmap.Height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (std::int32_t x = 0; x < bitmap.Width; ++x)
            line[x] = 0xFF000000u | (bitmap.Pixel(x, y) & 0x00FFFFFFu);
    }
    return image;
}

void TTargaGraphic::ReadData(QIODevice& stream) {
    const std::string bytes = ReadRest(stream);
    if (bytes.empty()) throw EImageRead("the picture data holds no class name");
    const std::size_t nameLength = static_cast<std::uint8_t>(bytes[0]);
    if (bytes.size() < 1 + nameLength)
        throw EImageRead("the picture data ends inside its class name");
    const std::string_view rest = std::string_view(bytes).substr(1 + nameLength);
    if (!rest.starts_with("BM")) {
        Picture.LoadFromStream(rest);
        return;
    }
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(rest.data()),
                            static_cast<int>(rest.size()), "BMP"))
        throw EImageRead("the picture data holds no readable bitmap");
    constexpr int kLargest = std::numeric_limits<std::uint16_t>::max();
    if (image.width() > kLargest || image.height() > kLargest)
        throw EImageRead("a bitmap of " + std::to_string(image.width()) + " x " +
                         std::to_string(image.height()) + " pixels is too large for a TGA picture");
    image = image.convertToFormat(QImage::Format_RGB32);
    TargaBitmap bitmap;
    bitmap.Width = image.width();
    bitmap.Height = image.height();
    bitmap.Pixels.reserve(static_cast<std::size_t>(bitmap.Width) * bitmap.Height);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            bitmap.Pixels.push_back(line[x] & 0x00FFFFFFu);
    }
    Picture.AlphaBitmap = TargaBitmap{bitmap.Width, bitmap.Height,
                                      std::vector<std::uint32_t>(bitmap.Pixels.size(), 0)};
    Picture.Bitmap = std::move(bitmap);
    Picture.ImageWidth = static_cast<std::uint16_t>(image.width());
    Picture.ImageHeight = static_cast<std::uint16_t>(image.height());
}

void TTargaGraphic::WriteData(QIODevice& stream) {
    std::string bytes;
    bytes.push_back(static_cast<char>(sizeof kClassName - 1));
    bytes += kClassName;
    Picture.ImageKind = kTargaKindTrueColour;
    Picture.PixelDepthCode = kTargaDepth32;
    Picture.SaveToStream(bytes);
    WriteAll(stream, bytes);
}

void TTargaGraphic::LoadFromStream(QIODevice& stream) {
    Picture.LoadFromStream(ReadRest(stream));
}

void TTargaGraphic::SaveToStream(QIODevice& stream) const {
    std::string bytes;
    Picture.SaveToStream(bytes);
    WriteAll(stream, bytes);
}

} // namespace sorvane
