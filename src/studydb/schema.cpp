#include "studydb/schema.h"

#include "studydb/plan_tables.h"
#include "util/log.h"

#include <QCoreApplication>

#include <array>

namespace kelp {

namespace {

// What each version adds, in order; tables the program made before it kept
// a version (the plan's) may be there already.
struct Step {
    int version;
    std::vector<const char *> statements;
};
const std::array<Step, 2> kSteps{{
    {1,
     {"create table if not exists kelp_plan (xh integer primary key, introduced integer not null, "
      "stage integer not null, due integer, shown integer, shown_stage integer)",
      "create index if not exists kelp_plan_due on kelp_plan (due)",
      "create table if not exists kelp_plan_day (day integer primary key, days varchar(40))",
      // Reviews missed, by the day they were due on: the history the calendar shows.
      "create table if not exists kelp_plan_missed (day integer primary key, groups integer not null)"}},
    {2,
     {// The learner's answers, one a showing of a word (a second answer in
      // the same showing replaces the first), and each word's memory as they
      // leave it.
      "create table if not exists kelp_review (da varchar(50) not null, day integer not null, shown_at integer not "
      "null, "
      "grade integer not null, primary key (da, day, shown_at))",
      "create table if not exists kelp_memory (da varchar(50) primary key, stability double precision not null, "
      "difficulty double precision not null, last_day integer not null, due integer not null, "
      "lapses integer not null)",
      // Words added to the notebook: hard words too, until known on a later day.
      "create table if not exists kelp_noted (da varchar(50) primary key, day integer not null)"}},
}};

} // namespace

StudyExpected<int> schemaVersion(platform::OdbcConnection &connection)
{
    if (!plan::tableExists(connection, QStringLiteral("kelp_schema")))
        return 0;
    platform::OdbcQuery q(connection);
    if (q.open("select max(version) from kelp_schema", {}) < 0 || q.fetch() != 0)
        return StudyError(q.errorText());
    return static_cast<int>(q.integer(1).value_or(0));
}

QString newerSchemaMessage(int found)
{
    return QCoreApplication::translate("kelp::studydb",
                                       "the study database is of version %1, made by a newer program; this one knows "
                                       "version %2 at most and leaves it as it is")
        .arg(found)
        .arg(kSchemaVersion);
}

StudyResult refuseNewerSchema(platform::OdbcConnection &connection)
{
    StudyExpected<int> version = schemaVersion(connection);
    if (!version)
        return version.error();
    if (*version > kSchemaVersion)
        return StudyError(newerSchemaMessage(*version), StudyError::Code::NewerSchema);
    return std::nullopt;
}

std::vector<QByteArray> upgradeStatements(int from)
{
    std::vector<QByteArray> statements;
    for (const Step &step : kSteps) {
        if (step.version > from)
            statements.insert(statements.end(), step.statements.begin(), step.statements.end());
    }
    statements.push_back(from == 0 ? "create table kelp_schema (version integer not null)" : "delete from kelp_schema");
    statements.push_back("insert into kelp_schema (version) values (" + QByteArray::number(kSchemaVersion) + ")");
    return statements;
}

StudyResult upgradeSchema(platform::OdbcConnection &connection)
{
    StudyExpected<int> from = schemaVersion(connection);
    if (!from)
        return from.error();
    if (*from > kSchemaVersion)
        return StudyError(newerSchemaMessage(*from), StudyError::Code::NewerSchema);
    if (*from == kSchemaVersion)
        return std::nullopt;
    StudyResult failure;
    {
        platform::OdbcTransaction transaction(connection);
        for (const QByteArray &sql : upgradeStatements(*from)) {
            if (!failure)
                failure = platform::execute(connection, sql.constData());
        }
        if (!failure && !transaction.commit())
            failure = QCoreApplication::translate("kelp::studydb", "the upgrade could not be committed");
    }
    if (failure) {
        // Another program may have upgraded it meanwhile.
        if (auto now = schemaVersion(connection); now && *now == kSchemaVersion)
            return std::nullopt;
        return QCoreApplication::translate("kelp::studydb",
                                           "the study database could not be upgraded from version %1 to %2 (it is "
                                           "left as it was): %3")
            .arg(*from)
            .arg(kSchemaVersion)
            .arg(failure->text);
    }
    qCInfo(lcStudy).noquote() << QCoreApplication::translate("kelp::studydb",
                                                             "the study database was upgraded from version %1 to %2")
                                     .arg(*from)
                                     .arg(kSchemaVersion);
    return std::nullopt;
}

bool hasStudyTables(platform::OdbcConnection &connection)
{
    platform::OdbcQuery q(connection);
    // A query that fails when the table is missing works on every engine.
    return q.open("select count(*) from zb where 1 = 0", {}) == 0;
}

StudyResult createServerStudyTables(platform::OdbcConnection &connection, bool replace)
{
    if (connection.dialect() == platform::OdbcConnection::Dialect::PostgreSQL) {
        // Chinese meanings in a database of another encoding would be refused
        // or mangled word by word: say so before anything is written.
        platform::OdbcQuery q(connection);
        if (q.open("show server_encoding", {}) < 0 || q.fetch() != 0)
            return q.errorText();
        const QString encoding = q.text(1).value_or(QString());
        if (encoding.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) != 0)
            return QCoreApplication::translate(
                       "kelp::studydb", "the database's encoding is %1, not UTF8 (make it with createdb -E UTF8)")
                .arg(encoding);
    }
    if (replace) {
        // The plan's rows and days speak of the groups replaced.
        for (const char *sql : {"drop table if exists fb", "drop table if exists zb", "drop table if exists kelp_plan",
                                "drop table if exists kelp_plan_day", "drop table if exists kelp_plan_missed",
                                "drop table if exists kelp_schema"})
            if (auto e = platform::execute(connection, sql))
                return e;
    }
    // sj is a pure date, so that "date - days" is a date again and compares
    // exactly; text columns are unbounded (the server's encoding is UTF-8).
    for (const char *sql : {"create table zb (xh integer primary key, bt varchar, sj date, cs integer)",
                            "create table fb (xh integer not null, da varchar, lx2 varchar, xh1 integer)",
                            "create index fb_xh_xh1 on fb (xh, xh1)"}) {
        if (auto e = platform::execute(connection, sql))
            return e;
    }
    return std::nullopt;
}

} // namespace kelp
