#pragma once
// What screen readers (AT-SPI through Qt's accessibility) see of the
// interface's own controls, where Qt's default interfaces fall short:
// - controls drawn by hand that show a value (AccessibleValue) are sliders
//   with that value, which the screen reader can also set;
// - widgets whose class declares Q_CLASSINFO("accessibleRole", "listItem")
//   (the rows of the lists) are list items, named by their accessible name;
// - windows of plain widgets (the settings window) are frames, named by
//   their title;
// - the popovers (popup windows, which Qt leaves out of the application's
//   children) are listed among the application's children, as dialogs,
//   while shown, and so are the menus opened from a button (not those of
//   the menu bar, which Qt reaches through it);
// - combo boxes are named by their accessible name (their label), with the
//   chosen entry as their value and, unless editable, as their read-only
//   text (what Orca reads as a combo box's value over Qt's bridge, which
//   has no selection interface);
// - the buttons drawn by the interface (segments, switches, icon buttons)
//   and check boxes and radio buttons act as a click does for every
//   accessible action (press and toggle), so whatever the click does (the
//   engine, the stored setting) follows; Qt's toggle action only flips the
//   state, which listeners of clicked() never hear of.
// installAccessibleInterfaces() installs this once, after the QApplication
// exists (its interfaces are then asked before Qt's own). Main thread.
#include <QString>

#include <functional>

class QWidget;

namespace tessarin {

class AccessibleValue {
public:
    virtual ~AccessibleValue() = default;
    virtual double accessibleMinimum() const = 0;
    virtual double accessibleMaximum() const = 0;
    virtual double accessibleValue() const = 0;
    // The step of the increase and decrease actions.
    virtual double accessibleStep() const = 0;
    // The value as the operator reads it ("−3.0 dB", "00:01:10").
    virtual QString accessibleValueText() const = 0;
    // Sets the value as the operator's gesture does.
    virtual void setAccessibleValue(double value) = 0;
};

void installAccessibleInterfaces();

// Tells screen readers that widget's value (an AccessibleValue) changed.
void notifyAccessibleValueChanged(QWidget* widget, double value);
// Hands every such change to observer too (tests, where no screen reader
// is active and Qt sends no event); an empty function stops it.
void observeAccessibleValueChanges(std::function<void(QWidget*)> observer);

// Marks button (one of the interface's drawn buttons) as one of a row of
// tabs or sections, and tells screen readers whether it is the current one
// (its "selectable" and "selected" states).
void setAccessibleTabSelected(QWidget* button, bool selected);

} // namespace tessarin
