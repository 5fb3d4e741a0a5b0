// Sound on the desktop's sound server (PulseAudio, or PipeWire through
// pipewire-pulse): its outputs, playing sampled sound on one of them, WAV
// files, and the desktop's own event sound.
#pragma once

#include "sound/pcm.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kelp::sound {

// The server's outputs; empty when no server answers within `timeoutMs` (a
// server is never started for this).
std::vector<AudioSink> listAudioSinks(int timeoutMs = 1000);

// What one recording may cost: a word is said in seconds, so a file that
// declares more (many channels, hours of frames) is cut to this, and read in
// pieces so that what it declares is never allocated up front.
inline constexpr int kMaxRecordingChannels = 8;
inline constexpr int kMaxRecordingRate = 384000;
inline constexpr qint64 kMaxRecordingSamples = 48000LL * 2 * 30; // 30 s of 48 kHz stereo

// A WAV (or other sound) file in any common sample format; nothing when it
// cannot be read, with the reason in `error`.
std::optional<Pcm> readSoundFile(const QString &path, QString *error);

// Plays one sound at a time through the sound server's own thread.
class AudioPlayer {
public:
    AudioPlayer();
    ~AudioPlayer();
    AudioPlayer(const AudioPlayer &) = delete;
    AudioPlayer &operator=(const AudioPlayer &) = delete;

    // Cuts whatever still plays, starts `pcm` on `sink` (empty: the server's
    // default output) and returns at once. False (see lastError()) when the
    // server or the output cannot be had; timedOut() then tells whether the
    // server did not answer within kConnectTimeoutMs.
    bool play(const Pcm &pcm, const QString &sink);
    // The same for a sound that is still being made: its start now, the
    // rest with append(), and endInput() once there is no more.
    bool playOpenEnded(const Pcm &start, const QString &sink);
    void append(const std::int16_t *samples, size_t count);
    void endInput();
    bool timedOut() const;
    // Drops the connection: the next sound connects anew.
    void disconnect();
    // Cuts what plays; returns once it is silent.
    void purge();
    // Waits until the last sample has been played, or `timeoutMs` passed
    // (-1: no limit). True when the sound is over.
    bool waitUntilDone(int timeoutMs);
    // Why the last sound could not be played; empty when it could.
    QString lastError() const;

    static constexpr int kConnectTimeoutMs = 1500;

    struct State; // shared with the server's callbacks

private:
    bool connectServer();
    bool start(const Pcm &pcm, const QString &sink, bool complete);
    void stopStream();

    std::unique_ptr<State> state_;
};

// The desktop's default event sound: the sound theme's "bell" (freedesktop
// naming, looked up in the XDG data folders), or a short tone of our own
// where no theme has one. Played like any sound, so it reaches the chosen output.
const Pcm &eventSound();

} // namespace kelp::sound
