#pragma once
// The language page: the interface language choice, stored at once (it
// takes effect at the next start), and "Riavvia ora", enabled while the
// language the choice stands for differs from the one the interface runs
// in. The choice is the page's own, read from the settings when the page
// is made. Main thread.
#include "ui/settings/AppLanguage.h"

#include <QWidget>

class QComboBox;

namespace tessarin {

class PillButton;
class Settings;

class LanguageSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit LanguageSettingsView(Settings& settings, QWidget* parent = nullptr);

    AppLanguage::Value choice() const { return choice_; }
    bool needsRestart() const;

    QComboBox* languagePicker() const { return picker_; }
    PillButton* restartButton() const { return restart_; }

private:
    void refresh();

    Settings& settings_;
    AppLanguage::Value choice_;
    QComboBox* picker_;
    PillButton* restart_;
};

} // namespace tessarin
