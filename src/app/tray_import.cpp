#include "app/tray_import.h"

#include "config/program_folder.h"
#include "config/settings.h"
#include "studydb/data_source.h"
#include "studydb/study_plan.h"
#include "util/log.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>

namespace kelp {
namespace {

// A function rather than a constant: the translator is installed after static initialisation.
QString title()
{
    return QCoreApplication::translate("kelpword-gui", "导入单词");
}

// The arguments that name the trainer's study database: the folder's own
// file, or the server its data source names. `nextStart`: when the trainer
// shows new groups, as its settings have it.
QStringList target(const QString &folder, QString *nextStart)
{
    const SettingsFile file(ProgramFolder{folder}.settingsFile());
    const Settings settings = Settings::load(file);
    const int perDay = settings.newGroupsPerDay;
    if (settings.sourceMode == SourceMode::TextFile)
        *nextStart = QCoreApplication::translate("kelpword-gui",
                                                 "The trainer studies a word file now; it shows the new words in "
                                                 "review mode (其他设置: 1.按复习周期) with a study plan.");
    else if (settings.sourceMode == SourceMode::Review && perDay > 0)
        *nextStart = QCoreApplication::translate("kelpword-gui",
                                                 "The study plan brings the new groups in from the trainer's next "
                                                 "start on a new day, %1 a day, before any sample group.")
                         .arg(perDay);
    else
        *nextStart =
            QCoreApplication::translate("kelpword-gui", "The new groups are in the study database from the trainer's "
                                                        "next start; a study plan ([plan] new=1 in wkcfg.ini) brings "
                                                        "them in for review.");
    if (!settings.dataSourceName.isEmpty() && !isOwnDataSource(settings.dataSourceName))
        return {QStringLiteral("--dsn"), settings.dataSourceName};
    return {QStringLiteral("--folder"), folder};
}

void showOutcome(const QString &text, bool added)
{
    auto *box =
        new QMessageBox(added ? QMessageBox::Information : QMessageBox::Warning, title(), text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowFlag(Qt::WindowStaysOnTopHint); // above the word window
    box->show();
}

void import(QAction *entry, const QString &folder, const QStringList &files)
{
    QString nextStart;
    const QStringList arguments =
        QStringList{QStringLiteral("import")} + target(folder, &nextStart) + QStringList{QStringLiteral("--")} + files;
    // The application's: an import goes on over a restart, which makes the menu anew.
    auto *process = new QProcess(QCoreApplication::instance());
    process->setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/kelpword-study"));
    process->setArguments(arguments);
    entry->setEnabled(false); // one import at a time
    const QPointer<QAction> guarded(entry);
    const auto done = [guarded, process] {
        if (guarded)
            guarded->setEnabled(true);
        process->deleteLater();
    };
    QObject::connect(process, &QProcess::errorOccurred, process, [process, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash is reported by finished()
        qCWarning(lcApp).noquote() << "import: cannot start" << process->program() << process->errorString();
        showOutcome(QCoreApplication::translate("kelpword-gui", "%1 cannot be started: %2")
                        .arg(process->program(), process->errorString()),
                    false);
        done();
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, done, nextStart](int status, QProcess::ExitStatus how) {
                         const QString added = QString::fromUtf8(process->readAllStandardOutput()).trimmed();
                         const QString refused = QString::fromUtf8(process->readAllStandardError()).trimmed();
                         qCDebug(lcApp).noquote() << "import finished, status" << status;
                         QStringList text;
                         if (!added.isEmpty())
                             text << added;
                         if (!refused.isEmpty())
                             text << refused;
                         if (how != QProcess::NormalExit)
                             text << QCoreApplication::translate("kelpword-gui", "The import ended unexpectedly; "
                                                                                 "nothing of the file it was reading "
                                                                                 "was added.");
                         if (!added.isEmpty())
                             text << nextStart;
                         qCDebug(lcApp).noquote() << "import said:" << text.join(QLatin1Char(' '));
                         showOutcome(text.join(QStringLiteral("\n\n")), !added.isEmpty());
                         done();
                     });
    qCDebug(lcApp).noquote() << "import:" << arguments.join(QLatin1Char(' '));
    process->start();
}

} // namespace

void addImportEntry(QMenu &menu, const QString &folder)
{
    QAction *entry = menu.addAction(QCoreApplication::translate("kelpword-gui", "导入单词…"));
    QObject::connect(entry, &QAction::triggered, &menu, [entry, folder] {
        QFileDialog dialog(nullptr, QCoreApplication::translate("kelpword-gui", "选择单词表"), QDir::homePath(),
                           QCoreApplication::translate("kelpword-gui",
                                                       "Word lists (*.csv *.tsv *.txt *.apkg *.kvtml *.xml);;"
                                                       "All files (*)"));
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint); // above the word window
        dialog.setFileMode(QFileDialog::ExistingFiles);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        import(entry, folder, dialog.selectedFiles());
    });
}

} // namespace kelp
