#pragma once
// One graphics overlay layer's card (placeholder until it is built).
// Main thread.
#include <QWidget>
#include <memory>
namespace tessarin {

class OverlayLayer;

class LayerControlView : public QWidget {
    Q_OBJECT
public:
    explicit LayerControlView(std::shared_ptr<OverlayLayer> layer, QWidget* parent = nullptr);

};

} // namespace tessarin
