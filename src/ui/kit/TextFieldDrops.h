#pragma once
// The drop rule of every text field of the interface (line edits, the line
// edits inside date, time and spin boxes, text edits): a field takes what is
// typed or pasted, never a drop. Without it a field takes any drag that
// carries text, which is every internal drag (a block or an item carries its
// id as text) and a file manager's, and writes the payload into the field.
// With the rule the drop goes to the view behind the field, as if the field
// were not there (a block dropped on a card's name field is dropped on the
// card). installTextFieldDropRule puts the rule on every widget of the
// application, present and future, as it is polished. Main thread.

class QApplication;
class QWidget;

namespace tessarin {

void installTextFieldDropRule(QApplication& app);
// True for the widgets the rule applies to.
bool isTextField(const QWidget& widget);

} // namespace tessarin
