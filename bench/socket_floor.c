/* The floor for a control command: a client as small as C makes it, which
 * connects to the trainer's socket, sends a line and waits for the answer.
 *   usage: kelp_socket_floor PATH LINE */
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    struct sockaddr_un address;
    memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    strncpy(address.sun_path, argv[1], sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connect(fd, (struct sockaddr *)&address, sizeof address) != 0)
        return 1;
    char line[128];
    const int n = snprintf(line, sizeof line, "%s\n", argv[2]);
    send(fd, line, (size_t)n, MSG_NOSIGNAL);
    char reply[16];
    return recv(fd, reply, sizeof reply, 0) > 0 ? 0 : 1;
}
