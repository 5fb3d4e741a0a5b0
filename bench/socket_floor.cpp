// The floor for a control command: a program as small as C++ makes it that
// connects to a Unix socket, sends a line and waits for the answer, and the
// server that answers "ok" at once.
//   usage: kelp_socket_floor serve PATH | kelp_socket_floor send PATH LINE
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, argv[2], sizeof(address.sun_path) - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (std::strcmp(argv[1], "serve") == 0) {
        ::unlink(argv[2]);
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0 || ::listen(fd, 16) != 0)
            return 1;
        for (;;) {
            const int client = ::accept(fd, nullptr, nullptr);
            char buffer[128];
            if (::recv(client, buffer, sizeof(buffer), 0) > 0)
                ::send(client, "ok\n", 3, MSG_NOSIGNAL);
            ::close(client);
        }
    }
    if (argc < 4 || ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0)
        return 1;
    const std::string line = std::string(argv[3]) + '\n';
    ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
    char reply[16];
    return ::recv(fd, reply, sizeof(reply), 0) > 0 ? 0 : 1;
}
