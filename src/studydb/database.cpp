#include "studydb/database.h"

#include "studydb/data_source.h"
#include "studydb/schema.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kelp {

StudyDatabase::StudyDatabase(std::unique_ptr<platform::OdbcConnection> connection, QString where)
    : connection_(std::move(connection)), where_(std::move(where))
{
}

StudyDatabase::~StudyDatabase() = default;

std::unique_ptr<StudyDatabase> StudyDatabase::openFile(const QString &path, QString *error)
{
    auto connection = std::make_unique<platform::OdbcConnection>();
    if (auto e = connectDatabaseFile(*connection, path)) {
        *error = *e;
        return nullptr;
    }
    // A database of a newer program is neither changed nor read as ours.
    if (auto e = refuseNewerSchema(*connection)) {
        *error = *e;
        return nullptr;
    }
    return std::unique_ptr<StudyDatabase>(new StudyDatabase(std::move(connection), path));
}

std::unique_ptr<StudyDatabase> StudyDatabase::openDataSource(const QString &name, QString *error)
{
    auto connection = std::make_unique<platform::OdbcConnection>();
    if (auto e = connectDataSource(*connection, name)) {
        *error = *e;
        return nullptr;
    }
    return std::unique_ptr<StudyDatabase>(new StudyDatabase(std::move(connection), name));
}

std::unique_ptr<StudyDatabase> StudyDatabase::openFolder(const ProgramFolder &folder, const Settings &settings,
                                                         const QString &given, QString *error)
{
    std::unique_ptr<StudyDatabase> opened;
    if (!given.isEmpty()) {
        opened = openDataSource(given, error);
        if (!opened)
            *error = QCoreApplication::translate("kelp::studydb", "cannot open %1: %2").arg(given, *error);
    } else if (!settings.dataSourceName.isEmpty() && !isOwnDataSource(settings.dataSourceName)) {
        auto connection = std::make_unique<platform::OdbcConnection>();
        const DataSource source{settings.dataSourceName, QString(), folder.database(), settings.userName,
                                settings.password};
        if (connection->connect(connectString(source), true) != 0) {
            *error = QCoreApplication::translate("kelp::studydb", "cannot open %1: %2")
                         .arg(source.name, connection->errorText);
            return nullptr;
        }
        opened.reset(new StudyDatabase(std::move(connection), source.name));
    } else {
        return openFile(folder.database(), error);
    }
    if (!opened)
        return nullptr;
    if (auto e = refuseNewerSchema(*opened->connection_)) {
        *error = *e;
        return nullptr;
    }
    return opened;
}

} // namespace kelp
