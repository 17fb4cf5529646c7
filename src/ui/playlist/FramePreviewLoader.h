#pragma once
// One still frame of a media file at a requested time, for the trim editor's
// IN and OUT previews. The file is opened once, frames are decoded exactly
// (zero tolerance, upright, at most 320 x 180) off the main thread, and
// requests coalesce: while one frame is being decoded, newer requests
// replace each other and only the latest is decoded next. A result is
// published only when it answers the most recent request, so a late frame
// never overwrites a newer one. The published image is never cleared.
// Main thread; the decoding runs on the shared background pool.
#include <QImage>
#include <QObject>
#include <QString>

#include <memory>

namespace tessarin {

class FramePreviewLoader : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxWidth = 320;
    static constexpr int kMaxHeight = 180;

    explicit FramePreviewLoader(QObject* parent = nullptr);
    ~FramePreviewLoader() override;

    // Binds the loader to a file the first time; later calls do nothing.
    void prepare(const QString& path);
    // Asks for the frame at seconds (negative: 0). Nothing before prepare().
    void update(double seconds);

    const QImage& image() const { return image_; }
    // The number of the most recent request (0: none yet).
    quint64 generation() const { return generation_; }
    // Frames decoded so far (for measurements).
    quint64 framesDecoded() const;

signals:
    void imageChanged();

private:
    struct Work;
    void publish(quint64 generation, const QImage& image);

    std::shared_ptr<Work> work_;
    quint64 generation_ = 0;
    QImage image_;
};

} // namespace tessarin
