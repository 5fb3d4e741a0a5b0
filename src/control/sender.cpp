#include "control/sender.h"

#include "control/channel.h"
#include "control/runtime_folder.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kelp::control {
namespace {

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

using Clock = std::chrono::steady_clock;

// Waits for `events` on `fd` until `deadline`; false when it passed.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(left));
        if (rc > 0)
            return true;
        if (rc < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

int sendCommand(const std::string &command, std::string *message)
{
    const std::string path = socketPath();
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) {
        *message = "no running copy of kelpword";
        return 1;
    }
    // Only a socket of this user's own, which nobody else can open, is used.
    if (!S_ISSOCK(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0 ||
        !isPrivateFolder(folderOf(path))) {
        *message = path + " is not this user's private control socket; not used";
        return 1;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        *message = "the control socket's path is too long";
        return 1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
    bool connected =
        socket.fd() >= 0 && ::connect(socket.fd(), reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    if (!connected && socket.fd() >= 0 && errno == EINPROGRESS && waitFor(socket.fd(), POLLOUT, deadline)) {
        int error = 0;
        socklen_t size = sizeof(error);
        connected = ::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    if (!connected) {
        *message = "no running copy of kelpword";
        return 1;
    }
    const std::string line = command + '\n';
    size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = ::send(socket.fd(), line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR) && waitFor(socket.fd(), POLLOUT, deadline))
            continue;
        break;
    }
    std::string reply;
    char buffer[256];
    while (reply.find('\n') == std::string::npos && reply.size() < 1024) {
        const ssize_t n = ::recv(socket.fd(), buffer, sizeof(buffer), 0);
        if (n > 0) {
            reply.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR) && waitFor(socket.fd(), POLLIN, deadline))
            continue;
        break; // closed, failed, or no answer in time
    }
    while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r' || reply.back() == ' '))
        reply.pop_back();
    if (reply == "ok") {
        message->clear();
        return 0;
    }
    *message = reply.empty() ? std::string("the running copy did not answer") : reply;
    return 2;
}

} // namespace kelp::control
