#include "platform/window_style.h"

#include <QVariant>

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

} // namespace kelp::platform
