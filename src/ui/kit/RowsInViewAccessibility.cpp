#include "ui/kit/RowsInViewAccessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QPersistentModelIndex>
#include <QPointer>

#include <algorithm>
#include <vector>

namespace tessarin {
namespace {

constexpr char kUsesRowsInView[] = "tessarinRowsInView";
// Row interfaces kept beyond those in view: a few pages a screen reader went
// through.
constexpr std::size_t kRowsKept = 256;

// The rows whose rectangles meet the viewport, then the current row where
// it is not among them, in the model's order.
std::vector<QModelIndex> rowsInView(const QAbstractItemView& view)
{
    std::vector<QModelIndex> rows;
    const QAbstractItemModel* model = view.model();
    if (!model)
        return rows;
    const QRect area = view.viewport()->rect();
    if (const QModelIndex first = view.indexAt(area.topLeft()); first.isValid() && view.isVisible()) {
        const int count = model->rowCount(view.rootIndex());
        for (int row = first.row(); row < count; ++row) {
            const QModelIndex index = model->index(row, first.column(), view.rootIndex());
            const QRect rect = view.visualRect(index);
            if (rect.top() > area.bottom())
                break;
            if (rect.intersects(area))
                rows.push_back(index);
        }
    }
    const QModelIndex current = view.currentIndex();
    if (current.isValid() && std::find(rows.begin(), rows.end(), current) == rows.end()) {
        const auto after = std::find_if(rows.begin(), rows.end(), [&](const QModelIndex& r) { return r.row() > current.row(); });
        rows.insert(after, current);
    }
    return rows;
}

class RowInterface final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    RowInterface(QAbstractItemView& view, const QModelIndex& index)
        : view_(&view)
        , index_(index)
    {
    }

    const QPersistentModelIndex& index() const { return index_; }

    bool isValid() const override { return view_ && index_.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return view_ ? QAccessible::queryAccessibleInterface(view_) : nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString&) override { }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        if (t == QAccessible::Name) {
            const QString name = index_.data(Qt::AccessibleTextRole).toString();
            return name.isEmpty() ? index_.data(Qt::DisplayRole).toString() : name;
        }
        if (t == QAccessible::Description)
            return index_.data(Qt::AccessibleDescriptionRole).toString();
        return {};
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect rect = view_->visualRect(index_);
        return { view_->viewport()->mapToGlobal(rect.topLeft()), rect.size() };
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.invisible = !view_->isVisible() || !view_->visualRect(index_).intersects(view_->viewport()->rect());
        s.focusable = true;
        s.focused = view_->hasFocus() && view_->currentIndex() == index_;
        s.selectable = (index_.flags() & Qt::ItemIsSelectable) != 0;
        s.selected = view_->selectionModel() && view_->selectionModel()->isSelected(index_);
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    // The focus action does what a click on the row does to the focus.
    QStringList actionNames() const override { return { setFocusAction() }; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& action) override
    {
        if (action != setFocusAction() || !isValid())
            return;
        view_->setCurrentIndex(index_);
        view_->setFocus(Qt::OtherFocusReason);
    }

private:
    QPointer<QAbstractItemView> view_;
    QPersistentModelIndex index_;
};

// A view's row interfaces, made as screen readers ask for rows and let go
// as their rows leave the model or, beyond kRowsKept, the view.
class RowRegistry final : public QObject {
public:
    explicit RowRegistry(QAbstractItemView& view)
        : QObject(&view)
        , view_(view)
    {
    }
    ~RowRegistry() override
    {
        for (const auto& [row, id] : rows_)
            QAccessible::deleteAccessibleInterface(id);
    }

    static RowRegistry* of(const QAbstractItemView& view)
    {
        // Not a Q_OBJECT class: found among the view's children by its type.
        for (QObject* child : view.children()) {
            if (auto* registry = dynamic_cast<RowRegistry*>(child))
                return registry;
        }
        return nullptr;
    }

    RowInterface* existing(const QModelIndex& index) const
    {
        const auto found = std::find_if(rows_.begin(), rows_.end(), [&](const auto& row) { return row.first == index; });
        return found == rows_.end() ? nullptr : static_cast<RowInterface*>(QAccessible::accessibleInterface(found->second));
    }

    RowInterface* row(const QModelIndex& index)
    {
        if (!index.isValid())
            return nullptr;
        if (RowInterface* known = existing(index))
            return known;
        if (rows_.size() >= kRowsKept)
            letGo();
        auto* made = new RowInterface(view_, index);
        rows_.emplace_back(index, QAccessible::registerAccessibleInterface(made));
        return made;
    }

private:
    // Lets go of the rows gone from the model, then of those out of view.
    void letGo()
    {
        const std::vector<QModelIndex> shown = rowsInView(view_);
        const auto gone = std::stable_partition(rows_.begin(), rows_.end(), [&](const auto& row) {
            return row.first.isValid() && std::find(shown.begin(), shown.end(), QModelIndex(row.first)) != shown.end();
        });
        for (auto it = gone; it != rows_.end(); ++it)
            QAccessible::deleteAccessibleInterface(it->second);
        rows_.erase(gone, rows_.end());
    }

    QAbstractItemView& view_;
    // Searched in turn: a persistent index's hash changes as its row moves.
    std::vector<std::pair<QPersistentModelIndex, QAccessible::Id>> rows_;
};

class ListInterface final : public QAccessibleWidget {
public:
    explicit ListInterface(QAbstractItemView& view)
        : QAccessibleWidget(&view, QAccessible::List)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        // The focus is on the current row.
        if (view().currentIndex().isValid())
            s.focused = false;
        return s;
    }

    // Every row of the model, at its own place.
    int childCount() const override
    {
        const QAbstractItemModel* model = view().model();
        return model ? model->rowCount(view().rootIndex()) : 0;
    }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount() || !registry())
            return nullptr;
        return registry()->row(view().model()->index(index, 0, view().rootIndex()));
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* row = dynamic_cast<const RowInterface*>(child);
        return row && row->isValid() ? row->index().row() : -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QModelIndex index = view().indexAt(view().viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() && registry() ? registry()->row(index) : nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        if (!view().hasFocus() || !registry())
            return nullptr;
        return registry()->row(view().currentIndex());
    }

private:
    QAbstractItemView& view() const { return *static_cast<QAbstractItemView*>(widget()); }
    RowRegistry* registry() const { return RowRegistry::of(view()); }
};

QAccessibleInterface* interfaceFor(const QString&, QObject* object)
{
    auto* view = qobject_cast<QAbstractItemView*>(object);
    if (view && view->property(kUsesRowsInView).toBool())
        return new ListInterface(*view);
    return nullptr;
}

} // namespace

void useRowsInViewAccessibility(QAbstractItemView& view)
{
    static const bool installed = [] {
        QAccessible::installFactory(&interfaceFor);
        return true;
    }();
    Q_UNUSED(installed);
    view.setProperty(kUsesRowsInView, true);
    if (!RowRegistry::of(view))
        new RowRegistry(view);
    // An interface Qt made for the view already (its model's first rows
    // announce themselves) is made again, as this one, when next asked for.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&view); made && !dynamic_cast<ListInterface*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

namespace {

// Tells screen readers of the row, made for them (focus) or only when they know it.
void notifyRow(QAbstractItemView& view, const QModelIndex& row, QAccessible::Event type, bool make)
{
    if (!QAccessible::isActive())
        return;
    RowRegistry* registry = RowRegistry::of(view);
    RowInterface* iface = !registry ? nullptr : make ? registry->row(row) : registry->existing(row);
    if (!iface)
        return;
    QAccessibleEvent event(iface, type);
    QAccessible::updateAccessibility(&event);
}

} // namespace

void notifyAccessibleRowFocus(QAbstractItemView& view, const QModelIndex& row)
{
    notifyRow(view, row, QAccessible::Focus, true);
}

void notifyAccessibleRowNameChanged(QAbstractItemView& view, const QModelIndex& row)
{
    notifyRow(view, row, QAccessible::NameChanged, false);
}

} // namespace tessarin
