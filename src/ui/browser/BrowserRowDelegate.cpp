#include "ui/browser/BrowserRowDelegate.h"

#include "ui/browser/BrowserFileModel.h"
#include "ui/browser/BrowserRow.h"

#include <QAbstractItemView>

namespace tessarin {

BrowserRowDelegate::BrowserRowDelegate(const BrowserFileModel& model, QAbstractItemView& view)
    : QAbstractItemDelegate(&view)
    , model_(model)
    , view_(view)
{
}

QSize BrowserRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    // The list makes every row as wide as its viewport, whatever the width
    // asked; one asked here would be kept from before a scroll bar appeared.
    return { 1, BrowserRow::height() };
}

void BrowserRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= model_.rowCount())
        return;
    BrowserRow::Look look = model_.look(index.row());
    look.showsFocusRing = (option.state & QStyle::State_HasFocus) && view_.hasFocus()
        && view_.window()->testAttribute(Qt::WA_KeyboardFocusChange);
    look.ground = view_.palette().color(QPalette::Window);
    BrowserRow::paint(*painter, option.rect, look, view_.devicePixelRatioF());
}

} // namespace tessarin
