#include "studydb/server_sink.h"

#include "platform/odbc.h"
#include "studydb/data_source.h"
#include "studydb/plan_tables.h"
#include "studydb/schema.h"

#include <QCoreApplication>

namespace kelp {

using platform::SqlParam;

ServerSink::ServerSink() = default;

ServerSink::~ServerSink()
{
    rollback();
}

StudyResult ServerSink::open(const QString &name, bool makeTables, bool replace)
{
    ownConnection_ = std::make_unique<platform::OdbcConnection>();
    if (const auto error = connectDataSource(*ownConnection_, name)) {
        rollback();
        return QCoreApplication::translate("kelp::studydb", "cannot connect to the data source %1: %2")
            .arg(name, error->text);
    }
    return open(*ownConnection_, name, makeTables, replace);
}

StudyResult ServerSink::open(platform::OdbcConnection &connection, const QString &name, bool makeTables, bool replace)
{
    name_ = name;
    server_ = &connection;
    transaction_ = std::make_unique<platform::OdbcTransaction>(connection);
    if (auto failure = start(makeTables, replace)) {
        rollback();
        return failure;
    }
    return std::nullopt;
}

StudyResult ServerSink::start(bool makeTables, bool replace)
{
    if (makeTables)
        return createServerStudyTables(*server_, replace);
    if (auto newer = refuseNewerSchema(*server_))
        return newer;
    // The queries end before a failure closes the connection under them.
    platform::OdbcQuery q(*server_);
    // A second import (or a trainer's plan) waits for this one: the group
    // numbers after the last one are ours until the commit.
    const auto noTables = [this](const QString &why) {
        return QCoreApplication::translate("kelp::studydb",
                                           "%1 holds no study tables (make them with kelpword-mkdb --dsn): %2")
            .arg(name_, why);
    };
    if (server_->dialect() == platform::OdbcConnection::Dialect::PostgreSQL &&
        q.open("lock table zb in share row exclusive mode", {}) < 0) {
        if (q.errorText().startsWith(QLatin1String("42P01"))) // undefined table
            return noTables(q.errorText());
        return QCoreApplication::translate("kelp::studydb", "the data source %1 cannot be written: %2")
            .arg(name_, q.errorText());
    }
    if (q.open("select coalesce(max(xh), 0) from zb", {}) < 0 || q.fetch() != 0)
        return noTables(q.errorText());
    lastGroup_ = static_cast<int>(q.integer(1).value_or(0));
    q.close();
    // A plan's rows of groups removed since would pass to the new groups that take their numbers.
    if (plan::tableExists(*server_, QStringLiteral("kelp_plan"))) {
        if (auto e = platform::execute(*server_, "delete from kelp_plan where xh > ?", {SqlParam::of(lastGroup_)}))
            return *e;
    }
    if (!readTitles())
        return noTables(error_);
    return std::nullopt;
}

bool ServerSink::mergeAnswers(const AnswerLog &log)
{
    StudyExpected<int> version = schemaVersion(*server_);
    if (!version) {
        error_ = version.error().text;
        return false;
    }
    if (*version < kSchemaVersion) {
        for (const QByteArray &sql : upgradeStatements(*version)) {
            if (auto e = platform::execute(*server_, sql.constData())) {
                error_ = *e;
                return false;
            }
        }
    }
    if (auto e = mergeAnswerLog(*server_, log, memory::Model())) {
        error_ = e->text;
        return false;
    }
    return true;
}

bool ServerSink::readTitles()
{
    platform::OdbcQuery q(*server_);
    if (q.open("select xh, bt from zb", {}) < 0) {
        error_ = q.errorText();
        return false;
    }
    int rc;
    while ((rc = q.fetch()) == 0)
        titles_.emplace(q.text(2).value_or(QString()), static_cast<int>(q.integer(1).value_or(0)));
    if (rc < 0)
        error_ = q.errorText();
    return rc >= 0;
}

std::optional<GroupSink::WordRows> ServerSink::storedWords(int group)
{
    WordRows rows;
    platform::OdbcQuery q(*server_);
    if (q.open("select da, lx2 from fb where xh = ? order by xh1", {SqlParam::of(group)}) < 0)
        return std::nullopt;
    int rc;
    while ((rc = q.fetch()) == 0)
        rows.emplace_back(q.text(1).value_or(QString()), q.text(2).value_or(QString()));
    return rc < 0 ? std::nullopt : std::optional(rows);
}

bool ServerSink::insertGroup(int number, const QString &title, const QDate &referenceDate, int stage)
{
    const bool scheduled = referenceDate.isValid();
    std::vector<SqlParam> params{SqlParam::of(number), SqlParam::of(title)};
    if (scheduled)
        params.push_back(SqlParam::of(referenceDate));
    params.push_back(SqlParam::of(stage));
    if (auto e = platform::execute(*server_,
                                   scheduled ? "insert into zb (xh, bt, sj, cs) values (?, ?, ?, ?)"
                                             : "insert into zb (xh, bt, sj, cs) values (?, ?, null, ?)",
                                   params)) {
        error_ = *e;
        return false;
    }
    return true;
}

bool ServerSink::insertWord(int group, int place, const QString &word, const QString &meaning)
{
    if (auto e =
            platform::execute(*server_, "insert into fb (xh, da, lx2, xh1) values (?, ?, ?, ?)",
                              {SqlParam::of(group), SqlParam::of(word), SqlParam::of(meaning), SqlParam::of(place)})) {
        error_ = *e;
        return false;
    }
    return true;
}

StudyResult ServerSink::commit()
{
    const bool ok = transaction_ && transaction_->commit();
    rollback();
    if (!ok)
        return QCoreApplication::translate("kelp::studydb", "the words could not be committed to %1").arg(name_);
    return std::nullopt;
}

void ServerSink::rollback()
{
    // Ended without a commit, the server's transaction rolls back.
    transaction_.reset();
    server_ = nullptr;
    ownConnection_.reset();
}

} // namespace kelp
