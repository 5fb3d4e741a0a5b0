// Keeps a second copy of the program from running for the same user.
// A lock file in $XDG_RUNTIME_DIR; the lock of a copy that died is reclaimed.
#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace kelp::platform {

class InstanceGuard {
public:
    // Takes the lock at `lockPath`, or the default path when empty.
    explicit InstanceGuard(const QString &lockPath = QString());
    ~InstanceGuard();

    // True when this process holds the lock (no other copy runs).
    bool acquire();
    void release();

    static QString defaultLockPath();

private:
    std::unique_ptr<QLockFile> lock_;
};

} // namespace kelp::platform
