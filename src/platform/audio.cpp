#include "platform/audio.h"

#include "util/log.h"

#include <QFile>

#include <canberra.h>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/simple.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>

namespace kelp::platform {
namespace {

constexpr const char *kClientName = "kelpword";

struct SinkListing {
    std::vector<AudioSink> sinks;
    bool done = false;
};

void onSink(pa_context *, const pa_sink_info *info, int eol, void *data)
{
    auto *listing = static_cast<SinkListing *>(data);
    if (eol != 0) {
        listing->done = true;
        return;
    }
    listing->sinks.push_back(
        {QString::fromUtf8(info->name), QString::fromUtf8(info->description ? info->description : info->name)});
}

} // namespace

std::vector<AudioSink> listAudioSinks(int timeoutMs)
{
    pa_mainloop *loop = pa_mainloop_new();
    if (!loop)
        return {};
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), kClientName);
    SinkListing listing;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        pa_operation *operation = nullptr;
        while (std::chrono::steady_clock::now() < deadline && !listing.done) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
                break;
            if (state == PA_CONTEXT_READY && !operation)
                operation = pa_context_get_sink_info_list(context, onSink, &listing);
            // Never block for long: the deadline is checked between iterations.
            pa_mainloop_prepare(loop, 10 * 1000);
            pa_mainloop_poll(loop);
            pa_mainloop_dispatch(loop);
        }
        if (operation)
            pa_operation_unref(operation);
        pa_context_disconnect(context);
    }
    if (context)
        pa_context_unref(context);
    pa_mainloop_free(loop);
    if (!listing.done)
        return {};
    return listing.sinks;
}

std::optional<Pcm> readSoundFile(const QString &path, QString *error)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file) {
        *error = QString::fromLocal8Bit(sf_strerror(nullptr));
        return std::nullopt;
    }
    // Floating-point files scaled to the full 16-bit range.
    sf_command(file, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
    Pcm pcm;
    pcm.rate = info.samplerate;
    pcm.channels = info.channels;
    constexpr sf_count_t kMaxFrames = 48000LL * 60 * 10; // ten minutes is no word
    if (info.channels < 1 || info.samplerate < 1 || info.frames > kMaxFrames) {
        sf_close(file);
        *error = QStringLiteral("not a usable recording");
        return std::nullopt;
    }
    pcm.samples.resize(static_cast<size_t>(info.frames * info.channels));
    const sf_count_t read = sf_readf_short(file, pcm.samples.data(), info.frames);
    sf_close(file);
    if (read < 0) {
        *error = QStringLiteral("cannot read the recording");
        return std::nullopt;
    }
    pcm.samples.resize(static_cast<size_t>(read * info.channels));
    return pcm;
}

AudioPlayer::AudioPlayer() : thread_([this] { run(); }) {}

AudioPlayer::~AudioPlayer()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        ++generation_;
    }
    changed_.notify_all();
    thread_.join();
}

void AudioPlayer::play(Pcm pcm, const QString &sink)
{
    {
        std::lock_guard lock(mutex_);
        pending_ = Job{std::move(pcm), sink};
        ++generation_;
        busy_ = true;
    }
    changed_.notify_all();
}

void AudioPlayer::purge()
{
    std::unique_lock lock(mutex_);
    pending_.reset();
    ++generation_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !busy_; });
}

bool AudioPlayer::waitUntilDone(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0) {
        changed_.wait(lock, [this] { return !busy_; });
        return true;
    }
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !busy_; });
}

QString AudioPlayer::lastError() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

void AudioPlayer::run()
{
    for (;;) {
        std::optional<Job> job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return quit_ || pending_.has_value() || busy_; });
            if (quit_)
                return;
            job = std::move(pending_);
            pending_.reset();
            if (!job) {
                busy_ = false; // a purge with nothing left to play
                changed_.notify_all();
                continue;
            }
        }
        playJob(*job);
        std::lock_guard lock(mutex_);
        if (!pending_)
            busy_ = false;
        changed_.notify_all();
    }
}

void AudioPlayer::playJob(const Job &job)
{
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        generation = generation_;
        error_.clear();
    }
    const auto cancelled = [&] {
        std::lock_guard lock(mutex_);
        return generation_ != generation || quit_;
    };
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = static_cast<std::uint32_t>(job.pcm.rate);
    spec.channels = static_cast<std::uint8_t>(std::clamp(job.pcm.channels, 1, 32));
    // A short buffer on the server, so that a purge is heard at once.
    const std::uint32_t chunkBytes = static_cast<std::uint32_t>(pa_usec_to_bytes(20 * 1000, &spec)); // 20 ms
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = chunkBytes * 2;
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    int err = 0;
    const QByteArray sink = job.sink.toUtf8();
    pa_simple *stream = pa_simple_new(nullptr, kClientName, PA_STREAM_PLAYBACK,
                                      sink.isEmpty() ? nullptr : sink.constData(), "word", &spec, nullptr, &attr, &err);
    if (!stream) {
        std::lock_guard lock(mutex_);
        error_ = QString::fromUtf8(pa_strerror(err));
        return;
    }
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(job.pcm.samples.data());
    const size_t total = job.pcm.samples.size() * sizeof(std::int16_t);
    bool stopped = false;
    for (size_t offset = 0; offset < total; offset += chunkBytes) {
        if (cancelled()) {
            stopped = true;
            break;
        }
        const size_t n = std::min<size_t>(chunkBytes, total - offset);
        if (pa_simple_write(stream, bytes + offset, n, &err) < 0) {
            std::lock_guard lock(mutex_);
            error_ = QString::fromUtf8(pa_strerror(err));
            stopped = true;
            break;
        }
    }
    // Until the last sample has been heard (not merely handed over), unless cut.
    while (!stopped) {
        if (cancelled()) {
            stopped = true;
            break;
        }
        const pa_usec_t latency = pa_simple_get_latency(stream, &err);
        if (latency == static_cast<pa_usec_t>(-1) || latency == 0)
            break;
        std::this_thread::sleep_for(std::chrono::microseconds(std::min<pa_usec_t>(latency, 5000)));
    }
    if (stopped)
        pa_simple_flush(stream, &err);
    pa_simple_free(stream);
}

void playEventSound()
{
    static ca_context *context = [] {
        ca_context *c = nullptr;
        if (ca_context_create(&c) != CA_SUCCESS)
            return static_cast<ca_context *>(nullptr);
        ca_context_change_props(c, CA_PROP_APPLICATION_NAME, "Kelp Words", CA_PROP_APPLICATION_ID, "kelpword", nullptr);
        return c;
    }();
    if (!context)
        return;
    const int rc = ca_context_play(context, 0, CA_PROP_EVENT_ID, "bell", CA_PROP_EVENT_DESCRIPTION, "word", nullptr);
    if (rc != CA_SUCCESS)
        qCDebug(lcPlatform) << "the event sound could not be played:" << ca_strerror(rc);
}

} // namespace kelp::platform
