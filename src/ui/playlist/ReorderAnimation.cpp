#include "ui/playlist/ReorderAnimation.h"

#include <QLayout>
#include <QPropertyAnimation>
#include <QWidget>

namespace tessarin {
namespace {
constexpr int kDurationMs = 120;
} // namespace

ReorderAnimation::ReorderAnimation(const QLayout& layout)
{
    for (int i = 0; i < layout.count(); ++i) {
        if (QWidget* w = layout.itemAt(i)->widget(); w && w->isVisible())
            before_.insert(w, w->pos());
    }
}

ReorderAnimation::ReorderAnimation(const QList<QWidget*>& widgets)
{
    for (QWidget* w : widgets) {
        if (w->isVisible())
            before_.insert(w, w->pos());
    }
}

void ReorderAnimation::run(QLayout& layout) const
{
    if (before_.isEmpty())
        return;
    layout.activate();
    QList<QWidget*> placed;
    for (int i = 0; i < layout.count(); ++i) {
        if (QWidget* w = layout.itemAt(i)->widget())
            placed.append(w);
    }
    slide(placed);
}

void ReorderAnimation::slide(const QList<QWidget*>& placed) const
{
    for (QWidget* w : placed) {
        const auto before = before_.constFind(w);
        if (before == before_.cend() || !w->isVisible())
            continue;
        // A slide still under way ends here; the new one starts where it was.
        for (auto* running : w->findChildren<QPropertyAnimation*>(QStringLiteral("reorder"), Qt::FindDirectChildrenOnly))
            running->stop();
        const QPoint to = w->pos();
        if (to == before.value())
            continue;
        auto* slide = new QPropertyAnimation(w, "pos", w);
        slide->setObjectName(QStringLiteral("reorder"));
        slide->setDuration(kDurationMs);
        slide->setEasingCurve(QEasingCurve::OutQuad);
        slide->setStartValue(before.value());
        slide->setEndValue(to);
        w->move(before.value());
        slide->start(QAbstractAnimation::DeleteWhenStopped);
    }
}

} // namespace tessarin
