#include "platform/sound_player.h"

#include "util/log.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace kelp::platform {

QString eventSoundFile()
{
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        for (const char *name : {"bell.oga", "bell.ogg", "bell.wav"}) {
            const QString path = folder + QStringLiteral("/sounds/freedesktop/stereo/") + QLatin1String(name);
            if (QFileInfo(path).isFile())
                return path;
        }
    }
    return QString();
}

bool playSoundFileDetached(const QString &path)
{
    if (path.isEmpty())
        return false;
    for (const char *player : {"paplay", "pw-play", "aplay"}) {
        const QString program = QStandardPaths::findExecutable(QLatin1String(player));
        if (!program.isEmpty() && QProcess::startDetached(program, {QStringLiteral("--"), path})) {
            qCDebug(lcPlatform).noquote() << "played with" << player << ":" << path;
            return true;
        }
    }
    qCDebug(lcPlatform).noquote() << "no sound player for" << path;
    return false;
}

} // namespace kelp::platform
