#include "platform/instance_guard.h"

#include "control/runtime_folder.h"
#include "util/log.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelp::platform {

InstanceGuard::InstanceGuard(const QString &lockPath) : path_(lockPath.isEmpty() ? defaultLockPath() : lockPath) {}

InstanceGuard::~InstanceGuard()
{
    release();
}

QString InstanceGuard::defaultLockPath()
{
    const std::string folder = control::privateRuntimeFolder();
    return folder.empty() ? QString()
                          : QFile::decodeName(QByteArray::fromStdString(folder)) + QStringLiteral("/kelpword.lock");
}

InstanceGuard::Outcome InstanceGuard::acquire()
{
    if (fd_ >= 0)
        return Outcome::Acquired;
    // A lock that cannot be had safely is an error, never "nobody else runs":
    // a link or someone else's file there would let two copies share a folder.
    const auto failed = [this](const QString &why) {
        error_ = why;
        qCWarning(lcPlatform).noquote() << "single-copy lock" << path_ << ":" << why;
        return Outcome::Failed;
    };
    if (path_.isEmpty())
        return failed(QStringLiteral("no folder that only this user can enter (XDG_RUNTIME_DIR, the temporary "
                                     "folder and ~/.cache are all shared or unusable)"));
    const QByteArray name = QFile::encodeName(path_);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return failed(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
        ::close(fd);
        return failed(QStringLiteral("not a file of this user's own"));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        ::close(fd);
        if (why == EWOULDBLOCK)
            return Outcome::Held;
        return failed(QString::fromLocal8Bit(std::strerror(why)));
    }
    // Who holds it, for a person looking; the lock itself is what counts.
    const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.constData(), static_cast<size_t>(pid.size()), 0) != pid.size())
        qCDebug(lcPlatform) << "could not note the process id in the lock file";
    fd_ = fd;
    return Outcome::Acquired;
}

void InstanceGuard::release()
{
    if (fd_ < 0)
        return;
    ::close(fd_); // releases the lock
    fd_ = -1;
}

} // namespace kelp::platform
