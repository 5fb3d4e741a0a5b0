// The files of the program folder: everything the program reads or writes
// lives below it.
#pragma once

#include <QString>

namespace kelp {

struct ProgramFolder {
    QString root;

    QString settingsFile() const { return root + QStringLiteral("/wkcfg.ini"); }
    QString database() const { return root + QStringLiteral("/kelp.mdb"); }
    QString phoneticFont() const { return root + QStringLiteral("/font/Kelpphone.ttf"); }
    QString notebook() const { return root + QStringLiteral("/data/生词本.txt"); }

    // A configured word file: an absolute path is used as it is, a name is
    // looked for in the data folder.
    QString wordFile(const QString &configured) const
    {
        return configured.startsWith(QLatin1Char('/')) ? configured : root + QStringLiteral("/data/") + configured;
    }
};

} // namespace kelp
