#include "control/listener.h"

#include "control/channel.h"
#include "control/runtime_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>

namespace kelp::control {
namespace {

// The line without the blanks around it.
std::string_view trimmed(std::string_view line)
{
    constexpr std::string_view blanks = " \t\n\v\f\r";
    const size_t first = line.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return line.substr(first, line.find_last_not_of(blanks) - first + 1);
}

bool watch(int poll, int fd)
{
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    return ::epoll_ctl(poll, EPOLL_CTL_ADD, fd, &event) == 0;
}

} // namespace

Listener::~Listener()
{
    for (const auto &entry : senders_)
        ::close(entry.first);
    if (timer_ >= 0)
        ::close(timer_);
    if (poll_ >= 0)
        ::close(poll_);
    if (socket_ >= 0) {
        ::close(socket_);
        ::unlink(path_.c_str());
    }
}

std::string Listener::listen()
{
    const std::string path = socketPath();
    if (path.empty() || !isPrivateFolder(folderOf(path)))
        return "the runtime folder is not private";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return "its path is too long";
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    poll_ = ::epoll_create1(EPOLL_CLOEXEC);
    timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (poll_ < 0 || timer_ < 0 || !watch(poll_, timer_))
        return std::strerror(errno);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return std::strerror(errno);
    ::unlink(path.c_str()); // what a copy that died left behind; we hold the single-copy lock
    // Only this user may connect, from the moment it exists.
    const mode_t old = ::umask(0177);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::umask(old);
    if (!bound || ::listen(fd, 16) != 0 || !watch(poll_, fd)) {
        std::string why = std::strerror(errno);
        ::close(fd);
        return why;
    }
    ::chmod(path.c_str(), 0600);
    socket_ = fd;
    path_ = path;
    return std::string();
}

Listener::Served Listener::serve(const std::function<bool(Command)> &takes)
{
    Served served;
    epoll_event events[16];
    const int n = poll_ < 0 ? 0 : ::epoll_wait(poll_, events, 16, 0);
    for (int i = 0; i < n; ++i) {
        const int fd = events[i].data.fd;
        if (fd == socket_) {
            accept();
        } else if (fd == timer_) {
            // Read only to quiet it: the deadlines below decide who is late.
            std::uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t got = ::read(timer_, &expirations, sizeof(expirations));
        } else if (senders_.count(fd) != 0) {
            read(fd, takes, &served);
        }
    }
    // A sender that is slow or silent is dropped without an answer.
    const Clock::time_point now = Clock::now();
    for (auto it = senders_.begin(); it != senders_.end();) {
        const int fd = it->first;
        const bool late = it->second.deadline <= now;
        ++it;
        if (late)
            drop(fd);
    }
    armTimer();
    return served;
}

void Listener::accept()
{
    for (;;) {
        const int fd = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        if (!watch(poll_, fd)) {
            ::close(fd);
            continue;
        }
        senders_[fd] = Sender{std::string(), Clock::now() + std::chrono::milliseconds(kTimeoutMs)};
    }
}

void Listener::read(int fd, const std::function<bool(Command)> &takes, Served *served)
{
    std::string &received = senders_.at(fd).received;
    char buffer[128];
    const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n > 0)
        received.append(buffer, static_cast<size_t>(n));
    const size_t end = received.find('\n');
    const bool complete = end != std::string::npos;
    // Nothing is kept past one line; a sender that closes early gets nothing.
    if (!complete && received.size() <= static_cast<size_t>(kMaxLine) && n > 0)
        return;
    if (n > 0 || complete) {
        const std::string_view line = std::string_view(received).substr(0, end);
        std::optional<Command> command;
        if (complete && line.size() <= static_cast<size_t>(kMaxLine))
            command = commandNamed(trimmed(line));
        const bool taken = command && takes(*command);
        const std::string_view reply = taken ? "ok\n" : "error: unknown command\n";
        if (::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL) < 0)
            ++served->unanswered;
        if (taken)
            served->taken.push_back(*command);
    }
    drop(fd);
}

void Listener::drop(int fd)
{
    ::epoll_ctl(poll_, EPOLL_CTL_DEL, fd, nullptr);
    ::close(fd);
    senders_.erase(fd);
}

void Listener::armTimer()
{
    itimerspec when{}; // all zero: disarmed
    if (!senders_.empty()) {
        Clock::time_point earliest = Clock::time_point::max();
        for (const auto &entry : senders_)
            earliest = std::min(earliest, entry.second.deadline);
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(earliest - Clock::now()).count();
        // A deadline already passed still fires: the next serve() drops it.
        const long long wait = left > 0 ? left : 1;
        when.it_value.tv_sec = static_cast<time_t>(wait / 1000000000);
        when.it_value.tv_nsec = static_cast<long>(wait % 1000000000);
    }
    ::timerfd_settime(timer_, 0, &when, nullptr);
}

} // namespace kelp::control
