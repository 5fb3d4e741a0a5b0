// The sending side of the control channel: one command a line to the
// running copy over a local socket in the private runtime folder.
#pragma once

#include <QString>

namespace kelp::platform {

QString controlSocketPath();

// The longest command line taken; anything longer is refused.
inline constexpr int kMaxControlLine = 64;

// How long either side waits for the other.
inline constexpr int kClientTimeoutMs = 2000;

// Sends one command to the running copy. 0 when it was carried out, 1 when
// no copy runs (or its socket is not this user's own), 2 when the copy
// refused it; `message` says what happened.
int sendControlCommand(const QString &command, QString *message);

} // namespace kelp::platform
