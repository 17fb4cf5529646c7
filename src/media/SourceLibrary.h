#pragma once
// The catalogue of live sources the operator can drag into blocks or pick in
// the schedule editor: the attached capture devices (listed again at every
// hot plug) and the RTMP and SRT feeds added by hand, kept in the settings
// under "Vellumcast.manualSources.v1" as a compact JSON array. Main thread.
//
// Observable: each list has a <name>Changed() signal; changed() follows
// every assignment, also when the list is unchanged.
#include "media/LiveSource.h"

#include <QObject>
#include <QPointer>

#include <optional>
#include <vector>

namespace tessarin {

class CaptureDevices;
class Settings;

class SourceLibrary : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kManualSourcesKey = "Vellumcast.manualSources.v1";

    // Loads the stored manual sources, lists the capture devices and follows
    // their hot plug. Both arguments must outlive the catalogue.
    SourceLibrary(Settings& settings, CaptureDevices& devices, QObject* parent = nullptr);
    ~SourceLibrary() override;

    // Always empty: NDI sources are never listed.
    const std::vector<LiveSource>& ndiSources() const { return ndiSources_; }
    // The attached capture devices, in the system's order, each with a fresh id.
    const std::vector<LiveSource>& captureSources() const { return captureSources_; }
    // The hand-added sources in the order they were added.
    const std::vector<LiveSource>& manualSources() const { return manualSources_; }

    void setNdiSources(std::vector<LiveSource> sources);
    void setCaptureSources(std::vector<LiveSource> sources);
    // Publishes without storing; only add and remove store.
    void setManualSources(std::vector<LiveSource> sources);

    // ndi: ndiSources; capture: captureSources; rtmp, srt: the manual sources
    // of exactly that kind, in order.
    std::vector<LiveSource> sources(LiveSourceKind kind) const;

    // Trims name and address; ignores non-manual kinds and empty addresses
    // (nullopt); an empty name becomes the address. Appends, stores the list
    // and returns the new source.
    std::optional<LiveSource> addManualSource(LiveSourceKind kind, const QString& name, const QString& address, bool listen);
    // Removes every manual source with that id, then stores the list (also
    // when nothing was removed).
    void removeManualSource(const QUuid& id);

    // The stored list; empty when absent or when any element fails to decode.
    static std::vector<LiveSource> loadManualSources(const Settings& settings);

signals:
    void ndiSourcesChanged();
    void captureSourcesChanged();
    void manualSourcesChanged();
    void changed();

private:
    void refreshCaptureDevices();
    void saveManualSources();

    Settings& settings_;
    QPointer<CaptureDevices> devices_;
    std::vector<LiveSource> ndiSources_;
    std::vector<LiveSource> captureSources_;
    std::vector<LiveSource> manualSources_;
};

} // namespace tessarin
