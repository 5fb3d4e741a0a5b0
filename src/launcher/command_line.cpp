#include "launcher/command_line.h"

#include "control/commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelp {
namespace {

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

// Every missing folder of `path` made (private to the user where new).
bool makeFolders(const std::string &path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

// A temporary file beside it, synced, then renamed over it.
bool replaceFile(const std::string &path, const std::string &contents, std::string *error)
{
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *error = systemError("cannot create a file beside " + path);
        return false;
    }
    bool ok = ::fchmod(fd, 0644) == 0;
    for (size_t done = 0; ok && done < contents.size();) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? static_cast<size_t>(n) : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        *error = systemError("cannot write " + path);
        ::unlink(temp.c_str());
    }
    return ok;
}

} // namespace

std::string usage()
{
    std::string text = "usage: kelpword                     run the trainer in the current folder\n"
                       "       kelpword --folder DIR        run it with DIR as the program folder\n"
                       "       kelpword --user-folder       run it in ~/.local/share/kelpword (made on first use)\n"
                       "       kelpword COMMAND             send a command to the running trainer\n"
                       "       kelpword --autostart on|off  start it at login, or no longer\n"
                       "       kelpword import [--folder DIR | --user-folder | --dsn NAME] [--group-size N] FILE...\n"
                       "                                    add word lists (CSV, TSV, Anki, KVTML, word#meaning)\n"
                       "       kelpword progress [--folder DIR | --user-folder | --dsn NAME]\n"
                       "                [--chart FILE.png|FILE.svg]\n"
                       "                                    today's groups, the next 14 days, the stages\n"
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
    return text + line + '\n';
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
        cl.autostartOn = arguments[1] == "on";
        return cl;
    }
    if (first == "import" || first == "progress") {
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

bool setAutostart(bool on, std::string *error)
{
    const char *configHome = std::getenv("XDG_CONFIG_HOME");
    const char *home = std::getenv("HOME");
    std::string config = configHome && *configHome == '/' ? configHome : std::string(home ? home : "") + "/.config";
    const std::string folder = config + "/autostart";
    const std::string entry = folder + "/kelpword.desktop";
    if (!on) {
        if (::unlink(entry.c_str()) != 0 && errno != ENOENT) {
            *error = systemError("cannot remove " + entry);
            return false;
        }
        return true;
    }
    if (!makeFolders(folder)) {
        *error = systemError("cannot make " + folder);
        return false;
    }
    return replaceFile(entry,
                       "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Kelp Words\n"
                       "Name[zh_CN]=海带单词\n"
                       "Exec=kelpword --user-folder\n"
                       "Icon=kelpword\n"
                       "X-GNOME-Autostart-enabled=true\n",
                       error);
}

} // namespace kelp
