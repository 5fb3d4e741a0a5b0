// Sound from files: recordings, read in bounded pieces, and the desktop's
// event sound.
#include "sound/audio.h"

#include "util/log.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace kelp::sound {

std::optional<Pcm> readSoundFile(const QString &path, QString *error)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file) {
        *error = QString::fromLocal8Bit(sf_strerror(nullptr));
        return std::nullopt;
    }
    if (info.channels < 1 || info.channels > kMaxRecordingChannels || info.samplerate < 1 ||
        info.samplerate > kMaxRecordingRate) {
        sf_close(file);
        *error =
            QStringLiteral("not a usable recording (%1 channels at %2 Hz)").arg(info.channels).arg(info.samplerate);
        return std::nullopt;
    }
    // Floating-point files scaled to the full 16-bit range.
    sf_command(file, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
    Pcm pcm;
    pcm.rate = info.samplerate;
    pcm.channels = info.channels;
    // In pieces, up to the limit: a header may promise anything.
    const qint64 maxFrames = kMaxRecordingSamples / info.channels;
    constexpr sf_count_t kPiece = 4096;
    std::vector<std::int16_t> piece(static_cast<size_t>(kPiece * info.channels));
    qint64 frames = 0;
    while (frames < maxFrames) {
        const sf_count_t want = std::min<sf_count_t>(kPiece, maxFrames - frames);
        const sf_count_t got = sf_readf_short(file, piece.data(), want);
        if (got <= 0)
            break;
        pcm.samples.insert(pcm.samples.end(), piece.begin(), piece.begin() + got * info.channels);
        frames += got;
    }
    const bool failed = sf_error(file) != SF_ERR_NO_ERROR;
    sf_close(file);
    if (failed && pcm.samples.empty()) {
        *error = QStringLiteral("cannot read the recording");
        return std::nullopt;
    }
    if (frames >= maxFrames)
        qCInfo(lcPlatform).noquote() << "recording" << path << "cut after" << frames / info.samplerate << "s";
    return pcm;
}

namespace {

// A soft two-tone chime, for desktops without a sound theme.
Pcm chime()
{
    Pcm pcm;
    pcm.rate = 16000;
    const int n = pcm.rate / 4;
    pcm.samples.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / pcm.rate;
        const double f = i < n / 2 ? 880.0 : 660.0;
        const double envelope = std::exp(-6.0 * t);
        pcm.samples[static_cast<size_t>(i)] = static_cast<std::int16_t>(8000 * envelope * std::sin(2 * M_PI * f * t));
    }
    return pcm;
}

} // namespace

const Pcm &eventSound()
{
    static const Pcm sound = [] {
        for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
            for (const char *name : {"bell.oga", "bell.ogg", "bell.wav"}) {
                const QString path = folder + QStringLiteral("/sounds/freedesktop/stereo/") + QLatin1String(name);
                if (!QFileInfo(path).isFile())
                    continue;
                QString error;
                if (std::optional<Pcm> pcm = readSoundFile(path, &error); pcm && !pcm->samples.empty())
                    return std::move(*pcm);
                qCDebug(lcPlatform).noquote() << "event sound" << path << ":" << error;
            }
        }
        return chime();
    }();
    return sound;
}

} // namespace kelp::sound
