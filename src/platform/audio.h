// Sound on the desktop's sound server (PulseAudio, or PipeWire through
// pipewire-pulse): its outputs, playing sampled sound on one of them, WAV
// files, and the desktop's own event sound.
#pragma once

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kelp::platform {

struct AudioSink {
    QString name;        // the server's name for it
    QString description; // what a person reads
};

// The server's outputs; empty when no server answers within `timeoutMs` (a
// server is never started for this).
std::vector<AudioSink> listAudioSinks(int timeoutMs = 1000);

// 16-bit samples, interleaved.
struct Pcm {
    std::vector<std::int16_t> samples;
    int rate = 16000;
    int channels = 1;
    qint64 durationMs() const
    {
        return channels > 0 && rate > 0 ? static_cast<qint64>(samples.size()) * 1000 / (rate * channels) : 0;
    }
};

// A WAV (or other sound) file in any common sample format; nothing when it
// cannot be read, with the reason in `error`.
std::optional<Pcm> readSoundFile(const QString &path, QString *error);

// Plays one sound at a time on a thread of its own.
class AudioPlayer {
public:
    AudioPlayer();
    ~AudioPlayer();
    AudioPlayer(const AudioPlayer &) = delete;
    AudioPlayer &operator=(const AudioPlayer &) = delete;

    // Cuts whatever still plays, starts `pcm` on `sink` (empty: the server's
    // default output) and returns at once.
    void play(Pcm pcm, const QString &sink);
    // Cuts what plays; returns once it is silent.
    void purge();
    // Waits until the last sample has been played, or `timeoutMs` passed
    // (-1: no limit). True when the sound is over.
    bool waitUntilDone(int timeoutMs);
    // Why the last sound could not be played; empty when it could.
    QString lastError() const;

private:
    struct Job {
        Pcm pcm;
        QString sink;
    };
    void run();
    void playJob(const Job &job);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Job> pending_;
    std::uint64_t generation_ = 0; // bumped by every play and purge: the job playing stops
    bool busy_ = false;
    bool quit_ = false;
    QString error_;
    std::thread thread_;
};

// The desktop's default event sound (the sound theme's "bell"); returns at once.
void playEventSound();

} // namespace kelp::platform
