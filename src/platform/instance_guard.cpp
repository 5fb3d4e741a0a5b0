#include "platform/instance_guard.h"

#include "runtime/runtime_folder.h"
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
    return privateRuntimeFolder() + QStringLiteral("/kelpword.lock");
}

bool InstanceGuard::acquire()
{
    if (fd_ >= 0)
        return true;
    const QByteArray name = QFile::encodeName(path_);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        // Without a lock file nothing can tell a second copy: let this one run.
        qCWarning(lcPlatform).noquote() << "cannot open the single-copy lock" << path_ << ":" << std::strerror(errno);
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        if (held)
            return false;
        qCWarning(lcPlatform).noquote() << "cannot lock" << path_ << ":" << std::strerror(errno);
        return true;
    }
    // Who holds it, for a person looking; the lock itself is what counts.
    const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.constData(), static_cast<size_t>(pid.size()), 0) != pid.size())
        qCDebug(lcPlatform) << "could not note the process id in the lock file";
    fd_ = fd;
    return true;
}

void InstanceGuard::release()
{
    if (fd_ < 0)
        return;
    ::close(fd_); // releases the lock
    fd_ = -1;
}

} // namespace kelp::platform
