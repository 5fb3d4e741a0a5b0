// Whole-file writes that never leave a file torn or empty, and reads that
// never block on something that is not a regular file (a FIFO, a socket, a
// device where a settings or word file should be).
#pragma once

#include <QByteArray>
#include <QString>

namespace kelp {

// Replaces the contents of `path` with `data`. The file then holds either
// its old bytes or the new ones: the data goes to a temporary file beside
// it, every step is checked (write, sync, close), and only then is it
// renamed over the old one. When the folder does not allow a new file but
// the file itself is writable, the file is rewritten in place instead (said
// once on stderr). False with `error` set when the file was not replaced.
bool replaceFileContents(const QString &path, const QByteArray &data, QString *error);

struct FileRead {
    enum class Status { Ok, CannotOpen, NotRegularFile, Locked, TooLarge, ReadFailed };
    Status status = Status::Ok;
    QByteArray data;
    QString error; // the system's words when not Ok
    bool ok() const { return status == Status::Ok; }
};

// The whole file. Refused without blocking: a file that cannot be opened,
// anything but a regular file, one over `maxBytes`, and with `exclusive`
// one that another program holds locked.
FileRead readRegularFile(const QString &path, qint64 maxBytes, bool exclusive = false);

} // namespace kelp
