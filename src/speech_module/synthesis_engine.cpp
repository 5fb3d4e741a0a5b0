#include "speech_module/synthesis_engine.h"

#include "sound/sound_queue.h"
#include "util/log.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>
#include <flite/flite.h>
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

extern "C" {
cst_voice *register_cmu_us_slt(const char *voxdir);
cst_voice *register_cmu_us_rms(const char *voxdir);
cst_voice *register_cmu_us_awb(const char *voxdir);
cst_voice *register_cmu_us_kal16(const char *voxdir);
cst_voice *register_cmu_us_kal(const char *voxdir);
}

namespace kelp {
namespace {

struct FliteVoice {
    const char *id;
    const char *description;
    cst_voice *(*registerVoice)(const char *);
};

// Best first.
const FliteVoice kFliteVoices[] = {
    {"slt", "flite slt - US English, female (16 kHz)", register_cmu_us_slt},
    {"rms", "flite rms - US English, male (16 kHz)", register_cmu_us_rms},
    {"awb", "flite awb - Scottish English, male (16 kHz)", register_cmu_us_awb},
    {"kal16", "flite kal16 - US English, male (diphone, 16 kHz)", register_cmu_us_kal16},
    {"kal", "flite kal - US English, male (diphone, 8 kHz)", register_cmu_us_kal},
};

cst_voice *fliteVoice(const QString &id)
{
    static bool initialised = false;
    static std::map<QString, cst_voice *> loaded;
    if (!initialised) {
        flite_init();
        initialised = true;
    }
    auto it = loaded.find(id);
    if (it != loaded.end())
        return it->second;
    for (const FliteVoice &v : kFliteVoices) {
        if (id == QLatin1String(v.id)) {
            cst_voice *voice = loaded[id] = v.registerVoice(nullptr);
            ::malloc_trim(0); // what loading needed and let go goes back now, not never
            return voice;
        }
    }
    return nullptr;
}

// flite's voice table and espeak-ng keep global state: one synthesis at a
// time, whichever thread asks.
std::mutex g_synthesis;
std::vector<std::int16_t> *g_espeakSamples = nullptr;

int collectSamples(short *samples, int count, espeak_EVENT *)
{
    if (samples && g_espeakSamples)
        g_espeakSamples->insert(g_espeakSamples->end(), samples, samples + count);
    return 0;
}

int espeakRate()
{
    static const int rate = [] {
        const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
        if (r > 0)
            espeak_SetSynthCallback(collectSamples);
        ::malloc_trim(0);
        return r;
    }();
    return rate;
}

std::vector<VoiceInfo> espeakEnglishVoices()
{
    std::vector<VoiceInfo> voices;
    // The voice files only: the phoneme data (megabytes) waits for a word
    // said in one of these voices.
    espeak_ng_InitializePath(nullptr);
    const espeak_VOICE **list = espeak_ListVoices(nullptr);
    for (int i = 0; list && list[i]; ++i) {
        const espeak_VOICE *v = list[i];
        const QString id = QString::fromUtf8(v->identifier ? v->identifier : "");
        if (!id.startsWith(QLatin1String("gmw/en")))
            continue;
        const QString language = QString::fromUtf8(v->languages ? v->languages + 1 : "");
        const char *sex = v->gender == 2 ? "female" : v->gender == 1 ? "male" : "neutral";
        voices.push_back(
            {VoiceInfo::Engine::Espeak, id,
             QStringLiteral("espeak-ng %1 - %2, %3").arg(QString::fromUtf8(v->name), language, QLatin1String(sex))});
    }
    // The engine lists them in no fixed order: by identifier, so a saved
    // voice number keeps meaning the same voice.
    std::sort(voices.begin(), voices.end(), [](const VoiceInfo &a, const VoiceInfo &b) { return a.id < b.id; });
    return voices;
}

// flite pads every utterance with silence; a word should start at once.
void trimSilence(std::vector<std::int16_t> &samples)
{
    constexpr int kQuiet = 64;
    const auto loud = [](std::int16_t s) { return std::abs(static_cast<int>(s)) > kQuiet; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    if (first == samples.end()) {
        samples.clear();
        return;
    }
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    samples = std::vector<std::int16_t>(first, last);
}

} // namespace

SynthesisEngine::SynthesisEngine()
{
    for (const FliteVoice &v : kFliteVoices)
        voices_.push_back({VoiceInfo::Engine::Flite, QLatin1String(v.id), QLatin1String(v.description)});
    {
        std::lock_guard lock(g_synthesis);
        for (VoiceInfo &v : espeakEnglishVoices())
            voices_.push_back(std::move(v));
    }
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
        QMetaObject::invokeMethod(&notifier_, [this, id] { delivered(id); }, Qt::QueuedConnection);
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
    std::lock_guard lock(g_synthesis);
    sound::Pcm pcm;
    const QByteArray utf8 = text.toUtf8();
    if (voice.engine == VoiceInfo::Engine::Flite) {
        cst_voice *v = fliteVoice(voice.id);
        if (!v)
            throw SpeechError(SpeechError::Kind::Method, QStringLiteral("Speak"),
                              QStringLiteral("the voice %1 cannot be loaded").arg(voice.id));
        if (text.trimmed().isEmpty())
            return pcm; // loads the voice, says nothing
        cst_wave *wave = flite_text_to_wave(utf8.constData(), v);
        if (!wave)
            throw SpeechError(SpeechError::Kind::Method, QStringLiteral("Speak"), QStringLiteral("synthesis failed"));
        pcm.rate = wave->sample_rate;
        pcm.channels = wave->num_channels;
        pcm.samples.assign(wave->samples, wave->samples + wave->num_samples * wave->num_channels);
        delete_wave(wave);
        trimSilence(pcm.samples);
        return pcm;
    }
    const int rate = espeakRate();
    if (rate <= 0 || espeak_SetVoiceByName(voice.id.toUtf8().constData()) != EE_OK)
        throw SpeechError(SpeechError::Kind::Method, QStringLiteral("Speak"),
                          QStringLiteral("the voice %1 cannot be loaded").arg(voice.id));
    pcm.rate = rate;
    if (text.trimmed().isEmpty())
        return pcm;
    g_espeakSamples = &pcm.samples;
    const espeak_ERROR rc = espeak_Synth(utf8.constData(), static_cast<size_t>(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                         espeakCHARS_UTF8, nullptr, nullptr);
    espeak_Synchronize();
    g_espeakSamples = nullptr;
    if (rc != EE_OK)
        throw SpeechError(SpeechError::Kind::Method, QStringLiteral("Speak"), QStringLiteral("synthesis failed"));
    return pcm;
}

void SynthesisEngine::submit(std::function<std::optional<sound::Pcm>()> produce, bool speech)
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
    submit([this, chosen, text]() -> std::optional<sound::Pcm> { return synthesize(chosen, text); }, true);
    if (!(flags & Async))
        waitUntilDone(-1);
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
    submit([shared]() -> std::optional<sound::Pcm> { return std::move(*shared); }, false);
}

void SynthesisEngine::playFile(const QString &path, bool bellInstead)
{
    submit(
        [path, bellInstead]() -> std::optional<sound::Pcm> {
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
    submit([]() -> std::optional<sound::Pcm> { return sound::eventSound(); }, false);
}

} // namespace kelp
