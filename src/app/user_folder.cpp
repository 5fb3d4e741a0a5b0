#include "app/user_folder.h"

#include "config/safe_file.h"
#include "platform/layout_units.h"
#include "session/presentation.h"
#include "wordwindow/window_placement.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

namespace kelp {
namespace {

// The import is a program of its own (its libraries are not the trainer's
// to load): run once, on the first start only.
bool importSampleWords(const QString &folder, const QString &words)
{
    const QString study = QCoreApplication::applicationDirPath() + QStringLiteral("/kelpword-study");
    return QProcess::execute(study, {QStringLiteral("import"), QStringLiteral("--folder"), folder,
                                     QStringLiteral("--group-size"), QStringLiteral("10"), QStringLiteral("--samples"),
                                     words}) == 0;
}

// The bottom-right corner of the screen's free area, so the first start's
// window is where the tray message says it is; nothing where no screen can
// be measured yet (the trainer then places it when it shows).
QByteArray cornerSetting()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QByteArray();
    const platform::LayoutUnits units(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
    const QSize window(units.xToPixels(design::kWindow.width), units.yToPixels(design::kWindow.height));
    const auto at =
        cornerPosition(units, screen->availableGeometry(), screen->geometry(), window, screen->devicePixelRatio());
    if (!at)
        return QByteArray();
    return "[other]\r\nwinx=" + QByteArray::number(at->x()) + "\r\nwiny=" + QByteArray::number(at->y()) + "\r\n";
}

// The learner's words, notes and settings are nobody else's: the folder is
// made private, and one laid out by an older version (0755, its files 0644)
// is tightened once; a marker says it was, so a learner who opens it up
// again on purpose is not overruled at every start.
void makePrivate(const QString &folder)
{
    const QString marker = folder + QStringLiteral("/.private");
    if (QFile::exists(marker))
        return;
    const auto tighten = [](const QString &path) {
        QFile::setPermissions(path, QFile::permissions(path) &
                                        ~(QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                          QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther));
    };
    tighten(folder);
    for (const QString &sub : {folder, folder + QStringLiteral("/data")}) {
        QDirIterator it(sub, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks);
        while (it.hasNext())
            tighten(it.next());
    }
    QString ignored;
    replaceFileContents(marker, QByteArray(), &ignored);
}

} // namespace

QString userFolderPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kelpword");
}

QString prepareUserFolder(QString *error, bool *firstStart)
{
    if (firstStart)
        *firstStart = false;
    const QString folder = userFolderPath();
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
        // The word window starts in the corner, out of the way of what is open.
        const QString database = folder + QStringLiteral("/kelp.mdb");
        const bool haveDatabase = QFile::exists(database) || importSampleWords(folder, words);
        const QByteArray ini =
            haveDatabase ? QByteArray("; Kelp Words. sjms: 1 review schedule, 2 group range, 3 text file (wbwj)\r\n"
                                      "[ODBC]\r\nDSN_Name=kelpword-user\r\n"
                                      "[sjly]\r\nsjms=1\r\nwbwj=New_Word.txt\r\n"
                                      "[plan]\r\nnew=1\r\n[timer]\r\njg=3\r\n") +
                               cornerSetting()
                         : QByteArray("; Kelp Words. sjms: 1 review schedule, 2 group range, 3 text file (wbwj)\r\n"
                                      "[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=3\r\nwbwj=New_Word.txt\r\n"
                                      "[timer]\r\njg=3\r\nreci3=1\r\n") + // from the first word on
                               cornerSetting();
        if (!replaceFileContents(settings, ini, error))
            return QString();
        if (firstStart)
            *firstStart = true;
    }
    makePrivate(folder);
    return folder;
}

} // namespace kelp
