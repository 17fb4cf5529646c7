#include "ui/settings/ShortcutsSettingsView.h"

#include "automation/KeyEventMapping.h"
#include "automation/ShortcutManager.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"
#include "ui/settings/PageKit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tessarin {
namespace {

constexpr std::uint16_t kEscapeKeyCode = 53;
constexpr int kGeneralActions = 7; // playPause ... toggleLayer2

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
        return true;
    default:
        return false;
    }
}

} // namespace

// ---- ShortcutRecorderButton

ShortcutRecorderButton::ShortcutRecorderButton(QWidget* parent)
    : QWidget(parent)
    , record_(new QPushButton(this))
    , clear_(new IconButton(QStringLiteral("xmark.circle.fill"), tr("Rimuovi scorciatoia"), IconButtonStyle { 20 }, this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    record_->setFont(Theme::monoFont(12));
    record_->setMinimumWidth(90);
    useKeyboardFocus(record_);
    layout->addWidget(record_);
    clear_->setGlyphColor(Theme::textSecondary());
    layout->addWidget(clear_);
    connect(record_, &QPushButton::clicked, this, [this] {
        if (onStartRecording)
            onStartRecording();
    });
    connect(clear_, &IconButton::clicked, this, [this] {
        if (onClear)
            onClear();
    });
    refresh();
}

ShortcutRecorderButton::~ShortcutRecorderButton() { stopCapture(); }

void ShortcutRecorderButton::setLabel(const QString& label)
{
    setAccessibleName(label);
    record_->setAccessibleName(label);
}

void ShortcutRecorderButton::setCombo(const std::optional<KeyCombo>& combo)
{
    combo_ = combo;
    refresh();
}

void ShortcutRecorderButton::setRecording(bool recording)
{
    if (recording_ == recording)
        return;
    recording_ = recording;
    if (recording_)
        startCapture();
    else
        stopCapture();
    refresh();
}

void ShortcutRecorderButton::refresh()
{
    QString text;
    QColor color = Theme::textPrimary();
    if (recording_) {
        text = tr("Premi un tasto…");
        color = Theme::accent();
    } else if (combo_) {
        text = combo_->displayString();
    } else {
        text = QStringLiteral("—");
    }
    record_->setText(text);
    // Heard in words: a reader says "Ctrl+Maiusc+K", not the symbols shown.
    record_->setAccessibleDescription(recording_ ? text : combo_ ? combo_->spokenString() : tr("Nessuna scorciatoia"));
    QPalette p = record_->palette();
    p.setColor(QPalette::ButtonText, color);
    record_->setPalette(p);
    clear_->setVisible(combo_.has_value());
}

void ShortcutRecorderButton::startCapture()
{
    stopCapture();
    qApp->installEventFilter(this);
    capturing_ = true;
}

void ShortcutRecorderButton::stopCapture()
{
    if (!capturing_)
        return;
    capturing_ = false;
    if (qApp)
        qApp->removeEventFilter(this);
}

void ShortcutRecorderButton::hideEvent(QHideEvent* event)
{
    stopCapture();
    QWidget::hideEvent(event);
}

bool ShortcutRecorderButton::eventFilter(QObject* watched, QEvent* event)
{
    if (!capturing_ || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (isModifierKey(key->key()))
        return false; // a modifier alone is not a combo
    event->accept();
    // A key held down (the Return that started the recording) is no combo.
    if (key->isAutoRepeat())
        return true;
    // The override is taken so no menu shortcut runs; the press that
    // follows it is the one captured.
    if (event->type() == QEvent::ShortcutOverride)
        return true;
    const std::optional<KeyCombo> combo = keyComboForEvent(*key);
    if (!combo)
        return true;
    if (combo->keyCode == kEscapeKeyCode) {
        if (onCancel)
            onCancel();
    } else if (onCapture) {
        onCapture(KeyCombo { combo->keyCode, combo->modifiers & KeyCombo::modifierMask });
    }
    return true;
}

// ---- ShortcutsSettingsView

ShortcutsSettingsView::ShortcutsSettingsView(ShortcutManager& manager, PlaylistEngine& engine, QWidget* parent)
    : QWidget(parent)
    , manager_(&manager)
    , engine_(&engine)
{
    auto* layout = page_kit::column(this, 14, 340);
    layout->addWidget(page_kit::title(tr("Scorciatoie da tastiera")));

    auto* general = new QWidget;
    auto* generalLayout = new QVBoxLayout(general);
    generalLayout->setContentsMargins(0, 0, 0, 0);
    generalLayout->setSpacing(8);
    const auto& actions = shortcut_action::allCases();
    for (int i = 0; i < kGeneralActions; ++i)
        generalLayout->addWidget(makeRow(actions[i], general).widget);
    layout->addWidget(general);

    blocksSection_ = new QWidget;
    auto* blocks = new QVBoxLayout(blocksSection_);
    blocks->setContentsMargins(0, 0, 0, 0);
    blocks->setSpacing(14);
    blocks->addWidget(page_kit::divider());
    blocks->addWidget(page_kit::label(tr("Blocchi"), Theme::font(11, QFont::Bold), Theme::textSecondary()));
    blockRows_ = new QWidget;
    auto* blockRowsLayout = new QVBoxLayout(blockRows_);
    blockRowsLayout->setContentsMargins(0, 0, 0, 0);
    blockRowsLayout->setSpacing(8);
    blocks->addWidget(blockRows_);
    layout->addWidget(blocksSection_);

    layout->addWidget(page_kit::caption(
        tr("Le scorciatoie sono disattivate mentre stai scrivendo in un campo di testo (es. il nome di un blocco).")));

    connect(&manager, &ShortcutManager::bindingsChanged, this, &ShortcutsSettingsView::refreshBindings);
    connect(&engine, &PlaylistEngine::blocksChanged, this, &ShortcutsSettingsView::refreshBlocks);
    refreshBlocks();
}

ShortcutsSettingsView::~ShortcutsSettingsView()
{
    for (const auto& connection : blockNameConnections_)
        disconnect(connection);
    leaveScreen();
}

ShortcutsSettingsView::Row ShortcutsSettingsView::makeRow(ShortcutActionID action, QWidget* parent)
{
    const QString raw = shortcut_action::rawValue(action);
    Row row;
    row.widget = new QWidget(parent);
    auto* line = new QHBoxLayout(row.widget);
    line->setContentsMargins(0, 0, 0, 0);
    // A block's name may be long: its label ends with an ellipsis where the
    // recorder needs the room, and says the whole text in its tip.
    row.label = new ElidedLabel(shortcut_action::label(action));
    row.label->setFont(Theme::font(13));
    row.label->setColor(Theme::textPrimary());
    row.label->setToolTip(row.label->text());
    line->addWidget(row.label, 1);
    row.recorder = new ShortcutRecorderButton;
    row.recorder->setLabel(row.label->text());
    line->addWidget(row.recorder);
    row.recorder->onStartRecording = [this, raw] { setRecordingAction(raw); };
    row.recorder->onCapture = [this, action](KeyCombo combo) {
        bind(action, combo);
        setRecordingAction(std::nullopt);
    };
    row.recorder->onCancel = [this] { setRecordingAction(std::nullopt); };
    row.recorder->onClear = [this, action] { bind(action, std::nullopt); };
    rows_.insert(raw, row);
    const auto& bindings = manager_->bindings();
    const auto it = bindings.find(raw);
    row.recorder->setCombo(it == bindings.end() ? std::nullopt : std::optional<KeyCombo>(it->second));
    row.recorder->setRecording(recordingAction_ == raw);
    return row;
}

ShortcutRecorderButton* ShortcutsSettingsView::recorder(ShortcutActionID action) const
{
    return rows_.value(shortcut_action::rawValue(action)).recorder;
}

ElidedLabel* ShortcutsSettingsView::label(ShortcutActionID action) const
{
    return rows_.value(shortcut_action::rawValue(action)).label;
}

void ShortcutsSettingsView::setRecordingAction(std::optional<QString> action)
{
    recordingAction_ = std::move(action);
    for (auto it = rows_.cbegin(); it != rows_.cend(); ++it)
        it->recorder->setRecording(recordingAction_ == it.key());
}

void ShortcutsSettingsView::bind(ShortcutActionID action, std::optional<KeyCombo> combo)
{
    if (!manager_)
        return;
    ShortcutManager::Bindings bindings = manager_->bindings();
    if (combo)
        bindings[shortcut_action::rawValue(action)] = *combo;
    else
        bindings.erase(shortcut_action::rawValue(action));
    manager_->setBindings(std::move(bindings));
}

void ShortcutsSettingsView::refreshBindings()
{
    if (!manager_)
        return;
    const auto& bindings = manager_->bindings();
    for (auto it = rows_.cbegin(); it != rows_.cend(); ++it) {
        const auto found = bindings.find(it.key());
        it->recorder->setCombo(found == bindings.end() ? std::nullopt : std::optional<KeyCombo>(found->second));
    }
}

void ShortcutsSettingsView::refreshBlocks()
{
    for (const auto& connection : blockNameConnections_)
        disconnect(connection);
    blockNameConnections_.clear();
    const auto& blocks = engine_ ? engine_->blocks() : PlaylistEngine::Blocks {};
    const auto& actions = shortcut_action::allCases();
    const int count = std::min<int>(int(blocks.size()), int(actions.size()) - kGeneralActions);
    // Rows belong to positions: rows past the block count go, missing ones are made.
    for (int i = 0; i < int(actions.size()) - kGeneralActions; ++i) {
        const ShortcutActionID action = actions[kGeneralActions + i];
        const QString raw = shortcut_action::rawValue(action);
        if (i >= count) {
            if (rows_.contains(raw)) {
                if (recordingAction_ == raw)
                    setRecordingAction(std::nullopt);
                delete rows_.take(raw).widget;
            }
            continue;
        }
        if (!rows_.contains(raw))
            blockRows_->layout()->addWidget(makeRow(action, blockRows_).widget);
        const std::shared_ptr<MediaBlock>& block = blocks[size_t(i)];
        ElidedLabel* text = rows_.value(raw).label;
        ShortcutRecorderButton* recorder = rows_.value(raw).recorder;
        const auto show = [text, recorder](const QString& name) {
            text->setText(tr("Avvia “%1”").arg(name));
            text->setToolTip(text->text());
            recorder->setLabel(text->text());
        };
        show(block->name());
        blockNameConnections_.push_back(connect(block.get(), &MediaBlock::nameChanged, text,
                                                [show, weak = std::weak_ptr<MediaBlock>(block)] {
                                                    if (auto b = weak.lock())
                                                        show(b->name());
                                                }));
    }
    blocksSection_->setVisible(count > 0);
}

void ShortcutsSettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    onScreen_ = true;
    if (manager_)
        manager_->stopMonitoring();
}

void ShortcutsSettingsView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    leaveScreen();
}

void ShortcutsSettingsView::leaveScreen()
{
    if (!onScreen_)
        return;
    onScreen_ = false;
    setRecordingAction(std::nullopt);
    if (manager_)
        manager_->startMonitoring();
}

} // namespace tessarin
