#include "ui/kit/Accessibility.h"

#include "ui/kit/Controls.h"
#include "ui/kit/DrawnRows.h"
#include "ui/kit/Popover.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleApplication>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaClassInfo>
#include <QRegularExpression>

#include <algorithm>

namespace tessarin {

// The dynamic property of one of our buttons that is one of a row of tabs,
// holding whether it is the current one (setAccessibleTabSelected).
constexpr const char* kTabSelected = "tessarinTabSelected";
namespace {

// Whether a shown menu hangs from a menu bar or another menu, where Qt's
// tree already reaches it.
bool isSubmenu(QMenu* menu)
{
    for (QObject* owner : menu->menuAction()->associatedObjects()) {
        if (qobject_cast<QMenuBar*>(owner) || qobject_cast<QMenu*>(owner))
            return true;
    }
    return false;
}

// The popups on screen that Qt's tree does not reach (popovers, menus
// opened from a button), in a stable order.
QList<QWidget*> shownPopovers()
{
    QList<QWidget*> popovers;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible())
            continue;
        auto* menu = qobject_cast<QMenu*>(widget);
        if (qobject_cast<Popover*>(widget) || (menu && !isSubmenu(menu)))
            popovers.append(widget);
    }
    std::sort(popovers.begin(), popovers.end());
    return popovers;
}

// Qt's application object lists the top-level windows except popups; the
// popovers and the menus opened from buttons are popups that hold controls,
// so they are listed after them.
class ApplicationInterface final : public QAccessibleApplication {
public:
    int childCount() const override { return QAccessibleApplication::childCount() + int(shownPopovers().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const int windows = QAccessibleApplication::childCount();
        if (index < windows)
            return QAccessibleApplication::child(index);
        const QList<QWidget*> popovers = shownPopovers();
        index -= windows;
        return index < popovers.size() ? QAccessible::queryAccessibleInterface(popovers.at(index)) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const int window = QAccessibleApplication::indexOfChild(child);
        if (window >= 0 || !child)
            return window;
        const qsizetype popover = shownPopovers().indexOf(qobject_cast<QWidget*>(child->object()));
        return popover < 0 ? -1 : QAccessibleApplication::childCount() + int(popover);
    }
};

// A popover: a dialog whose parent in the tree is the application, which
// lists it (its parent widget does not: it is a window).
class PopoverInterface final : public QAccessibleWidget {
public:
    explicit PopoverInterface(QWidget* popover)
        : QAccessibleWidget(popover, QAccessible::Dialog)
    {
    }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(qApp); }
};

class SliderInterface final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    SliderInterface(QWidget* widget, AccessibleValue* value)
        : QAccessibleWidget(widget, QAccessible::Slider)
        , value_(value)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return value_->accessibleValueText();
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return value_->accessibleValue(); }
    void setCurrentValue(const QVariant& value) override
    {
        if (widget()->isEnabled())
            value_->setAccessibleValue(std::clamp(value.toDouble(), value_->accessibleMinimum(), value_->accessibleMaximum()));
    }
    QVariant maximumValue() const override { return value_->accessibleMaximum(); }
    QVariant minimumValue() const override { return value_->accessibleMinimum(); }
    QVariant minimumStepSize() const override { return value_->accessibleStep(); }

    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled())
            names << increaseAction() << decreaseAction();
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == increaseAction())
            setCurrentValue(value_->accessibleValue() + value_->accessibleStep());
        else if (action == decreaseAction())
            setCurrentValue(value_->accessibleValue() - value_->accessibleStep());
        else
            QAccessibleWidget::doAction(action);
    }

private:
    AccessibleValue* value_;
};

bool isExclusive(const QAbstractButton& button)
{
    return button.autoExclusive() || (button.group() && button.group()->exclusive())
        || qobject_cast<SegmentedControl*>(button.parentWidget());
}

// A button of ours drawn by hand (a segment, a switch, a sidebar row), or a
// check box or radio button: every action clicks it, so the listeners of clicked() (the engine, the
// stored setting) follow as they do for the pointer; Qt's own toggle action
// only flips the drawn state. Role and state are read when asked: the
// interface may be made while the button is being built.
class ClickInterface final : public QAccessibleWidget {
public:
    explicit ClickInterface(QAbstractButton* button)
        : QAccessibleWidget(button, QAccessible::PushButton)
    {
    }

    QAccessible::Role role() const override
    {
        if (!button()->isCheckable())
            return QAccessible::PushButton;
        return isExclusive(*button()) ? QAccessible::RadioButton : QAccessible::CheckBox;
    }

    QString text(QAccessible::Text t) const override
    {
        const QString text = QAccessibleWidget::text(t);
        if (t != QAccessible::Name || !text.isEmpty())
            return text;
        QString shown = button()->text();
        return shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        if (auto* box = qobject_cast<QCheckBox*>(button()))
            s.checkStateMixed = box->checkState() == Qt::PartiallyChecked;
        s.pressed = button()->isDown();
        if (const QVariant tab = button()->property(kTabSelected); tab.isValid()) {
            s.selectable = true;
            s.selected = tab.toBool();
        }
        return s;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled()) {
            if (button()->isCheckable())
                names << toggleAction();
            names << pressAction();
        }
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction() || action == toggleAction()) {
            if (widget()->isEnabled())
                button()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

// A combo box named by its label (Qt names it by its chosen entry on
// Linux), with the chosen entry as its value and as its text (screen
// readers read a combo box's value from its text, or its entry field, when
// it has no selection of its own, as with Qt's bridge), and its list as its
// child.
class ComboInterface final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ComboInterface(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        // An editable one is read through its entry field.
        if (type == QAccessible::TextInterface && !combo()->isEditable())
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return combo()->isEditable() ? combo()->lineEdit()->text() : combo()->currentText();
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return combo()->lineEdit() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(combo()->view());
        if (index == 1 && combo()->lineEdit())
            return QAccessible::queryAccessibleInterface(combo()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child)
            return -1;
        if (child->object() == combo()->view())
            return 0;
        if (combo()->lineEdit() && child->object() == combo()->lineEdit())
            return 1;
        return -1;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled())
            names << showMenuAction() << pressAction();
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == showMenuAction() || action == pressAction()) {
            if (widget()->isEnabled())
                combo()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

    // The chosen entry as read-only text, without cursor or selection.
    QString text(int startOffset, int endOffset) const override
    {
        const QString shown = combo()->currentText();
        startOffset = std::clamp(startOffset, 0, int(shown.size()));
        endOffset = endOffset < 0 ? int(shown.size()) : std::clamp(endOffset, startOffset, int(shown.size()));
        return shown.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(combo()->currentText().size()); }
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override { }
    QString attributes(int, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
};

// A widget of no more special class: a list item when its class says so, a
// frame while it is a window (widgets built without a parent are windows
// until they are placed: the role is read when asked), else a client area.
class PlainWidgetInterface final : public QAccessibleWidget {
public:
    explicit PlainWidgetInterface(QWidget* widget)
        : QAccessibleWidget(widget)
    {
    }

    QAccessible::Role role() const override
    {
        const QMetaObject* meta = widget()->metaObject();
        const int info = meta->indexOfClassInfo("accessibleRole");
        if (info >= 0 && qstrcmp(meta->classInfo(info).value(), "listItem") == 0)
            return QAccessible::ListItem;
        return widget()->isWindow() ? QAccessible::Window : QAccessible::Client;
    }

    // A real row of a drawn view is a child of the view, not of its viewport.
    QAccessibleInterface* parent() const override
    {
        if (QAccessibleInterface* view = drawnRowParent(widget()))
            return view;
        return QAccessibleWidget::parent();
    }

    // Such a row is focusable as its drawn rows are: Tab reaches its controls.
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (drawnRowParent(widget()))
            s.focusable = true;
        return s;
    }
};

// Whether the nearest of Qt's classes above the widget's is QAbstractButton
// itself: a button drawn by us, not one of Qt's buttons.
bool isOwnButton(const QWidget& widget)
{
    const QMetaObject* meta = widget.metaObject();
    while (meta && !QByteArray(meta->className()).startsWith('Q'))
        meta = meta->superClass();
    return meta == &QAbstractButton::staticMetaObject;
}

QAccessibleInterface* interfaceFor(const QString& className, QObject* object)
{
    if (object == qApp)
        return new ApplicationInterface;
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (auto* value = dynamic_cast<AccessibleValue*>(widget))
        return new SliderInterface(widget, value);
    if (auto* rows = dynamic_cast<DrawnRows*>(widget))
        return drawnRowsInterface(widget, rows);
    if (auto* popover = qobject_cast<Popover*>(widget))
        return new PopoverInterface(popover);
    if (className == QLatin1String("QComboBox"))
        return new ComboInterface(static_cast<QComboBox*>(widget));
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        const bool checkBox = className == QLatin1String("QCheckBox") || className == QLatin1String("QRadioButton");
        return checkBox || isOwnButton(*button) ? new ClickInterface(button) : nullptr;
    }
    // Reached only when no more derived class had an interface of its own.
    if (className == QLatin1String("QWidget"))
        return new PlainWidgetInterface(widget);
    return nullptr;
}

} // namespace

void installAccessibleInterfaces()
{
    QAccessible::installFactory(&interfaceFor);
    // The application's interface may have been made before the factory was
    // there: it is made again, as ours, when next asked for.
    if (QAccessibleInterface* app = QAccessible::queryAccessibleInterface(qApp); app && !dynamic_cast<ApplicationInterface*>(app))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(app));
}

void setAccessibleTabSelected(QWidget* button, bool selected)
{
    const QVariant before = button->property(kTabSelected);
    button->setProperty(kTabSelected, selected);
    if (!QAccessible::isActive() || (before.isValid() && before.toBool() == selected))
        return;
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(button, changed);
    QAccessible::updateAccessibility(&event);
}

namespace {
std::function<void(QWidget*)>& valueChangeObserver()
{
    static std::function<void(QWidget*)> observer;
    return observer;
}
} // namespace

void observeAccessibleValueChanges(std::function<void(QWidget*)> observer)
{
    valueChangeObserver() = std::move(observer);
}

void notifyAccessibleValueChanged(QWidget* widget, double value)
{
    if (valueChangeObserver())
        valueChangeObserver()(widget);
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(widget, value);
    QAccessible::updateAccessibility(&event);
}

} // namespace tessarin
