// The study material of one run, filled once at start-up in the way the
// source mode says: the groups due today, a range of groups, or a word file.
#pragma once

#include "config/settings.h"
#include "platform/odbc.h"
#include "study/word_buffer.h"

#include <QDate>
#include <QString>

#include <vector>

namespace kelp {

struct StudyMaterial {
    WordBuffer words;
    std::vector<int> groups; // the groups loaded from the database, in order
    bool fellBack = false;   // review mode found nothing due and loaded the range
};

struct MaterialProblem {
    enum class Kind {
        None,
        QueryFailed,        // the program cannot go on: `status` and `text` say why
        WordFileMissing,    // nothing loaded; the learner is told where it was looked for
        WordFileUnreadable, // nothing loaded; `text` says why, for the learner
    };
    Kind kind = Kind::None;
    int status = 0;
    QString text;
};

// Fills `material`. In the database modes `connection` must be open; the
// word file mode reads `wordFilePath`. Any other mode loads nothing.
MaterialProblem loadMaterial(const Settings &settings, const QDate &today, const QString &wordFilePath,
                             platform::OdbcConnection &connection, StudyMaterial &material);

} // namespace kelp
