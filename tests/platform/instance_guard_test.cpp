// The single-copy guard: only a live holder counts, whatever a dead copy
// left behind, and an unusable runtime folder never means "already running".
#include "platform/instance_guard.h"
#include "support/files.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using kelp::platform::InstanceGuard;

TEST(InstanceGuard, OnlyALiveHolderCounts)
{
    QTemporaryDir dir;
    const QString lock = dir.filePath("kelpword.lock");
    for (const QByteArray &leftover : {QByteArray(), QByteArray("garbage\x01\x02"), QByteArray("4242 otherhost\n")}) {
        ASSERT_TRUE(kelp::test::writeAll(lock, leftover));
        InstanceGuard first(lock);
        EXPECT_EQ(first.acquire(), InstanceGuard::Outcome::Acquired) << leftover.constData();
        InstanceGuard second(lock);
        EXPECT_EQ(second.acquire(), InstanceGuard::Outcome::Held); // the first copy runs
        first.release();
        EXPECT_EQ(second.acquire(), InstanceGuard::Outcome::Acquired); // and once it ended, the next may run
    }
    // A link at the lock path is no lock: refused, not taken as "nobody runs".
    const QString link = dir.filePath("linked.lock");
    ASSERT_EQ(::symlink(QFile::encodeName(lock).constData(), QFile::encodeName(link).constData()), 0);
    InstanceGuard linked(link);
    EXPECT_EQ(linked.acquire(), InstanceGuard::Outcome::Failed);
    EXPECT_FALSE(linked.errorString().isEmpty());
}

TEST(InstanceGuard, AFallbackFolderSomeoneElseMadeIsNotUsed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a folder that belongs to another user";
    QTemporaryDir dir;
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR"), savedTmp = qgetenv("TMPDIR"),
                     savedHome = qgetenv("HOME");
    qputenv("XDG_RUNTIME_DIR", "");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    qputenv("HOME", QFile::encodeName(dir.filePath("home")));
    QDir().mkpath(dir.filePath("home"));
    // Another user was first, with a folder everyone may write to.
    const QString squatted = dir.filePath(QStringLiteral("kelpword-%1").arg(::getuid()));
    QDir().mkpath(squatted);
    ::chmod(QFile::encodeName(squatted).constData(), 0777);
    ASSERT_EQ(::chown(QFile::encodeName(squatted).constData(), 65534, 65534), 0);
    const QString path = InstanceGuard::defaultLockPath();
    EXPECT_FALSE(path.startsWith(squatted)) << qPrintable(path);
    EXPECT_TRUE(path.startsWith(dir.filePath("home/"))) << qPrintable(path);
    InstanceGuard guard(path);
    EXPECT_EQ(guard.acquire(), InstanceGuard::Outcome::Acquired);
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("TMPDIR", savedTmp);
    qputenv("HOME", savedHome);
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
        EXPECT_EQ(guard.acquire(), InstanceGuard::Outcome::Acquired) << qPrintable(path);
    }
    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_EQ(InstanceGuard::defaultLockPath(), dir.path() + "/kelpword.lock");
    qputenv("XDG_RUNTIME_DIR", saved);
}
