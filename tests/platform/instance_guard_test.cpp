// The single-copy guard: only a live holder counts, whatever a dead copy
// left behind, and an unusable runtime folder never means "already running".
#include "platform/instance_guard.h"
#include "support/files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using kelp::platform::InstanceGuard;

TEST(InstanceGuard, OnlyALiveHolderCounts)
{
    QTemporaryDir dir;
    const QString lock = dir.filePath("kelpword.lock");
    for (const QByteArray &leftover : {QByteArray(), QByteArray("garbage\x01\x02"), QByteArray("4242 otherhost\n")}) {
        ASSERT_TRUE(kelp::test::writeAll(lock, leftover));
        InstanceGuard first(lock);
        EXPECT_TRUE(first.acquire()) << leftover.constData();
        InstanceGuard second(lock);
        EXPECT_FALSE(second.acquire()); // the first copy runs
        first.release();
        EXPECT_TRUE(second.acquire()); // and once it ended, the next may run
    }
}

TEST(InstanceGuard, UnusableRuntimeFolderFallsBackToAPrivateOne)
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    for (const QString &runtime : {dir.filePath("missing"), QStringLiteral("/"), dir.path() + "/open"}) {
        QDir().mkpath(dir.path() + "/open");
        ::chmod(QFile::encodeName(dir.path() + "/open").constData(), 0777);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        const QString path = InstanceGuard::defaultLockPath();
        EXPECT_FALSE(path.startsWith(runtime + "/")) << qPrintable(runtime);
        InstanceGuard guard(path);
        EXPECT_TRUE(guard.acquire()) << qPrintable(path);
    }
    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_EQ(InstanceGuard::defaultLockPath(), dir.path() + "/kelpword.lock");
    qputenv("XDG_RUNTIME_DIR", saved);
}
