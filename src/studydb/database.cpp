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

StudyDatabase::Opened StudyDatabase::openFile(const QString &path)
{
    auto connection = std::make_unique<platform::OdbcConnection>();
    if (auto e = connectDatabaseFile(*connection, path))
        return *e;
    // A database of a newer program is neither changed nor read as ours.
    if (auto e = refuseNewerSchema(*connection))
        return *e;
    return std::unique_ptr<StudyDatabase>(new StudyDatabase(std::move(connection), path));
}

StudyDatabase::Opened StudyDatabase::openDataSource(const QString &name)
{
    auto connection = std::make_unique<platform::OdbcConnection>();
    if (auto e = connectDataSource(*connection, name))
        return *e;
    return std::unique_ptr<StudyDatabase>(new StudyDatabase(std::move(connection), name));
}

StudyDatabase::Opened StudyDatabase::openFolder(const ProgramFolder &folder, const Settings &settings,
                                                const QString &given)
{
    std::unique_ptr<StudyDatabase> opened;
    if (!given.isEmpty()) {
        Opened source = openDataSource(given);
        if (!source)
            return StudyError(
                QCoreApplication::translate("kelp::studydb", "cannot open %1: %2").arg(given, source.error().text));
        opened = std::move(*source);
    } else if (!settings.dataSourceName.isEmpty() && !isOwnDataSource(settings.dataSourceName)) {
        auto connection = std::make_unique<platform::OdbcConnection>();
        const DataSource source{settings.dataSourceName, QString(), folder.database(), settings.userName,
                                settings.password};
        if (connection->connect(connectString(source), true) != 0)
            return StudyError(QCoreApplication::translate("kelp::studydb", "cannot open %1: %2")
                                  .arg(source.name, connection->errorText),
                              StudyError::Code::Failed, connection->status);
        opened.reset(new StudyDatabase(std::move(connection), source.name));
    } else {
        return openFile(folder.database());
    }
    if (auto e = refuseNewerSchema(*opened->connection_))
        return *e;
    return opened;
}

} // namespace kelp
