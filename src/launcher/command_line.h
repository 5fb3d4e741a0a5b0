// What the command line asks for: the trainer itself (in the current folder,
// a given one, or the user's own), one command for the running copy, the
// autostart switch, or the usage.
#pragma once

#include <QString>
#include <QStringList>

namespace kelp {

struct CommandLine {
    enum class Action { Run, Send, Help, Autostart, Study, Error };
    Action action = Action::Run;
    QString folder;          // Run: the program folder; empty for the current one
    bool userFolder = false; // Run: the user's own program folder
    QString command;         // Send; Study: "import" or "progress" (the study program reads the rest)
    bool autostartOn = false;
    QString error; // Error: what is wrong with the command line
};

// The commands the running copy takes.
const QStringList &controlCommands();

CommandLine parseCommandLine(const QStringList &arguments);
QString usage();

// Writes or removes ~/.config/autostart/kelpword.desktop.
bool setAutostart(bool on, QString *error);

} // namespace kelp
