// The words window's database work, off the window's thread: a frozen
// server or a locked file never stops the window from answering, nor the
// trainer it was opened from. Each change waits for its answer in an event
// loop of its own, kStatementLimitS at the most.
#pragma once

#include "studydb/database.h"

#include <QObject>

#include <functional>
#include <memory>

namespace kelp {

class StoreWorker : public QObject {
    Q_OBJECT
public:
    // Opens the database anew (on the worker's thread); nothing and `error`
    // set when it cannot.
    using Connect = std::function<StudyDatabase::Opened()>;
    // A job runs on its own thread: it must hold what it uses by value.
    using Job = std::function<StudyResult(WordStore &store)>;

    StoreWorker(std::shared_ptr<StudyDatabase> database, Connect reconnect);

    // Runs `job` and waits for it while the thread's events go on. A job
    // that fails on a connection made before it (a server restarted since)
    // is run once more on a new one; each change is a transaction that names
    // what it saw, so a second run never makes it twice. A job that takes
    // longer than the limit is given up (its connection with it).
    StudyResult run(const Job &job);
    bool isBusy() const { return busy_; }

signals:
    // A job started or ended: the window takes no input meanwhile.
    void busyChanged(bool busy);

private:
    std::shared_ptr<StudyDatabase> database_;
    Connect reconnect_;
    bool busy_ = false;
};

} // namespace kelp
