#include "ui/browser/BrowserMediaList.h"

#include "platform/Icons.h"
#include "ui/browser/BrowserFileList.h"
#include "ui/browser/BrowserFileModel.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tessarin {
namespace {

QWidget* makeEmptyHint(QWidget* parent)
{
    auto* hint = new QWidget(parent);
    auto* layout = new QVBoxLayout(hint);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(10);
    layout->addStretch(1);
    auto* icon = new QLabel(hint);
    icon->setPixmap(Icons::pixmap(QStringLiteral("film.stack"), Theme::textTertiary(), 28, hint->devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* text = new BalancedLinesLabel(BrowserMediaList::tr("Trascina qui i file video, audio o immagini\noppure usa il pulsante “+”"), hint);
    text->setObjectName(QStringLiteral("emptyHintText"));
    text->setFont(Theme::font(12));
    text->setColor(Theme::textSecondary());
    layout->addWidget(text);
    layout->addStretch(1);
    return hint;
}

} // namespace

BrowserMediaList::BrowserMediaList(QWidget* parent)
    : QStackedWidget(parent)
    , empty_(makeEmptyHint(this))
    , model_(new BrowserFileModel(this))
    , view_(new BrowserFileList(*model_, this))
{
    addWidget(empty_);
    addWidget(view_);
}

void BrowserMediaList::setFiles(const BrowserFiles::Files& files)
{
    model_->setFiles(files);
    setCurrentWidget(model_->rowCount() == 0 ? empty_ : static_cast<QWidget*>(view_));
}

void BrowserMediaList::setSelection(const QSet<QUuid>& ids) { model_->setSelection(ids); }

const BrowserFiles::Files& BrowserMediaList::files() const { return model_->files(); }

bool BrowserMediaList::showsEmptyHint() const { return currentWidget() == empty_; }

void BrowserMediaList::focusRow(int index) { view_->focusRow(index); }

} // namespace tessarin
