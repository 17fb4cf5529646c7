#pragma once
// The shortcuts page: one row per action (the general ones, then "Avvia"
// for each of the first nine blocks, named after the block now at that
// position), each with a recorder that takes the next key press as the
// action's combo and a button that removes it. While the page is on screen
// the shortcut manager's monitor is off, so keys pressed to record act on
// nothing else; it is switched on again when the page leaves the screen.
// Main thread.
#include "automation/KeyCombo.h"
#include "automation/ShortcutAction.h"

#include <QHash>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;

namespace tessarin {

class ElidedLabel;
class IconButton;
class PlaylistEngine;
class ShortcutManager;

// The recorder of one row: shows the combo (or "—"), or "Premi un tasto…"
// while it records; while recording it takes every key press of the
// application for itself (Escape cancels).
class ShortcutRecorderButton : public QWidget {
    Q_OBJECT
public:
    explicit ShortcutRecorderButton(QWidget* parent = nullptr);
    ~ShortcutRecorderButton() override;

    std::function<void()> onStartRecording;
    std::function<void(KeyCombo)> onCapture;
    std::function<void()> onCancel;
    std::function<void()> onClear;

    // The action's label, which names the recorder for screen readers (the
    // key it holds is its description).
    void setLabel(const QString& label);
    void setCombo(const std::optional<KeyCombo>& combo);
    void setRecording(bool recording);
    bool isRecording() const { return recording_; }
    bool isCapturing() const { return capturing_; }

    QPushButton* recordButton() const { return record_; }
    IconButton* clearButton() const { return clear_; }

    void startCapture();
    void stopCapture();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();

    QPushButton* record_;
    IconButton* clear_;
    std::optional<KeyCombo> combo_;
    bool recording_ = false;
    bool capturing_ = false;
};

class ShortcutsSettingsView : public QWidget {
    Q_OBJECT
public:
    ShortcutsSettingsView(ShortcutManager& manager, PlaylistEngine& engine, QWidget* parent = nullptr);
    ~ShortcutsSettingsView() override;

    const std::optional<QString>& recordingAction() const { return recordingAction_; }
    // The row of an action, or nullptr when it has none (a block row past
    // the engine's blocks).
    ShortcutRecorderButton* recorder(ShortcutActionID action) const;
    ElidedLabel* label(ShortcutActionID action) const;
    QWidget* blocksSection() const { return blocksSection_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Row {
        QWidget* widget = nullptr;
        ElidedLabel* label = nullptr;
        ShortcutRecorderButton* recorder = nullptr;
    };
    Row makeRow(ShortcutActionID action, QWidget* parent);
    void setRecordingAction(std::optional<QString> action);
    void bind(ShortcutActionID action, std::optional<KeyCombo> combo);
    void refreshBindings();
    void refreshBlocks();
    void leaveScreen();

    QPointer<ShortcutManager> manager_;
    QPointer<PlaylistEngine> engine_;
    std::optional<QString> recordingAction_;
    QHash<QString, Row> rows_;
    QWidget* blocksSection_;
    QWidget* blockRows_;
    std::vector<QMetaObject::Connection> blockNameConnections_;
    bool onScreen_ = false;
};

} // namespace tessarin
