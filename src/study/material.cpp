#include "study/material.h"

#include "study/review_schedule.h"
#include "study/study_database.h"
#include "study/text_loader.h"

#include <QFileInfo>

namespace kelp {

MaterialProblem loadMaterial(const Settings &settings, const QDate &today, const QString &wordFilePath,
                             platform::OdbcConnection &connection, StudyMaterial &material)
{
    using Kind = MaterialProblem::Kind;
    switch (settings.sourceMode) {
    case SourceMode::Review:
    case SourceMode::GroupRange: {
        std::array<int, 8> reviewDays{};
        parseReviewDays(settings.reviewCycle, reviewDays);
        if (auto error = loadFromDatabase(connection, settings.sourceMode, today, reviewDays, settings.groupRange,
                                          material.fellBack, material.words, material.groups))
            return {Kind::QueryFailed, error->status, error->text};
        return {};
    }
    case SourceMode::TextFile: {
        if (!QFileInfo::exists(wordFilePath))
            return {Kind::WordFileMissing, 0, wordFilePath};
        const TextLoadResult r = loadWordFile(wordFilePath, material.words);
        if (!r.ok)
            return {Kind::WordFileUnreadable, 0, r.error};
        return {};
    }
    }
    return {};
}

} // namespace kelp
