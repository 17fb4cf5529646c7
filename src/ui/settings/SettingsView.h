#pragma once
// The settings window's content: the sidebar of sections on the left, a
// rule, and the page of the selected section in a scroll area. The selected
// section is the stored setting "Vellumcast.settings.section" (streaming
// when it names no section); a click on a row stores it, and any store
// through the same settings switches the page at once. The page is made
// afresh on each switch. Main thread.
#include "ui/settings/SettingsContext.h"
#include "ui/settings/SettingsSection.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

class QScrollArea;

namespace tessarin {

class Settings;

// One sidebar row: symbol, title, highlighted when selected.
class SettingsSidebarRow : public QAbstractButton {
    Q_OBJECT
public:
    SettingsSidebarRow(SettingsSection section, QWidget* parent = nullptr);
    SettingsSection section() const { return section_; }
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    SettingsSection section_;
    bool selected_ = false;
};

class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kSectionKey = "Vellumcast.settings.section";

    SettingsView(const SettingsContext& context, Settings& settings, QWidget* parent = nullptr);
    ~SettingsView() override;

    // The section the stored setting names, streaming when none.
    SettingsSection selectedSection() const;
    QWidget* page() const { return page_; }
    const QList<SettingsSidebarRow*>& rows() const { return rows_; }
    // Makes the page of a section over the context's objects (the language
    // page over the settings).
    static QWidget* makePage(SettingsSection section, const SettingsContext& context, Settings& settings);

private:
    void showSelected();

    SettingsContext context_;
    Settings& settings_;
    QList<SettingsSidebarRow*> rows_;
    QScrollArea* detail_;
    QWidget* page_ = nullptr;
    std::optional<SettingsSection> shown_;
};

} // namespace tessarin
