#include "support/database_fixture.h"
#include "studydb/schema.h"

#include <QFile>

#include <cstdlib>
#include <stdexcept>

namespace kelp::test {

const QString &odbcIniPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("odbc.ini"));
        qputenv("ODBCINI", QFile::encodeName(p));
        return p;
    }();
    return path;
}

StudyDb::StudyDb(const QString &path) : path_(path)
{
    if (sqlite3_open(QFile::encodeName(path).constData(), &db_) != SQLITE_OK)
        throw std::runtime_error("cannot create the test database");
    exec(kLocalStudyTables);
}

StudyDb::~StudyDb()
{
    sqlite3_close(db_);
}

void StudyDb::exec(const std::string &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "sqlite error";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

namespace {
std::string quoted(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('\''), QStringLiteral("''"));
    return "'" + t.toStdString() + "'";
}
} // namespace

void StudyDb::group(int xh, const QString &bt, const QDate &sj, int cs)
{
    exec("insert into zb values (" + std::to_string(xh) + ", " + quoted(bt) + ", julianday(" +
         quoted(sj.toString(QStringLiteral("yyyy-MM-dd"))) + "), " + std::to_string(cs) + ")");
}

void StudyDb::word(int xh, const QString &da, const QString &meaning, int xh1)
{
    exec("insert into fb values (" + std::to_string(xh) + ", " + quoted(da) + ", " + quoted(meaning) + ", " +
         std::to_string(xh1) + ")");
}

} // namespace kelp::test
