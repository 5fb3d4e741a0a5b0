// What the word window needs from the desktop beyond Qt: global hot keys,
// the window's real position and the pointer's button state. One back end
// talks to the X server; the other stands in where there is none (Wayland
// without XWayland, offscreen tests) and does nothing.
#pragma once

#include "platform/hot_keys.h"

#include <QPoint>

#include <memory>

class QWidget;

namespace kelp::platform {

class Desktop {
public:
    virtual ~Desktop() = default;

    virtual std::unique_ptr<GlobalHotKeys> createHotKeys() = 0;

    // The window's position on the screen as the window system has it (some
    // window managers report 0,0 to Qt right after showing), in Qt's logical
    // pixels as pos() counts them.
    virtual QPoint windowPosition(const QWidget &window) const = 0;

    // True while the left mouse button is held down anywhere on the screen.
    virtual bool isLeftButtonDown() const = 0;

    // The X11 back end when Qt runs on X11, otherwise the no-op one.
    static std::unique_ptr<Desktop> create();
};

std::unique_ptr<Desktop> createXcbDesktop(); // null when there is no X connection
std::unique_ptr<Desktop> createNullDesktop();

// Whether an X server answers at $DISPLAY; asked before Qt would abort on none.
bool canOpenX11Display();

} // namespace kelp::platform
