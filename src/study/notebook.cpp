#include "study/notebook.h"

#include "config/codec.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelp {

std::optional<QString> notebookLine(const WordBuffer &buffer, long row)
{
    if (row < 1 || row > buffer.rowCount() || buffer.isHeader(row))
        return std::nullopt;
    const WordRow &r = buffer.row(row);
    return r.word.value_or(QString()) + QLatin1Char('#') + r.meaning.value_or(QString()) + QLatin1Char('#') +
           r.phonetic.value_or(QString());
}

namespace {

// The notebook keeps the encoding it has (a UTF-8 notebook gets UTF-8
// lines, never a mix); a new or plain-ASCII one is written in GB18030.
codec::Encoding notebookEncoding(int fd)
{
    constexpr qint64 kSample = 4 * 1024 * 1024;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size == 0)
        return codec::Encoding::Gb18030;
    QByteArray head(static_cast<qsizetype>(std::min<qint64>(st.st_size, kSample)), '\0');
    const ssize_t n = ::pread(fd, head.data(), static_cast<size_t>(head.size()), 0);
    if (n <= 0)
        return codec::Encoding::Gb18030;
    head.truncate(n);
    if (n < st.st_size) // whole lines only, so no character is cut in two
        head.truncate(head.lastIndexOf('\n') + 1);
    const bool ascii =
        std::all_of(head.cbegin(), head.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ? codec::Encoding::Gb18030 : codec::detect(head);
}

} // namespace

AppendResult appendNotebookLine(const QString &path, const QString &line)
{
    AppendResult result;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking: a FIFO or device in the notebook's place must not hang the program.
    const int fd = ::open(name.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        result.error = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.error = QStringLiteral("not a regular file");
        return result;
    }
    // Exclusive access for the append. Another program holding the lock is
    // waited for only briefly: a locked notebook counts as one that cannot be opened.
    QElapsedTimer waited;
    waited.start();
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            result.error = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return result;
        }
        if (waited.elapsed() >= kNotebookLockWaitMs) {
            result.error = QStringLiteral("locked by another program");
            ::close(fd);
            return result;
        }
        ::usleep(20 * 1000);
    }
    result.opened = true;

    QByteArray bytes = codec::encode(line, notebookEncoding(fd)) + "\r\n";
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
        char last = 0;
        if (::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
            bytes.prepend("\r\n");
    }
    // One write: either the whole line lands or nothing does.
    const ssize_t n = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    if (n == bytes.size() && ::fsync(fd) == 0) {
        result.written = true;
    } else {
        result.error = QString::fromLocal8Bit(std::strerror(errno));
        // A short write (disk full): take the partial line back out.
        if (n > 0 && n < bytes.size() && ::fstat(fd, &st) == 0 && ::ftruncate(fd, st.st_size - n) != 0)
            result.error += QStringLiteral("; the notebook may end with a partial line");
    }
    ::close(fd);
    return result;
}

} // namespace kelp
