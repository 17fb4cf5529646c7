#pragma once
// A small picture kept encoded, for the pictures a show holds one of per
// file (thumbnails): a show of thousands of files keeps a few kilobytes for
// each, and a view decodes the picture only when it makes a row for it.
// Opaque pictures are kept as JPEG, pictures with transparency as PNG
// (lossless, alpha kept). Copies share the encoded bytes.
#include <QByteArray>
#include <QImage>

#include <functional>

class QObject;

namespace tessarin {

class PackedPicture {
public:
    PackedPicture() = default;
    // Null for a null image, or when the image cannot be encoded.
    static PackedPicture pack(const QImage& image);

    bool isNull() const { return bytes_.isEmpty(); }
    // The picture decoded (a new image at each call; null when null).
    QImage unpack() const;
    // The same, decoded on a background thread (the user-initiated workers)
    // and handed to done on the main thread, unless context is gone by then.
    // A null picture is handed over at once, inside the call. For views that
    // make rows while they scroll: decoding takes about 0.1 ms a picture.
    void unpackLater(QObject* context, std::function<void(const QImage&)> done) const;
    // The encoded bytes (shared by copies).
    const QByteArray& bytes() const { return bytes_; }

    bool operator==(const PackedPicture& other) const { return bytes_ == other.bytes_; }

private:
    QByteArray bytes_;
};

} // namespace tessarin
