#include "wordwindow/window_placement.h"

#include "config/settings.h"
#include "session/presentation.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kelp {

WindowPlacement::WindowPlacement(const platform::LayoutUnits &units, int storedX, int storedY)
    : units_(units), x_(storedX), y_(storedY)
{
}

void WindowPlacement::place(QWidget &window, bool firstStart)
{
    QList<QRect> screens;
    for (QScreen *screen : QGuiApplication::screens())
        screens << screen->geometry();
    if (const QScreen *primary = QGuiApplication::primaryScreen(); primary && primary->devicePixelRatio() > 0)
        ratio_ = primary->devicePixelRatio();
    const QSize size(units_.xToPixels(design::kWindow.width), units_.yToPixels(design::kWindow.height));
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (firstStart && x_ == 0 && y_ == 0 && primary) {
        if (const auto corner =
                cornerPosition(units_, primary->availableGeometry(), primary->geometry(), size, ratio_)) {
            x_ = corner->x();
            y_ = corner->y();
        }
    }
    const QPoint stored = logicalFromDevice({units_.xToPixels(x_), units_.yToPixels(y_)}, ratio_);
    const QPoint designed(units_.xToPixels(design::kWindow.x), units_.yToPixels(design::kWindow.y));
    const QPoint at = reachablePosition(stored, size, screens, designed);
    if (at != stored) {
        x_ = design::kWindow.x;
        y_ = design::kWindow.y;
    }
    window.move(at);
    placedAt_ = at;
    chosen_ = at;
}

bool WindowPlacement::save(SettingsFile &file)
{
    if (chosen_ != placedAt_) {
        const QPoint device = deviceFromLogical(chosen_, ratio_);
        y_ = units_.pixelsToY(device.y());
        x_ = units_.pixelsToX(device.x());
    }
    const bool savedX = file.write(keys::windowX, x_);
    return file.write(keys::windowY, y_) && savedX;
}

} // namespace kelp
