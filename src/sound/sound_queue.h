// One sound at a time on a thread of its own. Whatever makes the samples
// (speech synthesis, decoding a recording) and every call into the sound
// server run there, each with a time limit, so the thread that asks for a
// sound never waits on the server, a slow file or a stalled connection.
#pragma once

#include "sound/audio.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace kelp::sound {

// Where a producer may hand on the start of a sound while it still makes the
// rest, so that the start is heard before the end exists.
class EarlySamples {
public:
    // Plays these samples after the ones added before (all in the format of
    // the first). False once the sound is no longer wanted (cut or
    // replaced): the producer may stop.
    virtual bool add(const std::int16_t *samples, size_t count, int rate, int channels) = 0;
    // False once the sound is no longer wanted (what was made of it may be cut short).
    virtual bool wanted() const = 0;

protected:
    ~EarlySamples() = default;
};

class SoundQueue {
public:
    // Makes the samples on the queue's thread; may throw (the exception is
    // handed back in the result). Nothing: there is nothing to play. What it
    // returns is the whole sound, beginning with whatever it handed on early
    // (a second attempt plays it from the start).
    using Producer = std::function<std::optional<Pcm>(EarlySamples &)>;

    struct Result {
        quint64 id = 0;
        bool cancelled = false;         // cut or replaced before it ended
        std::exception_ptr error;       // what the producer threw
        QString failure;                // the sound server could not play it (after a retry)
        bool persistentFailure = false; // … nor the sounds before it (reported for speech only)
        bool speech = false;
    };

    // `finished` is called on the queue's thread once for every sound.
    explicit SoundQueue(std::function<void(const Result &)> finished);
    ~SoundQueue(); // cuts what plays and ends the thread
    SoundQueue(const SoundQueue &) = delete;
    SoundQueue &operator=(const SoundQueue &) = delete;

    // Cuts what plays, drops what waits and queues this sound for `sink`
    // (empty: the server's default output). Returns its id. Only speech
    // reports a server that keeps failing; other sounds are dropped quietly.
    quint64 submit(Producer produce, const QString &sink, bool speech = false);
    // Cuts what plays and drops what waits; returns at once.
    void cancel();
    // Runs `task` on the queue's thread once no sound waits (after the one
    // that plays), in place of a task given before and not yet begun. For
    // work ahead of a sound, such as making the next word's samples.
    void whenIdle(std::function<void()> task);
    // True once nothing plays or waits (false when `timeoutMs` passed first;
    // -1 waits without limit).
    bool waitIdle(int timeoutMs);
    bool isIdle() const;

    // A failing server counts as broken after this many failures in a row
    // spread over at least kPersistentFailureMs: one that restarts (a desktop
    // session's sound server does) is back before that.
    static constexpr int kPersistentFailures = 3;
    static constexpr int kPersistentFailureMs = 30000;

private:
    struct Job {
        quint64 id = 0;
        Producer produce;
        QString sink;
        bool speech = false;
    };
    void run();
    Result play(Job &job);
    bool attempt(quint64 id, const Pcm &pcm, const QString &sink, QString *failure, bool *stalled);
    bool playToTheEnd(quint64 id, qint64 durationMs, QString *failure, bool *stalled);
    bool isCurrent(quint64 id) const;

    std::function<void(const Result &)> finished_;
    AudioPlayer player_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<Job> pending_;
    std::function<void()> idleTask_;
    quint64 nextId_ = 1;
    quint64 current_ = 0; // the newest id; anything older is cancelled
    bool busy_ = false;
    bool stopping_ = false;
    int failuresInARow_ = 0; // the queue's thread only, as the next
    std::chrono::steady_clock::time_point firstFailure_;
    std::thread thread_;
};

} // namespace kelp::sound
