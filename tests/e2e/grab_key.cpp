// Test helper: another program that holds a global key. Grabs the Right
// arrow (no modifiers) on the root window, prints "ready" and waits until
// it is killed.
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main()
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 2;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(c);
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, 0xff53); // Right
    if (!codes)
        return 2;
    for (xcb_keycode_t *k = codes; *k != XCB_NO_SYMBOL; ++k) {
        xcb_generic_error_t *e =
            xcb_request_check(c, xcb_grab_key_checked(c, 1, root, 0, *k, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (e)
            return 3;
    }
    std::free(codes);
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
        pause();
}
