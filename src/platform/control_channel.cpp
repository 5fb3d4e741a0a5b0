#include "platform/control_channel.h"

#include "runtime/control_client.h"
#include "runtime/runtime_folder.h"
#include "util/log.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kelp::platform {
namespace {

// One connected sender: what it sent so far, dropped when slow or silent.
class Client : public QObject {
public:
    Client(int fd, QObject *parent) : QObject(parent), fd_(fd), notifier_(fd, QSocketNotifier::Read, this)
    {
        auto *timeout = new QTimer(this);
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, this, &QObject::deleteLater);
        timeout->start(kClientTimeoutMs);
    }
    ~Client() override { ::close(fd_); }
    int fd() const { return fd_; }
    QSocketNotifier &notifier() { return notifier_; }
    QByteArray received;

private:
    int fd_;
    QSocketNotifier notifier_;
};

} // namespace

ControlServer::ControlServer(std::function<bool(const QString &)> knows, std::function<void(const QString &)> run,
                             QObject *parent)
    : QObject(parent), knows_(std::move(knows)), run_(std::move(run))
{
}

ControlServer::~ControlServer()
{
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.constData());
    }
}

bool ControlServer::listen()
{
    const std::string path = controlSocketPath();
    const size_t slash = path.rfind('/');
    if (path.empty() || slash == std::string::npos || !isPrivateFolder(path.substr(0, slash))) {
        qCWarning(lcPlatform).noquote() << "no control socket: the runtime folder is not private";
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        qCWarning(lcPlatform).noquote() << "no control socket: its path is too long";
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    ::unlink(path.c_str()); // what a copy that died left behind; we hold the single-copy lock
    // Only this user may connect, from the moment it exists.
    const mode_t old = ::umask(0177);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::umask(old);
    if (!bound || ::listen(fd, 16) != 0) {
        qCWarning(lcPlatform).noquote() << "no control socket:" << std::strerror(errno);
        ::close(fd);
        return false;
    }
    ::chmod(path.c_str(), 0600);
    fd_ = fd;
    path_ = QByteArray::fromStdString(path);
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ControlServer::accept);
    return true;
}

void ControlServer::accept()
{
    for (;;) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        auto *client = new Client(fd, this);
        connect(&client->notifier(), &QSocketNotifier::activated, client, [this, client] {
            char buffer[128];
            const ssize_t n = ::recv(client->fd(), buffer, sizeof(buffer), 0);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            if (n > 0)
                client->received.append(buffer, static_cast<int>(n));
            const qsizetype end = client->received.indexOf('\n');
            // Nothing is buffered past one line; a sender that closes early gets nothing.
            if (end < 0 && client->received.size() <= kMaxControlLine && n > 0)
                return;
            client->notifier().setEnabled(false);
            if (n > 0 || end >= 0)
                answer(client->fd(), client->received.left(end < 0 ? client->received.size() : end), end >= 0);
            client->deleteLater();
        });
    }
}

void ControlServer::answer(int client, const QByteArray &line, bool complete)
{
    const QString command = QString::fromUtf8(line).trimmed();
    const bool known = complete && line.size() <= kMaxControlLine && knows_(command);
    // Answered before it is carried out: a command may open a dialog that
    // waits for the learner, and the sender must not wait for that.
    const QByteArray reply = known ? QByteArrayLiteral("ok\n") : QByteArrayLiteral("error: unknown command\n");
    if (::send(client, reply.constData(), static_cast<size_t>(reply.size()), MSG_NOSIGNAL) < 0)
        qCDebug(lcPlatform) << "the sender left before its answer";
    if (known)
        QTimer::singleShot(0, this, [this, command] { run_(command); });
}

} // namespace kelp::platform
