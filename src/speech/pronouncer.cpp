#include "speech/pronouncer.h"

#include "config/settings.h"
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
    QString why;
    engine_ = createSpeechEngine(&why);
    if (!engine_) {
        qCWarning(lcSpeech).noquote() << "no speech engine:" << why;
        settings_.voice = kNoSpeechEngine;
        return;
    }
    engine_->setNotifications(spoken_, failed_);
    qCDebug(lcSpeech) << "speech engine ready:" << engine_->voiceCount() << "voices," << engine_->audioOutputCount()
                      << "outputs";
    if (engine_->voiceCount() < 1) {
        settings_.voice = kNoVoice;
        return;
    }
    if (engine_->audioOutputCount() < 1) {
        settings_.voice = kNoAudioOutput;
        return;
    }
    if (settings_.voice >= 1 && settings_.voice <= engine_->voiceCount())
        engine_->setVoice(settings_.voice - 1);
    else
        settings_.voice = kSpeechFailed;
    // Loads the voice now rather than at the first word.
    engine_->speak(QStringLiteral(" "), SpeechEngine::Purge);
}

void Pronouncer::setNotifications(std::function<void()> spoken, std::function<void(std::exception_ptr)> failed)
{
    spoken_ = std::move(spoken);
    failed_ = std::move(failed);
    if (engine_)
        engine_->setNotifications(spoken_, failed_);
}

bool Pronouncer::isSpeaking() const
{
    return engine_ && engine_->isSpeaking();
}

bool Pronouncer::hasRecording(const QString &word, QString *path) const
{
    const std::optional<QString> found = recordingPath(QStringLiteral(".wav"), word, QStringLiteral("/wav/"),
                                                       settings_.recordingsFolder, programFolder_);
    if (!found || !QFileInfo(*found).isFile())
        return false;
    if (path)
        *path = *found;
    return true;
}

void Pronouncer::prepare(const QString &word)
{
    if (word.isEmpty() || !engine_ || settings_.voice < 1 || settings_.voice > engine_->voiceCount() ||
        hasRecording(word))
        return;
    engine_->setVoice(settings_.voice - 1);
    engine_->prepare(word);
}

bool Pronouncer::pronounce(const QString &word)
{
    QString path;
    const bool recorded = hasRecording(word, &path);
    if (!recorded && settings_.voice >= 1 && engine_) {
        if (word.isEmpty())
            return false;
        engine_->setVoice(settings_.voice - 1);
        engine_->setAudioOutput(settings_.audioOutput - 1);
        engine_->speak(word, SpeechEngine::Purge | SpeechEngine::Async);
        return true;
    }
    // A recording, played without waiting; with no sound device (or no
    // engine to play it), nothing.
    if (!engine_ || engine_->audioOutputCount() < 1)
        return false;
    // On the chosen output when there is such an output; the default one otherwise.
    if (settings_.audioOutput >= 1 && settings_.audioOutput <= engine_->audioOutputCount())
        engine_->setAudioOutput(settings_.audioOutput - 1);
    if (recorded)
        engine_->playFile(path); // an unreadable one gives the event sound
    else
        engine_->playEventSound(); // no recording: the desktop's own sound
    return false;
}

} // namespace kelp
