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

QByteArray fileContents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

DataSource dataSourceOf(const Settings &settings, const ProgramFolder &folder)
{
    return DataSource{settings.dataSourceName, QString(), folder.database(), settings.userName, settings.password};
}

} // namespace

MaterialProblem loadMaterial(const Settings &settings, const QDate &today, const QString &wordFilePath,
                             platform::OdbcConnection &connection, StudyMaterial &material, bool hardWordsFirst)
{
    using Kind = MaterialProblem::Kind;
    switch (settings.sourceMode) {
    case SourceMode::Review:
    case SourceMode::GroupRange: {
        std::array<int, 8> reviewDays{};
        parseReviewDays(settings.reviewCycle, reviewDays);
        if (hardWordsFirst && settings.sourceMode == SourceMode::Review) {
            if (auto error = loadHardWords(connection, today, material.words))
                return {Kind::QueryFailed, error->status, error->text};
        }
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

StudyLoad loadStudy(const SettingsFile &file, const Settings &settings, const ProgramFolder &folder, QDate today,
                    bool reRegistered, bool pending)
{
    StudyLoad load;
    load.reRegistered = reRegistered;
    auto owned = std::make_unique<platform::OdbcConnection>();
    platform::OdbcConnection &connection = *owned;
    load.database = StudyDatabase::adopt(std::move(owned), settings.dataSourceName);
    if (isDatabaseMode(settings.sourceMode)) {
        const DataSource source = dataSourceOf(settings, folder);
        connectStudyDatabase(connection, source, readAutoCommit(file), load.reRegistered);
        warnIfDatabaseElsewhere(source);
        if (connection.isConnected()) {
            if (auto newer = refuseNewerSchema(connection)) {
                load.problem = {MaterialProblem::Kind::NewerDatabase, 0, *newer};
                return load;
            }
        }
    }
    if (settings.sourceMode == SourceMode::Review) {
        if (pending && connection.isConnected())
            load.pending = std::make_unique<platform::OdbcTransaction>(connection);
        // Writes only with [plan] new >= 1; a step that failed half-way leaves nothing.
        if (!plan::startReviewDay(file, settings, connection, today))
            load.pending.reset();
    }
    load.problem = loadMaterial(settings, today, folder.wordFile(settings.wordFile), connection, load.material,
                                file.read(keys::newGroupsPerDay) >= 1);
    return load;
}

std::optional<QString> StudyLoad::confirm()
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
    return load && f.root == folder.root && day == today && path == settingsPath && fileContents(path) == settings;
}

LoadAhead loadAhead(const QString &folderPath, const std::shared_future<void> &toolkitStarted)
{
    LoadAhead ahead;
    // As the start will see it: the folder becomes the current one, by its real path.
    ahead.folder.root = QDir(folderPath.isEmpty() ? QStringLiteral(".") : folderPath).canonicalPath();
    ahead.settingsPath = ahead.folder.settingsFile();
    ahead.today = QDate::currentDate();
    ahead.settings = fileContents(ahead.settingsPath);
    if (ahead.folder.root.isEmpty() || ahead.settings.isEmpty())
        return ahead;
    const SettingsFile file(ahead.settingsPath);
    Settings settings = Settings::load(file);
    if (settings.firstRun || !isDatabaseMode(settings.sourceMode))
        return ahead;
    if (isOwnDataSource(settings.dataSourceName) && toolkitStarted.valid())
        toolkitStarted.wait();
    parseReviewDays(settings.reviewCycle, settings.reviewDays);
    ahead.load = loadStudy(file, settings, ahead.folder, ahead.today, false, true);
    return ahead;
}

} // namespace kelp
