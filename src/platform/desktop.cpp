#include "platform/desktop.h"

namespace kelp::platform {

std::unique_ptr<Desktop> Desktop::create()
{
    if (auto desktop = createXcbDesktop())
        return desktop;
    return createNullDesktop();
}

} // namespace kelp::platform
