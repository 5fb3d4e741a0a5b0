// The application's own X server connection, for the few things Qt does not
// offer (key grabs, real window positions, pointer state).
#pragma once

#include <cstdint>

struct xcb_connection_t;

namespace kelp::platform {

// Null when the program does not run on X11 (offscreen tests, for example).
xcb_connection_t *x11Connection();
std::uint32_t x11RootWindow(xcb_connection_t *c);

} // namespace kelp::platform
