#pragma once
// The keyboard shortcuts: one key combo per bound action, kept in the
// settings ("Vellumcast.shortcuts.v1"), and the key monitor that runs the
// bound actions on the engine. The monitor is one application-wide event
// filter that sees each key press once, before any widget and before menu
// shortcuts, and follows the key policy that the key's window declares
// (platform/KeyPolicy.h). While a text field (line edit, spin box, editable
// combo box, editable text view) has the focus, keys go to it. In the fields
// of a window that puts its shortcuts first (the main window's block names,
// search and the like) Return, keypad Enter and Escape end the editing and
// go no further, and a left click outside the field ends the editing too; in
// any other window (dialogs, file dialogs, the settings window, popovers)
// these keys stay the window's: Return is its default action and Escape
// cancels. Outside text fields a bound key runs its action even when a button
// has the focus, except, in a window whose controls come first, a key that
// works a control (Space, Return, arrows and the like): that is the
// control's. While a popup that declares no policy (a menu, a combo box's
// list) is open, the keys are the popup's. Main thread only.
#include "automation/KeyCombo.h"
#include "automation/ShortcutAction.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>

class QKeyEvent;
class QWidget;

namespace tessarin {

class Settings;
class ShortcutEngine;

class ShortcutManager : public QObject {
    Q_OBJECT
public:
    // Action raw value to its combo; keys that name no action are kept and
    // saved but never run.
    using Bindings = std::map<QString, KeyCombo>;

    // Bindings from the settings; the default binding when none is usable.
    explicit ShortcutManager(Settings& settings, QObject* parent = nullptr);
    ~ShortcutManager() override;

    const Bindings& bindings() const { return bindings_; }
    // Stores and saves at once (also an empty table).
    void setBindings(Bindings bindings);

    // The engine that actions act on, held weakly.
    void setEngine(std::weak_ptr<ShortcutEngine> engine) { engine_ = std::move(engine); }

    // "playPause" on the space bar.
    static Bindings defaultBindings();
    // Return, keypad Enter, Escape.
    static const std::set<std::uint16_t>& endEditingKeyCodes();

    // The stored table: empty when nothing usable is stored; an entry that
    // does not decode is left out.
    static Bindings load(const Settings& settings);
    void save();

    void startMonitoring();
    void stopMonitoring();
    bool isMonitoring() const { return monitoring_; }

    // A key press seen by the monitor, with the focus widget of its window
    // and the window (or a widget of it) whose key policy applies, the
    // focus's when none is given; true when the key is consumed.
    bool handle(const QKeyEvent& event, QWidget* focus, const QWidget* window = nullptr);
    static void perform(ShortcutActionID action, ShortcutEngine& engine);
    // A left click on hit while focus has the keyboard: a main-window field
    // gives up the focus when hit is outside it.
    static void resignTextFocusIfClickedOutside(QWidget* focus, QWidget* hit);

    // The widget being edited as text, if focus is one.
    static QWidget* editedTextField(QWidget* focus);
    // Whether field belongs to a window that puts its shortcuts first (the
    // main window), whose editing Return, Enter and Escape end.
    static bool isInlineField(const QWidget* field);

signals:
    void bindingsChanged();
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The decision taken at the first sight of a key press, applied to the
    // later deliveries of the same press (shortcut override, key press and
    // their propagation to parent widgets).
    struct Decision {
        int key;
        int modifiers;
        std::uint32_t scanCode;
        bool autoRepeat;
        bool consume;
        bool matches(const QKeyEvent& event) const;
    };

    Decision decide(const QKeyEvent& event, QObject* receiver);

    Settings& settings_;
    Bindings bindings_;
    std::weak_ptr<ShortcutEngine> engine_;
    bool monitoring_ = false;
    std::optional<Decision> pending_;
};

} // namespace tessarin
