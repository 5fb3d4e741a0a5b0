#include "platform/fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <fontconfig/fontconfig.h>

namespace kelp::platform {

bool addFontFile(const QString &path)
{
    const int id = QFontDatabase::addApplicationFont(path);
    return id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty();
}

void loadFontConfiguration()
{
    // Thread-safe: later callers, the toolkit's font database among them, find it loaded.
    FcInit();
}

} // namespace kelp::platform
