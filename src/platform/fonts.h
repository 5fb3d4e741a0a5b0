// Fonts the program brings along.
#pragma once

#include <QString>

namespace kelp::platform {

// Makes the font file available to this process; false when it could not be
// (missing, unreadable, not a font).
bool addFontFile(const QString &path);

// Reads the system's font configuration and its caches, as the toolkit's font
// database would on its first use; safe on any thread. Started first thing,
// beside the toolkit's own start, it takes that work off the first word's way.
void loadFontConfiguration();

} // namespace kelp::platform
