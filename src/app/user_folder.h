// The user's own program folder, for the desktop's menu entry.
#pragma once

#include <QString>

namespace kelp {

// $XDG_DATA_HOME/kelpword (~/.local/share/kelpword), laid out on first use
// with settings for the sample words; nothing a user has there is replaced.
// Empty with `error` set when it cannot be made. `firstStart` tells whether
// its settings were laid out just now.
QString prepareUserFolder(QString *error, bool *firstStart = nullptr);

// Where that folder is, whether it exists or not.
QString userFolderPath();

} // namespace kelp
