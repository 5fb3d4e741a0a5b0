// What the command line asks for: the trainer itself (in the current folder,
// a given one, or the user's own), one command for the running copy, the
// autostart switch, import and progress, or the usage. Plain C++: the quick
// "kelpword" command decides this before any Qt is loaded.
#pragma once

#include <string>
#include <vector>

namespace kelp {

struct CommandLine {
    enum class Action { Run, Send, Help, Version, Autostart, Study, Error };
    Action action = Action::Run;
    std::string folder;      // Run: the program folder; empty for the current one
    bool userFolder = false; // Run: the user's own program folder
    std::string command;     // Send; Study: import, progress, export or words (the study program reads the rest)
    std::string error;       // Error: what is wrong with the command line
};

CommandLine parseCommandLine(const std::vector<std::string> &arguments);
std::string usage();

} // namespace kelp
