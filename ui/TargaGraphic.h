// The TGA picture as a graphic of the class library: the engine's TTarga
// (decoding, encoding, the two bitmaps) behind a thin layer over QImage and
// QPainter that draws it, assigns it, and streams it as the "Data" property.
#pragma once

#include "catalogue/metadata/ImageReaders.h"

#include <QImage>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QIODevice;
class QPainter;
class QRect;

namespace sorvane {

// A binary property a graphic stores: its name and how its bytes are read and
// written.
struct GraphicProperty {
    QString Name;
    std::function<void(QIODevice&)> ReadData;
    std::function<void(QIODevice&)> WriteData;
};

class TTargaGraphic {
public:
    // The picture itself; its progress event is the graphic's.
    TTarga Picture;
    // Called by Changed after the progress event.
    std::function<void()> OnChange;

    // The one binary property "Data", read by ReadData and written by WriteData.
    void DefineProperties(std::vector<GraphicProperty>& properties);
    // Both bitmaps (and the header they go with) of `source`, then Changed.
    void Assign(const TTargaGraphic& source);
    // The progress event, then OnChange.
    void Changed();
    // Stretches the image bitmap onto `rect` in the painter's composition
    // mode; an empty picture draws nothing.
    void Draw(QPainter& canvas, const QRect& rect) const;
    bool GetEmpty() const { return Picture.GetEmpty(); }
    std::int32_t GetHeight() const { return Picture.GetHeight(); }
    std::int32_t GetWidth() const { return Picture.GetWidth(); }
    // The size comes from the picture; setting it does nothing.
    void SetHeight(std::int32_t) {}
    void SetWidth(std::int32_t) {}

    // The "Data" property. Reading skips the class name and loads a bitmap
    // stream when the next bytes are "BM", else a TGA stream; EImageRead when
    // the bytes are neither. Writing stores the class name, marks the picture
    // as true colour at 32 bits and saves it.
    void ReadData(QIODevice& stream);
    void WriteData(QIODevice& stream);

    void LoadFromFile(const std::string& FileName) { Picture.LoadFromFile(FileName); }
    // The rest of the device's bytes as a TGA stream.
    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream) const;

    // The image bitmap as an opaque QImage.
    QImage ToImage() const;
};

} // namespace sorvane
