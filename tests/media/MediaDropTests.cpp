#include "media/MediaDrop.h"

#include "media/FileNameText.h"
#include "media/MediaFile.h"
#include "platform/MainThread.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QMimeData>

using namespace tessarin;

namespace {

QString base64(const QByteArray& data)
{
    return QString::fromLatin1(data.toBase64());
}

LiveSource aSource()
{
    LiveSource source;
    source.kind = LiveSourceKind::srt;
    source.name = "Regia / 2";
    source.address = "srt://0.0.0.0:9000?mode=listener";
    source.listen = true;
    return source;
}

std::vector<std::shared_ptr<MediaFile>> drop(std::vector<DropItem> items)
{
    std::optional<std::vector<std::shared_ptr<MediaFile>>> result;
    MediaDrop::loadItems(std::move(items), [&](std::vector<std::shared_ptr<MediaFile>> files) {
        EXPECT_TRUE(isMainThread());
        result = std::move(files);
    });
    EXPECT_FALSE(result); // never inside the call
    EXPECT_TRUE(test::waitUntil([&] { return result.has_value(); }, 5));
    return result.value_or(std::vector<std::shared_ptr<MediaFile>> {});
}

} // namespace

TEST(FileDragPayload, RoundTripKeepsPathsAndOrder)
{
    const std::vector<QUrl> urls = { QUrl::fromLocalFile("/media/show/b clip.mov"),
                                     QUrl::fromLocalFile("/media/show/àccènto%.mp4") };
    const QString payload = FileDragPayload::encode(urls);
    ASSERT_TRUE(payload.startsWith("vellumcast-files|"));
    EXPECT_EQ(QByteArray::fromBase64(payload.mid(17).toLatin1()),
              QByteArray(R"(["\/media\/show\/b clip.mov","\/media\/show\/àccènto%.mp4"])"));
    EXPECT_EQ(FileDragPayload::decode(payload), urls);

    const QString empty = FileDragPayload::encode({});
    EXPECT_EQ(empty, "vellumcast-files|" + base64("[]"));
    ASSERT_TRUE(FileDragPayload::decode(empty));
    EXPECT_TRUE(FileDragPayload::decode(empty)->empty());

    // Any valid JSON of the right shape reads; relative paths from the current folder.
    EXPECT_EQ(FileDragPayload::decode("vellumcast-files|" + base64(" [ \"a.mp4\" ] ")),
              std::vector<QUrl>({ QUrl::fromLocalFile(QDir::current().absoluteFilePath("a.mp4")) }));
}

TEST(FileDragPayload, MalformedPayloadsAreRefused)
{
    const QString good = FileDragPayload::encode({ QUrl::fromLocalFile("/a.mp4"), QUrl::fromLocalFile("/b.mp4") });
    const QString body = good.mid(17);
    const QString padded = FileDragPayload::encode({ QUrl::fromLocalFile("/a.mp4") }).mid(17);
    ASSERT_TRUE(padded.endsWith('=') && FileDragPayload::decode("vellumcast-files|" + padded));
    const std::vector<QString> bad = {
        "vellumcast-files|",                                // no data at all
        "VELLUMCAST-FILES|" + body,                         // prefix in upper case
        "vellumcast-files|" + body.left(8) + "\n" + body.mid(8), // a line break
        "vellumcast-files|" + body + " ",                   // trailing space
        "vellumcast-files|" + QString(padded).remove('='),  // padding left out
        "vellumcast-files|" + padded.left(padded.size() - 4) + "=A==", // padding inside
        "vellumcast-files|" + base64(R"({"a":1})"),         // an object
        "vellumcast-files|" + base64(R"(["a", 2])"),        // a number among the paths
        "vellumcast-files|" + base64(R"(["a")"),            // cut short
        "vellumcast-files|" + base64("\xff\xfe"),           // not text
        "vellumcast-files" + body,                          // no bar
        "",
    };
    for (const QString& text : bad)
        EXPECT_FALSE(FileDragPayload::decode(text)) << text.toStdString();
}

TEST(MediaDrop, SourcePayloadRoundTripsAndIncompleteSourcesAreDropped)
{
    const LiveSource source = aSource();
    const QString payload = MediaDrop::sourcePayload(source);
    ASSERT_TRUE(payload.startsWith("vellumcast-source|"));
    EXPECT_EQ(MediaDrop::decodeSourcePayload(payload), source);

    QJsonObject object = toJson(source);
    object.remove("listen");
    const QString missing = "vellumcast-source|" + base64(QJsonDocument(object).toJson(QJsonDocument::Compact));
    EXPECT_FALSE(MediaDrop::decodeSourcePayload(missing));
    EXPECT_TRUE(drop({ { std::nullopt, missing } }).empty());
    EXPECT_FALSE(MediaDrop::decodeSourcePayload("vellumcast-source|" + base64("[]")));
    EXPECT_FALSE(MediaDrop::decodeSourcePayload("vellumcast-source|%%%%"));
}

TEST(MediaDrop, ItemsKeepTheOrderOfTheDrop)
{
    const LiveSource source = aSource();
    const QString files = FileDragPayload::encode({ QUrl::fromLocalFile("/x/1.mp4"), QUrl::fromLocalFile("/x/2.mp4") });
    const auto items = drop({
        { std::nullopt, "just a word" },
        { QUrl::fromLocalFile("/x/file.mov"), std::nullopt },
        { std::nullopt, MediaDrop::sourcePayload(source) },
        { std::nullopt, files },
        // A file item is read as a file only, whatever text it carries.
        { QUrl::fromLocalFile("/x/last.wav"), MediaDrop::sourcePayload(source) },
        {},
    });
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0]->url(), QUrl::fromLocalFile("/x/file.mov"));
    ASSERT_TRUE(items[1]->isLive());
    EXPECT_EQ(*items[1]->liveSource(), source);
    EXPECT_EQ(items[2]->url(), QUrl::fromLocalFile("/x/1.mp4"));
    EXPECT_EQ(items[3]->url(), QUrl::fromLocalFile("/x/2.mp4"));
    EXPECT_EQ(items[4]->url(), QUrl::fromLocalFile("/x/last.wav"));

    EXPECT_TRUE(drop({}).empty());
    EXPECT_TRUE(drop({ { std::nullopt, FileDragPayload::encode({}) } }).empty());
}

TEST(MediaDrop, FilesWhoseNamesAreNotUtf8AreLeftOut)
{
    // A show stores paths as JSON text: such a name would come back broken.
    const QUrl bad = QUrl::fromEncoded("file:///x/clip%FF.mp4");
    ASSERT_FALSE(hasUtf8FileName(bad));
    EXPECT_TRUE(hasUtf8FileName(QUrl::fromLocalFile(QStringLiteral("/x/città è.mp4"))));
    const auto items = drop({ { bad, std::nullopt }, { QUrl::fromLocalFile("/x/good.mp4"), std::nullopt } });
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->url(), QUrl::fromLocalFile("/x/good.mp4"));
}

TEST(MediaDrop, AcceptsFilesAndAnyTextOfADrag)
{
    EXPECT_EQ(MediaDrop::acceptedTypes(), QStringList({ "text/uri-list", "text/plain" }));
    QMimeData text;
    text.setText("not a payload");
    EXPECT_TRUE(MediaDrop::canAccept(text));
    QMimeData files;
    files.setUrls({ QUrl::fromLocalFile("/a.mp4"), QUrl("https://example.com/b.mp4") });
    const auto items = MediaDrop::items(files);
    ASSERT_EQ(items.size(), 1u); // only local files are files
    EXPECT_EQ(items[0].fileURL, QUrl::fromLocalFile("/a.mp4"));
    EXPECT_FALSE(MediaDrop::canAccept(QMimeData()));
    EXPECT_FALSE(MediaDrop::canAccept(std::vector<DropItem> {}));
}
