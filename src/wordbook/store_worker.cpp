#include "wordbook/store_worker.h"

#include "studydb/data_source.h"
#include "util/log.h"
#include "util/test_hooks.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <future>
#include <pthread.h>
#include <thread>

namespace kelp {

namespace {

struct Outcome {
    StudyResult result;
    std::shared_ptr<StudyDatabase> database; // the one the job ran on
    bool fresh = false;                      // opened for it
};

int limitMs()
{
    const int test = kelp_test_statement_limit_ms ? kelp_test_statement_limit_ms() : 0;
    return test > 0 ? test : kStatementLimitS * 1000;
}

} // namespace

StoreWorker::StoreWorker(std::shared_ptr<StudyDatabase> database, Connect reconnect)
    : database_(std::move(database)), reconnect_(std::move(reconnect))
{
}

StudyResult StoreWorker::run(const Job &job)
{
    if (busy_)
        return StudyError(QCoreApplication::translate("kelp::wordbook", "the last change is still being saved"));
    busy_ = true;
    emit busyChanged(true);
    StudyResult result;
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto task = std::make_shared<std::packaged_task<Outcome()>>(
            [database = database_, reconnect = reconnect_, job]() mutable {
                Outcome out;
                if (!database || !database->isOpen()) {
                    if (!reconnect) {
                        out.result = StudyError(QString());
                        return out;
                    }
                    StudyDatabase::Opened opened = reconnect();
                    if (!opened) {
                        out.result = opened.error();
                        return out;
                    }
                    database = std::move(*opened);
                    out.fresh = true;
                }
                WordStore store = database->words();
                out.result = job(store);
                out.database = std::move(database);
                return out;
            });
        std::future<Outcome> done = task->get_future();
        // The loop ends when the job does (told through the application's
        // queue, which outlives any loop) or at the limit.
        QEventLoop wait;
        auto waiting = std::make_shared<QPointer<QEventLoop>>(&wait);
        // Given up after the limit, the thread ends on its own when the
        // database answers at last; it holds all it uses.
        std::thread([task, waiting] {
            pthread_setname_np(pthread_self(), "kelp-wordbook");
            (*task)();
            // The application may be gone by now (a job given up at the limit,
            // the program ended meanwhile): nobody waits then.
            if (QCoreApplication *app = QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    app,
                    [waiting] {
                        if (*waiting)
                            (*waiting)->quit();
                    },
                    Qt::QueuedConnection);
        }).detach();
        const int limit = limitMs();
        QTimer::singleShot(limit, &wait, &QEventLoop::quit);
        if (done.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            wait.exec();
        *waiting = nullptr;
        if (done.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            qCWarning(lcStudy) << "the study database did not answer within" << limit << "ms";
            database_.reset(); // the next change connects anew
            result = StudyError(
                QCoreApplication::translate("kelp::wordbook",
                                            "the study database did not answer within %1 s; the change may still be "
                                            "saved when it answers (重新载入 shows what it holds)")
                    .arg((limit + 999) / 1000));
            break;
        }
        Outcome out = done.get();
        result = out.result;
        const bool oldConnection = !out.fresh;
        database_ = std::move(out.database);
        if (!result || result->code == StudyError::Code::Conflict)
            break;
        // A failure on a connection of before (a server restarted since,
        // the network gone a while): once more on a new one.
        if (!reconnect_)
            break;
        database_.reset();
        if (!oldConnection)
            break;
        qCInfo(lcStudy).noquote() << "retrying on a new connection:" << result->text;
    }
    busy_ = false;
    emit busyChanged(false);
    return result;
}

} // namespace kelp
