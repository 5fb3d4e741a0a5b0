// The running trainer's end of the control channel, in plain C++ and POSIX:
// it listens at socketPath(), reads one line from each sender within the
// time-out and answers it. Everything it waits for sits behind one file
// descriptor, so the trainer's event loop watches that alone and calls
// serve() whenever it is readable; serve() itself never waits.
#pragma once

#include "control/commands.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kelp::control {

class Listener {
public:
    Listener() = default;
    ~Listener();
    Listener(const Listener &) = delete;
    Listener &operator=(const Listener &) = delete;

    // Listens at socketPath(), replacing a socket a dead copy left (the
    // caller holds the single-copy lock). Empty when it listens, else why not.
    std::string listen();

    // Once listen() succeeded: readable while there is something for serve() to do.
    int fd() const { return poll_; }

    struct Served {
        std::vector<Command> taken; // answered "ok", in the order they came, for the caller to carry out
        int unanswered = 0;         // senders that left before their answer
    };
    // Takes new senders, reads what they sent, answers each complete line
    // ("ok" when `takes` takes the command) and drops senders that took too long.
    Served serve(const std::function<bool(Command)> &takes);

private:
    using Clock = std::chrono::steady_clock;
    struct Sender {
        std::string received;
        Clock::time_point deadline;
    };
    void accept();
    void read(int fd, const std::function<bool(Command)> &takes, Served *served);
    void drop(int fd);
    void armTimer();

    int socket_ = -1;
    int poll_ = -1;  // epoll: the socket, the senders and the timer
    int timer_ = -1; // fires at the earliest sender's deadline
    std::string path_;
    std::map<int, Sender> senders_;
};

} // namespace kelp::control
