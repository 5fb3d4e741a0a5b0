// The speech engine itself: flite's and espeak-ng's voices synthesised into
// memory and played through the sound thread. Built into the module the
// program loads after its first paint (and linked directly by the tests).
#pragma once

#include "speech/speech_engine.h"

#include <QObject>

#include <mutex>
#include <optional>
#include <vector>

namespace kelp::sound {
class EarlySamples;
class SoundQueue;
} // namespace kelp::sound

namespace kelp {

class SynthesisEngine final : public SpeechEngine {
public:
    SynthesisEngine();
    ~SynthesisEngine() override;
    SynthesisEngine(const SynthesisEngine &) = delete;
    SynthesisEngine &operator=(const SynthesisEngine &) = delete;

    int voiceCount() const override { return static_cast<int>(voices_.size()); }
    const VoiceInfo &voice(int index) const override;
    int audioOutputCount() const override { return static_cast<int>(outputs_.size()); }
    const sound::AudioSink &audioOutput(int index) const override;
    void refreshAudioOutputs() override;
    void setVoice(int index) override;
    void setAudioOutput(int index) override;
    void speak(const QString &text, int flags) override;
    void prepare(const QString &text) override;
    bool waitUntilDone(int timeoutMs) override;
    void purge() override;
    bool isSpeaking() const override { return speaking_ != 0; }
    void playSound(sound::Pcm pcm) override;
    void playFile(const QString &path, bool bellInstead) override;
    void playEventSound() override;
    void setNotifications(std::function<void()> spoken, std::function<void(std::exception_ptr)> failed) override;
    sound::Pcm synthesize(const VoiceInfo &voice, const QString &text) override;

private:
    QString chosenSink() const;
    void submit(std::function<std::optional<sound::Pcm>(sound::EarlySamples &)> produce, bool speech);
    void delivered(quint64 id);
    // The word made ahead or said last, when it is `text` in `voice`.
    std::optional<sound::Pcm> ready(const VoiceInfo &voice, const QString &text);
    void keep(const VoiceInfo &voice, const QString &text, const sound::Pcm &pcm);
    std::exception_ptr takeError(quint64 id = 0);

    std::vector<VoiceInfo> voices_;
    std::vector<sound::AudioSink> outputs_;
    int voice_ = 0;
    int output_ = -1;      // the server's default
    quint64 speaking_ = 0; // the spoken word's sound id, 0 when none
    std::function<void()> spoken_;
    std::function<void(std::exception_ptr)> failed_;
    QObject notifier_; // lives in the asking thread
    std::mutex errorMutex_;
    quint64 errorId_ = 0;
    std::exception_ptr error_;
    struct ReadyWord {
        VoiceInfo::Engine engine;
        QString voiceId;
        QString text;
        sound::Pcm pcm;
    };
    std::mutex readyMutex_;
    std::optional<ReadyWord> ready_;
    std::unique_ptr<sound::SoundQueue> queue_; // last: its thread ends first
};

} // namespace kelp
