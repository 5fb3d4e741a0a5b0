#include "sound/audio.h"

#include "util/log.h"

#include <QFile>

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/sample.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kelp::sound {
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

// Everything the server's thread touches; guarded by its lock, except
// `done`, `error` and the condition, which have a mutex of their own so that
// waiting can time out.
struct AudioPlayer::State {
    pa_threaded_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    pa_stream *stream = nullptr;
    std::vector<std::uint8_t> data;
    size_t written = 0;
    bool complete = true; // no more samples will come
    bool draining = false;

    std::mutex mutex;
    std::condition_variable changed;
    bool playing = false;
    bool timedOut = false;
    QString error;

    void finish(const QString &why = QString())
    {
        std::lock_guard lock(mutex);
        playing = false;
        if (!why.isEmpty())
            error = why;
        changed.notify_all();
    }
};

namespace {

void onContextState(pa_context *, void *data)
{
    pa_threaded_mainloop_signal(static_cast<AudioPlayer::State *>(data)->loop, 0);
}

struct Deadline {
    pa_threaded_mainloop *loop;
    bool passed = false;
};

void onDeadline(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *data)
{
    auto *deadline = static_cast<Deadline *>(data);
    deadline->passed = true;
    pa_threaded_mainloop_signal(deadline->loop, 0);
}

void onDrained(pa_stream *stream, int success, void *data)
{
    auto *state = static_cast<AudioPlayer::State *>(data);
    if (stream == state->stream && success) // a stream cut meanwhile reports nothing
        state->finish();
}

// Hands the server what it asked for, as far as there is any; once the
// whole sound is there and written, asks to be told when the last sample has
// been played.
void feed(AudioPlayer::State &state, pa_stream *stream, size_t wanted)
{
    const size_t n = std::min(wanted, state.data.size() - state.written);
    if (n > 0) {
        pa_stream_write(stream, state.data.data() + state.written, n, nullptr, 0, PA_SEEK_RELATIVE);
        state.written += n;
    }
    if (state.complete && state.written == state.data.size() && !state.draining) {
        state.draining = true;
        if (pa_operation *op = pa_stream_drain(stream, onDrained, &state))
            pa_operation_unref(op);
    }
}

void onWritable(pa_stream *stream, size_t wanted, void *data)
{
    auto *state = static_cast<AudioPlayer::State *>(data);
    if (stream == state->stream)
        feed(*state, stream, wanted);
}

// What the server would take now of a sound that grows: it asks only when
// its buffer runs low, so samples that come between its requests are written
// as they come.
void feedReadyStream(AudioPlayer::State &state)
{
    if (!state.stream || pa_stream_get_state(state.stream) != PA_STREAM_READY)
        return; // a stream not ready yet asks for its first samples itself
    const size_t writable = pa_stream_writable_size(state.stream);
    if (writable != static_cast<size_t>(-1))
        feed(state, state.stream, writable);
}

void onStreamState(pa_stream *stream, void *data)
{
    auto *state = static_cast<AudioPlayer::State *>(data);
    if (stream == state->stream && pa_stream_get_state(stream) == PA_STREAM_FAILED)
        state->finish(QString::fromUtf8(pa_strerror(pa_context_errno(state->context))));
}

} // namespace

AudioPlayer::AudioPlayer() : state_(std::make_unique<State>())
{
    state_->loop = pa_threaded_mainloop_new();
    if (state_->loop)
        pa_threaded_mainloop_set_name(state_->loop, "kelp-pulse");
    if (state_->loop)
        pa_threaded_mainloop_start(state_->loop);
}

AudioPlayer::~AudioPlayer()
{
    if (!state_->loop)
        return;
    pa_threaded_mainloop_lock(state_->loop);
    stopStream();
    if (state_->context) {
        pa_context_disconnect(state_->context);
        pa_context_unref(state_->context);
    }
    pa_threaded_mainloop_unlock(state_->loop);
    pa_threaded_mainloop_stop(state_->loop);
    pa_threaded_mainloop_free(state_->loop);
}

// Called with the server's lock held.
bool AudioPlayer::connectServer()
{
    State &s = *state_;
    s.timedOut = false;
    if (s.context && pa_context_get_state(s.context) == PA_CONTEXT_READY)
        return true;
    if (s.context) { // lost (the server went away): start afresh
        pa_context_disconnect(s.context);
        pa_context_unref(s.context);
    }
    s.context = pa_context_new(pa_threaded_mainloop_get_api(s.loop), kClientName);
    if (!s.context)
        return false;
    pa_context_set_state_callback(s.context, onContextState, &s);
    if (pa_context_connect(s.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    // A server that accepts the connection and then says nothing must not
    // hold the caller: wait on the loop's own clock, with a limit.
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(s.loop);
    Deadline deadline{s.loop};
    timeval when{};
    pa_timeval_add(pa_gettimeofday(&when), static_cast<pa_usec_t>(kConnectTimeoutMs) * 1000);
    pa_time_event *timer = api->time_new(api, &when, onDeadline, &deadline);
    bool ready = false;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(s.context);
        if (state == PA_CONTEXT_READY) {
            ready = true;
            break;
        }
        if (!PA_CONTEXT_IS_GOOD(state))
            break;
        if (deadline.passed) {
            s.timedOut = true;
            break;
        }
        pa_threaded_mainloop_wait(s.loop);
    }
    api->time_free(timer);
    if (!ready) {
        pa_context_disconnect(s.context);
        pa_context_unref(s.context);
        s.context = nullptr;
    }
    return ready;
}

void AudioPlayer::disconnect()
{
    State &s = *state_;
    if (!s.loop)
        return;
    pa_threaded_mainloop_lock(s.loop);
    stopStream();
    if (s.context) {
        pa_context_disconnect(s.context);
        pa_context_unref(s.context);
        s.context = nullptr;
    }
    pa_threaded_mainloop_unlock(s.loop);
}

bool AudioPlayer::timedOut() const
{
    return state_->timedOut;
}

// Called with the server's lock held.
void AudioPlayer::stopStream()
{
    State &s = *state_;
    if (s.stream) {
        pa_stream *stream = s.stream;
        s.stream = nullptr; // its callbacks from now on find it is no longer ours
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream); // stops the sound at once
        pa_stream_unref(stream);
    }
    s.finish();
}

bool AudioPlayer::play(const Pcm &pcm, const QString &sink)
{
    return start(pcm, sink, true);
}

bool AudioPlayer::playOpenEnded(const Pcm &start, const QString &sink)
{
    return this->start(start, sink, false);
}

void AudioPlayer::append(const std::int16_t *samples, size_t count)
{
    State &s = *state_;
    if (!s.loop || count == 0)
        return;
    pa_threaded_mainloop_lock(s.loop);
    if (s.stream && !s.complete) { // not cut meanwhile
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(samples);
        s.data.insert(s.data.end(), bytes, bytes + count * sizeof(std::int16_t));
        feedReadyStream(s);
    }
    pa_threaded_mainloop_unlock(s.loop);
}

void AudioPlayer::endInput()
{
    State &s = *state_;
    if (!s.loop)
        return;
    pa_threaded_mainloop_lock(s.loop);
    if (s.stream && !s.complete) {
        s.complete = true;
        feedReadyStream(s);
    }
    pa_threaded_mainloop_unlock(s.loop);
}

bool AudioPlayer::start(const Pcm &pcm, const QString &sink, bool complete)
{
    State &s = *state_;
    if (!s.loop)
        return false;
    {
        std::lock_guard lock(s.mutex);
        s.error.clear();
    }
    pa_threaded_mainloop_lock(s.loop);
    stopStream();
    if (!connectServer()) {
        pa_threaded_mainloop_unlock(s.loop);
        s.finish(s.timedOut ? QStringLiteral("the sound server did not answer") : QStringLiteral("no sound server"));
        return false;
    }
    pa_sample_spec sampleFormat{};
    sampleFormat.format = PA_SAMPLE_S16LE;
    sampleFormat.rate = static_cast<std::uint32_t>(std::max(pcm.rate, 1));
    sampleFormat.channels = static_cast<std::uint8_t>(std::clamp(pcm.channels, 1, 32));
    s.data.assign(reinterpret_cast<const std::uint8_t *>(pcm.samples.data()),
                  reinterpret_cast<const std::uint8_t *>(pcm.samples.data() + pcm.samples.size()));
    s.written = 0;
    s.complete = complete;
    s.draining = false;
    s.stream = pa_stream_new(s.context, "word", &sampleFormat, nullptr);
    if (!s.stream) {
        pa_threaded_mainloop_unlock(s.loop);
        s.finish(QString::fromUtf8(pa_strerror(pa_context_errno(s.context))));
        return false;
    }
    {
        std::lock_guard lock(s.mutex);
        s.playing = true;
    }
    pa_stream_set_state_callback(s.stream, onStreamState, &s);
    pa_stream_set_write_callback(s.stream, onWritable, &s);
    // A short buffer, so that the word is heard at once and a cut is too.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(50 * 1000, &sampleFormat));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const QByteArray device = sink.toUtf8();
    if (pa_stream_connect_playback(s.stream, device.isEmpty() ? nullptr : device.constData(), &attr,
                                   PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
        const QString why = QString::fromUtf8(pa_strerror(pa_context_errno(s.context)));
        stopStream();
        pa_threaded_mainloop_unlock(s.loop);
        s.finish(why);
        return false;
    }
    pa_threaded_mainloop_unlock(s.loop);
    return true;
}

void AudioPlayer::purge()
{
    if (!state_->loop)
        return;
    pa_threaded_mainloop_lock(state_->loop);
    stopStream();
    pa_threaded_mainloop_unlock(state_->loop);
}

bool AudioPlayer::waitUntilDone(int timeoutMs)
{
    State &s = *state_;
    std::unique_lock lock(s.mutex);
    if (timeoutMs < 0) {
        s.changed.wait(lock, [&s] { return !s.playing; });
        return true;
    }
    return s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&s] { return !s.playing; });
}

QString AudioPlayer::lastError() const
{
    std::lock_guard lock(state_->mutex);
    return state_->error;
}

} // namespace kelp::sound
