#include "progress/progress_entry.h"

#include "config/program_folder.h"
#include "progress/progress_chart.h"
#include "studydb/data_source.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

namespace kelp {

std::optional<QString> readFolderProgress(const QString &folder, const QDate &today, plan::Progress &progress,
                                          const QString &dataSource)
{
    const ProgramFolder programFolder{folder};
    // The trainer's own: a server's data source when its settings name one.
    QString source = dataSource;
    if (source.isEmpty() && QFileInfo(programFolder.settingsFile()).isFile()) {
        SettingsFile file(programFolder.settingsFile());
        const Settings settings = Settings::load(file);
        if (isDatabaseMode(settings.sourceMode) && !settings.dataSourceName.isEmpty() &&
            !isOwnDataSource(settings.dataSourceName))
            source = settings.dataSourceName;
    }
    if (!source.isEmpty()) {
        SettingsFile file(programFolder.settingsFile());
        const Settings settings = Settings::load(file);
        platform::OdbcConnection connection;
        const DataSource named{source, QString(), QString(), dataSource.isEmpty() ? settings.userName : QString(),
                               dataSource.isEmpty() ? settings.password : QString()};
        if (connection.connect(connectString(named), true) != 0)
            return QCoreApplication::translate("kelp::progress", "cannot open %1: %2")
                .arg(source, connection.errorText);
        return plan::readProgress(connection, today, plan::reviewDays(settings), file.read(keys::newGroupsPerDay),
                                  progress);
    }
    if (!QFileInfo(programFolder.database()).isFile())
        return QCoreApplication::translate("kelp::progress", "no study database %1").arg(programFolder.database());
    SettingsFile file(programFolder.settingsFile());
    const Settings settings = Settings::load(file);
    platform::OdbcConnection connection;
    // The file itself, read only: the data source may name another program folder's.
    const QString text = QStringLiteral("Driver={") + platform::registeredDriverPath(kDriverName) +
                         QStringLiteral("};Database=") + programFolder.database() +
                         QStringLiteral(";NoCreat=1;JDConv=1;Timeout=4000");
    if (connection.connect(text, true) != 0)
        return QCoreApplication::translate("kelp::progress", "cannot open %1: %2")
            .arg(programFolder.database(), connection.errorText);
    return plan::readProgress(connection, today, plan::reviewDays(settings), file.read(keys::newGroupsPerDay),
                              progress);
}

void addProgressEntry(QMenu &menu, const QString &folder)
{
    // Before the last entry, which ends the program and stays last.
    QAction *entry = new QAction(QStringLiteral("学习进度"), &menu);
    const QList<QAction *> actions = menu.actions();
    menu.insertAction(actions.isEmpty() ? nullptr : actions.constLast(), entry);
    QObject::connect(entry, &QAction::triggered, &menu, [folder] {
        static QPointer<ProgressWindow> open; // one at a time
        if (open) {
            open->close();
        }
        plan::Progress progress;
        if (const auto error = readFolderProgress(folder, QDate::currentDate(), progress)) {
            QMessageBox::warning(nullptr, QStringLiteral("学习进度"), *error);
            return;
        }
        open = new ProgressWindow(progress);
        open->show();
    });
}

} // namespace kelp
