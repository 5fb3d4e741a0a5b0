// kelpword-study: the study database's upkeep beside the trainer, started by
// "kelpword import" and "kelpword progress" (the quick launcher hands over).
//
//   kelpword-study import [--folder DIR | --user-folder | --dsn NAME] [--group-size N] FILE...
//   kelpword-study progress [--folder DIR | --user-folder | --dsn NAME] [--chart FILE.png|FILE.svg]
#include "config/program_folder.h"
#include "import/word_import.h"
#include "maintain/chart_file.h"
#include "plan/study_plan.h"
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
    std::fputs("usage: kelpword import [--folder DIR | --user-folder | --dsn NAME] [--group-size N] FILE...\n"
               "       kelpword progress [--folder DIR | --user-folder | --dsn NAME] [--chart FILE.png|FILE.svg]\n",
               stderr);
}

struct Options {
    QString command;
    QString folder;
    QString dataSource; // an ODBC data source (a server) instead of the folder's file
    int groupSize = 10;
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
        } else if (a == QLatin1String("--user-folder")) {
            o.folder =
                QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kelpword");
            QDir().mkpath(o.folder);
        } else if (a == QLatin1String("--group-size") && hasValue && o.command == QLatin1String("import")) {
            bool isNumber = false;
            o.groupSize = args[++i].toInt(&isNumber);
            o.ok = isNumber && o.groupSize >= 1 && o.groupSize <= 1000;
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
        const kelp::import::ImportReport report =
            kelp::import::importWordFile(file, folder.database(), o.groupSize, o.dataSource);
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
    kelp::ProgramFolder folder{o.folder.isEmpty() ? QDir::currentPath() : QDir(o.folder).absolutePath()};
    return o.command == QLatin1String("import") ? runImport(o, folder) : runProgress(o, folder);
}
