#include "sound/sound_queue.h"

#include "util/log.h"
#include "util/test_hooks.h"

#include <pthread.h>

#include <utility>

namespace kelp::sound {
namespace {

// What an output may add to a sound before its last sample has been heard
// (the test server's null outputs hold up to two seconds).
constexpr qint64 kDrainAllowanceMs = 2500;

// The start of a sound, played while the producer makes the rest.
class EarlyStart final : public EarlySamples {
public:
    EarlyStart(std::function<bool()> wanted, AudioPlayer &player, const QString &sink)
        : wanted_(std::move(wanted)), player_(player), sink_(sink)
    {
    }

    bool wanted() const override { return wanted_(); }

    bool add(const std::int16_t *samples, size_t count, int rate, int channels) override
    {
        if (!wanted_())
            return false;
        if (failed_)
            return true; // a stream that could not be had is tried again with the whole sound
        if (started_) {
            player_.append(samples, count);
            handed_ += count;
            return true;
        }
        // Even without samples yet (a voice's leading silence): the format
        // is known, and the server sets the stream up while the word is made.
        Pcm start;
        start.samples.assign(samples, samples + count);
        start.rate = rate;
        start.channels = channels;
        started_ = player_.playOpenEnded(start, sink_);
        if (started_) {
            handed_ = count;
            format_ = {rate, channels};
        } else {
            failed_ = true;
            failure_ = player_.lastError();
            stalled_ = player_.timedOut();
        }
        return true;
    }

    bool started() const { return started_; }
    // Plays what the whole sound has beyond what was handed on, and no
    // more; false (and silent) when the whole is in another format than its
    // start, to be played afresh.
    bool finish(const Pcm &whole)
    {
        if (format_ != std::pair{whole.rate, whole.channels}) {
            player_.purge();
            return false;
        }
        if (whole.samples.size() > handed_)
            player_.append(whole.samples.data() + handed_, whole.samples.size() - handed_);
        player_.endInput();
        return true;
    }
    // The stream could not be had: why, and whether the server did not answer.
    bool failed(QString *failure, bool *stalled) const
    {
        *failure = failure_;
        *stalled = stalled_;
        return failed_;
    }

private:
    std::function<bool()> wanted_;
    AudioPlayer &player_;
    const QString &sink_;
    size_t handed_ = 0;          // samples played from the producer's hand
    std::pair<int, int> format_; // rate and channels
    bool started_ = false;
    bool failed_ = false;
    bool stalled_ = false;
    QString failure_;
};

} // namespace

SoundQueue::SoundQueue(std::function<void(const Result &)> finished)
    : finished_(std::move(finished)), thread_([this] {
          pthread_setname_np(pthread_self(), "kelp-sound");
          run();
      })
{
}

SoundQueue::~SoundQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        pending_.reset();
        ++current_;
    }
    wake_.notify_all();
    player_.purge();
    thread_.join();
}

quint64 SoundQueue::submit(Producer produce, const QString &sink, bool speech)
{
    quint64 id;
    {
        std::lock_guard lock(mutex_);
        id = nextId_++;
        current_ = id;
        pending_ = Job{id, std::move(produce), sink, speech};
        busy_ = true;
    }
    player_.purge();
    wake_.notify_all();
    return id;
}

void SoundQueue::cancel()
{
    {
        std::lock_guard lock(mutex_);
        current_ = nextId_++;
        pending_.reset();
    }
    player_.purge();
}

void SoundQueue::whenIdle(std::function<void()> task)
{
    {
        std::lock_guard lock(mutex_);
        idleTask_ = std::move(task);
    }
    wake_.notify_all();
}

bool SoundQueue::isCurrent(quint64 id) const
{
    std::lock_guard lock(mutex_);
    return id == current_ && !stopping_;
}

bool SoundQueue::isIdle() const
{
    std::lock_guard lock(mutex_);
    return !busy_;
}

bool SoundQueue::waitIdle(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0) {
        idle_.wait(lock, [this] { return !busy_; });
        return true;
    }
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !busy_; });
}

void SoundQueue::run()
{
    for (;;) {
        Job job;
        std::function<void()> idleTask;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || pending_ || idleTask_; });
            if (stopping_)
                break;
            if (pending_) {
                job = std::move(*pending_);
                pending_.reset();
            } else {
                idleTask = std::exchange(idleTask_, nullptr);
            }
        }
        if (idleTask) {
            idleTask();
            continue;
        }
        const Result result = play(job);
        if (finished_)
            finished_(result);
        {
            std::lock_guard lock(mutex_);
            if (!pending_)
                busy_ = false;
        }
        idle_.notify_all();
    }
    std::lock_guard lock(mutex_);
    busy_ = false;
    idle_.notify_all();
}

SoundQueue::Result SoundQueue::play(Job &job)
{
    Result result;
    result.id = job.id;
    result.speech = job.speech;
    std::optional<Pcm> pcm;
    EarlyStart early([this, &job] { return isCurrent(job.id); }, player_, job.sink);
    try {
        pcm = job.produce(early);
    } catch (...) {
        result.error = std::current_exception();
    }
    const bool current = isCurrent(job.id);
    if (result.error || !current || !pcm || pcm->samples.empty()) {
        if (early.started())
            player_.purge(); // a start without its end, or no longer wanted
        result.cancelled = !result.error && !current;
        return result;
    }

    // The chosen output first; when it went away (unplugged, unloaded), the
    // default one; when the server went away, once more on a new connection.
    QString failure;
    bool stalled = false;
    bool played = false;
    if (early.started() && early.finish(*pcm)) {
        played = playToTheEnd(job.id, pcm->durationMs(), &failure, &stalled);
    } else if (!early.failed(&failure, &stalled)) {
        played = attempt(job.id, *pcm, job.sink, &failure, &stalled);
    }
    if (!played && !stalled && isCurrent(job.id) && !job.sink.isEmpty()) {
        qCInfo(lcPlatform).noquote() << "output" << job.sink << "failed (" << failure
                                     << "); the default output takes it";
        played = attempt(job.id, *pcm, QString(), &failure, &stalled);
    }
    if (!played && !stalled && isCurrent(job.id)) {
        player_.disconnect();
        played = attempt(job.id, *pcm, QString(), &failure, &stalled);
    }
    if (!isCurrent(job.id)) {
        result.cancelled = true;
        return result;
    }
    if (played) {
        failuresInARow_ = 0;
        return result;
    }
    if (stalled) {
        // A server that does not answer is not a broken voice: the word is dropped.
        qCWarning(lcPlatform).noquote() << "the sound server did not answer in time; the word is dropped";
        return result;
    }
    result.failure = failure;
    const auto now = std::chrono::steady_clock::now();
    if (failuresInARow_++ == 0)
        firstFailure_ = now;
    const int graceMs = kelp_test_speech_failure_ms ? kelp_test_speech_failure_ms() : 0;
    result.persistentFailure =
        failuresInARow_ >= kPersistentFailures && job.speech &&
        now - firstFailure_ >= std::chrono::milliseconds(graceMs > 0 ? graceMs : kPersistentFailureMs);
    if (result.persistentFailure)
        failuresInARow_ = 0; // reported once; it takes as many again to report again
    else
        qCWarning(lcPlatform).noquote() << "the sound server could not play the word:" << failure << "- dropped";
    return result;
}

bool SoundQueue::attempt(quint64 id, const Pcm &pcm, const QString &sink, QString *failure, bool *stalled)
{
    *stalled = false;
    if (!player_.play(pcm, sink)) {
        *failure = player_.lastError();
        *stalled = player_.timedOut();
        return false;
    }
    return playToTheEnd(id, pcm.durationMs(), failure, stalled);
}

bool SoundQueue::playToTheEnd(quint64 id, qint64 durationMs, QString *failure, bool *stalled)
{
    // Replaced while it was being started: the newer sound must not wait for it.
    if (!isCurrent(id)) {
        player_.purge();
        return true;
    }
    const int bound = static_cast<int>(std::min<qint64>(durationMs + kDrainAllowanceMs, 120000));
    if (!player_.waitUntilDone(bound)) {
        player_.purge();
        *stalled = true;
        return false;
    }
    *failure = player_.lastError();
    return failure->isEmpty();
}

} // namespace kelp::sound
