// Both ends of the control channel together: every command of the table is
// answered and handed over, in place of the socket a dead copy left; a word
// not in the table and an overlong line are refused.
#include "control/commands.h"
#include "control/listener.h"
#include "control/sender.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace kelp::control;

namespace {

// Sends from another thread while serving here, as the trainer's event loop
// does: only when the listener's descriptor says there is something to do.
int sendServed(Listener &listener, const std::string &command, std::vector<Command> *taken)
{
    std::string message;
    auto sent = std::async(std::launch::async, [&] { return sendCommand(command, &message); });
    while (sent.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        pollfd p{listener.fd(), POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        for (const Command c : listener.serve([](Command) { return true; }).taken)
            taken->push_back(c);
    }
    return sent.get();
}

} // namespace

TEST(ControlChannel, AnswersEveryCommandOfTheTable)
{
    QTemporaryDir runtime; // private to this user, as the trainer wants it
    struct Environment {
        const bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        ~Environment() { wasSet ? qputenv("XDG_RUNTIME_DIR", saved) : qunsetenv("XDG_RUNTIME_DIR"); }
    } restored;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));

    // What a copy that died left: a socket file nobody listens at.
    const std::string path = QFile::encodeName(runtime.filePath("kelpword.socket")).toStdString();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int dead = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(dead, reinterpret_cast<const sockaddr *>(&address), sizeof(address)), 0);
    ::close(dead);

    Listener listener;
    ASSERT_EQ(listener.listen(), "");
    std::vector<Command> taken, expected;
    for (const CommandEntry &entry : kCommands) {
        EXPECT_EQ(sendServed(listener, std::string(entry.name), &taken), 0) << entry.name;
        expected.push_back(entry.command);
    }
    EXPECT_EQ(sendServed(listener, "bogus", &taken), 2);
    EXPECT_EQ(sendServed(listener, "next" + std::string(70, ' '), &taken), 2); // too long, blanks or not
    EXPECT_EQ(taken, expected);
}
