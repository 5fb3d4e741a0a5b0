// Keeps a second copy of the program from running for the same user: an
// advisory lock on a file in $XDG_RUNTIME_DIR. Only a live process holds
// such a lock, so whatever a dead copy left behind (an empty file, garbage,
// another host's name) never stands in the way.
#pragma once

#include <QString>

namespace kelp::platform {

class InstanceGuard {
public:
    // Locks `lockPath`, or the default path when empty.
    explicit InstanceGuard(const QString &lockPath = QString());
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;

    // True when this process holds the lock (no other copy runs).
    bool acquire();
    void release();

    // $XDG_RUNTIME_DIR/kelpword.lock; when that folder is unusable, a
    // private folder of this user's under the temporary folder.
    static QString defaultLockPath();

private:
    QString path_;
    int fd_ = -1;
};

} // namespace kelp::platform
