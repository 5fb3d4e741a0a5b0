// The word window's place among the desktop's windows: borderless, above
// every other window, and never taking the keyboard focus; optionally half
// transparent (visible where a compositor runs).
#pragma once

#include <QWidget>

namespace kelp::platform {

Qt::WindowFlags floatingWindowFlags();

void setHalfTransparent(QWidget &window, bool half);

} // namespace kelp::platform
