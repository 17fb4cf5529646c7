#pragma once
// The card of one graphics overlay layer: its preview, title and file, and
// the load, settings, clear and on-air controls. Everything shown is read
// from the layer and every action is a call on it. A file comes from the
// file chooser or from a drop (taken as a copy; the first file only).
// Main thread.
#include "ui/kit/Popover.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace tessarin {

class ElidedLabel;
class IconButton;
class OverlayLayer;
class PillButton;

class LayerControlView : public QWidget {
    Q_OBJECT
public:
    // Shows a file chooser for the layer and hands the chosen path to
    // `chosen`; never called back when cancelled. Injected by tests.
    using FileChooser = std::function<void(QWidget* parent, std::function<void(const QString& path)> chosen)>;
    static FileChooser systemFileChooser();

    explicit LayerControlView(std::shared_ptr<OverlayLayer> layer, QWidget* parent = nullptr);
    LayerControlView(std::shared_ptr<OverlayLayer> layer, FileChooser chooser, QWidget* parent = nullptr);
    ~LayerControlView() override;

    const std::shared_ptr<OverlayLayer>& layer() const { return layer_; }
    IconButton* loadButton() const { return load_; }
    IconButton* settingsButton() const { return settings_; }
    IconButton* clearButton() const { return clear_; }
    PillButton* onAirButton() const { return onAir_; }
    Popover* settingsPopover() const { return popover_; }
    bool isDropTargeted() const { return dropTargeted_; }
    QString fileText() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void refresh();
    void openSettings();
    void setDropTargeted(bool targeted);

    std::shared_ptr<OverlayLayer> layer_;
    FileChooser chooser_;
    QWidget* preview_;
    QWidget* title_;
    ElidedLabel* file_;
    IconButton* load_;
    IconButton* settings_;
    IconButton* clear_;
    PillButton* onAir_;
    QPointer<Popover> popover_;
    bool dropTargeted_ = false;
};

} // namespace tessarin
