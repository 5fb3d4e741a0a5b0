#include "platform/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace kelp::platform {

int AddFontResourceA(const QString &path)
{
    const int id = QFontDatabase::addApplicationFont(path);
    if (id < 0)
        return 0;
    return static_cast<int>(QFontDatabase::applicationFontFamilies(id).size());
}

} // namespace kelp::platform
