#include "platform/window_style.h"

#include "platform/x11.h"

#include <QVariant>

#include <xcb/xcb.h>

#include <cstdlib>

namespace kelp::platform {
namespace {
constexpr const char *kStyleProperty = "kelp_exstyle";
}

Qt::WindowFlags floatingWindowFlags()
{
    return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;
}

std::int32_t GetWindowLongA(QWidget *w, int nindex)
{
    if (!w || nindex != gwl_exstyle)
        return 0;
    return w->property(kStyleProperty).toInt();
}

void SetWindowLongA(QWidget *w, int nindex, std::int32_t dwnewlong)
{
    if (!w || nindex != gwl_exstyle)
        return;
    w->setProperty(kStyleProperty, dwnewlong);
}

void SetLayeredWindowAttributes(QWidget *w, std::uint32_t, std::uint8_t balpha, int dwflags)
{
    // Only the alpha flag is meaningful here; opacity needs the layered style.
    if (!w || !(dwflags & lwa_alpha) || !(GetWindowLongA(w, gwl_exstyle) & ws_ex_layered))
        return;
    w->setWindowOpacity(balpha >= 255 ? 1.0 : balpha / 256.0);
}


QPoint windowScreenPosition(QWidget *w)
{
    xcb_connection_t *c = x11Connection();
    if (!c || !w || !w->testAttribute(Qt::WA_WState_Created))
        return w ? w->pos() : QPoint();
    const xcb_window_t root = x11RootWindow(c);
    auto cookie = xcb_translate_coordinates(c, static_cast<xcb_window_t>(w->winId()), root, 0, 0);
    xcb_translate_coordinates_reply_t *reply = xcb_translate_coordinates_reply(c, cookie, nullptr);
    if (!reply)
        return w->pos();
    const QPoint p(reply->dst_x, reply->dst_y);
    std::free(reply);
    return p;
}

bool leftButtonDown()
{
    xcb_connection_t *c = x11Connection();
    if (!c)
        return false;
    const xcb_window_t root = x11RootWindow(c);
    xcb_query_pointer_reply_t *reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr);
    if (!reply)
        return false;
    const bool down = reply->mask & XCB_KEY_BUT_MASK_BUTTON_1;
    std::free(reply);
    return down;
}

} // namespace kelp::platform
