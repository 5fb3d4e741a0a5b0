// The folder for this user's run-time files (the single-copy lock, the
// control socket): $XDG_RUNTIME_DIR when it is private, else a private
// folder of the user's under the temporary folder, else one in the home
// folder; empty when there is none that only this user can enter.
// Plain C++: the quick "kelpword" command uses it before any Qt is loaded.
#pragma once

#include <string>

namespace kelp::control {

std::string privateRuntimeFolder();

// A folder only this user can enter: theirs, a folder, nobody else's rights.
bool isPrivateFolder(const std::string &path);

} // namespace kelp::control
