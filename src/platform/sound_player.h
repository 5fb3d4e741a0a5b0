// Sound without the speech module: a recording or the desktop's event sound
// played by the sound server's own player program, for a trainer whose
// speech module cannot be loaded.
#pragma once

#include <QString>

namespace kelp::platform {

// The sound theme's "bell" (freedesktop naming, in the XDG data folders);
// empty where no theme has one.
QString eventSoundFile();

// Starts the first player found on the PATH (paplay, pw-play, aplay) on
// `path`, on the default output, and returns at once. False when none could
// be started.
bool playSoundFileDetached(const QString &path);

} // namespace kelp::platform
