// Speech figures against the running sound server (bench/speech.sh starts
// one): the time from asking for a word to its first sound on the output,
// said for the first time and readied while the word before is read,
// against a fresh stream of the same samples, in interleaved rounds (21
// unless given), and the synthesis time of every voice. Prints medians,
// the spread and means.   usage: kelp_speech_probe [rounds]
#include "config/settings.h"
#include "speech/pronouncer.h"
#include "speech/speech_engine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Reads an output's monitor in 5 ms pieces and notes when sound first came.
class Listener {
public:
    explicit Listener(const char *monitor)
    {
        pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, 16000, 1};
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.fragsize = 160; // 5 ms
        stream_ = pa_simple_new(nullptr, "kelp-bench", PA_STREAM_RECORD, monitor, "listen", &sampleFormat, nullptr,
                                &attr, nullptr);
        if (stream_)
            thread_ = std::thread([this] { run(); });
    }
    ~Listener()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (stream_)
            pa_simple_free(stream_);
    }
    bool ok() const { return stream_ != nullptr; }
    void arm()
    {
        std::lock_guard lock(mutex_);
        heard_.reset();
        armed_ = true;
    }
    std::optional<Clock::time_point> heard()
    {
        std::lock_guard lock(mutex_);
        return heard_;
    }

private:
    void run()
    {
        int16_t piece[80];
        while (!stop_) {
            if (pa_simple_read(stream_, piece, sizeof piece, nullptr) < 0)
                return;
            const auto now = Clock::now();
            const bool loud =
                std::any_of(std::begin(piece), std::end(piece), [](int16_t s) { return std::abs(s) > 500; });
            std::lock_guard lock(mutex_);
            if (armed_ && loud && !heard_)
                heard_ = now;
        }
    }
    pa_simple *stream_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    bool armed_ = false;
    std::optional<Clock::time_point> heard_;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The output plays in steps of about 5 ms, so that medians move by whole
// steps: the mean shows what lies between.
double mean(const std::vector<double> &v)
{
    double sum = 0;
    for (double x : v)
        sum += x;
    return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    kelp::Settings settings;
    settings.voice = 1;
    settings.audioOutput = 1;
    kelp::Pronouncer pronouncer(settings, folder.path());
    pronouncer.initialise();
    if (settings.voice < 1) {
        std::fprintf(stderr, "no speech (code %d): is a sound server running?\n", settings.voice);
        return 1;
    }
    kelp::SpeechEngine &engine = *pronouncer.engine();
    const QString sink = engine.audioOutput(0).name;
    Listener listener((sink + QStringLiteral(".monitor")).toUtf8().constData());
    if (!listener.ok())
        return 1;
    // The listener's short fragments bring the output's latency down; an
    // idle null output first plays out what it rendered ahead.
    QThread::msleep(3000);

    // The floor: a fresh stream of the server's own client library playing
    // the word, from opening the stream to its first sound. Word, floor and
    // the server's part alone take turns, round after round.
    const QByteArray sinkName = sink.toUtf8();
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    std::vector<double> firstSound, serverPart, floor;
    // Each sound is played out to its end and followed by silence, so that
    // the next one is not heard in the last one's tail.
    const auto timed = [&listener, &engine](std::vector<double> &into, const std::function<void()> &play,
                                            int settleMs) {
        listener.arm();
        const auto start = Clock::now();
        play();
        engine.waitUntilDone(5000);
        QThread::msleep(settleMs);
        if (const auto heard = listener.heard())
            into.push_back(std::chrono::duration<double, std::milli>(*heard - start).count());
    };
    // The floor's stream: the server's own client library, from opening the
    // stream to the word's first sound.
    const auto onFreshStream = [&sinkName](const kelp::sound::Pcm &pcm) {
        pa_sample_spec format{PA_SAMPLE_S16LE, static_cast<uint32_t>(pcm.rate), static_cast<uint8_t>(pcm.channels)};
        pa_simple *out = pa_simple_new(nullptr, "kelp-floor", PA_STREAM_PLAYBACK, sinkName.constData(), "floor",
                                       &format, nullptr, nullptr, nullptr);
        if (out) {
            pa_simple_write(out, pcm.samples.data(), pcm.samples.size() * sizeof(int16_t), nullptr);
            pa_simple_drain(out, nullptr);
            pa_simple_free(out);
        }
    };
    // The engine keeps the word said last (it is said again with its
    // meaning) and the word readied for the next step: "ocean" readied in
    // between makes "sea" a word said for the first time; "sea" readied
    // while the one before is read is the timer's steps.
    std::vector<double> readiedSound;
    const auto readyFirst = [&pronouncer](const QString &word) {
        pronouncer.prepare(word);
        QThread::msleep(300);
    };
    for (int i = 0; i < rounds; ++i) {
        // The voice's noise source makes each "sea" a little different, and
        // its soft start, before the sound is loud enough to count, is 11 to
        // 18 ms long: the floor and the server's part play a fresh one each
        // round, as the word does (the same one all along would weigh its
        // start in one figure only).
        const kelp::sound::Pcm sea = engine.synthesize(engine.voice(0), QStringLiteral("sea"));
        readyFirst(QStringLiteral("ocean"));
        timed(
            firstSound, [&] { pronouncer.pronounce(QStringLiteral("sea")); }, 300);
        timed(
            serverPart, [&] { engine.playSound(sea); }, 300);
        timed(
            floor, [&] { onFreshStream(sea); }, 300);
        readyFirst(QStringLiteral("ocean"));
        readyFirst(QStringLiteral("sea"));
        timed(
            readiedSound, [&] { pronouncer.pronounce(QStringLiteral("sea")); }, 300);
    }
    const auto spread = [](const std::vector<double> &v) {
        return v.empty() ? std::string("-")
                         : QStringLiteral("%1-%2")
                               .arg(*std::min_element(v.begin(), v.end()), 0, 'f', 1)
                               .arg(*std::max_element(v.begin(), v.end()), 0, 'f', 1)
                               .toStdString();
    };
    const auto ratio = [](const std::vector<double> &a, const std::vector<double> &b,
                          double (*of)(std::vector<double>)) { return of(b) > 0 ? of(a) / of(b) : 0.0; };
    const auto meanOf = [](std::vector<double> v) { return mean(v); };
    std::printf("\"sea\" said for the first time, to its first sound on the output: median %.1f ms (%s; mean %.1f; %zu "
                "of %d heard)\n",
                median(firstSound), spread(firstSound).c_str(), mean(firstSound), firstSound.size(), rounds);
    std::printf("of which the sound server (synthesized word to first sound): median %.1f ms (%s; mean %.1f)\n",
                median(serverPart), spread(serverPart).c_str(), mean(serverPart));
    std::printf("floor (the word on a fresh stream, to its first sound): median %.1f ms (%s; mean %.1f); the word is "
                "%.2f x the floor (means: %.2f x)\n",
                median(floor), spread(floor).c_str(), mean(floor), ratio(firstSound, floor, median),
                ratio(firstSound, floor, meanOf));
    std::printf("\"sea\" readied while the word before is read, to its first sound on the output: median %.1f ms (%s; "
                "mean %.1f): %.2f x the floor (means: %.2f x)\n",
                median(readiedSound), spread(readiedSound).c_str(), mean(readiedSound),
                ratio(readiedSound, floor, median), ratio(readiedSound, floor, meanOf));

    for (int v = 0; v < engine.voiceCount(); ++v) {
        std::vector<double> times;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer t;
            t.start();
            engine.synthesize(engine.voice(v), QStringLiteral("sea"));
            times.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("synthesis of \"sea\", %-60s %6.1f ms\n", qPrintable(engine.voice(v).description), median(times));
    }
    return 0;
}
