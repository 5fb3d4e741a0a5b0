#include "platform/window_style.h"

namespace kelp::platform {

Qt::WindowFlags floatingWindowFlags()
{
    return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;
}

void setHalfTransparent(QWidget &window, bool half)
{
    // An alpha of 128 out of 256.
    window.setWindowOpacity(half ? 0.5 : 1.0);
}

} // namespace kelp::platform
