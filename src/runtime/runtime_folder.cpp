#include "runtime/runtime_folder.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace kelp::platform {

bool isPrivateFolder(const QString &path)
{
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    return ::lstat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0 && ::access(name.constData(), W_OK | X_OK) == 0;
}

namespace {

// Made private if it is new; used only if it is private now (another user
// may have made it first, or put a link there).
bool ensurePrivateFolder(const QString &path)
{
    ::mkdir(QFile::encodeName(path).constData(), 0700);
    return isPrivateFolder(path);
}

} // namespace

QString privateRuntimeFolder()
{
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime))
        return runtime;
    const QString shared = QDir::tempPath() + QStringLiteral("/kelpword-%1").arg(::getuid());
    if (ensurePrivateFolder(shared))
        return shared;
    // The temporary folder is everyone's: a folder in this user's home instead.
    const QString cache = QDir::homePath() + QStringLiteral("/.cache");
    ::mkdir(QFile::encodeName(cache).constData(), 0700);
    const QString own = cache + QStringLiteral("/kelpword-runtime");
    if (ensurePrivateFolder(own))
        return own;
    return QString();
}

} // namespace kelp::platform
