#include "media/SourceLibrary.h"

#include "platform/CaptureDevices.h"
#include "platform/Json.h"
#include "platform/Settings.h"

#include <algorithm>

namespace tessarin {

SourceLibrary::SourceLibrary(Settings& settings, CaptureDevices& devices, QObject* parent)
    : QObject(parent)
    , settings_(settings)
    , devices_(&devices)
{
    setManualSources(loadManualSources(settings_));
    refreshCaptureDevices();
    // Connections to devices end with this object, like removed observers.
    connect(&devices, &CaptureDevices::connected, this, &SourceLibrary::refreshCaptureDevices);
    connect(&devices, &CaptureDevices::disconnected, this, &SourceLibrary::refreshCaptureDevices);
}

SourceLibrary::~SourceLibrary() = default;

void SourceLibrary::setNdiSources(std::vector<LiveSource> sources)
{
    ndiSources_ = std::move(sources);
    emit ndiSourcesChanged();
    emit changed();
}

void SourceLibrary::setCaptureSources(std::vector<LiveSource> sources)
{
    captureSources_ = std::move(sources);
    emit captureSourcesChanged();
    emit changed();
}

void SourceLibrary::setManualSources(std::vector<LiveSource> sources)
{
    manualSources_ = std::move(sources);
    emit manualSourcesChanged();
    emit changed();
}

std::vector<LiveSource> SourceLibrary::sources(LiveSourceKind kind) const
{
    switch (kind) {
    case LiveSourceKind::ndi:
        return ndiSources_;
    case LiveSourceKind::capture:
        return captureSources_;
    case LiveSourceKind::rtmp:
    case LiveSourceKind::srt:
        break;
    }
    std::vector<LiveSource> result;
    std::copy_if(manualSources_.begin(), manualSources_.end(), std::back_inserter(result),
                 [kind](const LiveSource& s) { return s.kind == kind; });
    return result;
}

std::optional<LiveSource> SourceLibrary::addManualSource(LiveSourceKind kind, const QString& name, const QString& address, bool listen)
{
    const QString trimmedAddress = address.trimmed();
    const QString trimmedName = name.trimmed();
    if (!LiveSourceKinds::isManual(kind) || trimmedAddress.isEmpty())
        return std::nullopt;
    LiveSource source;
    source.kind = kind;
    source.name = trimmedName.isEmpty() ? trimmedAddress : trimmedName;
    source.address = trimmedAddress;
    source.listen = listen;
    auto list = manualSources_;
    list.push_back(source);
    setManualSources(std::move(list));
    saveManualSources();
    return source;
}

void SourceLibrary::removeManualSource(const QUuid& id)
{
    auto list = manualSources_;
    list.erase(std::remove_if(list.begin(), list.end(), [&id](const LiveSource& s) { return s.id == id; }), list.end());
    setManualSources(std::move(list));
    saveManualSources();
}

void SourceLibrary::refreshCaptureDevices()
{
    std::vector<LiveSource> sources;
    if (devices_) {
        for (const auto& device : devices_->devices()) {
            LiveSource source; // a fresh id at every listing
            source.kind = LiveSourceKind::capture;
            source.name = device.name;
            source.address = device.uniqueID;
            source.listen = false;
            sources.push_back(std::move(source));
        }
    }
    setCaptureSources(std::move(sources));
}

std::vector<LiveSource> SourceLibrary::loadManualSources(const Settings& settings)
{
    const auto stored = settings.stringValue(QLatin1String(kManualSourcesKey));
    if (!stored)
        return {};
    const auto array = json::parseArray(stored->toUtf8());
    if (!array)
        return {};
    std::vector<LiveSource> result;
    for (const QJsonValue& value : *array) {
        auto source = liveSourceFromJson(value);
        if (!source)
            return {}; // one bad element discards the list; the stored text stays
        result.push_back(std::move(*source));
    }
    return result;
}

void SourceLibrary::saveManualSources()
{
    QJsonArray array;
    for (const LiveSource& source : manualSources_)
        array.append(toJson(source));
    const auto data = json::write(array, json::Layout::compact);
    if (!data)
        return;
    settings_.setString(QLatin1String(kManualSourcesKey), QString::fromUtf8(*data));
}

} // namespace tessarin
