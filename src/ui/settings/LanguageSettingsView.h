#pragma once
// The language page: the interface language choice (stored at once; it
// takes effect at the next start) and "Riavvia ora", enabled while the
// chosen language differs from the one the interface runs in. Main thread.
#include <QWidget>

class QComboBox;

namespace tessarin {

class PillButton;

class LanguageSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit LanguageSettingsView(QWidget* parent = nullptr);

    QComboBox* languagePicker() const { return picker_; }
    PillButton* restartButton() const { return restart_; }
    bool needsRestart() const;

private:
    void refresh();

    QComboBox* picker_;
    PillButton* restart_;
};

} // namespace tessarin
