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

    enum class Outcome {
        Acquired, // this process holds the lock: no other copy runs
        Held,     // another copy runs
        Failed,   // the lock cannot be taken safely (see errorString())
    };
    Outcome acquire();
    void release();
    QString errorString() const { return error_; }

    // kelpword.lock in privateRuntimeFolder(); empty when there is none.
    static QString defaultLockPath();

private:
    QString path_;
    QString error_;
    int fd_ = -1;
};

} // namespace kelp::platform
