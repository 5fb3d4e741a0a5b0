#include "progress/progress_entry.h"

#include "config/program_folder.h"
#include "progress/progress_chart.h"
#include "studydb/database.h"

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
    const SettingsFile file(programFolder.settingsFile());
    // Without a settings file the folder's own database, on the defaults.
    const Settings settings = QFileInfo(programFolder.settingsFile()).isFile() ? Settings::load(file) : Settings();
    // The trainer's own: a server's data source when its settings name one
    // in a database mode.
    Settings chosen = settings;
    if (!isDatabaseMode(settings.sourceMode))
        chosen.dataSourceName.clear();
    auto database = StudyDatabase::openFolder(programFolder, chosen, dataSource);
    if (!database)
        return database.error().text;
    if (auto e = (*database)->readProgress(today, plan::reviewDays(settings), settings.newGroupsPerDay, progress))
        return e->text;
    return std::nullopt;
}

void addProgressEntry(QMenu &menu, const QString &folder)
{
    // Before the last entry, which ends the program and stays last.
    QAction *entry = new QAction(QCoreApplication::translate("kelp::progress", "学习进度"), &menu);
    const QList<QAction *> actions = menu.actions();
    menu.insertAction(actions.isEmpty() ? nullptr : actions.constLast(), entry);
    QObject::connect(entry, &QAction::triggered, &menu, [folder] {
        static QPointer<ProgressWindow> open; // one at a time
        if (open) {
            open->close();
        }
        plan::Progress progress;
        if (const auto error = readFolderProgress(folder, QDate::currentDate(), progress)) {
            QMessageBox::warning(nullptr, QCoreApplication::translate("kelp::progress", "学习进度"), *error);
            return;
        }
        open = new ProgressWindow(progress);
        open->show();
    });
}

} // namespace kelp
