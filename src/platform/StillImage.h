#pragma once
// Still pictures decoded through libav, the decoder every player uses, so a
// format that libav reads (PNG of 8 or 16 bits, JPEG of any size, WebP,
// TIFF, BMP, GIF's first picture...) opens everywhere a still is needed:
// thumbnails, image clips, overlay pictures. Formats only Qt knows are read
// through QImageReader. The picture is turned upright by its EXIF
// orientation and keeps its transparency. Any thread.
#include <QImage>
#include <QSize>
#include <QString>

namespace tessarin::StillImage {

// The upright picture, fitted inside maxSize with its aspect kept and never
// enlarged (an empty maxSize keeps its size). Format_ARGB32_Premultiplied
// when the picture has transparency, Format_RGB32 when it has none. Null
// when the file holds no picture.
QImage read(const QString& path, QSize maxSize = {});

} // namespace tessarin::StillImage
