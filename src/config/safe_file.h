// Whole-file writes that never leave a file torn or empty, and reads that
// never block on something that is not a regular file (a FIFO, a socket, a
// device where a settings or word file should be).
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace kelp {

// Replaces the contents of `path` with `data`. The file then holds either
// its old bytes or the new ones: the data goes to a temporary file beside
// it, every step is checked (write, sync, close), and only then is it
// renamed over the old one. When the folder does not allow a new file but
// the file itself is writable, the file is rewritten in place instead (said
// once on stderr). False with `error` set when the file was not replaced.
bool replaceFileContents(const QString &path, const QByteArray &data, QString *error);

// The whole file, or nothing with `error` set: a missing file, one that
// cannot be read, one that is not a regular file, or one over `maxBytes`.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes, QString *error);

} // namespace kelp
