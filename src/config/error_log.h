// The system error log, "system_error.log" in the program folder: one record
// for every run-time error that no code handled where it arose.
#pragma once

#include "config/safe_file.h"

#include <QDateTime>
#include <QString>

namespace kelp {

struct ErrorReport {
    int code = 0;   // 35: a failed call of the speech engine; 39: a failed property of it
    QString text;   // the error message
    QString window; // the window (or menu) whose code failed
    QString object; // its control or object
    QString event;  // its event or function
    int line = 0;
};

// The record's bytes (GB18030, CR LF line ends, the last line ended too).
QByteArray errorRecord(const ErrorReport &report, const QDateTime &when);

// Appends the record in one write; the log is never truncated.
AppendResult appendErrorRecord(const QString &logPath, const ErrorReport &report, const QDateTime &when);

} // namespace kelp
