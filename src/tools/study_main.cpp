// kelpword-study: the study database's upkeep beside the trainer, and the
// autostart switch; "kelpword import", "kelpword progress" and
// "kelpword --autostart" hand over to it, so the kelpword command itself
// stays quick.
#include "config/program_folder.h"
#include "config/safe_file.h"
#include "import/word_import.h"
#include "tools/chart_file.h"
#include "progress/progress_entry.h"
#include "studydb/study_plan.h"

#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

#include <cstdio>
#include <memory>

namespace {

QString userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kelpword");
}

struct Options {
    QString command; // import, progress or autostart
    QString folder;
    kelp::import::ImportOptions import;
    bool samples = false; // the sample words of a new user folder
    QString chart;
    QStringList files;
    bool autostartOn = false;
};

const char *const kUsage =
    "usage: kelpword import [--folder DIR | --user-folder | --dsn NAME] [--group-size N]\n"
    "                       [--columns word,phonetic,pos,meaning] [--again] FILE...\n"
    "       kelpword progress [--folder DIR | --user-folder | --dsn NAME] [--chart FILE.png|FILE.svg]\n"
    "       kelpword --autostart on|off\n";

// The command line, or the status to end with at once (help, a wrong line).
std::optional<int> parse(const QStringList &arguments, Options &o)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The study database's upkeep for Kelp Words."));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("import or progress"));
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("the word lists to import"),
                                 QStringLiteral("[FILE...]"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("This help."));
    const QCommandLineOption folder(QStringLiteral("folder"), QStringLiteral("The program folder."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption user(QStringLiteral("user-folder"), QStringLiteral("The menu's program folder."));
    const QCommandLineOption dsn(QStringLiteral("dsn"), QStringLiteral("An ODBC data source (a server)."),
                                 QStringLiteral("NAME"));
    const QCommandLineOption groupSize(QStringLiteral("group-size"), QStringLiteral("Words a group at most."),
                                       QStringLiteral("N"));
    const QCommandLineOption columns(QStringLiteral("columns"), QStringLiteral("A CSV file's columns, in order."),
                                     QStringLiteral("LIST"));
    const QCommandLineOption again(QStringLiteral("again"), QStringLiteral("Add groups the database holds already."));
    QCommandLineOption samples(QStringLiteral("samples"), QStringLiteral("The sample words of a new user folder."));
    samples.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption chart(QStringLiteral("chart"), QStringLiteral("Draw the progress to a PNG or SVG file."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption autostart(QStringLiteral("autostart"), QStringLiteral("Start the trainer at login."),
                                       QStringLiteral("on|off"));
    parser.addOptions({help, folder, user, dsn, groupSize, columns, again, samples, chart, autostart});
    const auto wrong = [](const QString &why) {
        std::fprintf(stderr, "kelpword: %s\n%s", qPrintable(why), kUsage);
        return 2;
    };
    if (!parser.parse(arguments))
        return wrong(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        // Qt's own first line names no command: ours above stands for it.
        QString text = parser.helpText().section(QLatin1Char('\n'), 1);
        if (!text.endsWith(QLatin1Char('\n')))
            text += QLatin1Char('\n');
        std::fputs(qPrintable(text), stdout);
        return 0;
    }
    if (parser.isSet(autostart)) {
        const QString v = parser.value(autostart);
        if ((v != QLatin1String("on") && v != QLatin1String("off")) || !parser.positionalArguments().isEmpty())
            return wrong(QStringLiteral("--autostart takes on or off"));
        o.command = QStringLiteral("autostart");
        o.autostartOn = v == QLatin1String("on");
        return std::nullopt;
    }
    QStringList rest = parser.positionalArguments();
    if (rest.isEmpty())
        return wrong(QStringLiteral("import or progress?"));
    o.command = rest.takeFirst();
    const bool import = o.command == QLatin1String("import");
    if (!import && o.command != QLatin1String("progress"))
        return wrong(QStringLiteral("unknown command: %1").arg(o.command));
    if (parser.isSet(folder) + parser.isSet(user) + parser.isSet(dsn) > 1)
        return wrong(QStringLiteral("one of --folder, --user-folder and --dsn"));
    o.folder = parser.isSet(user) ? userFolder() : parser.value(folder);
    o.import.dataSource = parser.value(dsn);
    if (import) {
        if (parser.isSet(chart))
            return wrong(QStringLiteral("--chart is for progress"));
        if (parser.isSet(groupSize)) {
            bool isNumber = false;
            o.import.groupSize = parser.value(groupSize).toInt(&isNumber);
            if (!isNumber || o.import.groupSize < 1 || o.import.groupSize > 1000)
                return wrong(QStringLiteral("--group-size takes a number from 1 to 1000"));
        }
        o.import.columns = parser.value(columns);
        o.import.again = parser.isSet(again);
        o.samples = parser.isSet(samples);
        o.files = rest;
        if (o.files.isEmpty())
            return wrong(QStringLiteral("import what?"));
    } else {
        if (parser.isSet(groupSize) || parser.isSet(columns) || parser.isSet(again) || parser.isSet(samples))
            return wrong(QStringLiteral("--group-size, --columns and --again are for import"));
        if (!rest.isEmpty())
            return wrong(QStringLiteral("progress takes no file"));
        o.chart = parser.value(chart);
    }
    return std::nullopt;
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
    if (const auto error =
            kelp::readFolderProgress(folder.root, QDate::currentDate(), progress, o.import.dataSource)) {
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

// ~/.config/autostart/kelpword.desktop (or under $XDG_CONFIG_HOME), written
// whole or not at all.
int runAutostart(bool on)
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
    const QString entry = folder + QStringLiteral("/kelpword.desktop");
    if (!on) {
        QFile file(entry);
        if (file.exists() && !file.remove()) {
            std::fprintf(stderr, "kelpword: cannot remove %s: %s\n", qPrintable(entry), qPrintable(file.errorString()));
            return 1;
        }
        return 0;
    }
    QString error;
    if (!QDir().mkpath(folder) || !kelp::replaceFileContents(entry,
                                                             "[Desktop Entry]\n"
                                                             "Type=Application\n"
                                                             "Name=Kelp Words\n"
                                                             "Name[zh_CN]=海带单词\n"
                                                             "Exec=kelpword --user-folder\n"
                                                             "Icon=kelpword\n"
                                                             "X-GNOME-Autostart-enabled=true\n",
                                                             &error)) {
        std::fprintf(stderr, "kelpword: cannot write %s: %s\n", qPrintable(entry),
                     qPrintable(error.isEmpty() ? QStringLiteral("cannot make the folder") : error));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments{QStringLiteral("kelpword")};
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    Options o;
    if (const auto status = parse(arguments, o))
        return *status;
    // Pictures are painted without a display.
    if (o.command == QLatin1String("progress") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (o.command == QLatin1String("progress"))
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    if (o.command == QLatin1String("autostart"))
        return runAutostart(o.autostartOn);
    // A current directory without settings is no program folder: the words go
    // where the menu's trainer reads them.
    QString root = o.folder;
    if (root.isEmpty() && o.import.dataSource.isEmpty())
        root = QFileInfo::exists(QStringLiteral("wkcfg.ini")) ? QDir::currentPath() : userFolder();
    if (o.command == QLatin1String("import") && o.import.dataSource.isEmpty() && !QDir().mkpath(root)) {
        std::fprintf(stderr, "kelpword: cannot make the folder %s\n", qPrintable(root));
        return 1;
    }
    kelp::ProgramFolder folder{QDir(root.isEmpty() ? QDir::currentPath() : root).absolutePath()};
    return o.command == QLatin1String("import") ? runImport(o, folder) : runProgress(o, folder);
}
