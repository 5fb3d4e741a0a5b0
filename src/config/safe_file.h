// Whole-file writes that never leave a file torn or empty, and reads that
// never block on something that is not a regular file (a FIFO, a socket, a
// device where a settings or word file should be).
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace kelp {

// Replaces the contents of `path` with `data`. The file then holds either
// its old bytes or the new ones: the data goes to a temporary file beside
// it, every step is checked (write, sync, close), and only then is it
// renamed over the old one. When the folder does not allow a new file but
// the file itself is writable, the file is rewritten in place instead (said
// once on stderr). False with `error` set when the file was not replaced.
bool replaceFileContents(const QString &path, const QByteArray &data, QString *error);

// Takes the next piece of the new contents; false when it could not be written.
using ContentSink = std::function<bool(QByteArrayView piece)>;
// The same with contents too large to hold at once: `produce` hands them to
// the sink piece by piece and returns false to give up (with `error` set,
// or the sink's own). The file is replaced only once all of them are written.
bool replaceFileStreamed(const QString &path, const std::function<bool(const ContentSink &)> &produce, QString *error);

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

struct AppendResult {
    bool opened = false;
    bool written = false;
    QString error;
};

// Appends to `path` (created when missing) the bytes `make` returns for the
// open file, in one write, synced: the file's earlier bytes are never
// touched, and a short write (a full disk) is taken back out. Refused at once
// when `path` is not a regular file; another program's lock is waited for
// `lockWaitMs` at most, then counts as a file that cannot be opened.
AppendResult appendToFile(const QString &path, int lockWaitMs, const std::function<QByteArray(int fd)> &make);

} // namespace kelp
