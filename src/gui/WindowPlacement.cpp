#include "gui/WindowPlacement.h"

#include <algorithm>

namespace fendrel::gui {

QRect fittedInto(const QRect &wanted, const QRect &area)
{
    const QSize size = wanted.size().boundedTo(area.size());
    const int x = std::clamp(wanted.x(), area.left(), area.right() + 1 - size.width());
    const int y = std::clamp(wanted.y(), area.top(), area.bottom() + 1 - size.height());
    return {QPoint(x, y), size};
}

QPoint besideOrOver(const QRect &owner, const QSize &size, const QRect &area, int gap)
{
    const QRect right(QPoint(owner.right() + 1 + gap, owner.top()), size);
    const QRect left(QPoint(owner.left() - gap - size.width(), owner.top()), size);
    for (const QRect &place : {right, left}) {
        if (place.left() >= area.left() && place.right() <= area.right())
            return fittedInto(place, area).topLeft();
    }
    const QRect over(owner.center() - QPoint(size.width() / 2, size.height() / 2), size);
    return fittedInto(over, area).topLeft();
}

} // namespace fendrel::gui
