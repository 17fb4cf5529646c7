#include "media/MediaDrop.h"

#include "media/FileNameText.h"
#include "media/MediaFile.h"
#include "platform/Json.h"
#include "platform/MainThread.h"

#include <QDir>
#include <QMimeData>

#include <variant>

namespace tessarin {
namespace {

// One decoded item, kept in its item's slot so the order survives.
struct DroppedFile {
    QUrl url;
};
struct DroppedFiles {
    std::vector<QUrl> urls;
};
struct DroppedSource {
    LiveSource source;
};
using Dropped = std::variant<std::monostate, DroppedFile, DroppedFiles, DroppedSource>;

bool isBase64Letter(char16_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

Dropped decodeItem(const DropItem& item)
{
    // A file URL is only ever read as a file, never as its text.
    if (item.fileURL)
        return DroppedFile { *item.fileURL };
    if (!item.text)
        return {};
    if (auto urls = FileDragPayload::decode(*item.text))
        return DroppedFiles { std::move(*urls) };
    if (auto source = MediaDrop::decodeSourcePayload(*item.text))
        return DroppedSource { std::move(*source) };
    return {}; // ordinary dropped text adds nothing
}

} // namespace

QString FileDragPayload::encode(const std::vector<QUrl>& urls)
{
    QJsonArray paths;
    for (const QUrl& url : urls)
        paths.append(url.toLocalFile());
    const QByteArray data = json::write(paths, json::Layout::compact).value_or(QByteArray());
    return QLatin1String(kPrefix) + QString::fromLatin1(data.toBase64());
}

std::optional<std::vector<QUrl>> FileDragPayload::decode(const QString& text)
{
    const QLatin1String prefix(kPrefix);
    if (!text.startsWith(prefix))
        return std::nullopt;
    const auto data = MediaDrop::decodeBase64Strict(text.mid(prefix.size()));
    if (!data)
        return std::nullopt;
    const auto array = json::parseArray(*data);
    if (!array)
        return std::nullopt;
    std::vector<QUrl> urls;
    urls.reserve(static_cast<std::size_t>(array->size()));
    for (const QJsonValue& value : *array) {
        const auto path = json::asString(value);
        if (!path)
            return std::nullopt;
        urls.push_back(QUrl::fromLocalFile(QDir::current().absoluteFilePath(*path)));
    }
    return urls;
}

QStringList MediaDrop::acceptedTypes()
{
    return { QStringLiteral("text/uri-list"), QStringLiteral("text/plain") };
}

std::vector<DropItem> MediaDrop::items(const QMimeData& data)
{
    std::vector<DropItem> result;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile())
            result.push_back({ url, std::nullopt });
    }
    // Qt answers text() with the URL list when there is no text of its own;
    // only real text counts as a text item.
    if (data.formats().contains(QLatin1String("text/plain")))
        result.push_back({ std::nullopt, data.text() });
    return result;
}

bool MediaDrop::canAccept(const std::vector<DropItem>& items)
{
    for (const DropItem& item : items) {
        if (item.fileURL || item.text)
            return true;
    }
    return false;
}

bool MediaDrop::canAccept(const QMimeData& data)
{
    return canAccept(items(data));
}

void MediaDrop::loadItems(std::vector<DropItem> items,
                          std::function<void(std::vector<std::shared_ptr<MediaFile>>)> completion)
{
    // Everything a drop holds is already in memory: decode now, in order,
    // and hand the items over on a later turn of the main thread.
    std::vector<Dropped> decoded;
    decoded.reserve(items.size());
    for (const DropItem& item : items)
        decoded.push_back(decodeItem(item));
    postToMain([decoded = std::move(decoded), completion = std::move(completion)] {
        std::vector<std::shared_ptr<MediaFile>> result;
        for (const Dropped& slot : decoded) {
            if (auto* file = std::get_if<DroppedFile>(&slot)) {
                if (hasUtf8FileName(file->url))
                    result.push_back(MediaFile::create(file->url));
            } else if (auto* files = std::get_if<DroppedFiles>(&slot)) {
                for (const QUrl& url : files->urls) {
                    if (hasUtf8FileName(url))
                        result.push_back(MediaFile::create(url));
                }
            } else if (auto* source = std::get_if<DroppedSource>(&slot)) {
                result.push_back(MediaFile::create(source->source));
            }
        }
        if (completion)
            completion(std::move(result));
    });
}

QString MediaDrop::sourcePayload(const LiveSource& source)
{
    const QByteArray data = json::write(toJson(source), json::Layout::compact).value_or(QByteArray());
    return QLatin1String(kSourcePrefix) + QString::fromLatin1(data.toBase64());
}

std::optional<LiveSource> MediaDrop::decodeSourcePayload(const QString& text)
{
    const QLatin1String prefix(kSourcePrefix);
    if (!text.startsWith(prefix))
        return std::nullopt;
    const auto data = decodeBase64Strict(text.mid(prefix.size()));
    if (!data)
        return std::nullopt;
    const auto object = json::parseObject(*data);
    if (!object)
        return std::nullopt;
    return liveSourceFromJson(*object);
}

std::optional<QByteArray> MediaDrop::decodeBase64Strict(const QString& text)
{
    const qsizetype size = text.size();
    if (size % 4 != 0)
        return std::nullopt;
    qsizetype padding = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == '=') {
            // Padding only at the very end, at most two characters.
            if (i < size - 2)
                return std::nullopt;
            ++padding;
        } else if (padding > 0 || !isBase64Letter(c)) {
            return std::nullopt;
        }
    }
    auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return std::move(decoded.decoded);
}

} // namespace tessarin
