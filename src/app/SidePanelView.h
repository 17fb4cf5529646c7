#pragma once
// The right-hand column of the main area: a tab bar ("Blocchi",
// "Palinsesto") over the blocks column or the schedule column. The chosen
// tab is stored under "Vellumcast.sidePanel.tab" and survives restarts;
// switching builds the other column afresh. The schedule tab carries a green
// dot while the schedule runs by itself. Main thread.
#include <QAbstractButton>
#include <QWidget>

#include <optional>

class QVBoxLayout;

namespace tessarin {

class BrowserFiles;
class PlaylistEngine;
class ScheduleController;
class Settings;
class SourceLibrary;

// A tab of the side panel: symbol, title and an optional "armed" dot on a
// capsule that is lit while the tab is selected.
class SidePanelTabButton : public QAbstractButton {
    Q_OBJECT
public:
    SidePanelTabButton(const QString& title, const QString& icon, QWidget* parent = nullptr);
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    void setArmed(bool armed);
    bool isArmed() const { return armed_; }
    // Keeps the dot's room while the dot is not shown.
    void setDotReserved(bool reserved);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QFont labelFont() const;
    static QFont labelFont(bool selected);

    QString icon_;
    bool selected_ = false;
    bool armed_ = false;
    bool dotReserved_ = false;
};

class SidePanelView : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kTabKey = "Vellumcast.sidePanel.tab";
    static constexpr int kMinimumWidth = 360;
    static constexpr int kMaximumWidth = 460;

    enum class Tab { blocks, schedule };
    static QString rawValue(Tab tab);
    // blocks for anything that is not a raw value.
    static Tab tabFromRaw(const QString& raw);

    SidePanelView(PlaylistEngine& engine, ScheduleController& schedule, SourceLibrary& sources,
                  const BrowserFiles& browserFiles, Settings& settings, QWidget* parent = nullptr);

    Tab selectedTab() const;
    SidePanelTabButton* blocksButton() const { return blocksButton_; }
    SidePanelTabButton* scheduleButton() const { return scheduleButton_; }
    // The column shown now.
    QWidget* column() const { return column_; }
    // The panel prefers its widest, whichever column it shows.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void select(Tab tab);
    void showColumn();
    void followArmed();

    PlaylistEngine& engine_;
    ScheduleController& schedule_;
    SourceLibrary& sources_;
    const BrowserFiles& browserFiles_;
    Settings& settings_;
    SidePanelTabButton* blocksButton_;
    SidePanelTabButton* scheduleButton_;
    QWidget* separator_ = nullptr;
    QVBoxLayout* stack_ = nullptr;
    QWidget* column_ = nullptr;
    std::optional<Tab> shown_;
};

} // namespace tessarin
