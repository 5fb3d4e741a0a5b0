// The speech engine: voices (flite's, then espeak-ng's English ones), the
// sound server's outputs, and speaking on the chosen voice and output. Its
// calls fail the way the program's error handling expects: a failing method
// (speak, wait) throws a SpeechError of kind Method, a failing property
// access (choosing a voice or output, an item out of range) one of kind Property.
#pragma once

#include "platform/audio.h"

#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace kelp::platform {
class SoundQueue;
}

namespace kelp {

class SpeechError : public std::runtime_error {
public:
    enum class Kind { Method, Property };
    SpeechError(Kind kind, const QString &member, const QString &text)
        : std::runtime_error(text.toStdString()), kind_(kind), member_(member), text_(text)
    {
    }
    Kind kind() const { return kind_; }
    const QString &member() const { return member_; } // "Speak", "Voice", "Item", …
    const QString &text() const { return text_; }

private:
    Kind kind_;
    QString member_;
    QString text_;
};

struct VoiceInfo {
    enum class Engine { Flite, Espeak };
    Engine engine;
    QString id;          // flite's voice name, or espeak-ng's voice identifier
    QString description; // engine, voice, accent, sex
};

// Where sound goes; the engine's own outputs are the sound server's sinks.
// Synthesis and playing run on the engine's own sound thread: asking for a
// word returns at once, and the thread that asked hears of the end through
// `spoken` (and of a failure through `failed`) from its own event loop.
class SpeechEngine {
public:
    // The voices are fixed for the run (same order every run); the outputs
    // are those the sound server has when the engine is made.
    SpeechEngine();
    ~SpeechEngine();
    SpeechEngine(const SpeechEngine &) = delete;
    SpeechEngine &operator=(const SpeechEngine &) = delete;

    // GetVoices / GetAudioOutputs: Count and Item(i), i from 0.
    int voiceCount() const { return static_cast<int>(voices_.size()); }
    const VoiceInfo &voice(int index) const;
    int audioOutputCount() const { return static_cast<int>(outputs_.size()); }
    const platform::AudioSink &audioOutput(int index) const;
    void refreshAudioOutputs();

    // Voice = Item(index); AudioOutput = Item(index).
    void setVoice(int index);
    void setAudioOutput(int index);

    enum Flag { Async = 1, Purge = 2 };
    // Purge: cut what is still playing first, at once. Blank text loads the
    // voice here and now (and throws when it cannot). Other text is spoken on
    // the sound thread; with Async this returns at once, otherwise once spoken.
    void speak(const QString &text, int flags);
    // Waits until what was asked for has been said (-1: as long as the sound
    // thread's own limits allow). True when done; throws the SpeechError of
    // a word that failed meanwhile (it then reaches `failed` no more).
    bool waitUntilDone(int timeoutMs);
    void purge();
    // True from a spoken word's start until `spoken` is called for it.
    bool isSpeaking() const { return speaking_ != 0; }

    // Sound that is not speech, on the chosen output; returns at once.
    void playSound(platform::Pcm pcm);
    // A recording, decoded on the sound thread (a large file costs the
    // caller nothing); an unreadable one is said on stderr and skipped.
    void playFile(const QString &path);
    // The desktop's event sound on the chosen output.
    void playEventSound();

    // `spoken`: the last word asked for is over (said, cut or failed).
    // `failed`: a word could not be said (voice or a sound server that
    // keeps failing); a SpeechError.
    void setNotifications(std::function<void()> spoken, std::function<void(std::exception_ptr)> failed);

    // The samples a voice makes of `text` (empty for blank text). Any thread.
    platform::Pcm synthesize(const VoiceInfo &voice, const QString &text);

private:
    QString chosenSink() const;
    void submit(std::function<std::optional<platform::Pcm>()> produce, bool speech);
    void delivered(quint64 id);
    std::exception_ptr takeError(quint64 id = 0);

    std::vector<VoiceInfo> voices_;
    std::vector<platform::AudioSink> outputs_;
    int voice_ = 0;
    int output_ = -1; // the server's default
    quint64 speaking_ = 0; // the spoken word's sound id, 0 when none
    std::function<void()> spoken_;
    std::function<void(std::exception_ptr)> failed_;
    QObject notifier_; // lives in the asking thread
    std::mutex errorMutex_;
    quint64 errorId_ = 0;
    std::exception_ptr error_;
    std::unique_ptr<platform::SoundQueue> queue_; // last: its thread ends first
};

} // namespace kelp
