#pragma once
// The elements of the main window's top bar, left to right: the product
// mark, the show menu (name, unsaved colour, new, open, save), then pushed
// right what is on air, the automation badge, and the streaming, output and
// settings buttons. The streaming and output buttons open their settings
// pages as popovers anchored on them; the settings button asks the main
// window to open the settings window. Everything follows the models'
// signals; the bar keeps only its two open popovers. The main window lays
// out the bar's row around it. Main thread.
#include "ui/kit/Popover.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

class QMenu;

namespace tessarin {

class AtemTallyMonitor;
class ElidedLabel;
class OutputWindowController;
class PillButton;
class ScheduleController;
class ShortcutManager;
class ShowController;
class StreamManager;

// "AUTOMAZIONE" in a green outlined capsule, present only while the
// schedule runs by itself.
class ScheduleBadge : public QWidget {
    Q_OBJECT
public:
    explicit ScheduleBadge(ScheduleController& schedule, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    ScheduleController& schedule_;
};

// The show's name with its document symbol, opening the show commands.
class ShowMenuButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kMaximumTitleWidth = 260;

    explicit ShowMenuButton(ShowController& show, QWidget* parent = nullptr);
    QMenu* menu() const { return menu_; }
    QColor color() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // The title as drawn: cut in the middle to fit.
    QString shownTitle() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void refresh();

    ShowController& show_;
    QMenu* menu_;
};

class TopBarView : public QWidget {
    Q_OBJECT
public:
    explicit TopBarView(ShowController& show, StreamManager& streams, OutputWindowController& output,
                        ShortcutManager& shortcuts, AtemTallyMonitor& atem, QWidget* parent = nullptr);

    // The parts tests drive.
    ShowMenuButton* showMenu() const { return showMenu_; }
    QWidget* nowPlaying() const { return nowPlaying_; }
    ElidedLabel* nowPlayingName() const { return nowPlayingName_; }
    ScheduleBadge* scheduleBadge() const { return scheduleBadge_; }
    PillButton* streamingButton() const { return streaming_; }
    PillButton* outputButton() const { return output_; }
    PillButton* settingsButton() const { return settings_; }
    // The open popovers, or nullptr.
    Popover* streamPopover() const { return streamPopover_; }
    Popover* outputPopover() const { return outputPopover_; }

signals:
    // The settings button: the main window opens the settings window.
    void settingsRequested();

private:
    void refreshNowPlaying();
    void refreshStreaming();
    void refreshOutput();
    void presentStreamSettings();
    void presentOutputSettings();

    ShowController& show_;
    StreamManager& streams_;
    OutputWindowController& outputController_;
    ShowMenuButton* showMenu_;
    QWidget* nowPlaying_;
    ElidedLabel* nowPlayingName_;
    ScheduleBadge* scheduleBadge_;
    PillButton* streaming_;
    PillButton* output_;
    PillButton* settings_;
    QPointer<Popover> streamPopover_;
    QPointer<Popover> outputPopover_;
};

} // namespace tessarin
