#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace fendrel::gui {

// A window's frame fitted into a screen's free area: no larger than the area, moved inside it.
QRect fittedInto(const QRect &wanted, const QRect &area);

// Where a window of size goes next to its owner: right of it when it fits there whole, else left
// of it, else over the owner (centred on it); always wholly inside the area.
QPoint besideOrOver(const QRect &owner, const QSize &size, const QRect &area, int gap = 16);

} // namespace fendrel::gui
