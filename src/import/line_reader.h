// Reads a text file line by line in its encoding (UTF-8 when its first part
// is valid UTF-8, else GB18030; UTF-16 by its mark), holding one line at a time.
#pragma once

#include "config/codec.h"

#include <QFile>
#include <QString>

#include <optional>

namespace kelp::import {

// A quoted field or a line longer than this is not a word list.
inline constexpr qsizetype kMaxRecordChars = 1 << 20;

class LineReader {
public:
    std::optional<QString> open(const QString &path);
    // The next line without its end; false at the end of the file.
    bool next(QString &line);
    qint64 lineNumber() const { return lineNumber_; }
    // Hands `line` out again on the next call (one line at most).
    void pushBack(const QString &line)
    {
        held_ = line;
        holding_ = true;
    }

private:
    QFile file_;
    codec::Encoding encoding_ = codec::Encoding::Utf8;
    bool inMemory_ = false; // UTF-16: decoded whole
    QString text_;
    QByteArray buffer_;
    QString held_;
    bool holding_ = false;
    qsizetype pos_ = 0;
    qint64 lineNumber_ = 0;
    bool first_ = true;
};

// One record of a delimited file (RFC 4180: a quoted field may hold the
// delimiter, doubled quotes and line breaks). False at the end of the file;
// `error` is set for an unterminated quote.
bool nextRecord(LineReader &lines, QChar delimiter, QStringList &fields, QString &error);

// Splits one line the same way (no line breaks inside fields).
QStringList splitRecord(const QString &line, QChar delimiter);

} // namespace kelp::import
