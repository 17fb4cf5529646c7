#pragma once
// The browser's "Sorgenti" tab: one section per offered kind of live source
// (capture devices, RTMP, SRT) and a hint at the bottom, in a scroll area.
// It shows what the catalogue publishes; devices come and go with the
// catalogue's hot plug. Main thread.
#include "media/LiveSourceKind.h"
#include "ui/browser/RowDestinations.h"

#include <QScrollArea>

#include <vector>

namespace tessarin {

class SourceLibrary;
class SourceSection;

class SourcesList : public QScrollArea {
    Q_OBJECT
public:
    explicit SourcesList(SourceLibrary& sources, QWidget* parent = nullptr);

    const std::vector<SourceSection*>& sections() const { return sections_; }
    SourceSection* section(LiveSourceKind kind) const;
    // Where the rows' menus send a live source.
    void setRowDestinations(const RowDestinations& destinations);

private:
    std::vector<SourceSection*> sections_;
};

} // namespace tessarin
