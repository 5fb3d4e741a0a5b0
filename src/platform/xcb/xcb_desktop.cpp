#include "platform/desktop.h"
#include "platform/xcb/xcb_hot_keys.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>

namespace kelp::platform {
namespace {

class XcbDesktop : public Desktop {
public:
    explicit XcbDesktop(xcb_connection_t *connection)
        : conn_(connection), root_(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root)
    {
    }

    std::unique_ptr<GlobalHotKeys> createHotKeys() override { return std::make_unique<XcbHotKeys>(conn_); }

    QPoint windowPosition(const QWidget &window) const override
    {
        if (!window.testAttribute(Qt::WA_WState_Created))
            return window.pos();
        auto cookie = xcb_translate_coordinates(conn_, static_cast<xcb_window_t>(window.winId()), root_, 0, 0);
        xcb_translate_coordinates_reply_t *reply = xcb_translate_coordinates_reply(conn_, cookie, nullptr);
        if (!reply)
            return window.pos();
        // The window system counts device pixels; Qt, under a scale factor, logical ones.
        const double ratio = window.devicePixelRatioF() > 0 ? window.devicePixelRatioF() : 1.0;
        const QPoint p(static_cast<int>(std::lround(reply->dst_x / ratio)),
                       static_cast<int>(std::lround(reply->dst_y / ratio)));
        std::free(reply);
        return p;
    }

    bool isLeftButtonDown() const override
    {
        xcb_query_pointer_reply_t *reply = xcb_query_pointer_reply(conn_, xcb_query_pointer(conn_, root_), nullptr);
        if (!reply)
            return false;
        const bool down = reply->mask & XCB_KEY_BUT_MASK_BUTTON_1;
        std::free(reply);
        return down;
    }

private:
    xcb_connection_t *conn_;
    xcb_window_t root_;
};

} // namespace

std::unique_ptr<Desktop> createXcbDesktop()
{
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return nullptr;
    return std::make_unique<XcbDesktop>(connection);
}

bool canOpenX11Display()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return ok;
}

} // namespace kelp::platform
