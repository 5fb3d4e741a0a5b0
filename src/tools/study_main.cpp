// kelpword-study: the study database's upkeep beside the trainer, and the
// autostart switch; "kelpword import", "export", "progress", "words" (with no
// trainer running) and "kelpword --autostart" hand over to it, so the
// kelpword command itself stays quick.
#include "config/program_folder.h"
#include "config/safe_file.h"
#include "export/word_export.h"
#include "import/word_import.h"
#include "platform/translations.h"
#include "progress/progress_entry.h"
#include "studydb/database.h"
#include "studydb/study_database.h"
#include "studydb/study_plan.h"
#include "studydb/word_store.h"
#include "tools/chart_file.h"
#include "tools/database_watchdog.h"
#include "wordbook/word_book_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
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
    QString groups;        // export: a range "A-B"; empty: every group
    bool notebook = false; // export: the notebook instead of the database
};

const char *const kUsage =
    "usage: kelpword import [--folder DIR | --user-folder | --dsn NAME] [--group-size N]\n"
    "                       [--columns word,phonetic,pos,meaning] [--again] FILE...\n"
    "       kelpword progress [--folder DIR | --user-folder | --dsn NAME] [--chart FILE.png|FILE.svg]\n"
    "       kelpword export [--folder DIR | --user-folder | --dsn NAME] [--groups A-B | --notebook | --all]\n"
    "                       FILE.csv|FILE.txt|FILE.apkg\n"
    "       kelpword words [--folder DIR | --user-folder | --dsn NAME]\n"
    "       kelpword --autostart on|off\n";

// "usage:" in the reader's language; the synopses stay as they are.
QString usage()
{
    return QCoreApplication::translate("kelpword-study", "usage:") + QString::fromUtf8(kUsage).mid(6);
}

// The command line, or the status to end with at once (help, a wrong line).
// `quiet`: only what it asks for, said nowhere (the application is not made yet).
std::optional<int> parse(const QStringList &arguments, Options &o, bool quiet = false)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate(
            "kelpword-study", "The study database's upkeep for Kelp Words.\n"
                              "A call into the database that takes over %1 s, or a run over %2 minutes (import) or %3\n"
                              "minutes (the others), ends the command with status 1; nothing half-written stays.")
            .arg(kelp::kStatementLimitS)
            .arg(kelp::kImportRunLimitS / 60)
            .arg(kelp::kRunLimitS / 60));
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QCoreApplication::translate("kelpword-study", "import, export, progress or words"));
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QCoreApplication::translate("kelpword-study", "the word lists to import"),
                                 QStringLiteral("[FILE...]"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QCoreApplication::translate("kelpword-study", "This help."));
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QCoreApplication::translate("kelpword-study", "The program folder."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption user(QStringLiteral("user-folder"),
                                  QCoreApplication::translate("kelpword-study", "The menu's program folder."));
    const QCommandLineOption dsn(QStringLiteral("dsn"),
                                 QCoreApplication::translate("kelpword-study", "An ODBC data source (a server)."),
                                 QStringLiteral("NAME"));
    const QCommandLineOption groupSize(QStringLiteral("group-size"),
                                       QCoreApplication::translate("kelpword-study", "Words a group at most."),
                                       QStringLiteral("N"));
    const QCommandLineOption columns(QStringLiteral("columns"),
                                     QCoreApplication::translate("kelpword-study", "A CSV file's columns, in order."),
                                     QStringLiteral("LIST"));
    const QCommandLineOption again(
        QStringLiteral("again"),
        QCoreApplication::translate("kelpword-study", "Add groups the database holds already."));
    QCommandLineOption samples(QStringLiteral("samples"),
                               QCoreApplication::translate("kelpword-study", "The sample words of a new user folder."));
    samples.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption chart(
        QStringLiteral("chart"),
        QCoreApplication::translate("kelpword-study", "Draw the progress to a PNG or SVG file."),
        QStringLiteral("FILE"));
    const QCommandLineOption autostart(QStringLiteral("autostart"),
                                       QCoreApplication::translate("kelpword-study", "Start the trainer at login."),
                                       QStringLiteral("on|off"));
    const QCommandLineOption groups(QStringLiteral("groups"),
                                    QCoreApplication::translate("kelpword-study", "Export the groups A to B."),
                                    QStringLiteral("A-B"));
    const QCommandLineOption notebook(QStringLiteral("notebook"),
                                      QCoreApplication::translate("kelpword-study", "Export the notebook."));
    const QCommandLineOption all(QStringLiteral("all"),
                                 QCoreApplication::translate("kelpword-study", "Export every group (a backup)."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QCoreApplication::translate("kelpword-study", "Show the version."));
    parser.addOptions({help, version, folder, user, dsn, groupSize, columns, again, samples, chart, autostart, groups,
                       notebook, all});
    const auto wrong = [quiet](const QString &why) {
        if (!quiet)
            std::fprintf(stderr, "kelpword: %s\n%s", qPrintable(why), qPrintable(usage()));
        return 2;
    };
    if (!parser.parse(arguments))
        return wrong(parser.errorText());
    if (parser.isSet(version)) {
        if (!quiet)
            std::printf("kelpword-study %s\n", KELP_VERSION);
        return 0;
    }
    if (parser.isSet(help)) {
        if (quiet)
            return 0;
        std::fputs(qPrintable(usage()), stdout);
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
            return wrong(QCoreApplication::translate("kelpword-study", "--autostart takes on or off"));
        o.command = QStringLiteral("autostart");
        o.autostartOn = v == QLatin1String("on");
        return std::nullopt;
    }
    QStringList rest = parser.positionalArguments();
    if (rest.isEmpty())
        return wrong(QCoreApplication::translate("kelpword-study", "import, export, progress or words?"));
    o.command = rest.takeFirst();
    if (o.command == QLatin1String("export") || o.command == QLatin1String("words")) {
        const bool exporting = o.command == QLatin1String("export");
        if (parser.isSet(folder) + parser.isSet(user) + parser.isSet(dsn) > 1)
            return wrong(QCoreApplication::translate("kelpword-study", "one of --folder, --user-folder and --dsn"));
        if (parser.isSet(groupSize) || parser.isSet(columns) || parser.isSet(again) || parser.isSet(samples) ||
            parser.isSet(chart))
            return wrong(QCoreApplication::translate("kelpword-study",
                                                     "--group-size, --columns, --again and --chart are not for %1")
                             .arg(o.command));
        if (!exporting && (parser.isSet(groups) || parser.isSet(notebook) || parser.isSet(all) || !rest.isEmpty()))
            return wrong(
                QCoreApplication::translate("kelpword-study", "words takes only the folder or the data source"));
        if (exporting && parser.isSet(groups) + parser.isSet(notebook) + parser.isSet(all) > 1)
            return wrong(QCoreApplication::translate("kelpword-study", "one of --groups, --notebook and --all"));
        if (exporting && rest.size() != 1)
            return wrong(QCoreApplication::translate("kelpword-study", "export to one file"));
        if (exporting && kelp::exporting::formatOf(rest.front()) == kelp::exporting::Format::Unknown)
            return wrong(
                QCoreApplication::translate("kelpword-study", "the file's name must end in .csv, .txt or .apkg"));
        if (parser.isSet(notebook) && parser.isSet(dsn))
            return wrong(QCoreApplication::translate("kelpword-study",
                                                     "the notebook is in the program folder, not in a data source"));
        o.folder = parser.isSet(user) ? userFolder() : parser.value(folder);
        o.import.dataSource = parser.value(dsn);
        o.groups = parser.value(groups);
        o.notebook = parser.isSet(notebook);
        o.files = rest;
        return std::nullopt;
    }
    const bool import = o.command == QLatin1String("import");
    if (!import && o.command != QLatin1String("progress"))
        return wrong(QCoreApplication::translate("kelpword-study", "unknown command: %1").arg(o.command));
    if (parser.isSet(folder) + parser.isSet(user) + parser.isSet(dsn) > 1)
        return wrong(QCoreApplication::translate("kelpword-study", "one of --folder, --user-folder and --dsn"));
    o.folder = parser.isSet(user) ? userFolder() : parser.value(folder);
    o.import.dataSource = parser.value(dsn);
    if (import) {
        if (parser.isSet(chart))
            return wrong(QCoreApplication::translate("kelpword-study", "--chart is for progress"));
        if (parser.isSet(groupSize)) {
            bool isNumber = false;
            o.import.groupSize = parser.value(groupSize).toInt(&isNumber);
            if (!isNumber || o.import.groupSize < 1 || o.import.groupSize > 1000)
                return wrong(
                    QCoreApplication::translate("kelpword-study", "--group-size takes a number from 1 to 1000"));
        }
        o.import.columns = parser.value(columns);
        o.import.again = parser.isSet(again);
        o.samples = parser.isSet(samples);
        o.files = rest;
        if (o.files.isEmpty())
            return wrong(QCoreApplication::translate("kelpword-study", "import what?"));
    } else {
        if (parser.isSet(groupSize) || parser.isSet(columns) || parser.isSet(again) || parser.isSet(samples))
            return wrong(
                QCoreApplication::translate("kelpword-study", "--group-size, --columns and --again are for import"));
        if (!rest.isEmpty())
            return wrong(QCoreApplication::translate("kelpword-study", "progress takes no file"));
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

int runExport(const Options &o, const kelp::ProgramFolder &folder)
{
    const QString file = o.files.front();
    kelp::exporting::AnswerHistory history;
    QString where;
    size_t groupCount = 0, wordCount = 0;
    const auto count = [&](const std::vector<kelp::exporting::ExportGroup> &groups) {
        groupCount += groups.size();
        for (const auto &g : groups)
            wordCount += g.words.size();
    };
    const auto fail = [](const QString &why) {
        std::fprintf(stderr, "kelpword: %s\n", qPrintable(why));
        return 1;
    };
    std::optional<QString> error;
    if (o.notebook) {
        where = folder.notebook();
        std::vector<kelp::exporting::ExportGroup> groups(1);
        if (const auto e = kelp::exporting::readNotebook(where, QStringLiteral("生词本"), groups.front()))
            return fail(*e);
        count(groups);
        error = kelp::exporting::writeFile(file, groups, history);
    } else {
        auto opened = kelp::StudyDatabase::openFolder(
            folder, kelp::Settings::load(kelp::SettingsFile(folder.settingsFile())), o.import.dataSource);
        if (!opened)
            return fail(opened.error().text);
        const auto &database = *opened;
        where = database->where();
        kelp::WordStore words = database->words();
        if (auto e = words.readMemories(history.memories))
            return fail(e->text);
        if (auto e = words.readAnswers(history.answers))
            return fail(e->text);
        const kelp::GroupRange range = o.groups.isEmpty() ? kelp::GroupRange{1, 0} : kelp::parseGroupRange(o.groups);
        // A range of group numbers at a time: a large book is never held whole.
        constexpr int kGroupsAtOnce = 64;
        int from = range.first;
        const int to = range.last >= range.first ? range.last : kelp::kMaxGroupNumber;
        error = kelp::exporting::writeFile(
            file,
            [&](std::vector<kelp::exporting::ExportGroup> &next) -> std::optional<QString> {
                next.clear();
                while (next.empty() && from <= to) {
                    std::vector<kelp::StoredGroup> stored;
                    const int last = std::min(to, from + kGroupsAtOnce - 1);
                    if (auto e = words.read(stored, from, last))
                        return e->text;
                    from = last + 1;
                    next = kelp::exporting::exportGroups(stored);
                }
                count(next);
                return std::nullopt;
            },
            history);
    }
    if (error)
        return fail(*error);
    std::printf("%s\n",
                qPrintable(QCoreApplication::translate("kelpword-study", "%1: %2 words in %3 groups exported from %4")
                               .arg(file)
                               .arg(wordCount)
                               .arg(groupCount)
                               .arg(where)));
    return 0;
}

int runWords(const Options &o, const kelp::ProgramFolder &folder)
{
    // The dialogs' buttons as the trainer's own: 确定 / 取消 under a Chinese locale.
    kelp::platform::installQtTranslations(QLocale::system());
    return kelp::openWordBookAlone(folder.root, o.import.dataSource);
}

int runProgress(const Options &o, const kelp::ProgramFolder &folder)
{
    kelp::plan::Progress progress;
    if (const auto error = kelp::readFolderProgress(folder.root, QDate::currentDate(), progress, o.import.dataSource)) {
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
            std::fprintf(stderr, "kelpword: %s\n",
                         qPrintable(QCoreApplication::translate("kelpword-study", "cannot remove %1: %2")
                                        .arg(entry, file.errorString())));
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
        std::fprintf(stderr, "kelpword: %s\n",
                     qPrintable(QCoreApplication::translate("kelpword-study", "cannot write %1: %2")
                                    .arg(entry, error.isEmpty() ? QCoreApplication::translate("kelpword-study",
                                                                                              "cannot make the folder")
                                                                : error)));
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
    // What the command needs decides the application; the application comes
    // before anything is said, so that it is said in the reader's language.
    Options o;
    parse(arguments, o, true);
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    // Pictures are painted without a display.
    if (o.command == QLatin1String("progress") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (o.command == QLatin1String("words") && display)
        app = std::make_unique<QApplication>(argc, argv);
    else if (o.command == QLatin1String("progress"))
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    kelp::platform::installQtTranslations(QLocale::system());
    kelp::platform::installOwnTranslations(QLocale::system());
    o = Options();
    if (const auto status = parse(arguments, o))
        return *status;
    if (o.command == QLatin1String("words") && !display) {
        std::fprintf(stderr, "kelpword: %s\n",
                     qPrintable(QCoreApplication::translate("kelpword-study",
                                                            "the words window needs a display (DISPLAY is not set)")));
        return 1;
    }
    if (o.command == QLatin1String("autostart"))
        return runAutostart(o.autostartOn);
    if (o.command != QLatin1String("words"))
        kelp::watchDatabase(o.command == QLatin1String("import") ? kelp::kImportRunLimitS : kelp::kRunLimitS);
    // A current directory without settings is no program folder: the words go
    // where the menu's trainer reads them.
    QString root = o.folder;
    if (root.isEmpty() && o.import.dataSource.isEmpty())
        root = QFileInfo::exists(QStringLiteral("wkcfg.ini")) ? QDir::currentPath() : userFolder();
    if (o.command == QLatin1String("import") && o.import.dataSource.isEmpty() && !QDir().mkpath(root)) {
        std::fprintf(stderr, "kelpword: %s\n",
                     qPrintable(QCoreApplication::translate("kelpword-study", "cannot make the folder %1").arg(root)));
        return 1;
    }
    kelp::ProgramFolder folder{QDir(root.isEmpty() ? QDir::currentPath() : root).absolutePath()};
    if (o.command == QLatin1String("export"))
        return runExport(o, folder);
    if (o.command == QLatin1String("words"))
        return runWords(o, folder);
    return o.command == QLatin1String("import") ? runImport(o, folder) : runProgress(o, folder);
}
