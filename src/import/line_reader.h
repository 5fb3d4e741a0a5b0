// Reads a text file line by line in its encoding, holding one line at a time.
// The encoding is decided over the whole file before the first line (UTF-16
// by its mark); a line over 1 MB, a field over 64 KB and a file that changes
// while it is read end the reading with an error that names the line.
#pragma once

#include "config/codec.h"

#include <QFile>
#include <QString>

#include <optional>

namespace kelp::import {

inline constexpr qsizetype kMaxLineBytes = 1 << 20;
inline constexpr qsizetype kMaxFieldChars = 64 * 1024;

class LineReader {
public:
    std::optional<QString> open(const QString &path);
    // The next line without its end; false at the end of the file or on an
    // error, which error() then holds.
    bool next(QString &line);
    const std::optional<QString> &error() const { return error_; }
    qint64 lineNumber() const { return lineNumber_; }
    // Hands `line` out again on the next call (one line at most).
    void pushBack(const QString &line)
    {
        held_ = line;
        holding_ = true;
    }
    // Stray bytes the reading replaced, and where: empty when there were none.
    QString strayBytes() const;

private:
    bool fail(const QString &why);

    QFile file_;
    codec::Encoding encoding_ = codec::Encoding::Utf8;
    codec::EncodingSniffer::Verdict verdict_;
    qint64 size_ = 0;
    qint64 read_ = 0;
    bool inMemory_ = false; // UTF-16: decoded whole
    QString text_;
    QByteArray buffer_;
    QString held_;
    bool holding_ = false;
    qsizetype pos_ = 0;
    qint64 lineNumber_ = 0;
    std::optional<QString> error_;
};

// One record of a delimited file (RFC 4180: a quoted field may hold the
// delimiter, doubled quotes and line breaks). False at the end of the file;
// `error` is set for an unterminated quote, a field over 64 KB or the
// reader's own error.
bool nextRecord(LineReader &lines, QChar delimiter, QStringList &fields, QString &error);

// Splits one line the same way (no line breaks inside fields).
QStringList splitRecord(const QString &line, QChar delimiter);

} // namespace kelp::import
