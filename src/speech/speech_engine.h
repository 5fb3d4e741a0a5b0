// The speech engine: voices (flite's, then espeak-ng's English ones), the
// sound server's outputs, and speaking on the chosen voice and output. Its
// calls fail the way the program's error handling expects: a failing method
// (speak, wait) throws a SpeechError of kind Method, a failing property
// access (choosing a voice or output, an item out of range) one of kind Property.
#pragma once

#include "platform/audio.h"

#include <QString>

#include <memory>
#include <stdexcept>
#include <vector>

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
    // Purge: cut what is still playing first. Async: return once it plays;
    // otherwise when it has been spoken.
    void speak(const QString &text, int flags);
    // -1: until spoken, but never longer than the sound plus a few seconds
    // (a stalled sound server cannot freeze the program). True when done.
    bool waitUntilDone(int timeoutMs);
    void purge() { player_.purge(); }

    // Plays sound that is not speech (a recording) on the chosen output.
    void playSound(platform::Pcm pcm);

    // The samples a voice makes of `text` (empty for blank text).
    platform::Pcm synthesize(const VoiceInfo &voice, const QString &text);

private:
    std::vector<VoiceInfo> voices_;
    std::vector<platform::AudioSink> outputs_;
    int voice_ = 0;
    int output_ = -1; // the server's default
    qint64 playingMs_ = 0;
    platform::AudioPlayer player_;
};

} // namespace kelp
