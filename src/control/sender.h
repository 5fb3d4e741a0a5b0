// The sending side of the control channel. Plain C++ and POSIX sockets: the
// quick "kelpword" command loads no Qt at all.
#pragma once

#include <string>

namespace kelp::control {

// Sends one command to the running copy. 0 when it took it, 1 when no copy
// runs (or its socket is not this user's own), 2 when the copy refused it
// or did not answer; `message` says what happened.
int sendCommand(const std::string &command, std::string *message);

} // namespace kelp::control
