#include "support/pulse_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace kelp::test {
namespace {

// What the recorder wrote so far: 16-bit samples.
std::vector<std::int16_t> samplesIn(const QString &path)
{
    QFile in(path);
    const QByteArray raw = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    std::vector<std::int16_t> samples(static_cast<size_t>(raw.size() / 2));
    if (!samples.empty()) // an empty vector's data() is null, which memcpy must never get
        std::memcpy(samples.data(), raw.constData(), samples.size() * 2);
    return samples;
}

} // namespace

PulseServer::PulseServer() : savedRuntime_(qgetenv("XDG_RUNTIME_DIR")), savedHome_(qgetenv("HOME"))
{
    const QString run = dir_.filePath("run");
    QFile::remove(run);
    QDir().mkpath(run);
    QFile::setPermissions(run, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir().mkpath(dir_.filePath("home"));
    QFile config(dir_.filePath("ci.pa"));
    if (!config.open(QIODevice::WriteOnly))
        return;
    config.write("load-module module-native-protocol-unix\n"
                 "load-module module-null-sink sink_name=speakers sink_properties=device.description=Speakers\n"
                 "load-module module-null-sink sink_name=headset sink_properties=device.description=Headset\n"
                 "set-default-sink speakers\n");
    config.close();
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(run));
    qputenv("HOME", QFile::encodeName(dir_.filePath("home")));
    server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server_.setStandardOutputFile(QProcess::nullDevice());
    server_.start(QStringLiteral("pulseaudio"),
                  {QStringLiteral("-n"), QStringLiteral("-F"), config.fileName(), QStringLiteral("--daemonize=no"),
                   QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--log-level=error")});
    if (!server_.waitForStarted(10000))
        return;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        if (pactl({QStringLiteral("info")})) {
            running_ = true;
            return;
        }
        QThread::msleep(50);
    }
}

PulseServer::~PulseServer()
{
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(5000))
            server_.kill();
        server_.waitForFinished(5000);
    }
    qputenv("XDG_RUNTIME_DIR", savedRuntime_);
    qputenv("HOME", savedHome_);
}

bool PulseServer::pactl(const QStringList &arguments) const
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(QStringLiteral("pactl"), arguments);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

MonitorRecorder::MonitorRecorder(const QString &sink)
{
    file_.open();
    recorder_.setStandardOutputFile(file_.fileName());
    // A short fragment: with the default one (seconds) what was captured is
    // lost when the recorder is stopped.
    recorder_.start(QStringLiteral("parec"),
                    {QStringLiteral("--device=") + sink + QStringLiteral(".monitor"), QStringLiteral("--raw"),
                     QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"), QStringLiteral("--rate=16000"),
                     QStringLiteral("--latency-msec=20")});
    recorder_.waitForStarted(10000);
    QThread::msleep(300); // until the stream runs
}

MonitorRecorder::~MonitorRecorder()
{
    stop();
}

std::vector<std::int16_t> MonitorRecorder::stop()
{
    if (stopped_)
        return samples_;
    stopped_ = true;
    QThread::msleep(100);
    ::kill(static_cast<pid_t>(recorder_.processId()), SIGINT);
    recorder_.waitForFinished(5000);
    samples_ = samplesIn(file_.fileName());
    return samples_;
}

std::vector<std::int16_t> MonitorRecorder::samplesSoFar() const
{
    return samplesIn(file_.fileName());
}

int MonitorRecorder::waitForLoud(int blocks, int quietMs)
{
    QElapsedTimer clock;
    clock.start();
    int loud = loudBlocks(samplesSoFar());
    while (loud < blocks && clock.elapsed() < 10000) {
        QThread::msleep(20);
        loud = loudBlocks(samplesSoFar());
    }
    // Then until the count stands still for `quietMs`.
    for (QElapsedTimer still; quietMs > 0 && clock.elapsed() < 10000;) {
        if (!still.isValid())
            still.start();
        QThread::msleep(20);
        const int now = loudBlocks(samplesSoFar());
        if (now != loud) {
            loud = now;
            still.restart();
        } else if (still.elapsed() >= quietMs) {
            break;
        }
    }
    return loud;
}

int loudBlocks(const std::vector<std::int16_t> &samples)
{
    constexpr size_t kBlock = 160; // 10 ms at 16 kHz
    int loud = 0;
    for (size_t start = 0; start + kBlock <= samples.size(); start += kBlock) {
        double sum = 0;
        for (size_t i = start; i < start + kBlock; ++i)
            sum += static_cast<double>(samples[i]) * samples[i];
        if (std::sqrt(sum / kBlock) > 200)
            ++loud;
    }
    return loud;
}

} // namespace kelp::test
