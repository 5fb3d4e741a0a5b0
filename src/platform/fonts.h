// Registration of a font file for this process.
#pragma once

#include <QString>

namespace kelp::platform {

// Registers the font file; returns 0 when it could not be registered
// (missing, unreadable, not a font), otherwise a non-zero count.
int AddFontResourceA(const QString &path);

} // namespace kelp::platform
