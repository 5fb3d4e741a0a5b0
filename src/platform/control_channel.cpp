#include "platform/control_channel.h"

#include "platform/runtime_folder.h"
#include "util/log.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace kelp::platform {
namespace {

constexpr int kClientTimeoutMs = 2000;

} // namespace

QString controlSocketPath()
{
    return privateRuntimeFolder() + QStringLiteral("/kelpword.socket");
}

ControlServer::ControlServer(std::function<bool(const QString &)> run, QObject *parent)
    : QObject(parent), run_(std::move(run)), server_(new QLocalServer(this))
{
    connect(server_, &QLocalServer::newConnection, this, &ControlServer::accept);
}

ControlServer::~ControlServer()
{
    server_->close();
}

bool ControlServer::listen()
{
    const QString path = controlSocketPath();
    if (!isPrivateFolder(QFileInfo(path).absolutePath())) {
        qCWarning(lcPlatform).noquote() << "no control socket: the runtime folder is not private";
        return false;
    }
    QLocalServer::removeServer(path); // what a copy that died left behind
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path)) {
        qCWarning(lcPlatform).noquote() << "no control socket:" << server_->errorString();
        return false;
    }
    ::chmod(QFile::encodeName(path).constData(), 0600);
    return true;
}

void ControlServer::accept()
{
    while (QLocalSocket *client = server_->nextPendingConnection()) {
        // A slow or silent client is dropped; nothing is buffered past one line.
        auto *timeout = new QTimer(client);
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, client, &QLocalSocket::abort);
        timeout->start(kClientTimeoutMs);
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, client, [this, client] {
            if (client->property("done").toBool())
                return;
            const bool line = client->canReadLine();
            if (!line && client->bytesAvailable() <= kMaxControlLine)
                return;
            client->setProperty("done", true);
            const QByteArray raw = client->readLine(kMaxControlLine + 2);
            const QString command = QString::fromUtf8(raw).trimmed();
            const bool known = line && raw.size() <= kMaxControlLine + 1 && run_(command);
            client->write(known ? "ok\n" : "error: unknown command\n");
            client->flush();
            client->disconnectFromServer();
        });
    }
}

int sendControlCommand(const QString &command, QString *message)
{
    const QString path = controlSocketPath();
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        *message = QStringLiteral("no running copy of kelpword");
        return 1;
    }
    // Only a socket of this user's own, which nobody else can open, is used.
    if (!S_ISSOCK(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0 ||
        !isPrivateFolder(QFileInfo(path).absolutePath())) {
        *message = QStringLiteral("%1 is not this user's private control socket; not used").arg(path);
        return 1;
    }
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kClientTimeoutMs)) {
        *message = QStringLiteral("no running copy of kelpword");
        return 1;
    }
    socket.write(command.toUtf8() + '\n');
    socket.waitForBytesWritten(kClientTimeoutMs);
    QByteArray reply;
    while (!reply.contains('\n') && socket.waitForReadyRead(kClientTimeoutMs))
        reply += socket.readAll();
    reply = reply.trimmed();
    if (reply == "ok") {
        message->clear();
        return 0;
    }
    *message = reply.isEmpty() ? QStringLiteral("the running copy did not answer") : QString::fromUtf8(reply);
    return 2;
}

} // namespace kelp::platform
