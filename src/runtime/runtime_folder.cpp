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

QString privateRuntimeFolder()
{
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime))
        return runtime;
    QString own = QDir::tempPath() + QStringLiteral("/kelpword-%1").arg(::getuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return own; // callers check isPrivateFolder() where it matters
}

} // namespace kelp::platform
