// Where the word window goes at start-up, and the position it keeps.
#pragma once

#include "platform/layout_units.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cmath>
#include <optional>

class QWidget;

namespace kelp {

class SettingsFile;

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

// The stored position is where the window is in device pixels (in layout
// units): the same place on the screen whatever scale factor makes a logical
// pixel `ratio` device pixels (QT_SCALE_FACTOR, a desktop's scaling). These
// convert between the two, to within a device pixel.
inline QPoint logicalFromDevice(QPoint device, double ratio)
{
    return {static_cast<int>(std::lround(device.x() / ratio)), static_cast<int>(std::lround(device.y() / ratio))};
}
inline QPoint deviceFromLogical(QPoint logical, double ratio)
{
    return {static_cast<int>(std::lround(logical.x() * ratio)), static_cast<int>(std::lround(logical.y() * ratio))};
}

// Where a window of `size` (logical pixels) sits in the bottom-right corner
// of `freeArea` (the screen less its panels), in layout units of device
// pixels as winx and winy hold it. A free area the window does not fit
// twice over (a desktop that has not said yet where its panels are) gives
// way to the whole `screen`; a screen that small has no corner to offer.
inline std::optional<QPoint> cornerPosition(const platform::LayoutUnits &units, QRect freeArea, QRect screen,
                                            QSize size, double ratio)
{
    const auto fits = [&size](QRect area) {
        return area.width() >= size.width() * 2 && area.height() >= size.height() * 2;
    };
    const QRect area = fits(freeArea) ? freeArea : screen;
    if (!fits(area))
        return std::nullopt;
    const int margin = 8;
    const QPoint at(area.right() + 1 - margin - size.width(), area.bottom() + 1 - margin - size.height());
    const QPoint device = deviceFromLogical(at, ratio);
    return QPoint(units.pixelsToX(device.x()), units.pixelsToY(device.y()));
}

class WindowPlacement {
public:
    // The stored position, in layout units of device pixels.
    WindowPlacement(const platform::LayoutUnits &units, int storedX, int storedY);

    // Moves the window to the stored position, or to the designed one when
    // the stored one is off every screen. On the program's first start a
    // settings file without a position (one could not be measured when it
    // was written) puts it in the screen's bottom-right corner instead.
    void place(QWidget &window, bool firstStart = false);

    // The learner put the window at `pixels` (by dragging it, or by a
    // layout switch). Where a window manager pushes it is no choice of theirs.
    void choose(QPoint pixels) { chosen_ = pixels; }
    QPoint chosen() const { return chosen_; }

    // Writes winx and winy for the chosen position. A window that was not
    // moved keeps the stored values, which pixel rounding would otherwise nudge.
    bool save(SettingsFile &file);

private:
    platform::LayoutUnits units_;
    int x_;
    int y_;
    double ratio_ = 1.0; // device pixels a logical one, on the screen it was placed on
    QPoint placedAt_;
    QPoint chosen_;
};

} // namespace kelp
