#include "study/notebook.h"

#include "config/codec.h"
#include "config/safe_file.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
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
    QDir().mkpath(QFileInfo(path).absolutePath());
    return appendToFile(path, kNotebookLockWaitMs, [&line](int fd) {
        QByteArray bytes = codec::encode(line, notebookEncoding(fd)) + "\r\n";
        // A file whose last line lacks its line end gets one first.
        struct stat st {};
        char last = 0;
        if (::fstat(fd, &st) == 0 && st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
            bytes.prepend("\r\n");
        return bytes;
    });
}

} // namespace kelp
