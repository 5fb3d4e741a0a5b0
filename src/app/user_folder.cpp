#include "app/user_folder.h"

#include "config/safe_file.h"
#include "import/word_import.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace kelp {

QString prepareUserFolder(QString *error)
{
    QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kelpword");
    if (!QDir().mkpath(folder + QStringLiteral("/data"))) {
        *error = QStringLiteral("cannot make ") + folder;
        return QString();
    }
    const QString words = folder + QStringLiteral("/data/New_Word.txt");
    if (!QFile::exists(words)) {
        QFile sample(QStringLiteral(":/New_Word.txt"));
        if (!sample.open(QIODevice::ReadOnly) || !replaceFileContents(words, sample.readAll(), error))
            return QString();
    }
    const QString settings = folder + QStringLiteral("/wkcfg.ini");
    if (!QFile::exists(settings)) {
        // Review mode with a plan of one new group a day, on a study database
        // made from the sample words, under a data-source name no other
        // program folder uses. Without a database: the words from the text file.
        const QString database = folder + QStringLiteral("/kelp.mdb");
        const bool haveDatabase = QFile::exists(database) || import::importWordFile(words, database, 10).ok;
        const QByteArray ini =
            haveDatabase ? QByteArray("; Kelp Words. sjms: 1 review schedule, 2 group range, 3 text file (wbwj)\r\n"
                                      "[ODBC]\r\nDSN_Name=kelpword-user\r\n"
                                      "[sjly]\r\nsjms=1\r\nwbwj=New_Word.txt\r\n"
                                      "[plan]\r\nnew=1\r\n[timer]\r\njg=3\r\n")
                         : QByteArray("; Kelp Words. sjms: 1 review schedule, 2 group range, 3 text file (wbwj)\r\n"
                                      "[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=3\r\nwbwj=New_Word.txt\r\n"
                                      "[timer]\r\njg=3\r\nreci3=1\r\n"); // from the first word on
        if (!replaceFileContents(settings, ini, error))
            return QString();
    }
    return folder;
}

} // namespace kelp
