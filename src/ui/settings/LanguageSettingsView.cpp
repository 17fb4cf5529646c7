#include "ui/settings/LanguageSettingsView.h"

#include "ui/kit/Buttons.h"
#include "ui/kit/Theme.h"
#include "ui/settings/PageKit.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tessarin {

LanguageSettingsView::LanguageSettingsView(Settings& settings, QWidget* parent)
    : QWidget(parent)
    , settings_(settings)
    , choice_(AppLanguage::chosen(settings))
{
    auto* layout = page_kit::column(this, 14, 460);
    layout->addWidget(page_kit::title(tr("Lingua")));
    picker_ = new QComboBox;
    picker_->setFixedWidth(260);
    picker_->setAccessibleName(tr("Lingua"));
    for (AppLanguage::Value value : AppLanguage::allCases()) {
        switch (value) {
        case AppLanguage::system: picker_->addItem(tr("Automatica (lingua del computer)"), int(value)); break;
        case AppLanguage::italian: picker_->addItem(QStringLiteral("Italiano"), int(value)); break;
        case AppLanguage::english: picker_->addItem(QStringLiteral("English"), int(value)); break;
        }
    }
    layout->addWidget(picker_);
    layout->addWidget(page_kit::caption(tr("La lingua cambia quando riapri Tessarin.")));
    restart_ = new PillButton(tr("Riavvia ora"), { Theme::textPrimary(), false });
    restart_->setSymbol(QStringLiteral("arrow.clockwise"));
    layout->addWidget(restart_, 0, Qt::AlignLeft);

    connect(picker_, &QComboBox::activated, this, [this](int index) {
        choice_ = static_cast<AppLanguage::Value>(picker_->itemData(index).toInt());
        AppLanguage::setChosen(settings_, choice_);
        refresh();
    });
    connect(restart_, &PillButton::clicked, this, [] { AppLanguage::relaunch(); });
    refresh();
}

bool LanguageSettingsView::needsRestart() const
{
    const AppLanguage::Value language = choice_ == AppLanguage::system ? AppLanguage::systemChoice() : choice_;
    return language != AppLanguage::current();
}

void LanguageSettingsView::refresh()
{
    picker_->setCurrentIndex(picker_->findData(int(choice_)));
    restart_->setEnabled(needsRestart());
}

} // namespace tessarin
