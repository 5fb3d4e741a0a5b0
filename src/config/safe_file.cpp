#include "config/safe_file.h"

#include "util/log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace kelp {
namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

bool pwriteAll(int fd, const char *p, qint64 size, off_t at, QString *error)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, static_cast<size_t>(size), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = systemError("write");
            return false;
        }
        p += n;
        size -= n;
        at += n;
    }
    return true;
}

// Rewrites the file where it stands: the fallback for a folder in which no
// temporary file can be made. Whatever fails, the old contents stay whole:
// the room for a longer file is taken first, and the part beyond the old end
// is written before any old byte is touched.
bool rewriteInPlace(const QByteArray &name, const QByteArray &data, QString *error)
{
    static bool said = false;
    if (!said) {
        said = true;
        qCWarning(lcConfig).noquote() << "the folder of" << QString::fromLocal8Bit(name)
                                      << "is not writable; the file is rewritten in place";
    }
    // Never through a link: in a folder of someone else's, the link may
    // point at a file of the learner's that this write was never meant for.
    const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        *error = errno == ELOOP ? QCoreApplication::translate("kelp::config",
                                                              "the file is a link in a folder that cannot be written; "
                                                              "it was not followed")
                                : systemError("open");
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        *error = systemError("stat");
        ::close(fd);
        return false;
    }
    const off_t oldSize = st.st_size;
    const off_t newSize = data.size();
    bool ok = true;
    if (newSize > oldSize) {
        const int rc = ::posix_fallocate(fd, 0, newSize);
        if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL) {
            errno = rc;
            *error = systemError("no room for the file");
            ok = false;
        }
        ok = ok && pwriteAll(fd, data.constData() + oldSize, newSize - oldSize, oldSize, error);
        if (!ok && ::ftruncate(fd, oldSize) != 0)
            qCWarning(lcConfig).noquote() << "cannot take back the growth of" << QString::fromLocal8Bit(name);
    }
    ok = ok && pwriteAll(fd, data.constData(), std::min(oldSize, newSize), 0, error);
    if (ok && newSize < oldSize && ::ftruncate(fd, newSize) != 0) {
        *error = systemError("truncate");
        ok = false;
    }
    if (ok && ::fsync(fd) != 0) {
        *error = systemError("fsync");
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        *error = systemError("close");
        ok = false;
    }
    return ok;
}

// The permissions a new file gets: what the umask leaves of rw-rw-rw-.
mode_t newFileMode()
{
    // Read without setting it: umask(2) changes it for every thread meanwhile.
    QFile status(QStringLiteral("/proc/self/status"));
    mode_t mask = 077; // unknown: private
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:"))
                mask = static_cast<mode_t>(line.mid(6).trimmed().toUInt(nullptr, 8));
        }
    }
    return 0666 & ~mask;
}

// A file with no name in `folder`: nothing is left behind when the process
// dies before it is linked in. -1 where the filesystem has no such files.
int unnamedFile(const QByteArray &folder)
{
#ifdef O_TMPFILE
    return ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#else
    Q_UNUSED(folder);
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// Gives the unnamed file `fd` the name `temp`.
bool linkUnnamed(int fd, const QByteArray &temp)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) == 0;
}

// The rename itself reaches the disk with the folder.
bool finishReplacement(const QString &path, bool done)
{
    if (!done)
        return false;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace

namespace {
// Writes what `produce` makes to the new file `fd`, links it in as `temp`
// when it has no name yet, and renames it over `name`. The temporary name is
// removed on failure.
bool completeReplacement(int fd, bool unnamed, QByteArray &temp, const QByteArray &name,
                         const std::function<bool(const ContentSink &)> &produce, mode_t mode, QString *error,
                         bool *linkFailed = nullptr)
{
    bool ok = ::fchmod(fd, mode) == 0 || errno == EPERM;
    if (!ok)
        *error = systemError("fchmod");
    off_t at = 0; // a new file: from its start
    ok = ok && produce([&](QByteArrayView piece) {
             if (!pwriteAll(fd, piece.data(), piece.size(), at, error))
                 return false;
             at += piece.size();
             return true;
         });
    if (ok && ::fsync(fd) != 0) {
        *error = systemError("fsync");
        ok = false;
    }
    bool named = !unnamed;
    for (int attempt = 0; ok && !named && attempt < 100; ++attempt) {
        temp = name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        named = linkUnnamed(fd, temp);
        if (!named && errno != EEXIST) {
            *error = systemError("link");
            ok = false;
            if (linkFailed)
                *linkFailed = true;
        }
    }
    ok = ok && named;
    if (::close(fd) != 0 && ok) {
        *error = systemError("close");
        ok = false;
    }
    if (ok && ::rename(temp.constData(), name.constData()) != 0) {
        *error = systemError("rename");
        ok = false;
    }
    if (!ok && named)
        ::unlink(temp.constData());
    return ok;
}
} // namespace

bool replaceFileContents(const QString &path, const QByteArray &data, QString *error)
{
    return replaceFileStreamed(
        path, [&data](const ContentSink &write) { return write(data); }, error);
}

bool replaceFileStreamed(const QString &path, const std::function<bool(const ContentSink &)> &produce, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    const bool exists = ::stat(name.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        *error = QCoreApplication::translate("kelp::config", "not a regular file");
        return false;
    }
    const mode_t mode = exists ? (st.st_mode & 07777) : newFileMode();
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());

    // The new contents go to a file without a name where the filesystem
    // allows, so that a process killed half-way leaves nothing behind; it is
    // named only once complete, and the rename puts it in place. Elsewhere
    // (or where it cannot be linked in) a named temporary file.
    QByteArray temp;
    bool done = false;
    if (const int fd = unnamedFile(folder); fd >= 0) {
        bool linkFailed = false;
        done = completeReplacement(fd, true, temp, name, produce, mode, error, &linkFailed);
        if (!linkFailed)
            return finishReplacement(path, done);
    }
    temp = name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int why = errno;
        if ((why == EACCES || why == EROFS || why == EPERM) && exists && ::access(name.constData(), W_OK) == 0) {
            // Where it stands, the file is rewritten from the whole of its contents.
            QByteArray data;
            if (!produce([&data](QByteArrayView piece) {
                    data.append(piece);
                    return true;
                }))
                return false;
            return rewriteInPlace(name, data, error);
        }
        errno = why;
        *error = systemError("cannot create a temporary file");
        return false;
    }
    done = completeReplacement(fd, false, temp, name, produce, mode, error);
    return finishReplacement(path, done);
}

FileRead readRegularFile(const QString &path, qint64 maxBytes, bool exclusive)
{
    using Status = FileRead::Status;
    FileRead r;
    const auto failed = [&r](Status status, QString error) {
        r.status = status;
        r.error = std::move(error);
        r.data.clear();
        return r;
    };
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that opening a FIFO returns at once; checked below.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return failed(Status::CannotOpen, QString::fromLocal8Bit(std::strerror(errno)));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return failed(Status::NotRegularFile, QCoreApplication::translate("kelp::config", "not a regular file"));
    if (exclusive && ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return failed(Status::Locked, QString::fromLocal8Bit(std::strerror(errno)));
    const QString tooLarge = QCoreApplication::translate("kelp::config", "larger than %1 bytes").arg(maxBytes);
    if (st.st_size > maxBytes)
        return failed(Status::TooLarge, tooLarge);
    r.data.resize(static_cast<qsizetype>(st.st_size));
    qint64 got = 0;
    for (;;) {
        if (got == r.data.size()) {
            if (r.data.size() > maxBytes)
                break;
            // The file grew meanwhile.
            r.data.resize(static_cast<qsizetype>(std::min<qint64>(maxBytes + 1, r.data.size() + 65536)));
        }
        const ssize_t n = ::read(fd, r.data.data() + got, static_cast<size_t>(r.data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failed(Status::ReadFailed, QString::fromLocal8Bit(std::strerror(errno)));
        if (n == 0)
            break;
        got += n;
    }
    if (got > maxBytes)
        return failed(Status::TooLarge, tooLarge);
    r.data.resize(static_cast<qsizetype>(got));
    return r;
}

AppendResult appendToFile(const QString &path, int lockWaitMs, const std::function<QByteArray(int fd)> &make)
{
    AppendResult result;
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking: a FIFO or device in the file's place must not hang the
    // program. Not through a link: in a folder others may write to (a shared
    // class folder) one could point at a file of the learner's.
    const int fd = ::open(name.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0644);
    if (fd < 0) {
        result.error = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = QCoreApplication::translate("kelp::config", "not a regular file");
        return result;
    }
    if (st.st_uid != ::geteuid()) {
        result.error = QCoreApplication::translate("kelp::config", "the file belongs to another user");
        return result;
    }
    QElapsedTimer waited;
    waited.start();
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            result.error = QString::fromLocal8Bit(std::strerror(errno));
            return result;
        }
        if (waited.elapsed() >= lockWaitMs) {
            result.error = QCoreApplication::translate("kelp::config", "locked by another program");
            return result;
        }
        ::usleep(20 * 1000);
    }
    result.opened = true;

    const QByteArray bytes = make(fd);
    // One write: either the whole text lands or nothing does.
    const ssize_t n = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    if (n == bytes.size() && ::fsync(fd) == 0) {
        result.written = true;
        return result;
    }
    result.error = QString::fromLocal8Bit(std::strerror(errno));
    if (n > 0 && n < bytes.size() && ::fstat(fd, &st) == 0 && ::ftruncate(fd, st.st_size - n) != 0)
        result.error += QCoreApplication::translate("kelp::config", "; the file may end with a partial line");
    return result;
}

} // namespace kelp
