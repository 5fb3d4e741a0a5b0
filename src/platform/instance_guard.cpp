#include "platform/instance_guard.h"

#include <QDir>

#include <unistd.h>

namespace kelp::platform {

InstanceGuard::InstanceGuard(const QString &lockPath)
    : lock_(std::make_unique<QLockFile>(lockPath.isEmpty() ? defaultLockPath() : lockPath))
{
    // Never treat a long-running copy's lock as stale by age; a dead owner's
    // lock is still detected through its process id.
    lock_->setStaleLockTime(0);
}

InstanceGuard::~InstanceGuard() = default;

QString InstanceGuard::defaultLockPath()
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists())
        return QDir::tempPath() + QStringLiteral("/kelpword-%1.lock").arg(::getuid());
    return dir + QStringLiteral("/kelpword.lock");
}

bool InstanceGuard::acquire()
{
    return lock_->tryLock(0);
}

void InstanceGuard::release()
{
    lock_->unlock();
}

} // namespace kelp::platform
