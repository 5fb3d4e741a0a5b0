// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the GUI thread, so the
// program can end as if the learner had chosen to quit (saving its state).
#pragma once

#include <QObject>

class QSocketNotifier;

namespace kelp::platform {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // Catches the signals from now on, before the toolkit and this object
    // exist: one that comes meanwhile is told once the object does.
    static void catchNow();

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier *notifier_ = nullptr;
};

} // namespace kelp::platform
