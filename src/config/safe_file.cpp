#include "config/safe_file.h"

#include "util/log.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelp {
namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

bool writeAll(int fd, const QByteArray &data, QString *error)
{
    const char *p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = systemError("write");
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Rewrites the file where it stands: the fallback for a folder in which no
// temporary file can be made.
bool rewriteInPlace(const QByteArray &name, const QByteArray &data, QString *error)
{
    static bool said = false;
    if (!said) {
        said = true;
        qCWarning(lcConfig).noquote() << "the folder of" << QString::fromLocal8Bit(name)
                                      << "is not writable; the file is rewritten in place";
    }
    const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = systemError("open");
        return false;
    }
    bool ok = writeAll(fd, data, error) && ::ftruncate(fd, data.size()) == 0;
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

} // namespace

bool replaceFileContents(const QString &path, const QByteArray &data, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    const bool exists = ::stat(name.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        *error = QStringLiteral("not a regular file");
        return false;
    }
    const mode_t mode = exists ? (st.st_mode & 07777) : 0644;

    QByteArray temp = name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int why = errno;
        if ((why == EACCES || why == EROFS || why == EPERM) && exists && ::access(name.constData(), W_OK) == 0)
            return rewriteInPlace(name, data, error);
        errno = why;
        *error = systemError("cannot create a temporary file");
        return false;
    }
    bool ok = ::fchmod(fd, mode) == 0 || errno == EPERM;
    if (!ok)
        *error = systemError("fchmod");
    ok = ok && writeAll(fd, data, error);
    if (ok && ::fsync(fd) != 0) {
        *error = systemError("fsync");
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        *error = systemError("close");
        ok = false;
    }
    if (ok && ::rename(temp.constData(), name.constData()) != 0) {
        *error = systemError("rename");
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.constData());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that opening a FIFO returns at once; checked below.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = QStringLiteral("not a regular file");
        return std::nullopt;
    }
    if (st.st_size > maxBytes) {
        ::close(fd);
        *error = QStringLiteral("larger than %1 bytes").arg(maxBytes);
        return std::nullopt;
    }
    QByteArray data;
    data.resize(static_cast<qsizetype>(st.st_size));
    qint64 got = 0;
    for (;;) {
        if (got == data.size()) {
            if (data.size() >= maxBytes + 1)
                break;
            data.resize(std::min<qint64>(maxBytes + 1, data.size() + 65536)); // the file grew meanwhile
        }
        const ssize_t n = ::read(fd, data.data() + got, static_cast<size_t>(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    if (got > maxBytes) {
        *error = QStringLiteral("larger than %1 bytes").arg(maxBytes);
        return std::nullopt;
    }
    data.resize(static_cast<qsizetype>(got));
    return data;
}

} // namespace kelp
