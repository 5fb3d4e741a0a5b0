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

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier *notifier_ = nullptr;
};

} // namespace kelp::platform
