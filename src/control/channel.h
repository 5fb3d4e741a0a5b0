// What both ends of the control channel agree on: one command a line over a
// local socket in this user's private runtime folder, which only that user
// can open, and a one-line answer ("ok", or why not).
#pragma once

#include <string>

namespace kelp::control {

// Empty when there is no private runtime folder.
std::string socketPath();

// The folder `path` is in.
std::string folderOf(const std::string &path);

// The longest command line taken; anything longer is refused.
inline constexpr int kMaxLine = 64;

// How long either side waits for the other.
inline constexpr int kTimeoutMs = 2000;

} // namespace kelp::control
