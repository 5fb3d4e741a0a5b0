#include "platform/instance_guard.h"

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
namespace {

// A folder only this user can enter: ours, a folder, no one else's rights.
bool isPrivateFolder(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0 && ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

} // namespace

InstanceGuard::InstanceGuard(const QString &lockPath) : path_(lockPath.isEmpty() ? defaultLockPath() : lockPath) {}

InstanceGuard::~InstanceGuard()
{
    release();
}

QString InstanceGuard::defaultLockPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime))
        return runtime + QStringLiteral("/kelpword.lock");
    const QString own = QDir::tempPath() + QStringLiteral("/kelpword-%1").arg(::getuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    if (!isPrivateFolder(own))
        qCWarning(lcPlatform).noquote() << own
                                        << "is not a private folder of this user; the single-copy lock may be shared";
    return own + QStringLiteral("/kelpword.lock");
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
