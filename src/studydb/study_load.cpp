#include "studydb/study_load.h"

#include "config/review_schedule.h"
#include "study/text_loader.h"
#include "studydb/data_source.h"
#include "studydb/schema.h"
#include "studydb/study_database.h"
#include "studydb/study_plan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kelp {
namespace {

DataSource dataSourceOf(const Settings &settings, const ProgramFolder &folder)
{
    return DataSource{settings.dataSourceName, QString(), folder.database(), settings.userName, settings.password};
}

} // namespace

StudyResult loadMaterial(const Settings &settings, const QDate &today, const QString &wordFilePath,
                         platform::OdbcConnection &connection, StudyMaterial &material, bool hardWordsFirst)
{
    switch (settings.sourceMode) {
    case SourceMode::Review:
    case SourceMode::GroupRange: {
        std::array<int, 8> reviewDays{};
        parseReviewDays(settings.reviewCycle, reviewDays);
        if (hardWordsFirst && settings.sourceMode == SourceMode::Review) {
            if (auto error = loadHardWords(connection, today, material.words))
                return error;
        }
        if (auto error = loadFromDatabase(connection, settings.sourceMode, today, reviewDays, settings.groupRange,
                                          material.fellBack, material.words, material.groups))
            return error;
        return std::nullopt;
    }
    case SourceMode::TextFile: {
        if (!QFileInfo::exists(wordFilePath))
            return StudyError(wordFilePath, StudyError::Code::NoWordFile);
        const TextLoadResult r = loadWordFile(wordFilePath, material.words);
        if (!r.ok)
            return StudyError(r.error, StudyError::Code::UnreadableWordFile);
        return std::nullopt;
    }
    }
    return {};
}

StudyLoad loadStudy(const Settings &settings, const ProgramFolder &folder, QDate today, bool reRegistered, bool pending)
{
    StudyLoad load;
    load.reRegistered = reRegistered;
    auto owned = std::make_unique<platform::OdbcConnection>();
    platform::OdbcConnection &connection = *owned;
    load.database = StudyDatabase::adopt(std::move(owned), settings.dataSourceName);
    if (isDatabaseMode(settings.sourceMode)) {
        const DataSource source = dataSourceOf(settings, folder);
        connectStudyDatabase(connection, source, settings.autoCommit, load.reRegistered);
        if (auto elsewhere = databaseElsewhere(source))
            load.warnings << *elsewhere;
        if (connection.isConnected()) {
            if (auto newer = refuseNewerSchema(connection)) {
                load.problem = newer;
                return load;
            }
        }
    }
    if (settings.sourceMode == SourceMode::Review) {
        if (pending && connection.isConnected())
            load.pending = std::make_unique<platform::OdbcTransaction>(connection);
        // Writes only with [plan] new >= 1; a step that failed half-way leaves nothing.
        if (auto error = plan::startReviewDay(settings, connection, today)) {
            load.pending.reset();
            load.warnings << QStringLiteral("the study plan could not be brought up to today: %1").arg(error->text);
        }
    }
    load.problem = loadMaterial(settings, today, folder.wordFile(settings.wordFile), connection, load.material,
                                settings.newGroupsPerDay >= 1);
    return load;
}

StudyResult StudyLoad::confirm()
{
    if (!pending)
        return std::nullopt;
    const bool ok = pending->commit();
    pending.reset();
    if (!ok)
        return QStringLiteral("the study plan's step could not be saved");
    return std::nullopt;
}

bool LoadAhead::madeFor(const ProgramFolder &f, const QDate &day, const QString &path) const
{
    return load && f.root == folder.root && day == today && path == settings.path && settings.isCurrent();
}

LoadAhead loadAhead(const ProgramFolder &folder, SettingsSnapshot snapshot, QDate today,
                    const std::shared_future<void> &toolkitStarted)
{
    LoadAhead ahead{std::move(snapshot), folder, today, std::nullopt};
    const Settings &settings = ahead.settings.settings;
    if (folder.root.isEmpty() || ahead.settings.bytes.isEmpty())
        return ahead;
    if (settings.firstRun || !isDatabaseMode(settings.sourceMode))
        return ahead;
    if (isOwnDataSource(settings.dataSourceName) && toolkitStarted.valid())
        toolkitStarted.wait();
    ahead.load = loadStudy(settings, folder, today, false, true);
    return ahead;
}

} // namespace kelp
