#include "ui/browser/AddSourceView.h"

#include "media/SourceLibrary.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Popover.h"
#include "ui/kit/Theme.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

#include <limits>
#include <memory>

namespace tessarin {
namespace {
constexpr int kWidth = 340;
constexpr int kPadding = 16;
constexpr int kSpacing = 12;

// Spaces and tabs only: a line break counts as text here (the library's
// trimming removes it later and then adds nothing).
bool isBlank(const QString& text)
{
    for (QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            return false;
    }
    return true;
}
} // namespace

AddSourceView::AddSourceView(LiveSourceKind kind, OnAdd onAdd, QWidget* parent)
    : QWidget(parent)
    , kind_(kind)
    , onAdd_(std::move(onAdd))
    , name_(new QLineEdit(this))
    , address_(new QLineEdit(this))
    , cancel_(new PillButton(tr("Annulla"), { Theme::textPrimary(), false }, this))
    , add_(new PillButton(tr("Aggiungi"), { Theme::accent(), true }, this))
{
    setFixedWidth(kWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(kSpacing);

    auto* title = new QLabel(tr("Nuova sorgente %1").arg(LiveSourceKinds::title(kind)), this);
    title->setFont(Theme::font(13, QFont::Bold));
    layout->addWidget(title);

    name_->setPlaceholderText(tr("Nome (facoltativo)"));
    name_->setAccessibleName(tr("Nome (facoltativo)"));
    name_->setFont(Theme::font(13));
    layout->addWidget(name_);

    // The words in the address placeholders are translated, as in the hint.
    address_->setPlaceholderText(kind == LiveSourceKind::srt ? QStringLiteral("srt://0.0.0.0:9000?mode=listener")
                                                             : tr("rtmp://0.0.0.0:1935/live/chiave"));
    address_->setAccessibleName(tr("Indirizzo"));
    address_->setMaxLength(std::numeric_limits<int>::max()); // never cut without a word
    address_->setFont(Theme::monoFont(13));
    layout->addWidget(address_);

    if (kind == LiveSourceKind::rtmp) {
        listen_ = new QCheckBox(tr("Attendi che l'encoder si colleghi (listener)"), this);
        listen_->setToolTip(tr("Tessarin apre la porta e aspetta OBS, vMix o un altro encoder che invia il flusso"));
        listen_->setFont(Theme::font(13));
        layout->addWidget(listen_);
    }

    auto* hintLabel = new QLabel(hint(kind), this);
    hintLabel->setWordWrap(true);
    hintLabel->setFont(Theme::font(10));
    setTextColor(hintLabel, Theme::textSecondary());
    layout->addWidget(hintLabel);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(add_);
    layout->addLayout(buttons);

    connect(cancel_, &QAbstractButton::clicked, this, &AddSourceView::dismissRequested);
    connect(add_, &QAbstractButton::clicked, this, &AddSourceView::submit);
    connect(address_, &QLineEdit::textChanged, this, &AddSourceView::updateEnabled);
    updateEnabled();
    // The buttons were made first; Tab goes down the form all the same.
    useLayoutTabOrder(this);
}

QString AddSourceView::hint(LiveSourceKind kind)
{
    if (kind == LiveSourceKind::srt)
        return tr("Usa srt://0.0.0.0:9000?mode=listener per attendere un encoder, oppure srt://indirizzo:porta per "
                  "collegarti a un server.");
    return tr("Per ricevere da un encoder usa rtmp://0.0.0.0:1935/live/chiave con “listener” attivo, poi invia a "
              "rtmp://<IP di questo computer>:1935/live/chiave. Per leggere da un server inserisci il suo indirizzo.");
}

void AddSourceView::updateEnabled()
{
    add_->setEnabled(!isBlank(address_->text()));
}

void AddSourceView::submit()
{
    if (!add_->isEnabled())
        return;
    if (onAdd_)
        onAdd_(name_->text(), address_->text(), listen_ && listen_->isChecked());
    emit dismissRequested();
}

void AddSourceView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        submit();
        event->accept();
        return;
    case Qt::Key_Escape:
        emit dismissRequested();
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

Popover* presentAddSource(QWidget* anchor, LiveSourceKind kind, SourceLibrary& library,
                          std::function<void(std::optional<LiveSource>)> done)
{
    auto added = std::make_shared<std::optional<LiveSource>>();
    QPointer<SourceLibrary> catalogue(&library);
    auto* form = new AddSourceView(kind, [added, catalogue, kind](const QString& name, const QString& address, bool listen) {
        if (catalogue)
            *added = catalogue->addManualSource(kind, name, address, listen);
    });
    auto* popover = new Popover(form, anchor ? anchor->window() : nullptr);
    QObject::connect(form, &AddSourceView::dismissRequested, popover, &QWidget::hide);
    QObject::connect(popover, &Popover::closed, popover, [popover, added, done = std::move(done)] {
        popover->deleteLater();
        if (done)
            done(*added);
    }, Qt::SingleShotConnection);
    popover->showFor(anchor);
    return popover;
}

} // namespace tessarin
