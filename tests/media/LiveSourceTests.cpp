#include "media/LiveSession.h"
#include "media/LiveSource.h"
#include "platform/Json.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <unordered_set>

using namespace tessarin;

namespace {

QJsonObject parse(const char* text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

const char* const srtListener =
    R"({"id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","kind":"srt","name":"Regia",)"
    R"("address":"srt://0.0.0.0:9000?mode=listener","listen":false})";

} // namespace

TEST(LiveSourceJson, DecodesAWellFormedObject)
{
    const auto source = liveSourceFromJson(parse(srtListener));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->kind, LiveSourceKind::srt);
    EXPECT_EQ(source->name, "Regia");
    EXPECT_EQ(source->address, "srt://0.0.0.0:9000?mode=listener");
    EXPECT_FALSE(source->listen);
    EXPECT_EQ(json::uuidText(source->id), "6F9619FF-8B86-D011-B42D-00C04FC964FF");
}

TEST(LiveSourceJson, RejectsMissingWrongTypedOrUnknownMembers)
{
    QJsonObject base = parse(srtListener);
    for (const char* key : {"id", "kind", "name", "address", "listen"}) {
        QJsonObject missing = base;
        missing.remove(QLatin1String(key));
        EXPECT_FALSE(liveSourceFromJson(missing)) << key;
        QJsonObject wrong = base;
        wrong.insert(QLatin1String(key), 1);
        EXPECT_FALSE(liveSourceFromJson(wrong)) << key;
    }
    QJsonObject upper = base;
    upper.insert("kind", "SRT");
    QString why;
    EXPECT_FALSE(liveSourceFromJson(upper, &why));
    EXPECT_FALSE(why.isEmpty());
    QJsonObject listenAsString = base;
    listenAsString.insert("listen", "false");
    EXPECT_FALSE(liveSourceFromJson(listenAsString));
    EXPECT_FALSE(liveSourceFromJson(QJsonValue(QJsonArray{})));
}

TEST(LiveSourceJson, ReadsIdsStrictlyInEitherCase)
{
    QJsonObject object = parse(srtListener);
    object.insert("id", "6f9619ff-8b86-d011-b42d-00c04fc964ff");
    EXPECT_TRUE(liveSourceFromJson(object));
    for (const char* bad : {"{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "6F9619FF8B86D011B42D00C04FC964FF",
                            "6F9619FF-8B86-D011-B42D-00C04FC964FG", "6F9619FF-8B86-D011-B42D-00C04FC964F", ""}) {
        object.insert("id", bad);
        EXPECT_FALSE(liveSourceFromJson(object)) << bad;
    }
}

TEST(LiveSourceJson, IgnoresExtraMembersAndRoundTrips)
{
    QJsonObject object = parse(srtListener);
    object.insert("extra", QJsonArray{1, 2});
    ASSERT_TRUE(liveSourceFromJson(object));

    LiveSource source{QUuid::createUuid(), LiveSourceKind::rtmp, "Camera \"1\"", "rtmp://0.0.0.0:1935/live/a", true};
    const QJsonObject encoded = toJson(source);
    EXPECT_EQ(encoded.size(), 5);
    EXPECT_EQ(encoded.value("id").toString(), encoded.value("id").toString().toUpper());
    const auto text = json::write(encoded, json::Layout::compact);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->startsWith(R"({"address":"rtmp:\/\/0.0.0.0:1935\/live\/a","id":")")) << text->constData();
    const auto decoded = liveSourceFromJson(*json::parseObject(*text));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, source);
}

TEST(LiveSource, EqualityAndHashCoverEveryMember)
{
    const LiveSource a{QUuid::createUuid(), LiveSourceKind::rtmp, "A", "rtmp://x", false};
    LiveSource b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    b.name = "B";
    EXPECT_NE(a, b);
    std::unordered_set<LiveSource> set{a, b};
    EXPECT_EQ(set.size(), 2u);
    LiveSource c = a;
    c.listen = true;
    EXPECT_NE(a, c);
}

TEST(LiveSourceKind, RawValuesOfferedAndManualKinds)
{
    EXPECT_EQ(LiveSourceKinds::fromRawValue("capture"), LiveSourceKind::capture);
    EXPECT_EQ(LiveSourceKinds::fromRawValue(""), std::nullopt);
    EXPECT_EQ(LiveSourceKinds::fromRawValue("Capture"), std::nullopt);
    for (LiveSourceKind kind : LiveSourceKinds::allCases())
        EXPECT_EQ(LiveSourceKinds::fromRawValue(LiveSourceKinds::rawValue(kind)), kind);
    const auto& offered = LiveSourceKinds::offered();
    EXPECT_EQ(offered, (std::vector{LiveSourceKind::capture, LiveSourceKind::rtmp, LiveSourceKind::srt}));
    EXPECT_FALSE(LiveSourceKinds::isManual(LiveSourceKind::capture));
    EXPECT_FALSE(LiveSourceKinds::isManual(LiveSourceKind::ndi));
    EXPECT_TRUE(LiveSourceKinds::isManual(LiveSourceKind::rtmp));
    EXPECT_TRUE(LiveSourceKinds::isManual(LiveSourceKind::srt));
    EXPECT_EQ(LiveSourceKinds::title(LiveSourceKind::capture), "Input Live");
    EXPECT_EQ(LiveSourceKinds::systemImage(LiveSourceKind::srt), "antenna.radiowaves.left.and.right");
}

TEST(LiveStatus, ComparesCaseAndMessage)
{
    EXPECT_EQ(LiveStatus::failed("x"), LiveStatus::failed("x"));
    EXPECT_NE(LiveStatus::failed("x"), LiveStatus::failed("y"));
    EXPECT_NE(LiveStatus::idle(), LiveStatus::connecting());
    EXPECT_EQ(LiveStatus(), LiveStatus::idle());
    EXPECT_TRUE(LiveStatus::failed("x").isFailed());
}
