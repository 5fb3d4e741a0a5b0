// kelpword-study: the study database's upkeep beside the trainer, started by
// "kelpword import" and "kelpword progress" (the quick launcher hands over).
//
//   kelpword-study import [--folder DIR | --user-folder | --dsn NAME] [--group-size N] [--columns LIST] [--again] FILE...
//   kelpword-study progress [--folder DIR | --user-folder | --dsn NAME] [--chart FILE.png|FILE.svg]
#include "config/program_folder.h"
#include "import/word_import.h"
#include "maintain/chart_file.h"
#include "studydb/study_plan.h"
#include "progress/progress_chart.h"
#include "progress/progress_entry.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

#include <cstdio>
#include <memory>

namespace {

void usage()
{
    std::fputs("usage: kelpword import [--folder DIR | --user-folder | --dsn NAME] [--group-size N]\n"
               "                       [--columns word,phonetic,pos,meaning] [--again] FILE...\n"
               "       kelpword progress [--folder DIR | --user-folder | --dsn NAME] [--chart FILE.png|FILE.svg]\n",
               stderr);
}

QString userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kelpword");
}

struct Options {
    QString command;
    QString folder;
    QString dataSource; // an ODBC data source (a server) instead of the folder's file
    kelp::import::ImportOptions import;
    bool samples = false; // the sample words of a new user folder
    QString chart;
    QStringList files;
    bool ok = true;
};

Options parse(const QStringList &args)
{
    Options o;
    if (args.isEmpty()) {
        o.ok = false;
        return o;
    }
    o.command = args[0];
    for (int i = 1; i < args.size() && o.ok; ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--folder") && hasValue) {
            o.folder = args[++i];
        } else if (a == QLatin1String("--dsn") && hasValue) {
            o.dataSource = args[++i];
            o.import.dataSource = o.dataSource;
        } else if (a == QLatin1String("--user-folder")) {
            o.folder = userFolder();
        } else if (a == QLatin1String("--group-size") && hasValue && o.command == QLatin1String("import")) {
            bool isNumber = false;
            o.import.groupSize = args[++i].toInt(&isNumber);
            o.ok = isNumber && o.import.groupSize >= 1 && o.import.groupSize <= 1000;
        } else if (a == QLatin1String("--columns") && hasValue && o.command == QLatin1String("import")) {
            o.import.columns = args[++i];
        } else if (a == QLatin1String("--again") && o.command == QLatin1String("import")) {
            o.import.again = true;
        } else if (a == QLatin1String("--samples") && o.command == QLatin1String("import")) {
            o.samples = true;
        } else if (a == QLatin1String("--chart") && hasValue && o.command == QLatin1String("progress")) {
            o.chart = args[++i];
        } else if (a == QLatin1String("--")) {
            o.files << args.mid(i + 1);
            break;
        } else if (a.startsWith(QLatin1String("--"))) {
            o.ok = false;
        } else {
            o.files << a;
        }
    }
    if (o.command == QLatin1String("import"))
        o.ok = o.ok && !o.files.isEmpty();
    else if (o.command == QLatin1String("progress"))
        o.ok = o.ok && o.files.isEmpty();
    else
        o.ok = false;
    return o;
}

int runImport(const Options &o, const kelp::ProgramFolder &folder)
{
    int status = 0;
    for (const QString &file : o.files) {
        kelp::import::ImportOptions options = o.import;
        options.markSamples = o.samples;
        const kelp::import::ImportReport report = kelp::import::importWordFile(file, folder.database(), options);
        std::fprintf(report.ok ? stdout : stderr, "%s\n", qPrintable(report.line));
        std::fflush(stdout);
        if (!report.ok)
            status = 1;
    }
    return status;
}

int runProgress(const Options &o, const kelp::ProgramFolder &folder)
{
    kelp::plan::Progress progress;
    if (const auto error = kelp::readFolderProgress(folder.root, QDate::currentDate(), progress, o.dataSource)) {
        std::fprintf(stderr, "kelpword: %s\n", qPrintable(*error));
        return 1;
    }
    std::fputs(qPrintable(kelp::plan::progressText(progress)), stdout);
    if (!o.chart.isEmpty()) {
        QString error;
        if (!kelp::saveProgressChart(o.chart, progress, &error)) {
            std::fprintf(stderr, "kelpword: %s: %s\n", qPrintable(o.chart), qPrintable(error));
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const Options o = parse(args);
    if (!o.ok) {
        usage();
        return 2;
    }
    // Pictures are painted without a display.
    if (o.command == QLatin1String("progress") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (o.command == QLatin1String("progress"))
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    // A current directory without settings is no program folder: the words go
    // where the menu's trainer reads them.
    QString root = o.folder;
    if (root.isEmpty() && o.dataSource.isEmpty())
        root = QFileInfo::exists(QStringLiteral("wkcfg.ini")) ? QDir::currentPath() : userFolder();
    if (o.command == QLatin1String("import") && o.dataSource.isEmpty() && !QDir().mkpath(root)) {
        std::fprintf(stderr, "kelpword: cannot make the folder %s\n", qPrintable(root));
        return 1;
    }
    kelp::ProgramFolder folder{QDir(root.isEmpty() ? QDir::currentPath() : root).absolutePath()};
    return o.command == QLatin1String("import") ? runImport(o, folder) : runProgress(o, folder);
}
