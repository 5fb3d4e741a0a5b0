#include "platform/control_channel.h"

#include "runtime/control_client.h"
#include "runtime/runtime_folder.h"
#include "util/log.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/stat.h>

namespace kelp::platform {
ControlServer::ControlServer(std::function<bool(const QString &)> knows, std::function<void(const QString &)> run,
                             QObject *parent)
    : QObject(parent), knows_(std::move(knows)), run_(std::move(run)), server_(new QLocalServer(this))
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
            const bool known = line && raw.size() <= kMaxControlLine + 1 && knows_(command);
            // Answered before it is carried out: a command may open a dialog
            // that waits for the learner, and the sender must not wait for that.
            client->write(known ? "ok\n" : "error: unknown command\n");
            client->flush();
            client->disconnectFromServer();
            if (known)
                QTimer::singleShot(0, this, [this, command] { run_(command); });
        });
    }
}

} // namespace kelp::platform
