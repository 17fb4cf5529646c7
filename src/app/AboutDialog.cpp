#include "app/AboutDialog.h"

#include "ui/kit/SecondaryWindow.h"
#include "ui/kit/Theme.h"
#include "ui/settings/AboutPanel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace tessarin {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Informazioni su Tessarin"));
    setAttribute(Qt::WA_DeleteOnClose);
    secondary_window::closeWithCtrlW(*this);

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QApplication::applicationDisplayName(), this);
    name->setFont(Theme::font(15, QFont::Bold));
    name->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(tr("Versione %1").arg(QApplication::applicationVersion()), this);
    version->setFont(Theme::font(11));
    version->setAlignment(Qt::AlignCenter);
    auto* credits = new QLabel(AboutPanel::credits(), this);
    credits->setObjectName(QStringLiteral("credits"));
    credits->setTextFormat(Qt::RichText);
    credits->setTextInteractionFlags(Qt::TextBrowserInteraction);
    credits->setOpenExternalLinks(false);
    credits->setWordWrap(true);
    credits->setAlignment(Qt::AlignCenter);
    connect(credits, &QLabel::linkActivated, this, [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(24, 20, 24, 20);
    stack->setSpacing(8);
    stack->addWidget(icon);
    stack->addWidget(name);
    stack->addWidget(version);
    stack->addWidget(credits);
    setFixedWidth(340);
}

AboutDialog* AboutDialog::present(QWidget* parent)
{
    static QPointer<AboutDialog> shown;
    if (!shown)
        shown = new AboutDialog(parent);
    shown->show();
    shown->raise();
    shown->activateWindow();
    return shown;
}

} // namespace tessarin
