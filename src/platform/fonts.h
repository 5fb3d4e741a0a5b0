// Fonts the program brings along.
#pragma once

#include <QString>

namespace kelp::platform {

// Makes the font file available to this process; false when it could not be
// (missing, unreadable, not a font).
bool addFontFile(const QString &path);

} // namespace kelp::platform
