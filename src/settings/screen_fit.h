// Windows of a designed size that must still fit small or highly scaled
// screens: the layout units are shrunk until the window and its frame fit
// the screen's free area (the area without panels).
#pragma once

#include "platform/layout_units.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace kelp {

// Title bar and borders, before the window manager tells them.
inline constexpr QSize kWindowFrame(24, 48);

struct ScreenFit {
    platform::LayoutUnits units;
    double scale = 1.0; // for point sizes: 1 where the designed size fits
    QRect free;
};

inline ScreenFit fitToScreen(int widthUnits, int heightUnits)
{
    ScreenFit fit;
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return fit;
    const double dpiX = screen->logicalDotsPerInchX();
    const double dpiY = screen->logicalDotsPerInchY();
    const platform::LayoutUnits natural(dpiX, dpiY);
    fit.free = screen->availableGeometry();
    const double sx = double(fit.free.width() - kWindowFrame.width()) / std::max(1, natural.xToPixels(widthUnits));
    const double sy = double(fit.free.height() - kWindowFrame.height()) / std::max(1, natural.yToPixels(heightUnits));
    fit.scale = std::clamp(std::min(sx, sy), 0.2, 1.0);
    fit.units = platform::LayoutUnits(dpiX * fit.scale, dpiY * fit.scale);
    return fit;
}

// The primary screen's free area (empty without a screen).
inline QRect freeArea()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// `wanted`, or as much of it as fits the free area with the window's frame.
inline QSize fittedSize(const QSize &wanted, const QRect &free)
{
    return free.isEmpty() ? wanted : wanted.boundedTo(free.size() - kWindowFrame);
}

// Centres the window, with its frame, in the free area.
inline void centreIn(QWidget &window, const QRect &free)
{
    if (!free.isEmpty())
        window.move(free.center() - QRect(QPoint(), window.size() + kWindowFrame).center());
}

} // namespace kelp
