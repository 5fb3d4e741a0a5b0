#include "runtime/control_client.h"

#include "runtime/runtime_folder.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>

#include <sys/stat.h>
#include <unistd.h>

namespace kelp::platform {

QString controlSocketPath()
{
    const QString folder = privateRuntimeFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/kelpword.socket");
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
