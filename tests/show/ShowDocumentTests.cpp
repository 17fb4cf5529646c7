#include "show/ShowDocument.h"

#include "platform/Json.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

using namespace tessarin;

namespace {

const QString kUuidA = QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");
const QString kUuidB = QStringLiteral("FEDCBA98-7654-4321-8FED-CBA987654321");

LiveSource liveSource(const QString& kind, bool listen)
{
    return LiveSource {QUuid::createUuid(), *LiveSourceKinds::fromRawValue(kind), QStringLiteral("Camera / 1"),
                       QStringLiteral("srt://0.0.0.0:9000?mode=listener"), listen};
}

ShowDocument::Item fileItem(const QString& path, std::optional<QString> relative = std::nullopt)
{
    ShowDocument::Item item;
    item.path = path;
    item.relativePath = relative;
    item.loop = false;
    item.isMuted = false;
    item.gainDB = 0.0;
    item.inPoint = 0.0;
    return item;
}

ShowDocument::Item liveItem(const QString& kind)
{
    ShowDocument::Item item;
    item.liveSource = liveSource(kind, kind == QLatin1String("rtmp"));
    item.loop = false;
    item.isMuted = true;
    item.gainDB = -6.5;
    item.inPoint = 0.0;
    return item;
}

// A show with every kind of item, block, layer and schedule entry.
ShowDocument fullShow()
{
    ShowDocument doc;
    auto trimmed = fileItem(QStringLiteral("/Shows/A/media/clip.mov"), QStringLiteral("media/clip.mov"));
    trimmed.loop = true;
    trimmed.gainDB = 3.25;
    trimmed.inPoint = 1.5;
    trimmed.outPoint = 12.125;
    auto still = fileItem(QStringLiteral("/Pictures/logo \"quoted\" è.png"));
    still.imageDuration = 8.0;
    doc.browser = {trimmed, still, liveItem(QStringLiteral("capture")), liveItem(QStringLiteral("ndi"))};

    ShowDocument::Block opening;
    opening.id = kUuidA;
    opening.name = QStringLiteral("Apertura");
    opening.loop = true;
    opening.loopCount = 3;
    opening.endBehavior = QStringLiteral("cueNextBlock");
    opening.normalizeAudio = true;
    opening.items = {trimmed, still, liveItem(QStringLiteral("rtmp")), liveItem(QStringLiteral("srt"))};
    ShowDocument::Block empty;
    empty.id = kUuidB;
    empty.name = QString();
    doc.blocks = {opening, empty};

    ShowDocument::Layer withFile;
    withFile.path = QStringLiteral("/Shows/A/gfx/bug.mov");
    withFile.relativePath = QStringLiteral("gfx/bug.mov");
    withFile.opacity = 0.75;
    withFile.scale = 0.5;
    withFile.offsetX = -0.25;
    withFile.offsetY = 0.125;
    withFile.loops = true;
    doc.layers = {withFile, ShowDocument::Layer {}};

    std::vector<ShowDocument::ScheduleEntry> entries;
    const QStringList starts {QStringLiteral("fixed"), QStringLiteral("follow"), QStringLiteral("manual")};
    const QStringList repeats {QStringLiteral("none"), QStringLiteral("daily"), QStringLiteral("weekly")};
    for (int i = 0; i < 3; ++i) {
        ShowDocument::ScheduleEntry e;
        e.id = json::uuidText(QUuid::createUuid());
        e.start = starts[i];
        e.repeats = repeats[i];
        e.date = 1733580000.0 + i * 3600.5;
        e.isEnabled = i != 1;
        entries.push_back(e);
    }
    entries[0].blockID = kUuidA;                                  // a block
    entries[1].media = trimmed;                                   // a file
    entries[1].duration = 0.0;                                    // zero is a duration
    entries[2].media = liveItem(QStringLiteral("srt"));           // a live source
    entries[2].duration = 90.0;
    entries[2].blockID = kUuidB;                                  // both kept
    doc.schedule = entries;
    doc.scheduleLoops = true;
    return doc;
}

// The document of an empty show as the building code makes it.
ShowDocument emptyShow()
{
    ShowDocument doc;
    doc.layers = {ShowDocument::Layer {}, ShowDocument::Layer {}};
    doc.schedule = std::vector<ShowDocument::ScheduleEntry> {};
    doc.scheduleLoops = false;
    return doc;
}

QByteArray pretty(const ShowDocument& doc)
{
    auto bytes = doc.toJson(ShowDocument::Layout::pretty);
    EXPECT_TRUE(bytes.has_value());
    return bytes.value_or(QByteArray());
}

} // namespace

TEST(ShowDocumentWriting, EveryKindSurvivesARoundTripAndWritesTheSameBytesAgain)
{
    const ShowDocument doc = fullShow();
    for (auto layout : {ShowDocument::Layout::pretty, ShowDocument::Layout::compact}) {
        const auto bytes = doc.toJson(layout);
        ASSERT_TRUE(bytes);
        QString why;
        const auto read = ShowDocument::fromJson(*bytes, &why);
        ASSERT_TRUE(read) << why.toStdString();
        EXPECT_EQ(*read, doc);
        EXPECT_EQ(read->toJson(layout), bytes);
    }
}

TEST(ShowDocumentWriting, EmptyShowIsWrittenExactly)
{
    const QByteArray expected =
        "{\n"
        "  \"blocks\" : [],\n"
        "  \"browser\" : [],\n"
        "  \"layers\" : [\n"
        "    {\n"
        "      \"loops\" : false,\n"
        "      \"offsetX\" : 0,\n"
        "      \"offsetY\" : 0,\n"
        "      \"opacity\" : 1,\n"
        "      \"scale\" : 1\n"
        "    },\n"
        "    {\n"
        "      \"loops\" : false,\n"
        "      \"offsetX\" : 0,\n"
        "      \"offsetY\" : 0,\n"
        "      \"opacity\" : 1,\n"
        "      \"scale\" : 1\n"
        "    }\n"
        "  ],\n"
        "  \"schedule\" : [],\n"
        "  \"scheduleLoops\" : false,\n"
        "  \"version\" : 1\n"
        "}";
    EXPECT_EQ(pretty(emptyShow()), expected);
    EXPECT_EQ(emptyShow().toJson(ShowDocument::Layout::compact),
              QByteArray("{\"blocks\":[],\"browser\":[],\"layers\":[{\"loops\":false,\"offsetX\":0,\"offsetY\":0,"
                         "\"opacity\":1,\"scale\":1},{\"loops\":false,\"offsetX\":0,\"offsetY\":0,\"opacity\":1,"
                         "\"scale\":1}],\"schedule\":[],\"scheduleLoops\":false,\"version\":1}"));
}

TEST(ShowDocumentWriting, KeysAreSortedSlashesEscapedAndUnsetOptionalsLeftOut)
{
    ShowDocument doc = emptyShow();
    ShowDocument::Item item = liveItem(QStringLiteral("rtmp"));
    item.liveSource->id = QUuid::fromString(kUuidA.toLower());
    item.liveSource->address = QStringLiteral("rtmp://host/app");
    doc.browser = {item, fileItem(QStringLiteral("/m/a.mp4"))};
    const QByteArray text = *doc.toJson(ShowDocument::Layout::compact);

    EXPECT_TRUE(text.contains(
        "{\"gainDB\":-6.5,\"inPoint\":0,\"isMuted\":true,\"liveSource\":{\"address\":\"rtmp:\\/\\/host\\/app\","
        "\"id\":\"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D\",\"kind\":\"rtmp\",\"listen\":true,"
        "\"name\":\"Camera \\/ 1\"},\"loop\":false}"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("{\"gainDB\":0,\"inPoint\":0,\"isMuted\":false,\"loop\":false,\"path\":\"\\/m\\/a.mp4\"}"))
        << text.toStdString();
    EXPECT_FALSE(text.contains("null"));
    EXPECT_FALSE(text.contains("relativePath"));
    EXPECT_FALSE(text.contains("outPoint"));
    EXPECT_FALSE(text.contains("imageDuration"));
}

TEST(ShowDocumentWriting, ANumberThatIsNotFiniteFailsTheWholeEncoding)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<std::function<void(ShowDocument&)>> spoilers {
        [&](ShowDocument& d) { d.browser[0].gainDB = nan; },
        [&](ShowDocument& d) { d.blocks[0].items[0].outPoint = inf; },
        [&](ShowDocument& d) { d.browser[1].imageDuration = -inf; },
        [&](ShowDocument& d) { d.layers[1].opacity = nan; },
        [&](ShowDocument& d) { d.layers[0].offsetY = inf; },
        [&](ShowDocument& d) { (*d.schedule)[0].date = nan; },
        [&](ShowDocument& d) { (*d.schedule)[2].duration = inf; },
        [&](ShowDocument& d) { (*d.schedule)[1].media->inPoint = nan; },
    };
    for (size_t i = 0; i < spoilers.size(); ++i) {
        ShowDocument doc = fullShow();
        spoilers[i](doc);
        EXPECT_FALSE(doc.toJson(ShowDocument::Layout::pretty)) << "case " << i;
        EXPECT_FALSE(doc.toJson(ShowDocument::Layout::compact)) << "case " << i;
    }
}
