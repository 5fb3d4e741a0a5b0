#include "speech_module/voices.h"

#include "sound/sound_queue.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>
#include <flite/flite.h>
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

extern "C" {
cst_voice *register_cmu_us_slt(const char *voxdir);
cst_voice *register_cmu_us_rms(const char *voxdir);
cst_voice *register_cmu_us_awb(const char *voxdir);
cst_voice *register_cmu_us_kal16(const char *voxdir);
cst_voice *register_cmu_us_kal(const char *voxdir);
}

namespace kelp::voices {
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

// Where flite's samples go as they are made; null: nowhere but the wave.
struct FliteStream;
FliteStream *g_fliteStream = nullptr; // guarded by g_synthesis, as the engines are
int onFliteSamples(const cst_wave *wave, int start, int size, int last, cst_audio_streaming_info *);

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
            // Every voice hands on its samples while it makes the rest: a
            // word is heard before the whole of it exists.
            if (cst_audio_streaming_info *streaming = voice ? new_audio_streaming_info() : nullptr) {
                streaming->asc = onFliteSamples;
                feat_set(voice->features, "streaming_info", audio_streaming_info_val(streaming));
            }
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
sound::EarlySamples *g_espeakEarly = nullptr;
int g_espeakRate = 0;

int collectSamples(short *samples, int count, espeak_EVENT *)
{
    if (samples && count > 0 && g_espeakSamples) {
        g_espeakSamples->insert(g_espeakSamples->end(), samples, samples + count);
        if (g_espeakEarly && !g_espeakEarly->add(samples, static_cast<size_t>(count), g_espeakRate, 1))
            return 1; // nobody listens any more: stop
    }
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
// Samples are taken as they come: quiet ones at the start are dropped, quiet
// ones later are held until a loud one follows, and those still held at the
// end are dropped.
class SilenceTrim {
public:
    // Appends to `kept` what is certain to be heard; returns how many.
    size_t take(const std::int16_t *samples, size_t count, std::vector<std::int16_t> &kept)
    {
        const size_t before = kept.size();
        for (size_t i = 0; i < count; ++i) {
            const std::int16_t s = samples[i];
            if (std::abs(static_cast<int>(s)) <= kQuiet) {
                if (started_)
                    held_.push_back(s);
                continue;
            }
            started_ = true;
            kept.insert(kept.end(), held_.begin(), held_.end());
            held_.clear();
            kept.push_back(s);
        }
        return kept.size() - before;
    }

private:
    static constexpr int kQuiet = 64;
    bool started_ = false;
    std::vector<std::int16_t> held_;
};

std::vector<std::int16_t> trimSilence(const std::int16_t *samples, size_t count)
{
    std::vector<std::int16_t> kept;
    SilenceTrim().take(samples, count, kept);
    return kept;
}

struct FliteStream {
    sound::EarlySamples *early;
    SilenceTrim trim;
    std::vector<std::int16_t> piece;
};

int onFliteSamples(const cst_wave *wave, int start, int size, int, cst_audio_streaming_info *)
{
    FliteStream *stream = g_fliteStream;
    if (!stream || !stream->early || size <= 0)
        return CST_AUDIO_STREAM_CONT;
    stream->piece.clear();
    stream->trim.take(wave->samples + start, static_cast<size_t>(size), stream->piece);
    if (!stream->early->add(stream->piece.data(), stream->piece.size(), wave->sample_rate, wave->num_channels))
        return CST_AUDIO_STREAM_STOP; // nobody listens any more
    return CST_AUDIO_STREAM_CONT;
}

} // namespace

std::vector<VoiceInfo> list()
{
    std::vector<VoiceInfo> voices;
    for (const FliteVoice &v : kFliteVoices)
        voices.push_back({VoiceInfo::Engine::Flite, QLatin1String(v.id), QLatin1String(v.description)});
    std::lock_guard lock(g_synthesis);
    for (VoiceInfo &v : espeakEnglishVoices())
        voices.push_back(std::move(v));
    return voices;
}

sound::Pcm synthesize(const VoiceInfo &voice, const QString &text, sound::EarlySamples *early)
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
        // What is handed on early is the start of the wave returned: flite
        // hands on the very samples it leaves in the wave.
        FliteStream stream{early, {}, {}};
        g_fliteStream = &stream;
        cst_wave *wave = flite_text_to_wave(utf8.constData(), v);
        g_fliteStream = nullptr;
        if (!wave)
            throw SpeechError(SpeechError::Kind::Method, QStringLiteral("Speak"), QStringLiteral("synthesis failed"));
        pcm.rate = wave->sample_rate;
        pcm.channels = wave->num_channels;
        pcm.samples = trimSilence(wave->samples,
                                  static_cast<size_t>(wave->num_samples) * static_cast<size_t>(wave->num_channels));
        delete_wave(wave);
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
    g_espeakEarly = early;
    g_espeakRate = rate;
    const espeak_ERROR rc = espeak_Synth(utf8.constData(), static_cast<size_t>(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                         espeakCHARS_UTF8, nullptr, nullptr);
    espeak_Synchronize();
    g_espeakSamples = nullptr;
    g_espeakEarly = nullptr;
    if (rc != EE_OK)
        throw SpeechError(SpeechError::Kind::Method, QStringLiteral("Speak"), QStringLiteral("synthesis failed"));
    return pcm;
}

} // namespace kelp::voices
