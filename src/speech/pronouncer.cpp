#include "speech/pronouncer.h"

#include "config/settings.h"
#include "platform/sound_player.h"
#include "speech/speech_engine.h"
#include "util/log.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace kelp {
namespace {

bool usableAsFileName(const QString &word)
{
    return !word.isEmpty() && !word.contains(QLatin1Char('/')) && !word.contains(QChar(0)) &&
           word != QLatin1String(".") && word != QLatin1String("..");
}

// The entry of `folder` named `name` but for case ("Sea.wav" for "sea.wav",
// "S" for "s"): recordings made on Windows, whose names are alike in any case.
// A folder's names are read once, again when it changes.
QString sameButForCase(const QString &folder, const QString &name)
{
    struct Listing {
        QDateTime modified, read;
        QHash<QString, QString> byFolded;
    };
    static QHash<QString, Listing> listings;
    const QFileInfo info(folder);
    if (!info.isDir())
        return QString();
    Listing &listing = listings[folder];
    // A listing read within a second of the folder's change may have missed
    // a second change in the same clock tick: it is read again.
    const QDateTime modified = info.lastModified();
    if (listing.modified != modified || listing.modified.msecsTo(listing.read) < 1000) {
        listing.modified = modified;
        listing.read = QDateTime::currentDateTime();
        listing.byFolded.clear();
        for (const QString &entry : QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
            listing.byFolded.insert(entry.toCaseFolded(), entry);
    }
    const QString found = listing.byFolded.value(name.toCaseFolded());
    return found.isEmpty() ? QString() : folder + QLatin1Char('/') + found;
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
    const QString second = base + first + QLatin1Char('/') + word + ext;
    if (QFileInfo::exists(second))
        return second;
    // Where neither is there as written, one that differs only in case.
    const QString folder = base.chopped(1);
    if (QString found = sameButForCase(folder, word + ext); !found.isEmpty())
        return found;
    if (const QString letter = sameButForCase(folder, first); !letter.isEmpty()) {
        if (QString found = sameButForCase(letter, word + ext); !found.isEmpty())
            return found;
    }
    return second;
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
    if (!engine_) {
        // Without the speech module the recordings and the desktop's sound
        // are still heard, through the sound server's own player.
        platform::playSoundFileDetached(recorded ? path : platform::eventSoundFile());
        return false;
    }
    if (engine_->audioOutputCount() < 1)
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
