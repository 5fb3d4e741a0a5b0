#include "support/files.h"

#include "config/codec.h"

#include <QDir>
#include <QFile>

namespace kelp::test {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

bool writeGbk(const QString &path, const QString &text)
{
    return writeAll(path, codec::toGb18030(text));
}

ProgramFolder::ProgramFolder()
{
    QDir(dir_.path()).mkpath(QStringLiteral("data"));
}

QString ProgramFolder::setting(const QString &key) const
{
    const QString text = codec::decodeFile(readAll(filePath(QStringLiteral("wkcfg.ini"))));
    for (const QString &line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return QString();
}

} // namespace kelp::test
