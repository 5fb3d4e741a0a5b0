// The desktop without a window system of its own: keys cannot be taken and
// Qt's own idea of a window's position is the best there is.
#include "platform/desktop.h"

#include <QWidget>

namespace kelp::platform {
namespace {

class NullHotKeys : public GlobalHotKeys {
public:
    bool grab(QKeyCombination) override { return false; }
    void release(QKeyCombination) override {}
    void releaseAll() override {}
};

class NullDesktop : public Desktop {
public:
    std::unique_ptr<GlobalHotKeys> createHotKeys() override { return std::make_unique<NullHotKeys>(); }
    QPoint windowPosition(const QWidget &window) const override { return window.pos(); }
    bool isLeftButtonDown() const override { return false; }
};

} // namespace

std::unique_ptr<Desktop> createNullDesktop()
{
    return std::make_unique<NullDesktop>();
}

} // namespace kelp::platform
