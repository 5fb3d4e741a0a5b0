// The "学习进度" entry of the tray menu.
#pragma once

#include "studydb/study_plan.h"

#include <QString>

class QMenu;

namespace kelp {

// Reads the progress of the program folder's study database (the folder's
// settings give the review days and new groups a day); the error when it cannot.
// With `dataSource`, the study tables of that ODBC data source (a server) instead.
std::optional<QString> readFolderProgress(const QString &folder, const QDate &today, plan::Progress &progress,
                                          const QString &dataSource = QString());

// Adds "学习进度" to `menu`, before its last entry: a window with the chart of
// the program folder `folder`.
void addProgressEntry(QMenu &menu, const QString &folder);

} // namespace kelp
