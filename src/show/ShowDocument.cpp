#include "show/ShowDocument.h"

#include "platform/Json.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace tessarin {
namespace {

using json::ObjectReader;

// Reading. Each step reads one object's keys through an ObjectReader, whose
// first failure sticks; nested failures are passed up with the path of keys
// that led to them, so a test or a developer sees where a file went wrong.

void failNested(ObjectReader& outer, const QString& where, const QString& why)
{
    outer.fail(where + QStringLiteral(": ") + why);
}

std::optional<ShowDocument::Item> readItem(const QJsonObject& object, QString& why)
{
    ObjectReader r(object);
    ShowDocument::Item item;
    item.path = r.optionalString(QStringLiteral("path"));
    item.relativePath = r.optionalString(QStringLiteral("relativePath"));
    item.loop = r.optionalBoolean(QStringLiteral("loop"));
    item.isMuted = r.optionalBoolean(QStringLiteral("isMuted"));
    item.gainDB = r.optionalNumber(QStringLiteral("gainDB"));
    item.inPoint = r.optionalNumber(QStringLiteral("inPoint"));
    item.outPoint = r.optionalNumber(QStringLiteral("outPoint"));
    item.imageDuration = r.optionalNumber(QStringLiteral("imageDuration"));
    if (auto live = r.optionalObject(QStringLiteral("liveSource"))) {
        QString inner;
        item.liveSource = liveSourceFromJson(*live, &inner);
        if (!item.liveSource)
            failNested(r, QStringLiteral("liveSource"), inner);
    }
    if (!r.ok()) {
        why = r.error();
        return std::nullopt;
    }
    return item;
}

// Reads an array whose every element must be an object of one record kind.
template <typename Record, typename ReadOne>
std::optional<std::vector<Record>> readRecords(const QJsonArray& array, ReadOne readOne, QString& why)
{
    std::vector<Record> records;
    records.reserve(static_cast<size_t>(array.size()));
    for (qsizetype i = 0; i < array.size(); ++i) {
        const auto object = json::asObject(array.at(i));
        if (!object) {
            why = QStringLiteral("[%1] is not an object").arg(i);
            return std::nullopt;
        }
        QString inner;
        auto record = readOne(*object, inner);
        if (!record) {
            why = QStringLiteral("[%1]: %2").arg(i).arg(inner);
            return std::nullopt;
        }
        records.push_back(std::move(*record));
    }
    return records;
}

template <typename Record, typename ReadOne>
std::vector<Record> readRecordsInto(ObjectReader& r, const QString& key, const std::optional<QJsonArray>& array,
                                    ReadOne readOne)
{
    if (!array || !r.ok())
        return {};
    QString why;
    auto records = readRecords<Record>(*array, readOne, why);
    if (!records) {
        failNested(r, key, why);
        return {};
    }
    return std::move(*records);
}

std::optional<ShowDocument::Block> readBlock(const QJsonObject& object, QString& why)
{
    ObjectReader r(object);
    ShowDocument::Block block;
    block.id = r.optionalString(QStringLiteral("id"));
    block.name = r.string(QStringLiteral("name"));
    block.loop = r.boolean(QStringLiteral("loop"));
    block.loopCount = r.integer(QStringLiteral("loopCount"));
    block.endBehavior = r.string(QStringLiteral("endBehavior"));
    block.normalizeAudio = r.boolean(QStringLiteral("normalizeAudio"));
    const QJsonArray items = r.array(QStringLiteral("items"));
    block.items = readRecordsInto<ShowDocument::Item>(r, QStringLiteral("items"), items, readItem);
    if (!r.ok()) {
        why = r.error();
        return std::nullopt;
    }
    return block;
}

std::optional<ShowDocument::Layer> readLayer(const QJsonObject& object, QString& why)
{
    ObjectReader r(object);
    ShowDocument::Layer layer;
    layer.path = r.optionalString(QStringLiteral("path"));
    layer.relativePath = r.optionalString(QStringLiteral("relativePath"));
    layer.opacity = r.number(QStringLiteral("opacity"));
    layer.scale = r.number(QStringLiteral("scale"));
    layer.offsetX = r.number(QStringLiteral("offsetX"));
    layer.offsetY = r.number(QStringLiteral("offsetY"));
    layer.loops = r.boolean(QStringLiteral("loops"));
    if (!r.ok()) {
        why = r.error();
        return std::nullopt;
    }
    return layer;
}

std::optional<ShowDocument::ScheduleEntry> readEntry(const QJsonObject& object, QString& why)
{
    ObjectReader r(object);
    ShowDocument::ScheduleEntry entry;
    entry.id = r.string(QStringLiteral("id"));
    entry.blockID = r.optionalString(QStringLiteral("blockID"));
    entry.start = r.string(QStringLiteral("start"));
    entry.date = r.number(QStringLiteral("date"));
    entry.repeats = r.string(QStringLiteral("repeats"));
    entry.isEnabled = r.boolean(QStringLiteral("isEnabled"));
    entry.duration = r.optionalNumber(QStringLiteral("duration"));
    if (auto media = r.optionalObject(QStringLiteral("media"))) {
        QString inner;
        entry.media = readItem(*media, inner);
        if (!entry.media)
            failNested(r, QStringLiteral("media"), inner);
    }
    if (!r.ok()) {
        why = r.error();
        return std::nullopt;
    }
    return entry;
}

// Writing. Numbers are checked here as they go in, so a non-finite value
// fails the encoding whatever the JSON layer would make of it.

struct Writer {
    bool finite = true;

    void number(QJsonObject& o, const QString& key, double value)
    {
        if (!std::isfinite(value))
            finite = false;
        o.insert(key, value);
    }
    void number(QJsonObject& o, const QString& key, const std::optional<double>& value)
    {
        if (value)
            number(o, key, *value);
    }
    static void string(QJsonObject& o, const QString& key, const std::optional<QString>& value)
    {
        if (value)
            o.insert(key, *value);
    }
    static void boolean(QJsonObject& o, const QString& key, const std::optional<bool>& value)
    {
        if (value)
            o.insert(key, *value);
    }

    QJsonObject item(const ShowDocument::Item& item)
    {
        QJsonObject o;
        string(o, QStringLiteral("path"), item.path);
        string(o, QStringLiteral("relativePath"), item.relativePath);
        if (item.liveSource)
            o.insert(QStringLiteral("liveSource"), toJson(*item.liveSource));
        boolean(o, QStringLiteral("loop"), item.loop);
        boolean(o, QStringLiteral("isMuted"), item.isMuted);
        number(o, QStringLiteral("gainDB"), item.gainDB);
        number(o, QStringLiteral("inPoint"), item.inPoint);
        number(o, QStringLiteral("outPoint"), item.outPoint);
        number(o, QStringLiteral("imageDuration"), item.imageDuration);
        return o;
    }

    QJsonArray items(const std::vector<ShowDocument::Item>& items)
    {
        QJsonArray array;
        for (const auto& one : items)
            array.append(item(one));
        return array;
    }

    QJsonObject block(const ShowDocument::Block& block)
    {
        QJsonObject o;
        string(o, QStringLiteral("id"), block.id);
        o.insert(QStringLiteral("name"), block.name);
        o.insert(QStringLiteral("loop"), block.loop);
        o.insert(QStringLiteral("loopCount"), block.loopCount);
        o.insert(QStringLiteral("endBehavior"), block.endBehavior);
        o.insert(QStringLiteral("normalizeAudio"), block.normalizeAudio);
        o.insert(QStringLiteral("items"), items(block.items));
        return o;
    }

    QJsonObject layer(const ShowDocument::Layer& layer)
    {
        QJsonObject o;
        string(o, QStringLiteral("path"), layer.path);
        string(o, QStringLiteral("relativePath"), layer.relativePath);
        number(o, QStringLiteral("opacity"), layer.opacity);
        number(o, QStringLiteral("scale"), layer.scale);
        number(o, QStringLiteral("offsetX"), layer.offsetX);
        number(o, QStringLiteral("offsetY"), layer.offsetY);
        o.insert(QStringLiteral("loops"), layer.loops);
        return o;
    }

    QJsonObject entry(const ShowDocument::ScheduleEntry& entry)
    {
        QJsonObject o;
        o.insert(QStringLiteral("id"), entry.id);
        string(o, QStringLiteral("blockID"), entry.blockID);
        o.insert(QStringLiteral("start"), entry.start);
        number(o, QStringLiteral("date"), entry.date);
        o.insert(QStringLiteral("repeats"), entry.repeats);
        o.insert(QStringLiteral("isEnabled"), entry.isEnabled);
        number(o, QStringLiteral("duration"), entry.duration);
        if (entry.media)
            o.insert(QStringLiteral("media"), item(*entry.media));
        return o;
    }
};

} // namespace

std::optional<ShowDocument> ShowDocument::fromJson(const QByteArray& bytes, QString* why)
{
    QString parseError;
    const auto top = json::parseObject(bytes, &parseError);
    if (!top) {
        if (why)
            *why = parseError;
        return std::nullopt;
    }
    ObjectReader r(*top);
    ShowDocument doc;
    doc.version = r.integer(QStringLiteral("version"));
    const QJsonArray browser = r.array(QStringLiteral("browser"));
    const QJsonArray blocks = r.array(QStringLiteral("blocks"));
    const QJsonArray layers = r.array(QStringLiteral("layers"));
    const auto schedule = r.optionalArray(QStringLiteral("schedule"));
    doc.scheduleLoops = r.optionalBoolean(QStringLiteral("scheduleLoops"));
    doc.browser = readRecordsInto<Item>(r, QStringLiteral("browser"), browser, readItem);
    doc.blocks = readRecordsInto<Block>(r, QStringLiteral("blocks"), blocks, readBlock);
    doc.layers = readRecordsInto<Layer>(r, QStringLiteral("layers"), layers, readLayer);
    if (schedule)
        doc.schedule = readRecordsInto<ScheduleEntry>(r, QStringLiteral("schedule"), schedule, readEntry);
    if (!r.ok()) {
        if (why)
            *why = r.error();
        return std::nullopt;
    }
    return doc;
}

bool ShowDocument::hasOnlyFiniteNumbers() const
{
    const auto finite = [](const std::optional<double>& value) { return !value || std::isfinite(*value); };
    const auto finiteItem = [&](const Item& item) {
        return finite(item.gainDB) && finite(item.inPoint) && finite(item.outPoint) && finite(item.imageDuration);
    };
    if (!std::all_of(browser.begin(), browser.end(), finiteItem))
        return false;
    for (const Block& block : blocks) {
        if (!std::all_of(block.items.begin(), block.items.end(), finiteItem))
            return false;
    }
    for (const Layer& layer : layers) {
        if (!finite(layer.opacity) || !finite(layer.scale) || !finite(layer.offsetX) || !finite(layer.offsetY))
            return false;
    }
    if (schedule) {
        for (const ScheduleEntry& entry : *schedule) {
            if (!finite(entry.date) || !finite(entry.duration) || (entry.media && !finiteItem(*entry.media)))
                return false;
        }
    }
    return true;
}

std::optional<QByteArray> ShowDocument::toJson(Layout layout) const
{
    Writer w;
    QJsonObject top;
    top.insert(QStringLiteral("version"), version);
    top.insert(QStringLiteral("browser"), w.items(browser));
    QJsonArray blockArray;
    for (const auto& b : blocks)
        blockArray.append(w.block(b));
    top.insert(QStringLiteral("blocks"), blockArray);
    QJsonArray layerArray;
    for (const auto& l : layers)
        layerArray.append(w.layer(l));
    top.insert(QStringLiteral("layers"), layerArray);
    if (schedule) {
        QJsonArray entries;
        for (const auto& e : *schedule)
            entries.append(w.entry(e));
        top.insert(QStringLiteral("schedule"), entries);
    }
    Writer::boolean(top, QStringLiteral("scheduleLoops"), scheduleLoops);
    if (!w.finite)
        return std::nullopt;
    return json::write(top, layout == Layout::pretty ? json::Layout::pretty : json::Layout::compact);
}

} // namespace tessarin
