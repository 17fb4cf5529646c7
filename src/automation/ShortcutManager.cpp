#include "automation/ShortcutManager.h"

#include "automation/KeyEventMapping.h"
#include "automation/ShortcutEngine.h"
#include "platform/Json.h"
#include "platform/KeyPolicy.h"
#include "platform/MainThread.h"
#include "platform/Settings.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QWidget>
#include <QWindow>

namespace tessarin {

namespace {

const QString bindingsKey = QStringLiteral("Vellumcast.shortcuts.v1");

QWidget* widgetOfWindow(QWindow* window)
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() == window)
            return top;
    }
    return nullptr;
}

QWidget* asWidget(QObject* receiver)
{
    if (auto* widget = qobject_cast<QWidget*>(receiver))
        return widget;
    if (auto* window = qobject_cast<QWindow*>(receiver))
        return widgetOfWindow(window);
    return nullptr;
}

// The widget that has the keyboard in the receiver's window.
QWidget* focusFor(QObject* receiver)
{
    if (QWidget* widget = asWidget(receiver)) {
        if (QWidget* focus = widget->window()->focusWidget())
            return focus;
    }
    return QApplication::focusWidget();
}

// Whether a shortcut override is being delivered to its first receiver,
// the focus widget (or a window without one), rather than propagating to
// a parent.
bool isFirstReceiver(QObject* receiver)
{
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget)
        return qobject_cast<QWindow*>(receiver) != nullptr;
    QWidget* focus = widget->window()->focusWidget();
    return focus ? focus == widget : widget->isWindow();
}

// The control that a line edit is the editor of (spin box, combo box).
QWidget* fieldOf(QWidget* editor)
{
    QWidget* parent = editor->parentWidget();
    if (parent && (qobject_cast<QAbstractSpinBox*>(parent) || qobject_cast<QComboBox*>(parent)))
        return parent;
    return editor;
}

} // namespace

bool ShortcutManager::Decision::matches(const QKeyEvent& event) const
{
    return key == event.key() && modifiers == static_cast<int>(event.modifiers())
        && scanCode == event.nativeScanCode() && autoRepeat == event.isAutoRepeat();
}

ShortcutManager::ShortcutManager(Settings& settings, QObject* parent)
    : QObject(parent)
    , settings_(settings)
{
    bindings_ = load(settings_);
    if (bindings_.empty())
        bindings_ = defaultBindings();
}

ShortcutManager::~ShortcutManager()
{
    stopMonitoring();
}

void ShortcutManager::setBindings(Bindings bindings)
{
    bindings_ = std::move(bindings);
    save();
    emit bindingsChanged();
    emit changed();
}

ShortcutManager::Bindings ShortcutManager::defaultBindings()
{
    return {{shortcut_action::rawValue(ShortcutActionID::playPause), KeyCombo{49, 0}}};
}

const std::set<std::uint16_t>& ShortcutManager::endEditingKeyCodes()
{
    static const std::set<std::uint16_t> codes = {36, 76, 53};
    return codes;
}

// Stored as one JSON object from action raw value to the text of that
// combo's own JSON, so each combo is read (or dropped) by itself.
ShortcutManager::Bindings ShortcutManager::load(const Settings& settings)
{
    const auto stored = settings.stringValue(bindingsKey);
    if (!stored)
        return {};
    const auto object = json::parseObject(stored->toUtf8());
    if (!object)
        return {};
    for (auto it = object->begin(); it != object->end(); ++it) {
        if (!it.value().isString())
            return {}; // not a table of combos at all
    }
    Bindings bindings;
    for (auto it = object->begin(); it != object->end(); ++it) {
        if (const auto combo = KeyCombo::fromJson(it.value().toString().toUtf8()))
            bindings[it.key()] = *combo;
    }
    return bindings;
}

void ShortcutManager::save()
{
    QJsonObject object;
    for (const auto& [action, combo] : bindings_)
        object.insert(action, QString::fromUtf8(combo.toJson()));
    if (const auto text = json::write(object, json::Layout::compact))
        settings_.setString(bindingsKey, QString::fromUtf8(*text));
}

void ShortcutManager::startMonitoring()
{
    if (monitoring_)
        return;
    monitoring_ = true;
    qApp->installEventFilter(this);
    // A field that took the focus when its window opened must not hold the keys.
    postToMain([] {
        QWidget* window = QApplication::activeWindow();
        if (!window)
            return;
        QWidget* field = editedTextField(window->focusWidget());
        if (field && isInlineField(field))
            field->clearFocus();
    });
}

void ShortcutManager::stopMonitoring()
{
    if (!monitoring_)
        return;
    monitoring_ = false;
    pending_.reset();
    if (qApp)
        qApp->removeEventFilter(this);
}

QWidget* ShortcutManager::editedTextField(QWidget* focus)
{
    if (!focus)
        return nullptr;
    if (auto* edit = qobject_cast<QLineEdit*>(focus))
        return edit->isReadOnly() ? nullptr : edit;
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(focus))
        return spin->isReadOnly() ? nullptr : spin;
    if (auto* combo = qobject_cast<QComboBox*>(focus))
        return combo->isEditable() ? combo : nullptr;
    if (auto* text = qobject_cast<QTextEdit*>(focus))
        return text->isReadOnly() ? nullptr : text;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus))
        return plain->isReadOnly() ? nullptr : plain;
    return nullptr;
}

bool ShortcutManager::handle(const QKeyEvent& event, QWidget* focus, const QWidget* window)
{
    const std::optional<KeyCombo> combo = keyComboForEvent(event);
    if (QWidget* field = editedTextField(focus)) {
        if (combo && endEditingKeyCodes().count(combo->keyCode) && isInlineField(field)) {
            field->clearFocus();
            return true;
        }
        return false;
    }
    // Where controls come first, a key that works a control is the
    // control's (or the window's), whatever it is bound to: it must never
    // change what is on air.
    if (key_policy::of(window ? window : focus) == KeyPolicy::controlsFirst && key_policy::isControlKey(event))
        return false;
    const auto engine = engine_.lock();
    if (!engine || !engine->isAvailable() || !combo)
        return false;
    const std::uint64_t flags = combo->modifiers & KeyCombo::modifierMask;
    // Actions in list order, so when two carry the same combo the same one
    // always runs.
    for (const ShortcutActionID action : shortcut_action::allCases()) {
        const auto it = bindings_.find(shortcut_action::rawValue(action));
        if (it == bindings_.end() || it->second.keyCode != combo->keyCode || it->second.modifiers != flags)
            continue;
        perform(action, *engine);
        return true;
    }
    return false;
}

void ShortcutManager::perform(ShortcutActionID action, ShortcutEngine& engine)
{
    switch (action) {
    case ShortcutActionID::playPause: engine.togglePlayPause(); return;
    case ShortcutActionID::stop: engine.stop(); return;
    case ShortcutActionID::take: engine.takeCued(); return;
    case ShortcutActionID::clearCue: engine.clearCue(); return;
    case ShortcutActionID::cueSelected: engine.cueSelected(); return;
    case ShortcutActionID::toggleLayer1: engine.toggleLayer(0); return;
    case ShortcutActionID::toggleLayer2: engine.toggleLayer(1); return;
    default:
        break;
    }
    const auto index = shortcut_action::blockIndex(action);
    if (index && *index < engine.blockCount())
        engine.playBlock(*index);
}

bool ShortcutManager::isInlineField(const QWidget* field)
{
    return field && key_policy::of(field) == KeyPolicy::shortcuts;
}

void ShortcutManager::resignTextFocusIfClickedOutside(QWidget* focus, QWidget* hit)
{
    QWidget* field = editedTextField(focus);
    if (!field || !isInlineField(field))
        return;
    if (hit && (hit == field || field->isAncestorOf(hit)))
        return;
    QWidget* control = fieldOf(field);
    if (hit && (hit == control || control->isAncestorOf(hit)))
        return;
    field->clearFocus();
}

ShortcutManager::Decision ShortcutManager::decide(const QKeyEvent& event, QObject* receiver)
{
    Decision decision{event.key(), static_cast<int>(event.modifiers()), event.nativeScanCode(),
                      event.isAutoRepeat(), false};
    QWidget* focus = focusFor(receiver);
    const QWidget* target = asWidget(receiver);
    decision.consume = handle(event, focus, target ? target : focus);
    return decision;
}

bool ShortcutManager::eventFilter(QObject* watched, QEvent* event)
{
    // An open menu, combo box list or calendar tracks its own keys and
    // clicks. A popup that declares its key policy (a popover, a panel of
    // controls) follows it as any other window does.
    if (QWidget* popup = QApplication::activePopupWidget(); popup && !key_policy::declared(popup))
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Sent to the focus widget before menu shortcuts are looked at;
        // accepting it keeps them from running.
        if (!isFirstReceiver(watched))
            return false;
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        pending_ = decide(*keyEvent, watched);
        if (!pending_->consume)
            return false;
        event->accept();
        return true;
    }
    case QEvent::KeyPress: {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (!pending_ || !pending_->matches(*keyEvent))
            pending_ = decide(*keyEvent, watched); // a press that came without an override
        if (!pending_->consume)
            return false;
        event->accept();
        return true;
    }
    case QEvent::KeyRelease:
        pending_.reset();
        return false;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        QWidget* hit = nullptr;
        if (auto* widget = qobject_cast<QWidget*>(watched)) {
            hit = widget;
        } else if (auto* window = qobject_cast<QWindow*>(watched)) {
            if (QWidget* top = widgetOfWindow(window)) {
                hit = top->childAt(mouse->position().toPoint());
                if (!hit)
                    hit = top;
            }
        } else {
            return false;
        }
        resignTextFocusIfClickedOutside(focusFor(watched), hit);
        return false;
    }
    default:
        return false;
    }
}

} // namespace tessarin
