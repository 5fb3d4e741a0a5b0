// Whole-file replacement under a full disk, in a folder that admits no new
// file, and on things that are not regular files.
#include "config/ini_file.h"
#include "config/safe_file.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kelp;

namespace {

// Files may grow to `bytes` at most while it lives: writes beyond fail as
// on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden);
}

} // namespace

TEST(SafeFile, FullDiskLeavesTheOldFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wkcfg.ini");
    const QByteArray old = "[other]\r\nwinx=1\r\n";
    ASSERT_TRUE(test::writeAll(path, old));
    IniFile ini(path);
    {
        FileSizeLimit limit(8);
        EXPECT_EQ(ini.writeString("other", "winx", "12345"), -1);
    }
    EXPECT_FALSE(ini.errorString().isEmpty());
    EXPECT_EQ(test::readAll(path), old);
    EXPECT_EQ(entries(dir.path()), QStringList{"wkcfg.ini"}); // no temporary file left behind
    EXPECT_EQ(ini.writeString("other", "winx", "12345"), 1);
    EXPECT_EQ(ini.readString("other", "winx", ""), "12345");
}

TEST(SafeFile, ReplacementKeepsTheFileMode)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wkcfg.ini");
    ASSERT_TRUE(test::writeAll(path, "a"));
    ::chmod(QFile::encodeName(path).constData(), 0600);
    QString error;
    ASSERT_TRUE(replaceFileContents(path, "b", &error)) << qPrintable(error);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(test::readAll(path), "b");
}

TEST(SafeFile, NewFileHonoursTheUmaskAndAKilledWriteLeavesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("backup.csv");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::umask(027);
        QString error;
        if (!replaceFileContents(dir.filePath("small.csv"), "a", &error))
            _exit(1);
        const QByteArray big(256 << 20, 'x');
        (void)!::write(ready[1], "!", 1);
        replaceFileContents(path, big, &error);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::usleep(20000); // into the write of 256 MB
    ::kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(dir.filePath("small.csv")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    QStringList left = entries(dir.path());
    left.removeAll(QStringLiteral("backup.csv")); // had the write ended all the same
    EXPECT_EQ(left, QStringList{"small.csv"});
}

TEST(SafeFile, ReadOnlyFolderWithAWritableFileIsWrittenInPlace)
{
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755); // reachable for the user below
    const QString folder = dir.filePath("prog");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/wkcfg.ini";
    ASSERT_TRUE(test::writeAll(path, "[Start]\r\nFirst=true\r\n"));
    ::chmod(QFile::encodeName(path).constData(), 0666);
    ::chmod(QFile::encodeName(folder).constData(), 0555);

    // Permissions do not bind root: write as an ordinary user then.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        IniFile ini(path);
        if (ini.writeString("Start", "First", "false") != 1)
            _exit(1);
        // The disk fills up under a longer file: it keeps its old contents whole.
        FileSizeLimit full(30);
        _exit(ini.writeString("other", "winx", "12345") == -1 ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::readAll(path), "[Start]\r\nFirst=false\r\n");
    EXPECT_EQ(entries(folder), QStringList{"wkcfg.ini"});
}

TEST(SafeFile, FifoIsRefusedWithoutBlocking)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wkcfg.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    IniFile ini(path);
    EXPECT_EQ(ini.readString("other", "winx", "default"), "default");
    EXPECT_EQ(ini.writeString("other", "winx", "1"), -1);
    EXPECT_EQ(readRegularFile(path, 100).status, FileRead::Status::NotRegularFile);
}

TEST(SafeFile, OversizedFileIsRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big");
    ASSERT_TRUE(test::writeAll(path, QByteArray(101, 'x')));
    EXPECT_EQ(readRegularFile(path, 100).status, FileRead::Status::TooLarge);
    EXPECT_EQ(readRegularFile(path, 101).data.size(), 101);
}

TEST(SafeFile, AppendsFollowNoLinkAndNoOtherUsersFile)
{
    QTemporaryDir dir;
    const QString victim = dir.filePath("victim.txt");
    ASSERT_TRUE(test::writeAll(victim, "mine\n"));
    const QString planted = dir.filePath("notebook.txt");
    ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(), QFile::encodeName(planted).constData()), 0);
    const auto append = [](const QString &path) {
        return appendToFile(path, 100, [](int) { return QByteArray("note\n"); });
    };
    EXPECT_FALSE(append(planted).opened);
    QFile f(victim);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("mine\n"));
    if (::geteuid() != 0)
        GTEST_SKIP() << "handing a file to another user needs root";
    const QString theirs = dir.filePath("theirs.txt");
    ASSERT_TRUE(test::writeAll(theirs, "theirs\n"));
    ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);
    const AppendResult r = append(theirs);
    EXPECT_FALSE(r.opened);
    EXPECT_TRUE(r.error.contains(QLatin1String("another user"))) << qPrintable(r.error);
}
