// The sending side of the control channel: one command a line to the
// running copy over a local socket in the private runtime folder. Plain C++
// and POSIX sockets: the quick "kelpword" command loads no Qt at all.
#pragma once

#include <string>

namespace kelp::platform {

// Empty when there is no private runtime folder.
std::string controlSocketPath();

// The longest command line taken; anything longer is refused.
inline constexpr int kMaxControlLine = 64;

// How long either side waits for the other.
inline constexpr int kClientTimeoutMs = 2000;

// Sends one command to the running copy. 0 when it took it, 1 when no copy
// runs (or its socket is not this user's own), 2 when the copy refused it
// or did not answer; `message` says what happened.
int sendControlCommand(const std::string &command, std::string *message);

} // namespace kelp::platform
