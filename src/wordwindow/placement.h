// Where the word window goes at start-up.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace kelp {

// The saved position when a window of `size` there would be at least partly
// on one of the screens; otherwise `fallback`. A borderless window entirely
// off screen (saved before a screen change) could never be reached again.
inline QPoint reachablePosition(QPoint saved, QSize size, const QList<QRect> &screens, QPoint fallback)
{
    if (screens.isEmpty())
        return saved;
    const QRect window(saved, size);
    for (const QRect &screen : screens) {
        if (screen.intersects(window))
            return saved;
    }
    return fallback;
}

} // namespace kelp
