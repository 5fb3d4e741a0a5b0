#include "app/start_loader.h"

#include "util/test_hooks.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <vector>

namespace kelp {

struct StartLoader::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0; // threads that have not finished their work
    bool aheadPending = false;
    std::optional<LoadAhead> ahead;
    bool ownDone = false;
    StudyLoad own;
    std::exception_ptr failure;
    std::vector<std::thread> threads;
    // The main thread's wait, while there is one (main thread only).
    QEventLoop *loop = nullptr;
    bool abandoned = false;
};

namespace {
void nameThread(const char *name)
{
    pthread_setname_np(pthread_self(), name);
}
} // namespace

StartLoader::StartLoader(const QString &folder) : shared_(std::make_shared<Shared>())
{
    if (folder.isEmpty())
        return;
    const ProgramFolder root{QDir(folder).canonicalPath()};
    std::shared_future<void> started = toolkitStarted_.get_future().share();
    const std::lock_guard lock(shared_->mutex);
    shared_->aheadPending = true;
    ++shared_->running;
    shared_->threads.emplace_back([s = shared_, root, started] {
        nameThread("kelp-load-ahead");
        // As the start will see it: the folder by its real path, today, the settings as they are now.
        LoadAhead ahead = loadAhead(root, SettingsSnapshot::read(root.settingsFile()), QDate::currentDate(), started);
        const std::lock_guard lock(s->mutex);
        s->ahead = std::move(ahead);
        s->aheadPending = false;
        --s->running;
        s->changed.notify_all();
    });
}

StartLoader::~StartLoader()
{
    toolkitStarted();
    const std::lock_guard lock(shared_->mutex);
    for (std::thread &t : shared_->threads) {
        // One still at work holds only what it shares with us.
        if (shared_->running > 0)
            t.detach();
        else if (t.joinable())
            t.join();
    }
}

void StartLoader::toolkitStarted()
{
    if (!toolkitStartedSaid_)
        toolkitStarted_.set_value();
    toolkitStartedSaid_ = true;
}

int StartLoader::limitMs()
{
    const int ms = kelp_test_load_limit_ms ? kelp_test_load_limit_ms() : 0;
    return ms > 0 ? ms : 30000;
}

StartLoader::Outcome StartLoader::take(const std::function<bool(const LoadAhead &)> &fits,
                                       std::function<StudyLoad()> load, const std::function<void()> &meanwhile,
                                       const std::function<void()> &slow, StudyLoad &result)
{
    const std::shared_ptr<Shared> s = shared_;
    {
        const std::lock_guard lock(s->mutex);
        s->ownDone = false;
        s->failure = nullptr;
        ++s->running;
        s->threads.emplace_back([s, fits, load = std::move(load)] {
            nameThread("kelp-load");
            StudyLoad loaded;
            std::exception_ptr failure;
            try {
                std::optional<LoadAhead> ahead;
                {
                    std::unique_lock lock(s->mutex);
                    s->changed.wait(lock, [&] { return !s->aheadPending; });
                    ahead.swap(s->ahead); // the first start that comes takes it
                }
                if (ahead && ahead->load && fits(*ahead)) {
                    loaded = std::move(*ahead->load);
                    if (const auto error = loaded.confirm())
                        std::fprintf(stderr, "kelpword: %s\n", qPrintable(error->text));
                } else {
                    ahead.reset(); // one that does not fit is closed before the load of its own
                    loaded = load();
                }
            } catch (...) {
                failure = std::current_exception();
            }
            const std::lock_guard lock(s->mutex);
            s->own = std::move(loaded);
            s->failure = failure;
            s->ownDone = true;
            --s->running;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [s] {
                    if (s->loop)
                        s->loop->quit();
                },
                Qt::QueuedConnection);
        });
    }

    QEventLoop loop;
    bool timedOut = false;
    QTimer slowTimer;
    slowTimer.setSingleShot(true);
    QObject::connect(&slowTimer, &QTimer::timeout, &loop, [&slow] {
        if (slow)
            slow();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    slowTimer.start(kSlowStartMs);
    limit.start(limitMs());
    if (meanwhile)
        meanwhile();
    const auto done = [&s] {
        const std::lock_guard lock(s->mutex);
        return s->ownDone;
    };
    s->loop = &loop;
    // Only what the start-up itself shows is served until the load is done.
    if (!done() && !s->abandoned)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    s->loop = nullptr;

    std::unique_lock lock(s->mutex);
    if (!s->ownDone)
        return s->abandoned || !timedOut ? Outcome::Abandoned : Outcome::TimedOut;
    result = std::move(s->own);
    s->own = StudyLoad{};
    if (s->failure)
        std::rethrow_exception(std::exchange(s->failure, nullptr));
    return Outcome::Loaded;
}

void StartLoader::abandon()
{
    shared_->abandoned = true;
    if (shared_->loop)
        shared_->loop->quit();
}

int StartLoader::finish(int status)
{
    toolkitStarted();
    std::unique_lock lock(shared_->mutex);
    if (shared_->running > 0) {
        // Stuck in a database's client library: not waited for.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    std::vector<std::thread> threads = std::move(shared_->threads);
    lock.unlock();
    for (std::thread &t : threads)
        t.join();
    return status;
}

} // namespace kelp
