// The start-up's one read of the study material, in the way the source mode
// says (the groups due today, a range of groups, or a word file), and the
// same read made ahead of the start.
#pragma once

#include "config/program_folder.h"
#include "config/settings.h"
#include "platform/odbc.h"
#include "study/word_buffer.h"
#include "studydb/database.h"
#include "studydb/study_error.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <future>
#include <memory>
#include <optional>
#include <vector>

namespace kelp {

struct StudyMaterial {
    WordBuffer words;
    std::vector<int> groups; // the groups loaded from the database, in order
    bool fellBack = false;   // review mode found nothing due and loaded the range
};

// Fills `material`; what kept it from loading when something did. In the database modes `connection` must be open; the
// word file mode reads `wordFilePath`. Any other mode loads nothing. With
// `hardWordsFirst` (review mode with a plan) the hard words' group comes first.
StudyResult loadMaterial(const Settings &settings, const QDate &today, const QString &wordFilePath,
                         platform::OdbcConnection &connection, StudyMaterial &material, bool hardWordsFirst = false);

struct StudyLoad {
    StudyMaterial material;
    StudyResult problem;       // the study material could not be loaded
    bool reRegistered = false; // the data source was registered again on the way
    QStringList warnings;      // for the learner; the start goes on
    // Still open: a server's logout need not come before the first word.
    std::unique_ptr<StudyDatabase> database;
    // A load made ahead keeps the plan's step uncommitted until a start takes
    // it (confirm()); one thrown away leaves the database as it was.
    std::unique_ptr<platform::OdbcTransaction> pending;

    // Commits what the load wrote; the error when it could not (the start goes on).
    StudyResult confirm();
};

// From the study database (connect, the day's plan step, the due groups or
// the range) or from the word file, as `settings` ask. Any thread.
// With `pending`, what it writes (the plan's step) stays uncommitted until
// confirm().
StudyLoad loadStudy(const Settings &settings, const ProgramFolder &folder, QDate today, bool reRegistered,
                    bool pending = false);

// A start in a database mode, loaded from the program folder and its
// settings as they stood on the calling thread while the program starts: a server's driver brings its
// libraries by the dozen, and they, the login and the queries take about as
// long as the toolkit's start, so a server's load begins at once; the local
// file's waits for `toolkitStarted` (its libraries would hold up the
// toolkit's own). Nothing for the word file or a first run (which registers
// the data source first).
struct LoadAhead {
    SettingsSnapshot settings;
    ProgramFolder folder;
    QDate today;
    std::optional<StudyLoad> load;

    // Made for a start in `folder` on `today` from the settings file
    // `settingsPath` as it is now.
    bool madeFor(const ProgramFolder &folder, const QDate &today, const QString &settingsPath) const;
};
LoadAhead loadAhead(const ProgramFolder &folder, SettingsSnapshot settings, QDate today,
                    const std::shared_future<void> &toolkitStarted);

} // namespace kelp
