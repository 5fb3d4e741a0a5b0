// The commands the running trainer takes, from commands.def: the launcher
// checks and lists them, the trainer's listener answers them, the trainer
// maps each to its action, and the manual lists them, all from one table.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace kelp::control {

enum class Command {
#define KELP_CONTROL_COMMAND(id, name, help) id,
#include "control/commands.def"
#undef KELP_CONTROL_COMMAND
};

struct CommandEntry {
    Command command;
    std::string_view name; // as sent over the socket and typed after "kelpword"
    std::string_view help;
};

inline constexpr std::array kCommands{
#define KELP_CONTROL_COMMAND(id, name, help) CommandEntry{Command::id, name, help},
#include "control/commands.def"
#undef KELP_CONTROL_COMMAND
};

// The command sent as `name`; none for a word the trainer does not take.
constexpr std::optional<Command> commandNamed(std::string_view name)
{
    for (const CommandEntry &entry : kCommands)
        if (entry.name == name)
            return entry.command;
    return std::nullopt;
}

constexpr std::string_view nameOf(Command command)
{
    return kCommands[static_cast<std::size_t>(command)].name;
}

} // namespace kelp::control
