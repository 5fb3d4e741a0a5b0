// Sampled sound and the sound server's outputs as plain data, for code that
// hands sound around without playing it itself.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace kelp::sound {

struct AudioSink {
    QString name;        // the server's name for it
    QString description; // what a person reads
};

// 16-bit samples, interleaved.
struct Pcm {
    std::vector<std::int16_t> samples;
    int rate = 16000;
    int channels = 1;
    qint64 durationMs() const
    {
        return channels > 0 && rate > 0 ? static_cast<qint64>(samples.size()) * 1000 / (rate * channels) : 0;
    }
};

} // namespace kelp::sound
