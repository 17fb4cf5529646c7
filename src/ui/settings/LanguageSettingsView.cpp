#include "ui/settings/LanguageSettingsView.h"

#include "ui/kit/Buttons.h"
#include "ui/kit/Theme.h"
#include "ui/settings/PageKit.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tessarin {

LanguageSettingsView::LanguageSettingsView(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = page_kit::column(this, 14, 460);
    layout->addWidget(page_kit::title(tr("Lingua")));
    picker_ = new QComboBox;
    picker_->setFixedWidth(260);
    layout->addWidget(picker_);
    layout->addWidget(page_kit::caption(tr("La lingua cambia quando riapri Tessarin.")));
    restart_ = new PillButton(tr("Riavvia ora"), { Theme::textPrimary(), false });
    restart_->setSymbol(QStringLiteral("arrow.clockwise"));
    layout->addWidget(restart_, 0, Qt::AlignLeft);
    refresh();
}

bool LanguageSettingsView::needsRestart() const { return false; }

void LanguageSettingsView::refresh() { restart_->setEnabled(needsRestart()); }

} // namespace tessarin
