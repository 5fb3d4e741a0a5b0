// The one place every error that no code handled ends up: it is logged to
// system_error.log, reported, and then speech is switched off (a failed
// call of the speech engine) or the program restarts (anything else).
#pragma once

#include "config/error_log.h"

#include <QApplication>

#include <exception>
#include <functional>

namespace kelp {

// The error record for an exception that escaped an event handler.
ErrorReport reportFor(const std::exception_ptr &error);
// The same, naming the window, control and event the error left (when known).
ErrorReport reportFor(const std::exception_ptr &error, const std::optional<ErrorSite> &site);

class ErrorHandler {
public:
    struct Reactions {
        std::function<int()> voice;                  // the voice number, for the message
        std::function<void(bool persist)> speechOff; // voice = kSpeechFailed, in the settings file too when `persist`
        std::function<void()> restart;               // all windows close, start-up runs again
    };
    ErrorHandler(QString logPath, Reactions reactions);

    void handle(const ErrorReport &report);

private:
    QString logPath_;
    Reactions reactions_;
    bool showing_ = false; // a report is on screen: later errors are logged only
};

// The application object: exceptions out of any slot or event go to `onError`.
class KelpApplication : public QApplication {
public:
    using QApplication::QApplication;
    std::function<void(std::exception_ptr)> onError;
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace kelp
