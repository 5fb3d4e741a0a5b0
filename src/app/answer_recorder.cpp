#include "app/answer_recorder.h"

#include "studydb/database.h"
#include "util/log.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace kelp {

struct AnswerRecorder::Shared {
    ProgramFolder folder;
    Settings settings;
    memory::Model model;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Answer> queue;
    bool stopping = false;
    std::unique_ptr<StudyDatabase> database; // the thread's alone
    std::promise<void> finished;

    Shared(const ProgramFolder &f, const Settings &s, double retention) : folder(f), settings(s), model(retention) {}

    // Writes what is queued, in order; false when the first of it could not be.
    bool drain()
    {
        for (;;) {
            Answer next;
            {
                std::lock_guard lock(mutex);
                if (queue.empty())
                    return true;
                next = queue.front();
            }
            QString error;
            if (!database || !database->isOpen()) {
                StudyDatabase::Opened opened = StudyDatabase::openFolder(folder, settings, QString());
                database = opened ? std::move(*opened) : nullptr;
                if (!opened)
                    error = opened.error().text;
            }
            if (database) {
                if (auto e = next.noted ? database->recordNoted(next.word, next.day)
                                        : database->recordAnswer(next, model, plan::reviewDays(settings)))
                    error = e->text;
            }
            if (!error.isEmpty()) {
                database.reset(); // a server restarted meanwhile gets a new connection
                qCWarning(lcStudy).noquote() << "the answer to" << next.word << "waits to be kept:" << error;
                return false;
            }
            qCDebug(lcStudy).noquote() << "answer kept:" << next.word
                                       << (next.noted ? 0 : static_cast<int>(next.grade));
            std::lock_guard lock(mutex);
            queue.pop_front();
        }
    }

    void run()
    {
        pthread_setname_np(pthread_self(), "kelp-answers");
        std::unique_lock lock(mutex);
        while (!stopping || !queue.empty()) {
            if (queue.empty()) {
                wake.wait(lock, [this] { return stopping || !queue.empty(); });
                continue;
            }
            lock.unlock();
            const bool written = drain();
            lock.lock();
            if (!written) {
                if (stopping)
                    break;
                wake.wait_for(lock, std::chrono::seconds(30));
            }
        }
        lock.unlock();
        finished.set_value();
    }
};

AnswerRecorder::AnswerRecorder(const ProgramFolder &folder, const Settings &settings, double desiredRetention)
    : shared_(std::make_shared<Shared>(folder, settings, desiredRetention))
{
    // Detached: a database that never answers keeps only this thread waiting.
    std::thread([shared = shared_] { shared->run(); }).detach();
}

AnswerRecorder::~AnswerRecorder()
{
    std::future<void> done = shared_->finished.get_future();
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopping = true;
    }
    shared_->wake.notify_all();
    done.wait_for(std::chrono::seconds(5));
    std::lock_guard lock(shared_->mutex);
    for (const Answer &a : shared_->queue)
        qCWarning(lcStudy).noquote() << "the answer to" << a.word << "could not be kept";
}

void AnswerRecorder::record(const Answer &answer)
{
    {
        std::lock_guard lock(shared_->mutex);
        shared_->queue.push_back(answer);
    }
    shared_->wake.notify_all();
}

} // namespace kelp
