// Window-system attributes of the word window: its extended style word (the
// layered flag), its opacity, and staying above other windows without ever
// taking the keyboard focus.
#pragma once

#include <QWidget>

#include <cstdint>

namespace kelp::platform {

inline constexpr int gwl_exstyle = -20;
inline constexpr std::int32_t ws_ex_layered = 0x80000;
inline constexpr int lwa_colorkey = 1;
inline constexpr int lwa_alpha = 2;

// Flags for a borderless, top-most window that never takes the focus.
Qt::WindowFlags floatingWindowFlags();

// The style word kept for `w` (index gwl_exstyle only), and its setter.
std::int32_t GetWindowLongA(QWidget *w, int nindex);
void SetWindowLongA(QWidget *w, int nindex, std::int32_t dwnewlong);

// Whole-window opacity from an alpha byte (128: half, 255: opaque).
void SetLayeredWindowAttributes(QWidget *w, std::uint32_t crkey, std::uint8_t balpha, int dwflags);

// The window's real position on the screen, asked of the X server (some
// window managers report 0,0 to the toolkit right after showing).
QPoint windowScreenPosition(QWidget *w);

// True while the left mouse button is held down anywhere on the screen.
bool leftButtonDown();

} // namespace kelp::platform
