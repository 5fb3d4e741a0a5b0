// The start-up's one read of the study material, and the same read made ahead
// of the start for a database server.
#pragma once

#include "config/program_folder.h"
#include "config/settings.h"
#include "platform/odbc.h"
#include "study/material.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <future>
#include <memory>
#include <optional>

namespace kelp {

struct StudyLoad {
    StudyMaterial material;
    MaterialProblem problem;
    bool reRegistered = false; // the data source was registered again on the way
    // Still open: a server's logout need not come before the first word.
    std::unique_ptr<platform::OdbcConnection> connection;
};

// From the study database (connect, the day's plan step, the due groups or
// the range) or from the word file, as `settings` ask. Any thread.
StudyLoad loadStudy(const SettingsFile &file, const Settings &settings, const ProgramFolder &folder, const QDate &today,
                    bool reRegistered);

// A start in a database mode, loaded from the program folder alone on the
// calling thread while the program starts: a server's driver brings its
// libraries by the dozen, and they, the login and the queries take about as
// long as the toolkit's start, so a server's load begins at once; the local
// file's waits for `toolkitStarted` (its libraries would hold up the
// toolkit's own). Nothing for the word file or a first run (which registers
// the data source first).
struct LoadAhead {
    QString settingsPath;
    QByteArray settings; // the settings file as read
    ProgramFolder folder;
    QDate today;
    std::optional<StudyLoad> load;

    // Made for a start in `folder` on `today` from the settings file
    // `settingsPath` as it is now.
    bool madeFor(const ProgramFolder &folder, const QDate &today, const QString &settingsPath) const;
};
LoadAhead loadAhead(const QString &folder, const std::shared_future<void> &toolkitStarted);

} // namespace kelp
