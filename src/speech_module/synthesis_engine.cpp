#include "speech_module/synthesis_engine.h"

#include "sound/sound_queue.h"
#include "speech_module/voices.h"
#include "util/log.h"

namespace kelp {

SynthesisEngine::SynthesisEngine() : voices_(voices::list())
{
    refreshAudioOutputs();
    queue_ = std::make_unique<sound::SoundQueue>([this](const sound::SoundQueue::Result &r) {
        // On the sound thread: keep the error, tell the asking thread.
        std::exception_ptr error = r.error;
        if (!error && r.persistentFailure)
            error = std::make_exception_ptr(SpeechError(SpeechError::Kind::Method, QStringLiteral("Speak"), r.failure));
        if (error) {
            std::lock_guard lock(errorMutex_);
            errorId_ = r.id;
            error_ = error;
        }
        const quint64 id = r.id;
        QMetaObject::invokeMethod(
            &notifier_, [this, id] { delivered(id); }, Qt::QueuedConnection);
    });
}

SynthesisEngine::~SynthesisEngine()
{
    queue_.reset(); // no sound thread calls back from here on
}

const VoiceInfo &SynthesisEngine::voice(int index) const
{
    if (index < 0 || index >= voiceCount())
        throw SpeechError(SpeechError::Kind::Property, QStringLiteral("Item"),
                          QStringLiteral("voice %1 is not in the voice list (0..%2)").arg(index).arg(voiceCount() - 1));
    return voices_[static_cast<size_t>(index)];
}

const sound::AudioSink &SynthesisEngine::audioOutput(int index) const
{
    if (index < 0 || index >= audioOutputCount())
        throw SpeechError(
            SpeechError::Kind::Property, QStringLiteral("Item"),
            QStringLiteral("audio output %1 is not in the output list (0..%2)").arg(index).arg(audioOutputCount() - 1));
    return outputs_[static_cast<size_t>(index)];
}

void SynthesisEngine::refreshAudioOutputs()
{
    outputs_ = sound::listAudioSinks();
}

void SynthesisEngine::setVoice(int index)
{
    voice(index); // throws when out of range
    voice_ = index;
}

void SynthesisEngine::setAudioOutput(int index)
{
    audioOutput(index); // throws when out of range
    output_ = index;
}

QString SynthesisEngine::chosenSink() const
{
    return output_ >= 0 && output_ < audioOutputCount() ? outputs_[static_cast<size_t>(output_)].name : QString();
}

sound::Pcm SynthesisEngine::synthesize(const VoiceInfo &voice, const QString &text)
{
    return voices::synthesize(voice, text, nullptr);
}

void SynthesisEngine::submit(std::function<std::optional<sound::Pcm>(sound::EarlySamples &)> produce, bool speech)
{
    const quint64 id = queue_->submit(std::move(produce), chosenSink(), speech);
    speaking_ = speech ? id : 0;
}

void SynthesisEngine::speak(const QString &text, int flags)
{
    if (flags & Purge)
        purge();
    const VoiceInfo chosen = voice(voice_);
    if (text.trimmed().isEmpty()) {
        synthesize(chosen, text);
        return;
    }
    if (audioOutputCount() < 1)
        throw SpeechError(SpeechError::Kind::Method, QStringLiteral("Speak"), QStringLiteral("no audio output"));
    submit(
        [this, chosen, text](sound::EarlySamples &early) -> std::optional<sound::Pcm> {
            if (std::optional<sound::Pcm> made = ready(chosen, text))
                return made;
            sound::Pcm pcm = voices::synthesize(chosen, text, &early);
            if (early.wanted()) // not cut short
                keep(chosen, text, pcm);
            return pcm;
        },
        true);
    if (!(flags & Async))
        waitUntilDone(-1);
}

void SynthesisEngine::prepare(const QString &text)
{
    if (text.trimmed().isEmpty())
        return;
    const VoiceInfo chosen = voice(voice_);
    queue_->whenIdle([this, chosen, text] {
        if (ready(chosen, text))
            return;
        try {
            keep(chosen, text, voices::synthesize(chosen, text, nullptr));
        } catch (const SpeechError &) {
            // Said when the word is asked for, as it always is.
        }
    });
}

std::optional<sound::Pcm> SynthesisEngine::ready(const VoiceInfo &voice, const QString &text)
{
    std::lock_guard lock(readyMutex_);
    if (ready_ && ready_->engine == voice.engine && ready_->voiceId == voice.id && ready_->text == text)
        return ready_->pcm;
    return std::nullopt;
}

void SynthesisEngine::keep(const VoiceInfo &voice, const QString &text, const sound::Pcm &pcm)
{
    std::lock_guard lock(readyMutex_);
    ready_ = ReadyWord{voice.engine, voice.id, text, pcm};
}

void SynthesisEngine::purge()
{
    queue_->cancel();
}

std::exception_ptr SynthesisEngine::takeError(quint64 id)
{
    std::lock_guard lock(errorMutex_);
    if (!error_ || (id != 0 && errorId_ != id))
        return nullptr;
    return std::exchange(error_, nullptr);
}

bool SynthesisEngine::waitUntilDone(int timeoutMs)
{
    // "No limit" still has one: every step on the sound thread has its own.
    constexpr int kLongest = 120000;
    const bool done = queue_->waitIdle(timeoutMs >= 0 ? timeoutMs : kLongest);
    if (!done) {
        qCWarning(lcSpeech) << "the sound thread did not finish the word in time; it is cut";
        queue_->cancel();
    }
    if (std::exception_ptr error = takeError())
        std::rethrow_exception(error);
    return done;
}

void SynthesisEngine::delivered(quint64 id)
{
    if (std::exception_ptr error = takeError(id); error && failed_)
        failed_(error);
    if (speaking_ != 0 && id >= speaking_) {
        speaking_ = 0;
        if (spoken_)
            spoken_();
    }
}

void SynthesisEngine::setNotifications(std::function<void()> spoken, std::function<void(std::exception_ptr)> failed)
{
    spoken_ = std::move(spoken);
    failed_ = std::move(failed);
}

void SynthesisEngine::playSound(sound::Pcm pcm)
{
    auto shared = std::make_shared<sound::Pcm>(std::move(pcm));
    submit([shared](sound::EarlySamples &) -> std::optional<sound::Pcm> { return std::move(*shared); }, false);
}

void SynthesisEngine::playFile(const QString &path, bool bellInstead)
{
    submit(
        [path, bellInstead](sound::EarlySamples &) -> std::optional<sound::Pcm> {
            QString error;
            std::optional<sound::Pcm> pcm = sound::readSoundFile(path, &error);
            if (!pcm) {
                qCWarning(lcSpeech).noquote() << "cannot play" << path << ":" << error;
                if (!bellInstead)
                    return std::nullopt;
                return sound::eventSound(); // as when there is no recording
            }
            return pcm;
        },
        false);
}

void SynthesisEngine::playEventSound()
{
    submit([](sound::EarlySamples &) -> std::optional<sound::Pcm> { return sound::eventSound(); }, false);
}

} // namespace kelp
