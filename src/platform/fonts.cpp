#include "platform/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace kelp::platform {

bool addFontFile(const QString &path)
{
    const int id = QFontDatabase::addApplicationFont(path);
    return id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty();
}

} // namespace kelp::platform
