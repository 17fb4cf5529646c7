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

void ReorderAnimation::run(QLayout& layout) const
{
    if (before_.isEmpty())
        return;
    layout.activate();
    for (auto it = before_.cbegin(); it != before_.cend(); ++it) {
        QWidget* w = it.key();
        if (layout.indexOf(w) < 0 || !w->isVisible())
            continue;
        // A slide still under way ends here; the new one starts where it was.
        for (auto* running : w->findChildren<QPropertyAnimation*>(QStringLiteral("reorder"), Qt::FindDirectChildrenOnly))
            running->stop();
        const QPoint to = w->pos();
        if (to == it.value())
            continue;
        auto* slide = new QPropertyAnimation(w, "pos", w);
        slide->setObjectName(QStringLiteral("reorder"));
        slide->setDuration(kDurationMs);
        slide->setEasingCurve(QEasingCurve::OutQuad);
        slide->setStartValue(it.value());
        slide->setEndValue(to);
        w->move(it.value());
        slide->start(QAbstractAnimation::DeleteWhenStopped);
    }
}

} // namespace tessarin
