// The speech engine as the program sees it: voices (flite's, then espeak-ng's
// English ones), the sound server's outputs, and speaking on the chosen voice
// and output. The engine itself lives in a module of its own, loaded once the
// word window is up, so that nothing of speech or sound is loaded before the
// first word is on screen. Its calls fail the way the program's error handling
// expects: a failing method (speak, wait) throws a SpeechError of kind Method,
// a failing property access (choosing a voice or output, an item out of
// range) one of kind Property.
#pragma once

#include "sound/pcm.h"

#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>

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

// Synthesis and playing run on the engine's own sound thread: asking for a
// word returns at once, and the thread that asked hears of the end through
// `spoken` (and of a failure through `failed`) from its own event loop.
class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;

    // GetVoices / GetAudioOutputs: Count and Item(i), i from 0. The voices
    // are fixed for the run (same order every run); the outputs are those the
    // sound server had when the engine was made, or last refreshed.
    virtual int voiceCount() const = 0;
    virtual const VoiceInfo &voice(int index) const = 0;
    virtual int audioOutputCount() const = 0;
    virtual const sound::AudioSink &audioOutput(int index) const = 0;
    virtual void refreshAudioOutputs() = 0;

    // Voice = Item(index); AudioOutput = Item(index).
    virtual void setVoice(int index) = 0;
    virtual void setAudioOutput(int index) = 0;

    enum Flag { Async = 1, Purge = 2 };
    // Purge: cut what is still playing first, at once. Blank text loads the
    // voice here and now (and throws when it cannot). Other text is spoken on
    // the sound thread; with Async this returns at once, otherwise once spoken.
    virtual void speak(const QString &text, int flags) = 0;
    // Makes the samples of `text` in the chosen voice on the sound thread
    // once it is otherwise idle, so that speak() of it starts at once: for
    // the word due next. The word said last is kept alike (it is said twice
    // in a row, with its meaning).
    virtual void prepare(const QString &text) = 0;
    // Waits until what was asked for has been said (-1: as long as the sound
    // thread's own limits allow). True when done; throws the SpeechError of
    // a word that failed meanwhile (it then reaches `failed` no more).
    virtual bool waitUntilDone(int timeoutMs) = 0;
    virtual void purge() = 0;
    // True from a spoken word's start until `spoken` is called for it.
    virtual bool isSpeaking() const = 0;

    // Sound that is not speech, on the chosen output; returns at once.
    virtual void playSound(sound::Pcm pcm) = 0;
    // A recording, decoded on the sound thread (a large file costs the caller
    // nothing). One that cannot be read is said on stderr and, with
    // `bellInstead`, replaced by the event sound.
    virtual void playFile(const QString &path, bool bellInstead = true) = 0;
    // The desktop's event sound on the chosen output.
    virtual void playEventSound() = 0;

    // `spoken`: the last word asked for is over (said, cut or failed).
    // `failed`: a word could not be said (voice, or a sound server that
    // keeps failing); a SpeechError.
    virtual void setNotifications(std::function<void()> spoken, std::function<void(std::exception_ptr)> failed) = 0;

    // The samples a voice makes of `text` (empty for blank text). Any thread.
    virtual sound::Pcm synthesize(const VoiceInfo &voice, const QString &text) = 0;
};

// Loads the engine's module (beside the program, or where the package puts
// it) and makes the engine. Nothing, with the reason in `error`, when the
// module cannot be loaded.
std::unique_ptr<SpeechEngine> createSpeechEngine(QString *error);

} // namespace kelp
