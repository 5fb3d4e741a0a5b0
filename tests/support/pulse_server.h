// A PulseAudio server of the test's own, with two null outputs ("speakers",
// the default, and "headset"), and a recorder of what reaches an output.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cstdint>
#include <memory>
#include <vector>

namespace kelp::test {

class PulseServer {
public:
    // Starts the server and points this process's sound clients at it.
    PulseServer();
    ~PulseServer();
    bool isRunning() const { return running_; }
    // Runs pactl against the server; true when it succeeded.
    bool pactl(const QStringList &arguments) const;

private:
    QTemporaryDir dir_;
    QProcess server_;
    QByteArray savedRuntime_;
    QByteArray savedHome_;
    bool running_ = false;
};

// Records an output's monitor (mono, 16 kHz) while it lives.
class MonitorRecorder {
public:
    explicit MonitorRecorder(const QString &sink);
    ~MonitorRecorder();
    // Stops and returns the samples.
    std::vector<std::int16_t> stop();
    // Waits (10 s at most) until `blocks` loud blocks have come, then until
    // nothing more comes for `quietMs`; the loud blocks so far.
    int waitForLoud(int blocks, int quietMs = 0);

private:
    std::vector<std::int16_t> samplesSoFar() const;
    QTemporaryFile file_;
    QProcess recorder_;
    std::vector<std::int16_t> samples_;
    bool stopped_ = false;
};

// The number of 10 ms blocks whose level stands above the noise floor.
int loudBlocks(const std::vector<std::int16_t> &samples);

} // namespace kelp::test
