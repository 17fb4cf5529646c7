// Reading hand-made show files: every required key, every JSON type, bad
// identities and unknown keys, starting from a valid file of every kind of
// record and changing one value at a time.
#include "show/ShowDocument.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tessarin;

namespace {

const char* kValidShow = R"({
  "blocks" : [
    { "endBehavior" : "cueNextBlock", "id" : "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",
      "items" : [ { "gainDB" : 0, "inPoint" : 2.5, "isMuted" : false, "loop" : false, "path" : "\/m\/a.mov" },
                  { "gainDB" : 0, "inPoint" : 0, "isMuted" : false, "loop" : false,
                    "liveSource" : { "address" : "srt:\/\/h:9000", "id" : "FEDCBA98-7654-4321-8FED-CBA987654321",
                                     "kind" : "srt", "listen" : false, "name" : "Regia" } } ],
      "loop" : true, "loopCount" : 2, "name" : "Apertura", "normalizeAudio" : false } ],
  "browser" : [
    { "gainDB" : -3, "imageDuration" : 8, "inPoint" : 0, "isMuted" : true, "loop" : true, "outPoint" : 4.5,
      "path" : "\/Shows\/A\/logo.png", "relativePath" : "logo.png" },
    { "liveSource" : { "address" : "rtmp:\/\/0.0.0.0\/live", "id" : "11111111-2222-3333-4444-555555555555",
                       "kind" : "rtmp", "listen" : true, "name" : "Ingresso" } } ],
  "layers" : [
    { "loops" : true, "offsetX" : 0.25, "offsetY" : -0.5, "opacity" : 0.5, "path" : "\/g\/bug.mov",
      "relativePath" : "bug.mov", "scale" : 2 },
    { "loops" : false, "offsetX" : 0, "offsetY" : 0, "opacity" : 1, "scale" : 1 } ],
  "schedule" : [
    { "blockID" : "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D", "date" : 1733580000.25, "id" : "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE",
      "isEnabled" : true, "repeats" : "daily", "start" : "fixed" },
    { "date" : 0, "duration" : 30, "id" : "AAAAAAAA-BBBB-CCCC-DDDD-FFFFFFFFFFFF", "isEnabled" : false,
      "media" : { "gainDB" : 1, "inPoint" : 0, "isMuted" : false, "loop" : false,
                  "liveSource" : { "address" : "usb-cam", "id" : "99999999-8888-7777-6666-555555555555",
                                   "kind" : "capture", "listen" : false, "name" : "Cam" } },
      "repeats" : "none", "start" : "manual" } ],
  "scheduleLoops" : true,
  "version" : 1
})";

QJsonObject validObject()
{
    return QJsonDocument::fromJson(kValidShow).object();
}

// Sets (or, without a value, removes) the value at a path of object keys and
// array indexes.
QJsonValue changed(const QJsonValue& node, QStringList path, const std::optional<QJsonValue>& value)
{
    const QString step = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const int index = step.toInt();
        if (path.isEmpty())
            value ? array.replace(index, *value) : array.removeAt(index);
        else
            array.replace(index, changed(array.at(index), path, value));
        return array;
    }
    QJsonObject object = node.toObject();
    if (path.isEmpty())
        value ? void(object.insert(step, *value)) : void(object.remove(step));
    else
        object.insert(step, changed(object.value(step), path, value));
    return object;
}

std::optional<ShowDocument> readChanged(const QString& path, const std::optional<QJsonValue>& value)
{
    const QJsonValue doc = changed(validObject(), path.split('/'), value);
    return ShowDocument::fromJson(QJsonDocument(doc.toObject()).toJson());
}

enum class Kind { string, number, integer, boolean, array, object };

struct Key {
    const char* path;
    Kind kind;
    bool required;
};

// Every key of the format, at a place where the valid file has a record of
// its kind.
const Key kKeys[] = {
    {"version", Kind::integer, true},
    {"browser", Kind::array, true},
    {"blocks", Kind::array, true},
    {"layers", Kind::array, true},
    {"schedule", Kind::array, false},
    {"scheduleLoops", Kind::boolean, false},
    {"browser/0/path", Kind::string, false},
    {"browser/0/relativePath", Kind::string, false},
    {"browser/0/liveSource", Kind::object, false},
    {"browser/0/loop", Kind::boolean, false},
    {"browser/0/isMuted", Kind::boolean, false},
    {"browser/0/gainDB", Kind::number, false},
    {"browser/0/inPoint", Kind::number, false},
    {"browser/0/outPoint", Kind::number, false},
    {"browser/0/imageDuration", Kind::number, false},
    {"browser/1/liveSource/address", Kind::string, true},
    {"browser/1/liveSource/id", Kind::string, true},
    {"browser/1/liveSource/kind", Kind::string, true},
    {"browser/1/liveSource/listen", Kind::boolean, true},
    {"browser/1/liveSource/name", Kind::string, true},
    {"blocks/0/id", Kind::string, false},
    {"blocks/0/name", Kind::string, true},
    {"blocks/0/loop", Kind::boolean, true},
    {"blocks/0/loopCount", Kind::integer, true},
    {"blocks/0/endBehavior", Kind::string, true},
    {"blocks/0/normalizeAudio", Kind::boolean, true},
    {"blocks/0/items", Kind::array, true},
    {"blocks/0/items/0/inPoint", Kind::number, false},
    {"blocks/0/items/1/liveSource/listen", Kind::boolean, true},
    {"layers/0/path", Kind::string, false},
    {"layers/0/relativePath", Kind::string, false},
    {"layers/0/opacity", Kind::number, true},
    {"layers/0/scale", Kind::number, true},
    {"layers/1/offsetX", Kind::number, true},
    {"layers/1/offsetY", Kind::number, true},
    {"layers/1/loops", Kind::boolean, true},
    {"schedule/0/id", Kind::string, true},
    {"schedule/0/blockID", Kind::string, false},
    {"schedule/0/start", Kind::string, true},
    {"schedule/0/date", Kind::number, true},
    {"schedule/0/repeats", Kind::string, true},
    {"schedule/0/isEnabled", Kind::boolean, true},
    {"schedule/1/duration", Kind::number, false},
    {"schedule/1/media", Kind::object, false},
    {"schedule/1/media/gainDB", Kind::number, false},
    {"schedule/1/media/liveSource/kind", Kind::string, true},
};

// Values of another JSON type than the key's own.
std::vector<QJsonValue> wrongValues(Kind kind)
{
    const QJsonValue s(QStringLiteral("1")), n(1), f(1.5), b(true), a(QJsonArray {QJsonObject {}}), o(QJsonObject {});
    switch (kind) {
    case Kind::string: return {n, b, a, o};
    case Kind::number: return {s, b, a, o};
    case Kind::integer: return {s, f, b, a, o, QJsonValue(1e300)};
    case Kind::boolean: return {s, QJsonValue(0), n, a, o};
    case Kind::array: return {s, n, b, o, QJsonArray {s}, QJsonArray {QJsonValue::Null}};
    case Kind::object: return {s, n, b, a};
    }
    return {};
}

} // namespace

TEST(ShowDocumentReading, TheValidFileIsReadFieldByField)
{
    QString why;
    const auto doc = ShowDocument::fromJson(kValidShow, &why);
    ASSERT_TRUE(doc) << why.toStdString();
    ASSERT_EQ(doc->browser.size(), 2u);
    const auto& logo = doc->browser[0];
    EXPECT_EQ(logo.path, QStringLiteral("/Shows/A/logo.png"));
    EXPECT_EQ(logo.relativePath, QStringLiteral("logo.png"));
    EXPECT_EQ(logo.imageDuration, 8.0);
    EXPECT_EQ(logo.outPoint, 4.5);
    const auto& ingest = doc->browser[1];
    ASSERT_TRUE(ingest.liveSource);
    EXPECT_EQ(ingest.liveSource->address, QStringLiteral("rtmp://0.0.0.0/live"));
    EXPECT_TRUE(ingest.liveSource->listen);
    EXPECT_FALSE(ingest.loop); // every item key may be missing
    EXPECT_FALSE(ingest.gainDB);
    ASSERT_EQ(doc->blocks.size(), 1u);
    EXPECT_EQ(doc->blocks[0].loopCount, 2);
    EXPECT_EQ(doc->blocks[0].endBehavior, QStringLiteral("cueNextBlock"));
    ASSERT_EQ(doc->layers.size(), 2u);
    EXPECT_EQ(doc->layers[0].offsetY, -0.5);
    ASSERT_TRUE(doc->schedule);
    ASSERT_EQ(doc->schedule->size(), 2u);
    EXPECT_EQ((*doc->schedule)[0].date, 1733580000.25);
    EXPECT_FALSE((*doc->schedule)[0].duration);
    EXPECT_EQ((*doc->schedule)[1].media->liveSource->kind, LiveSourceKind::capture);
    EXPECT_EQ(doc->scheduleLoops, true);
}
TEST(ShowDocumentReading, AMissingRequiredKeyMakesTheFileUnreadableAndAMissingOptionalOneDoesNot)
{
    for (const Key& key : kKeys) {
        const auto doc = readChanged(key.path, std::nullopt);
        EXPECT_EQ(doc.has_value(), !key.required) << key.path;
    }
}

TEST(ShowDocumentReading, AValueOfAnotherJsonTypeMakesTheFileUnreadable)
{
    for (const Key& key : kKeys) {
        for (const QJsonValue& wrong : wrongValues(key.kind)) {
            EXPECT_FALSE(readChanged(key.path, wrong))
                << key.path << " = " << QJsonDocument(QJsonArray {wrong}).toJson(QJsonDocument::Compact).toStdString();
        }
    }
}

TEST(ShowDocumentReading, NullCountsAsAbsentForOptionalKeysOnly)
{
    for (const Key& key : kKeys)
        EXPECT_EQ(readChanged(key.path, QJsonValue::Null).has_value(), !key.required) << key.path;

    const auto doc = readChanged("scheduleLoops", QJsonValue::Null);
    ASSERT_TRUE(doc);
    EXPECT_FALSE(doc->scheduleLoops);
    const auto noSchedule = readChanged("schedule", QJsonValue::Null);
    ASSERT_TRUE(noSchedule);
    EXPECT_FALSE(noSchedule->schedule);
}

TEST(ShowDocumentReading, ElementsOfRecordArraysMustBeObjects)
{
    for (const char* path : {"browser/0", "blocks/0", "layers/1", "schedule/0", "blocks/0/items/1"}) {
        for (const QJsonValue& wrong : {QJsonValue(QStringLiteral("x")), QJsonValue(1), QJsonValue(false),
                                        QJsonValue(QJsonArray {}), QJsonValue(QJsonValue::Null)})
            EXPECT_FALSE(readChanged(path, wrong)) << path;
    }
}

TEST(ShowDocumentReading, ALiveSourceNeedsUuidTextAndAKnownKind)
{
    for (const char* id : {"", "not-a-uuid", "{11111111-2222-3333-4444-555555555555}",
                           "11111111-2222-3333-4444-55555555555", "11111111-2222-3333-4444-5555555555555",
                           "1111111122223333444455555555555555555", "11111111-2222-3333-4444-55555555555G",
                           "11111111_2222_3333_4444_555555555555", " 11111111-2222-3333-4444-555555555555"})
        EXPECT_FALSE(readChanged("browser/1/liveSource/id", QJsonValue(QString::fromLatin1(id)))) << id;
    for (const char* kind : {"", "NDI", "Capture", "youtube", "srt "})
        EXPECT_FALSE(readChanged("blocks/0/items/1/liveSource/kind", QJsonValue(QString::fromLatin1(kind)))) << kind;

    const auto lower = readChanged("browser/1/liveSource/id", QJsonValue(QStringLiteral("abcdef01-2222-3333-4444-5555555555aa")));
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->browser[1].liveSource->id, QUuid::fromString(QStringLiteral("ABCDEF01-2222-3333-4444-5555555555AA")));
    const QByteArray written = *lower->toJson(ShowDocument::Layout::compact);
    EXPECT_TRUE(written.contains("\"id\":\"ABCDEF01-2222-3333-4444-5555555555AA\"")) << written.toStdString();
}

TEST(ShowDocumentReading, TextsOutsideTheListsAndOtherIdentitiesStayReadable)
{
    // Their meaning (fresh identity, pause to black, manual, no repeat) is
    // given when the show is opened; the document keeps the text.
    const std::pair<const char*, QJsonValue> lenient[] = {
        {"blocks/0/id", QStringLiteral("block-one")},
        {"blocks/0/endBehavior", QStringLiteral("stop")},
        {"schedule/0/id", QStringLiteral("7")},
        {"schedule/0/blockID", QStringLiteral("{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}")},
        {"schedule/0/start", QStringLiteral("Fixed")},
        {"schedule/0/repeats", QStringLiteral("hourly")},
        {"version", 2},
        {"version", -7},
        {"blocks/0/loopCount", -1},
        {"blocks/0/loopCount", 3.0},
    };
    for (const auto& [path, value] : lenient)
        EXPECT_TRUE(readChanged(path, value)) << path;
}

TEST(ShowDocumentReading, NumbersAcceptIntegerAndFractionalNotation)
{
    const auto doc = ShowDocument::fromJson(QByteArray(kValidShow)
                                                .replace("\"scale\" : 2", "\"scale\" : 2e0")
                                                .replace("\"date\" : 0,", "\"date\" : -1.5E2,"));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->layers[0].scale, 2.0);
    EXPECT_EQ((*doc->schedule)[1].date, -150.0);
    EXPECT_EQ(doc->browser[0].gainDB, -3.0);
}

TEST(ShowDocumentReading, UnknownKeysAreIgnoredAtEveryLevel)
{
    const auto plain = ShowDocument::fromJson(kValidShow);
    ASSERT_TRUE(plain);
    QJsonValue doc = validObject();
    for (const char* place : {"", "browser/0/", "browser/1/liveSource/", "blocks/0/", "blocks/0/items/0/",
                              "layers/0/", "schedule/0/", "schedule/1/media/", "schedule/1/media/liveSource/"}) {
        doc = changed(doc, (QString::fromLatin1(place) + "extra").split('/'), QJsonObject {{"nested", QJsonArray {1}}});
        doc = changed(doc, (QString::fromLatin1(place) + "Version").split('/'), QStringLiteral("x"));
    }
    const auto extended = ShowDocument::fromJson(QJsonDocument(doc.toObject()).toJson());
    ASSERT_TRUE(extended);
    EXPECT_EQ(*extended, *plain);
}

TEST(ShowDocumentReading, EscapedAndPlainSlashesAreTheSamePath)
{
    const QByteArray escaped = QByteArray(kValidShow);
    const QByteArray plain = QByteArray(kValidShow).replace("\\/", "/");
    ASSERT_NE(escaped, plain);
    EXPECT_EQ(ShowDocument::fromJson(escaped), ShowDocument::fromJson(plain));
    EXPECT_EQ(ShowDocument::fromJson(plain)->blocks[0].items[0].path, QStringLiteral("/m/a.mov"));
}

TEST(ShowDocumentReading, WhatIsNotOneJsonObjectIsUnreadable)
{
    for (const char* text : {"", " ", "{", "[]", "null", "1", "\"show\"", "{\"version\":1,}", "{} {}",
                             "{\"version\":NaN}", "\xef\xbb\xbf{}"})
        EXPECT_FALSE(ShowDocument::fromJson(QByteArray(text))) << text;
    EXPECT_FALSE(ShowDocument::fromJson(QByteArray(kValidShow).left(400)));
}
