#include "launcher/command_line.h"

#include "control/commands.h"
#include "launcher/messages.h"

namespace kelp {

std::string usage()
{
    std::string text = "usage: kelpword                     run the trainer in the current folder\n"
                       "       kelpword --folder DIR        run it with DIR as the program folder\n"
                       "       kelpword --user-folder       run it in ~/.local/share/kelpword (made on first use)\n"
                       "       kelpword COMMAND             send a command to the running trainer\n"
                       "       kelpword --autostart on|off  start it at login, or no longer\n"
                       "       kelpword import [--folder DIR | --user-folder | --dsn NAME] [--group-size N]\n"
                       "                [--columns word,phonetic,pos,meaning] [--again] FILE...\n"
                       "                                    add word lists (CSV, TSV, Anki, KVTML, word#meaning)\n"
                       "       kelpword progress [--folder DIR | --user-folder | --dsn NAME]\n"
                       "                [--chart FILE.png|FILE.svg]\n"
                       "                                    today's groups, the next 14 days, the stages\n"
                       "       kelpword export [--folder DIR | --user-folder | --dsn NAME]\n"
                       "                [--groups A-B | --notebook | --all] FILE.csv|FILE.txt|FILE.apkg\n"
                       "                                    words to a spreadsheet, a word file or Anki\n"
                       "       kelpword words [--folder DIR | --user-folder | --dsn NAME]\n"
                       "                                    the words window of a folder, without the trainer\n"
                       "       kelpword --version | --help\n";
    // The commands from their table, in lines of at most 90 characters.
    constexpr size_t width = 90;
    std::string line = "commands:";
    for (size_t i = 0; i < control::kCommands.size(); ++i) {
        std::string word(control::kCommands[i].name);
        if (i + 1 < control::kCommands.size())
            word += ',';
        if (line.size() + 1 + word.size() > width) {
            text += line + '\n';
            line = "         ";
        }
        line += ' ' + word;
    }
    return usageInReadersLanguage(text + line + '\n');
}

CommandLine parseCommandLine(const std::vector<std::string> &arguments)
{
    CommandLine cl;
    const auto error = [&cl](const std::string &text) {
        cl.action = CommandLine::Action::Error;
        cl.error = text;
        return cl;
    };
    if (arguments.empty())
        return cl;
    const std::string &first = arguments.front();
    if (first.size() > 64)
        return error("argument too long");
    if (first == "--help" || first == "-h") {
        cl.action = CommandLine::Action::Help;
        return arguments.size() == 1 ? cl : error("--help takes nothing more");
    }
    if (first == "--version") {
        cl.action = CommandLine::Action::Version;
        return arguments.size() == 1 ? cl : error("--version takes nothing more");
    }
    if (first == "--folder") {
        if (arguments.size() != 2 || arguments[1].empty())
            return error("--folder takes one folder");
        cl.folder = arguments[1];
        return cl;
    }
    if (first == "--user-folder") {
        cl.userFolder = true;
        return arguments.size() == 1 ? cl : error("--user-folder takes nothing more");
    }
    if (first == "--autostart") {
        if (arguments.size() != 2 || (arguments[1] != "on" && arguments[1] != "off"))
            return error("--autostart takes on or off");
        cl.action = CommandLine::Action::Autostart;
        return cl;
    }
    // "words" alone goes to the running trainer (or opens the window alone);
    // with a folder or data source it is the window alone.
    if (first == "import" || first == "progress" || first == "export" || (first == "words" && arguments.size() > 1)) {
        cl.action = CommandLine::Action::Study;
        cl.command = first;
        return cl;
    }
    if (!control::commandNamed(first))
        return error("unknown command: " + first);
    if (arguments.size() != 1)
        return error("one command at a time");
    cl.action = CommandLine::Action::Send;
    cl.command = first;
    return cl;
}

} // namespace kelp
