#include "platform/window_style.h"

namespace kelp::platform {

Qt::WindowFlags floatingWindowFlags()
{
    return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;
}

void setHalfTransparent(QWidget &window, bool half)
{
    // An alpha of 128 out of 256.
    // Alpha 128 of 255: _NET_WM_WINDOW_OPACITY 0x80808080.
    window.setWindowOpacity(half ? 128.0 / 255.0 : 1.0);
}

} // namespace kelp::platform
