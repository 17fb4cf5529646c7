#include "ui/kit/DrawnRows.h"

#include "ui/kit/RowEvents.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QSet>

#include <algorithm>

#include <memory>
#include <vector>

namespace tessarin {
namespace {

class DrawnListInterface;

// The children of node that show in the row (hidden widgets are left out:
// the stamp may hold a mark the row has no need of).
QList<QAccessibleInterface*> shownChildren(QAccessibleInterface* node, const QWidget* row)
{
    QList<QAccessibleInterface*> shown;
    const int count = node ? node->childCount() : 0;
    for (int i = 0; i < count; ++i) {
        QAccessibleInterface* child = node->child(i);
        auto* widget = child ? qobject_cast<QWidget*>(child->object()) : nullptr;
        if (child && (!widget || widget->isVisibleTo(row)))
            shown.append(child);
    }
    return shown;
}

// The interface of the row widget at path (indices among shown children);
// null when the tree has no such node.
QAccessibleInterface* descend(QWidget* row, const QList<int>& path)
{
    QAccessibleInterface* node = row ? QAccessible::queryAccessibleInterface(row) : nullptr;
    for (int index : path) {
        const QList<QAccessibleInterface*> shown = shownChildren(node, row);
        if (index < 0 || index >= shown.size())
            return nullptr;
        node = shown[index];
    }
    return node;
}

// The part of widget not cut off by its ancestors, in its own coordinates.
QRect visiblePart(const QWidget& widget)
{
    if (!widget.isVisible())
        return {};
    const QWidget* window = widget.window();
    const QPoint origin = widget.mapTo(window, QPoint());
    QRect part(origin, widget.size());
    for (const QWidget* up = widget.parentWidget(); up; up = up->parentWidget()) {
        part &= QRect(up->mapTo(window, QPoint()), up->size());
        if (up->isWindow())
            break;
    }
    return part.translated(-origin);
}

// A node of a drawn row: the row itself (empty path) or one of its controls,
// read from the stamp laid out as the row.
class DrawnNodeInterface final : public QAccessibleInterface, public QAccessibleActionInterface,
                                 public QAccessibleValueInterface {
public:
    DrawnNodeInterface(DrawnListInterface* list, QPersistentModelIndex row, QList<int> path)
        : list_(list)
        , row_(std::move(row))
        , path_(std::move(path))
    {
    }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (int i = 0; i < childCount(); ++i) {
            QAccessibleInterface* c = child(i);
            if (c && c->rect().contains(x, y))
                return c;
        }
        return nullptr;
    }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override
    {
        // The controls of the rows near the view only: a reader walking a
        // list of thousands of rows meets each row once, not every control.
        if (path_.isEmpty() && !isNear())
            return 0;
        QWidget* stamp = nullptr;
        QAccessibleInterface* node = stamped(&stamp);
        return int(shownChildren(node, stamp).size());
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* node = dynamic_cast<const DrawnNodeInterface*>(child);
        if (!node || node->row_ != row_ || node->path_.size() != path_.size() + 1
            || node->path_.first(path_.size()) != path_)
            return -1;
        return node->path_.back();
    }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override;
    QAccessible::Role role() const override
    {
        if (path_.isEmpty())
            return QAccessible::ListItem;
        QAccessibleInterface* node = stamped();
        return node ? node->role() : QAccessible::NoRole;
    }
    QAccessible::State state() const override;

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        QAccessibleInterface* node = path_.isEmpty() ? nullptr : stamped();
        if (type == QAccessible::ActionInterface && node && node->actionInterface())
            return static_cast<QAccessibleActionInterface*>(this);
        if (type == QAccessible::ValueInterface && node && node->valueInterface())
            return static_cast<QAccessibleValueInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override
    {
        QAccessibleInterface* node = stamped();
        return node && node->actionInterface() ? node->actionInterface()->actionNames() : QStringList();
    }
    void doAction(const QString& action) override
    {
        if (QAccessibleInterface* node = live(); node && node->actionInterface())
            node->actionInterface()->doAction(action);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    QVariant currentValue() const override { return value([](QAccessibleValueInterface* v) { return v->currentValue(); }); }
    void setCurrentValue(const QVariant& value) override
    {
        if (QAccessibleInterface* node = live(); node && node->valueInterface())
            node->valueInterface()->setCurrentValue(value);
    }
    QVariant maximumValue() const override { return value([](QAccessibleValueInterface* v) { return v->maximumValue(); }); }
    QVariant minimumValue() const override { return value([](QAccessibleValueInterface* v) { return v->minimumValue(); }); }
    QVariant minimumStepSize() const override
    {
        return value([](QAccessibleValueInterface* v) { return v->minimumStepSize(); });
    }

    const QPersistentModelIndex& row() const { return row_; }
    const QList<int>& path() const { return path_; }

private:
    bool isNear() const;
    // This node in the stamp laid out as the row, and the stamp.
    QAccessibleInterface* stamped(QWidget** stamp = nullptr) const;
    // This node in the row's real widget, made for the purpose.
    QAccessibleInterface* live() const;
    template <typename F>
    QVariant value(F read) const
    {
        QAccessibleInterface* node = stamped();
        return node && node->valueInterface() ? read(node->valueInterface()) : QVariant();
    }

    DrawnListInterface* list_;
    QPersistentModelIndex row_;
    QList<int> path_;
};

class DrawnListInterface final : public QAccessibleWidget {
public:
    DrawnListInterface(QWidget* view, DrawnRows* rows)
        : QAccessibleWidget(view, QAccessible::List)
        , rows_(rows)
    {
        // Drawn nodes of rows gone are forgotten; rows that come, go or
        // change their names are told.
        QAbstractItemModel* model = rows_->drawnView().model();
        QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, &guard_, [this] { forget(); });
        QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, &guard_,
                         [this](const QModelIndex&, int first, int last) { notifyRowsAboutToBeRemoved(this, first, last); });
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, &guard_, [this] { forgetGone(); });
        QObject::connect(model, &QAbstractItemModel::rowsInserted, &guard_,
                         [this](const QModelIndex&, int first, int last) { notifyRowsInserted(this, first, last); });
        QObject::connect(model, &QAbstractItemModel::dataChanged, &guard_,
                         [this](const QModelIndex& first, const QModelIndex& last) { tell(first.row(), last.row()); });
    }
    ~DrawnListInterface() override { forget(); }

    DrawnRows& rows() const { return *rows_; }
    QAbstractItemView& view() const { return rows_->drawnView(); }

    // Every row of the model, at its own place: a reader says "row 751 of
    // 1,500". Their nodes are made as they are asked for, and only a few
    // are kept (keep()).
    int childCount() const override { return view().model()->rowCount(); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (QWidget* live = rows_->liveRowAt(index))
            return QAccessible::queryAccessibleInterface(live);
        return node(view().model()->index(index, 0), {});
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child)
            return -1;
        if (const auto* drawn = dynamic_cast<const DrawnNodeInterface*>(child); drawn && drawn->path().isEmpty())
            return drawn->row().isValid() ? drawn->row().row() : -1;
        auto* widget = qobject_cast<QWidget*>(child->object());
        return widget ? rows_->rowOfLive(widget) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint at = view().viewport()->mapFromGlobal(QPoint(x, y));
        const QModelIndex index = view().indexAt(at);
        return index.isValid() ? child(index.row()) : nullptr;
    }

    // The drawn node of row at path, made once and kept until the row goes.
    DrawnNodeInterface* node(const QPersistentModelIndex& row, const QList<int>& path) const
    {
        for (const Kept& kept : kept_) {
            if (kept.node->row() == row && kept.node->path() == path)
                return kept.node;
        }
        const_cast<DrawnListInterface*>(this)->keep(row);
        auto* made = new DrawnNodeInterface(const_cast<DrawnListInterface*>(this), row, path);
        kept_.push_back({ made, QAccessible::registerAccessibleInterface(made) });
        return made;
    }

private:
    struct Kept {
        DrawnNodeInterface* node;
        QAccessible::Id id;
    };

    // Drawn nodes kept besides those of the rows near the view: the pages a
    // reader went through last. Beyond them, those of rows away from the
    // view are let go of (a reader asking again gets new ones), never those
    // of the row asked for.
    static constexpr std::size_t kNodesKept = 512;
    void keep(const QPersistentModelIndex& asked)
    {
        if (kept_.size() < kNodesKept)
            return;
        const auto [first, last] = rows_->exposedRows();
        forgetIf([&asked, first = first, last = last](const DrawnNodeInterface& node) {
            const int row = node.row().row();
            return !node.row().isValid() || (node.row() != asked && (row < first || row > last));
        });
    }
    void forgetGone()
    {
        forgetIf([](const DrawnNodeInterface& node) { return !node.row().isValid(); });
    }
    template <typename Gone>
    void forgetIf(Gone gone)
    {
        std::vector<Kept> let;
        const auto stay = std::stable_partition(kept_.begin(), kept_.end(), [&](const Kept& k) { return !gone(*k.node); });
        let.assign(stay, kept_.end());
        kept_.erase(stay, kept_.end());
        for (const Kept& k : let)
            QAccessible::deleteAccessibleInterface(k.id);
    }
    void forget()
    {
        std::vector<Kept> kept;
        kept.swap(kept_);
        for (const Kept& k : kept)
            QAccessible::deleteAccessibleInterface(k.id);
    }

    void tell(int first, int last)
    {
        if (!QAccessible::isActive())
            return;
        for (const Kept& kept : kept_) {
            const int row = kept.node->row().row();
            if (kept.node->path().isEmpty() && row >= first && row <= last) {
                QAccessibleEvent event(kept.node, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&event);
            }
        }
    }

    DrawnRows* rows_;
    QObject guard_;
    mutable std::vector<Kept> kept_;
};

bool DrawnNodeInterface::isValid() const { return row_.isValid(); }

QWindow* DrawnNodeInterface::window() const { return list_->window(); }

bool DrawnNodeInterface::isNear() const
{
    const auto [first, last] = list_->rows().exposedRows();
    return row_.isValid() && row_.row() >= first && row_.row() <= last;
}

QAccessibleInterface* DrawnNodeInterface::parent() const
{
    if (path_.isEmpty())
        return list_;
    return list_->node(row_, path_.first(path_.size() - 1));
}

QAccessibleInterface* DrawnNodeInterface::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    return list_->node(row_, path_ + QList<int> { index });
}

QAccessibleInterface* DrawnNodeInterface::stamped(QWidget** stamp) const
{
    if (!row_.isValid())
        return nullptr;
    QWidget* row = list_->rows().stampFor(row_.row());
    if (stamp)
        *stamp = row;
    return descend(row, path_);
}

QAccessibleInterface* DrawnNodeInterface::live() const
{
    if (!row_.isValid())
        return nullptr;
    return descend(list_->rows().openLiveRow(row_.row()), path_);
}

QString DrawnNodeInterface::text(QAccessible::Text t) const
{
    if (path_.isEmpty() && t == QAccessible::Name)
        return row_.data(Qt::AccessibleTextRole).toString();
    QAccessibleInterface* node = stamped();
    return node ? node->text(t) : QString();
}

QRect DrawnNodeInterface::rect() const
{
    if (!row_.isValid())
        return {};
    QAbstractItemView& view = list_->view();
    const QRect row = view.visualRect(row_);
    const QRect global(view.viewport()->mapToGlobal(row.topLeft()), row.size());
    if (path_.isEmpty())
        return global;
    // Where the control lies in the stamp laid out as the row (a widget
    // never shown has no place on the screen of its own).
    QWidget* stamp = nullptr;
    QAccessibleInterface* node = stamped(&stamp);
    auto* widget = node ? qobject_cast<QWidget*>(node->object()) : nullptr;
    if (!widget || !stamp)
        return {};
    return QRect(widget->mapTo(stamp, QPoint()) + global.topLeft(), widget->size());
}

QAccessible::State DrawnNodeInterface::state() const
{
    QAccessible::State s;
    if (path_.isEmpty()) {
        s.focusable = true; // Tab reaches its controls
    } else if (QAccessibleInterface* real = row_.isValid() ? descend(list_->rows().liveRowAt(row_.row()), path_) : nullptr) {
        // A reader holding a drawn control of a row made real since (the
        // focus went there) hears the real one: focused, its value.
        s = real->state();
    } else {
        if (QAccessibleInterface* node = stamped()) {
            // The stamp is never shown nor focused (a focused row is a
            // real one): its hidden children are left out of the tree.
            s = node->state();
            s.invisible = false;
            s.offscreen = false;
        }
        s.focused = false;
        s.active = false;
    }
    // Off the screen where the row is not in the visible part of the view.
    QAbstractItemView& view = list_->view();
    if (!row_.isValid() || !visiblePart(*view.viewport()).intersects(view.visualRect(row_))) {
        s.invisible = true;
        s.offscreen = true;
    }
    return s;
}

QSet<const QObject*>& stamps()
{
    static QSet<const QObject*> kept;
    return kept;
}

QAccessible::UpdateHandler& previousHandler()
{
    static QAccessible::UpdateHandler previous = nullptr;
    return previous;
}

void filterStampUpdates(QAccessibleEvent* event)
{
    for (const QObject* o = event->object(); o; o = o->parent()) {
        if (stamps().contains(o))
            return;
    }
    // Handed on as if this filter were not there.
    QAccessible::installUpdateHandler(previousHandler());
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&filterStampUpdates);
}

} // namespace

void silenceStamp(QWidget* stamp)
{
    if (stamps().isEmpty()) {
        QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(&filterStampUpdates);
        if (previous != &filterStampUpdates)
            previousHandler() = previous;
    }
    stamps().insert(stamp);
    QObject::connect(stamp, &QObject::destroyed, [stamp] { stamps().remove(stamp); });
}

QAccessibleInterface* drawnRowsInterface(QWidget* view, DrawnRows* rows)
{
    return new DrawnListInterface(view, rows);
}

QAccessibleInterface* drawnRowParent(const QWidget* row)
{
    const QWidget* viewport = row ? row->parentWidget() : nullptr;
    QWidget* view = viewport ? viewport->parentWidget() : nullptr;
    auto* rows = dynamic_cast<DrawnRows*>(view);
    if (!rows || rows->drawnView().viewport() != viewport)
        return nullptr;
    return QAccessible::queryAccessibleInterface(view);
}

} // namespace tessarin
