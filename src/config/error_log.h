// The system error log, "system_error.log" in the program folder: one record
// for every run-time error that no code handled where it arose.
#pragma once

#include "config/safe_file.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace kelp {

struct ErrorReport {
    int code = 0;   // 35: a failed call of the speech engine; 39: a failed property of it
    QString text;   // the error message
    QString window; // the window (or menu) whose code failed
    QString object; // its control or object
    QString event;  // its event or function
    int line = 0;
};

// Where an error left a handler: the window, its control and the event.
struct ErrorSite {
    QString window;
    QString object;
    QString event;
};

// Marks a handler's work: when an exception leaves it, its site is kept
// (the innermost one) for the report of that error, which takes it.
class ErrorSiteScope {
public:
    ErrorSiteScope(QString window, QString object, QString event);
    ~ErrorSiteScope();
    ErrorSiteScope(const ErrorSiteScope &) = delete;
    ErrorSiteScope &operator=(const ErrorSiteScope &) = delete;

private:
    ErrorSite site_;
    int exceptions_;
};

// The site the last error left, if any; taking it clears it.
std::optional<ErrorSite> takeErrorSite();

// The record's bytes (GB18030, CR LF line ends, the last line ended too).
QByteArray errorRecord(const ErrorReport &report, const QDateTime &when);

// Appends the record in one write; the log is never truncated.
AppendResult appendErrorRecord(const QString &logPath, const ErrorReport &report, const QDateTime &when);

} // namespace kelp
