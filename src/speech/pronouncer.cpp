#include "speech/pronouncer.h"

#include "config/settings.h"
#include "platform/audio.h"
#include "speech/speech_engine.h"
#include "util/log.h"

#include <QFileInfo>

namespace kelp {
namespace {

bool usableAsFileName(const QString &word)
{
    return !word.isEmpty() && !word.contains(QLatin1Char('/')) && !word.contains(QChar(0)) &&
           word != QLatin1String(".") && word != QLatin1String("..");
}

} // namespace

std::optional<QString> recordingPath(const QString &ext, const QString &word, const QString &subfolder,
                                     const QString &root, const QString &programFolder)
{
    if (!usableAsFileName(word))
        return std::nullopt;
    const QString first = word.left(1);
    const QString base = root.isEmpty() ? programFolder + subfolder : root + QLatin1Char('/');
    const QString direct = base + word + ext;
    if (QFileInfo::exists(direct))
        return direct;
    return base + first + QLatin1Char('/') + word + ext;
}

Pronouncer::Pronouncer(Settings &settings, const QString &programFolder)
    : settings_(settings), programFolder_(programFolder)
{
}

Pronouncer::~Pronouncer() = default;

void Pronouncer::initialise()
{
    try {
        engine_ = std::make_unique<SpeechEngine>();
    } catch (const std::exception &e) {
        qCWarning(lcSpeech) << "no speech engine:" << e.what();
        engine_.reset();
        settings_.voice = -1;
        return;
    }
    if (engine_->voiceCount() < 1) {
        settings_.voice = -2;
        return;
    }
    if (engine_->audioOutputCount() < 1) {
        settings_.voice = -3;
        return;
    }
    if (settings_.voice >= 1 && settings_.voice <= engine_->voiceCount())
        engine_->setVoice(settings_.voice - 1);
    else
        settings_.voice = -4;
    // Loads the voice now rather than at the first word.
    engine_->speak(QStringLiteral(" "), SpeechEngine::Purge);
}

void Pronouncer::pronounce(const QString &word)
{
    const std::optional<QString> path = recordingPath(QStringLiteral(".wav"), word, QStringLiteral("/wav/"),
                                                      settings_.recordingsFolder, programFolder_);
    const bool recorded = path && QFileInfo(*path).isFile();
    if (!recorded && settings_.voice >= 1 && engine_) {
        if (word.isEmpty())
            return;
        engine_->setVoice(settings_.voice - 1);
        engine_->setAudioOutput(settings_.audioOutput - 1);
        engine_->speak(QStringLiteral(" "), SpeechEngine::Purge);
        engine_->speak(word, SpeechEngine::Async);
        engine_->waitUntilDone(-1);
        return;
    }
    // A recording, played without waiting; with no sound device, nothing.
    if (!engine_) {
        if (platform::listAudioSinks().empty())
            return;
        platform::playEventSound();
        return;
    }
    if (engine_->audioOutputCount() < 1)
        return;
    QString error;
    std::optional<platform::Pcm> pcm = recorded ? platform::readSoundFile(*path, &error) : std::nullopt;
    if (!pcm) {
        // No recording (or none that can be read): the desktop's own sound.
        if (recorded)
            qCWarning(lcSpeech).noquote() << "cannot play" << *path << ":" << error;
        engine_->purge();
        platform::playEventSound();
        return;
    }
    // On the chosen output when there is such an output; the default one otherwise.
    if (settings_.audioOutput >= 1 && settings_.audioOutput <= engine_->audioOutputCount())
        engine_->setAudioOutput(settings_.audioOutput - 1);
    engine_->playSound(std::move(*pcm));
}

} // namespace kelp
