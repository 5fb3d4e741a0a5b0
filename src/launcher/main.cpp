// "kelpword": sends commands to the running trainer, quickly: it is plain C++
// and loads no Qt. To run the trainer (or import, progress and the autostart
// switch) it hands over at once to the program that does it.
#include "control/sender.h"
#include "launcher/command_line.h"
#include "launcher/messages.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#ifndef KELP_LIBEXEC_FROM_BIN
#define KELP_LIBEXEC_FROM_BIN "../libexec/kelpword"
#endif

namespace {

// Beside this program (a build tree), or where the package puts it
// relative to this program's own folder.
std::string installedProgram(const std::string &name)
{
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (n <= 0)
        return std::string();
    std::string folder(self, static_cast<size_t>(n));
    folder.erase(folder.rfind('/'));
    for (const std::string &candidate : {folder + '/' + name, folder + '/' + KELP_LIBEXEC_FROM_BIN + '/' + name}) {
        char resolved[PATH_MAX];
        if (::access(candidate.c_str(), X_OK) == 0 && ::realpath(candidate.c_str(), resolved))
            return resolved;
    }
    return std::string();
}

int handOver(const char *name, char *argv[])
{
    const std::string program = installedProgram(name);
    if (program.empty()) {
        const std::string why = kelp::translated(name + std::string(" is not installed beside kelpword"));
        std::fprintf(stderr, "kelpword: %s\n", why.c_str());
        return 1;
    }
    // argv[0] stays "kelpword": the trainer's windows are known by that name.
    ::execv(program.c_str(), argv);
    const int why = errno;
    std::fprintf(stderr, "kelpword: %s: %s\n", kelp::translated("cannot start " + std::string(name)).c_str(),
                 std::strerror(why));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const kelp::CommandLine cl = kelp::parseCommandLine(arguments);
    switch (cl.action) {
    case kelp::CommandLine::Action::Help: std::fputs(kelp::usage().c_str(), stdout); return 0;
    case kelp::CommandLine::Action::Version: std::printf("kelpword %s\n", KELP_VERSION); return 0;
    case kelp::CommandLine::Action::Error:
        std::fprintf(stderr, "kelpword: %s\n%s", kelp::translated(cl.error).c_str(), kelp::usage().c_str());
        return 2;
    case kelp::CommandLine::Action::Send: {
        std::string message;
        const int status = kelp::control::sendCommand(cl.command, &message);
        // No trainer runs: the words window opens alone.
        if (status == 1 && cl.command == "words")
            return handOver("kelpword-study", argv);
        if (!message.empty())
            std::fprintf(stderr, "kelpword: %s\n", kelp::translated(message).c_str());
        return status;
    }
    case kelp::CommandLine::Action::Autostart:
    case kelp::CommandLine::Action::Study:
        // Import, progress and the autostart entry load far more than the
        // commands: a program of their own.
        return handOver("kelpword-study", argv);
    case kelp::CommandLine::Action::Run: break;
    }
    return handOver("kelpword-gui", argv);
}
