#include "studydb/word_store.h"

#include "config/program_folder.h"
#include "studydb/data_source.h"
#include "studydb/plan_tables.h"
#include "studydb/schema.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <climits>
#include <cmath>
#include <map>

namespace kelp {

namespace {

using platform::OdbcQuery;
using platform::SqlParam;

StudyError failed(const QString &text)
{
    return StudyError(text);
}

StudyError changedElsewhere(const QString &text)
{
    return StudyError(text, StudyError::Code::Conflict);
}

// zb.sj as a day: a date on a server, a julian day number at midnight in the file.
QDate dateOf(const std::optional<QString> &sj)
{
    if (!sj || sj->isEmpty())
        return {};
    if (sj->contains(QLatin1Char('-')))
        return QDate::fromString(sj->left(10), Qt::ISODate);
    bool ok = false;
    const double jdn = sj->toDouble(&ok);
    return ok ? QDate::fromJulianDay(static_cast<qint64>(std::floor(jdn + 0.5))) : QDate();
}

// One change, all of it or nothing: `body` runs inside a transaction that is
// committed only when it reports no error.
template <typename Body>
StudyResult inTransaction(platform::OdbcConnection &connection, Body body)
{
    if (!connection.isConnected())
        return failed(QStringLiteral("not connected to the study database"));
    platform::OdbcTransaction transaction(connection);
    if (auto error = body())
        return error; // rolled back as the guard goes
    if (!transaction.commit())
        return failed(QStringLiteral("the change could not be committed"));
    return std::nullopt;
}

// A statement that must change exactly `expected` rows; any other count means
// the rows are no longer what the window showed.
StudyResult change(platform::OdbcConnection &connection, const char *sql, const std::vector<SqlParam> &params,
                   long long expected, const QString &otherwise)
{
    OdbcQuery q(connection);
    if (q.open(sql, params) < 0)
        return failed(q.errorText());
    if (q.rowCount() != expected)
        return changedElsewhere(otherwise);
    return std::nullopt;
}

std::optional<long long> single(platform::OdbcConnection &connection, const char *sql,
                                const std::vector<SqlParam> &params, StudyError *error)
{
    OdbcQuery q(connection);
    if (q.open(sql, params) < 0 || q.fetch() != 0) {
        *error = failed(q.errorText());
        return std::nullopt;
    }
    return q.integer(1).value_or(0);
}

// The words of `group` from place `fromPlace` on, in order.
std::optional<std::vector<StoredWord>> storedWords(platform::OdbcConnection &connection, int group, int fromPlace,
                                                   StudyError *error)
{
    OdbcQuery q(connection);
    if (q.open("select coalesce(xh1, 0), da, lx2 from fb where xh = ? and coalesce(xh1, 0) >= ? order by xh1",
               {SqlParam::of(group), SqlParam::of(fromPlace)}) < 0) {
        *error = failed(q.errorText());
        return std::nullopt;
    }
    std::vector<StoredWord> words;
    int rc;
    while ((rc = q.fetch()) == 0)
        words.push_back(
            {static_cast<int>(q.integer(1).value_or(0)), q.text(2).value_or(QString()), q.text(3).value_or(QString())});
    if (rc < 0) {
        *error = failed(q.errorText());
        return std::nullopt;
    }
    return words;
}

StudyResult expectWords(platform::OdbcConnection &connection, int group, int fromPlace,
                        const std::vector<StoredWord> &expected)
{
    StudyError error;
    const auto words = storedWords(connection, group, fromPlace, &error);
    if (!words)
        return error;
    if (*words != expected)
        return changedElsewhere(QStringLiteral("the words of group %1 were changed meanwhile").arg(group));
    return std::nullopt;
}

StudyResult expectGroupCount(platform::OdbcConnection &connection, int group, long long count)
{
    StudyError error;
    const auto n = single(connection, "select count(*) from zb where xh = ?", {SqlParam::of(group)}, &error);
    if (!n)
        return error;
    if (*n != count)
        return changedElsewhere(count == 0 ? QStringLiteral("group %1 exists again").arg(group)
                                           : QStringLiteral("group %1 is gone").arg(group));
    return std::nullopt;
}

// The places must hold no word in `group`.
StudyResult expectFreePlaces(platform::OdbcConnection &connection, int group, const std::vector<int> &places)
{
    for (const int place : places) {
        StudyError error;
        const auto n = single(connection, "select count(*) from fb where xh = ? and coalesce(xh1, 0) = ?",
                              {SqlParam::of(group), SqlParam::of(place)}, &error);
        if (!n)
            return error;
        if (*n != 0)
            return changedElsewhere(QStringLiteral("group %1 has another word at place %2").arg(group).arg(place));
    }
    return std::nullopt;
}

const char *const kWordMatches = "xh = ? and coalesce(xh1, 0) = ? and coalesce(da, '') = ? and coalesce(lx2, '') = ?";

std::vector<SqlParam> wordKey(int group, const StoredWord &w)
{
    return {SqlParam::of(group), SqlParam::of(w.place), SqlParam::of(w.word), SqlParam::of(w.stored)};
}

QString wordChanged(const StoredWord &w)
{
    return QStringLiteral("\"%1\" was changed or removed meanwhile").arg(w.word);
}

StudyResult insertWord(platform::OdbcConnection &connection, int group, const StoredWord &w)
{
    if (auto e = platform::execute(
            connection, "insert into fb (xh, da, lx2, xh1) values (?, ?, ?, ?)",
            {SqlParam::of(group), SqlParam::of(w.word), SqlParam::of(w.stored), SqlParam::of(w.place)}))
        return failed(*e);
    return std::nullopt;
}

bool isServer(platform::OdbcConnection &connection)
{
    return connection.dialect() == platform::OdbcConnection::Dialect::PostgreSQL;
}

// A group number is taken or given back together with its plan row: a row
// left behind would hand its schedule (retired, say) to the next group that
// gets the number. Rows past the last group are such leftovers.
StudyResult dropPlanRows(platform::OdbcConnection &connection, const char *where, int number)
{
    if (!plan::tableExists(connection, QStringLiteral("kelp_plan")))
        return std::nullopt;
    const QByteArray sql = QByteArray("delete from kelp_plan where ") + where;
    if (auto e = platform::execute(connection, sql.constData(), {SqlParam::of(number)}))
        return failed(*e);
    return std::nullopt;
}

std::optional<PlanRow> planRow(platform::OdbcConnection &connection, int number, StudyError *error)
{
    if (!plan::tableExists(connection, QStringLiteral("kelp_plan")))
        return std::nullopt;
    OdbcQuery q(connection);
    if (q.open("select introduced, stage, coalesce(due, -1), coalesce(shown, -1), coalesce(shown_stage, -1) "
               "from kelp_plan where xh = ?",
               {SqlParam::of(number)}) < 0) {
        *error = failed(q.errorText());
        return std::nullopt;
    }
    if (q.fetch() != 0)
        return std::nullopt;
    const auto at = [&q](int column) { return static_cast<int>(q.integer(column).value_or(-1)); };
    return PlanRow{at(1), at(2), at(3), at(4), at(5)};
}

StudyResult insertPlanRow(platform::OdbcConnection &connection, int number, const PlanRow &row)
{
    if (auto e = platform::execute(connection,
                                   "insert into kelp_plan (xh, introduced, stage, due, shown, shown_stage) "
                                   "values (?, ?, ?, nullif(?, -1), nullif(?, -1), nullif(?, -1))",
                                   {SqlParam::of(number), SqlParam::of(row.introduced), SqlParam::of(row.stage),
                                    SqlParam::of(row.due), SqlParam::of(row.shown), SqlParam::of(row.shownStage)}))
        return failed(*e);
    return std::nullopt;
}

} // namespace

StudyResult connectDatabaseFile(platform::OdbcConnection &connection, const QString &path)
{
    if (!QFileInfo(path).isFile())
        return QCoreApplication::translate("kelp::studydb", "no study database %1").arg(path);
    const QString text = QStringLiteral("Driver={") + platform::registeredDriverPath(kDriverName) +
                         QStringLiteral("};Database=") + path + QStringLiteral(";NoCreat=1;JDConv=1;Timeout=") +
                         QString::number(kLockWaitMs);
    if (connection.connect(text, true) != 0)
        return QCoreApplication::translate("kelp::studydb", "cannot open %1: %2").arg(path, connection.errorText);
    return std::nullopt;
}

StudyResult WordStore::read(std::vector<StoredGroup> &groups, int first, int last)
{
    groups.clear();
    const std::vector<SqlParam> range{SqlParam::of(last < first ? INT_MIN : first),
                                      SqlParam::of(last < first ? INT_MAX : last)};
    OdbcQuery q(connection_);
    if (q.open("select xh, bt, sj, cs from zb where xh between ? and ? order by xh", range) < 0)
        return q.errorText();
    int rc;
    while ((rc = q.fetch()) == 0)
        groups.push_back({static_cast<int>(q.integer(1).value_or(0)),
                          q.text(2).value_or(QString()),
                          dateOf(q.text(3)),
                          static_cast<int>(q.integer(4).value_or(0)),
                          {}});
    if (rc < 0)
        return q.errorText();
    if (q.open("select xh, coalesce(xh1, 0), da, lx2 from fb where xh between ? and ? order by xh, xh1", range) < 0)
        return q.errorText();
    // Both in group order: the words are dealt out walking the groups once.
    auto group = groups.begin();
    while ((rc = q.fetch()) == 0) {
        const int xh = static_cast<int>(q.integer(1).value_or(0));
        while (group != groups.end() && group->number < xh)
            ++group;
        if (group == groups.end() || group->number != xh)
            continue;
        group->words.push_back(
            {static_cast<int>(q.integer(2).value_or(0)), q.text(3).value_or(QString()), q.text(4).value_or(QString())});
    }
    if (rc < 0)
        return q.errorText();
    return std::nullopt;
}

StudyResult WordStore::setWord(int group, const StoredWord &old, const QString &word, const QString &stored)
{
    return inTransaction(connection_, [&]() -> StudyResult {
        std::vector<SqlParam> params{SqlParam::of(word), SqlParam::of(stored)};
        for (SqlParam &p : wordKey(group, old))
            params.push_back(std::move(p));
        return change(connection_, (QByteArray("update fb set da = ?, lx2 = ? where ") + kWordMatches).constData(),
                      params, 1, wordChanged(old));
    });
}

StudyResult WordStore::setTitle(int group, const QString &old, const QString &title)
{
    return inTransaction(connection_, [&]() -> StudyResult {
        return change(connection_, "update zb set bt = ? where xh = ? and coalesce(bt, '') = ?",
                      {SqlParam::of(title), SqlParam::of(group), SqlParam::of(old)}, 1,
                      QStringLiteral("the title of group %1 was changed meanwhile").arg(group));
    });
}

StudyResult WordStore::deleteWords(const std::vector<GroupWord> &words)
{
    return inTransaction(connection_, [&]() -> StudyResult {
        const QByteArray sql = QByteArray("delete from fb where ") + kWordMatches;
        for (const GroupWord &w : words) {
            if (auto e = change(connection_, sql.constData(), wordKey(w.group, w.word), 1, wordChanged(w.word)))
                return e;
        }
        return std::nullopt;
    });
}

StudyResult WordStore::insertWords(const std::vector<GroupWord> &words)
{
    return inTransaction(connection_, [&]() -> StudyResult {
        for (const GroupWord &w : words) {
            if (auto e = expectGroupCount(connection_, w.group, 1))
                return e;
            if (auto e = expectFreePlaces(connection_, w.group, {w.word.place}))
                return e;
            if (auto e = insertWord(connection_, w.group, w.word))
                return e;
        }
        return std::nullopt;
    });
}

StudyResult WordStore::moveWords(const std::vector<GroupWord> &words,
                                 const std::vector<std::pair<int, int>> &destinations, std::vector<GroupWord> *placed)
{
    if (words.size() != destinations.size())
        return failed(QStringLiteral("as many destinations as words"));
    return inTransaction(connection_, [&]() -> StudyResult {
        std::map<int, int> lastPlace; // of the groups words are appended to, as they fill
        std::vector<GroupWord> moved;
        const QByteArray sql = QByteArray("update fb set xh = ?, xh1 = ? where ") + kWordMatches;
        for (size_t i = 0; i < words.size(); ++i) {
            const auto [group, requested] = destinations[i];
            if (auto e = expectGroupCount(connection_, group, 1))
                return e;
            int place = requested;
            if (place == 0) {
                auto it = lastPlace.find(group);
                if (it == lastPlace.end()) {
                    StudyError error;
                    const auto last = single(connection_, "select coalesce(max(xh1), 0) from fb where xh = ?",
                                             {SqlParam::of(group)}, &error);
                    if (!last)
                        return error;
                    it = lastPlace.emplace(group, static_cast<int>(*last)).first;
                }
                place = ++it->second;
            } else if (auto e = expectFreePlaces(connection_, group, {place})) {
                return e;
            }
            std::vector<SqlParam> params{SqlParam::of(group), SqlParam::of(place)};
            for (SqlParam &p : wordKey(words[i].group, words[i].word))
                params.push_back(std::move(p));
            if (auto e = change(connection_, sql.constData(), params, 1, wordChanged(words[i].word)))
                return e;
            moved.push_back({group, {place, words[i].word.word, words[i].word.stored}});
        }
        if (placed)
            *placed = std::move(moved);
        return std::nullopt;
    });
}

StudyResult WordStore::deleteGroup(const StoredGroup &group, std::optional<PlanRow> *plan)
{
    return inTransaction(connection_, [&]() -> StudyResult {
        if (auto e = expectWords(connection_, group.number, INT_MIN, group.words))
            return e;
        StudyError error;
        const std::optional<PlanRow> row = planRow(connection_, group.number, &error);
        if (!error.text.isEmpty())
            return error;
        if (auto e = dropPlanRows(connection_, "xh = ?", group.number))
            return e;
        if (plan)
            *plan = row;
        if (auto e = change(connection_, "delete from fb where xh = ?", {SqlParam::of(group.number)},
                            static_cast<long long>(group.words.size()),
                            QStringLiteral("the words of group %1 were changed meanwhile").arg(group.number)))
            return e;
        return change(connection_, "delete from zb where xh = ? and coalesce(bt, '') = ?",
                      {SqlParam::of(group.number), SqlParam::of(group.title)}, 1,
                      QStringLiteral("group %1 was changed or removed meanwhile").arg(group.number));
    });
}

StudyResult WordStore::insertGroup(const StoredGroup &group, const std::optional<PlanRow> &plan)
{
    return inTransaction(connection_, [&]() -> StudyResult {
        if (auto e = expectGroupCount(connection_, group.number, 0))
            return e;
        if (auto e = dropPlanRows(connection_, "xh = ?", group.number))
            return e;
        if (plan) {
            if (auto e = insertPlanRow(connection_, group.number, *plan))
                return e;
        }
        if (auto e = expectWords(connection_, group.number, INT_MIN, {}))
            return e;
        const bool scheduled = group.referenceDate.isValid();
        std::vector<SqlParam> params{SqlParam::of(group.number), SqlParam::of(group.title)};
        if (scheduled)
            params.push_back(SqlParam::of(group.referenceDate));
        params.push_back(SqlParam::of(group.stage));
        if (auto e = platform::execute(connection_,
                                       scheduled ? "insert into zb (xh, bt, sj, cs) values (?, ?, ?, ?)"
                                                 : "insert into zb (xh, bt, sj, cs) values (?, ?, null, ?)",
                                       params))
            return failed(*e);
        for (const StoredWord &w : group.words) {
            if (auto e = insertWord(connection_, group.number, w))
                return e;
        }
        return std::nullopt;
    });
}

StudyResult WordStore::splitGroup(const StoredGroup &group, int fromPlace, const QString &newTitle, int *created)
{
    std::vector<StoredWord> moving;
    for (const StoredWord &w : group.words) {
        if (w.place >= fromPlace)
            moving.push_back(w);
    }
    return inTransaction(connection_, [&]() -> StudyResult {
        // An import or another window waits for us: the number after the last
        // one is ours until the commit.
        if (isServer(connection_)) {
            if (auto e = platform::execute(connection_, "lock table zb in share row exclusive mode"))
                return failed(*e);
        }
        if (auto e = expectWords(connection_, group.number, fromPlace, moving))
            return e;
        StudyError error;
        const auto last = single(connection_, "select coalesce(max(xh), 0) from zb", {}, &error);
        if (!last)
            return error;
        if (*last >= kMaxGroupNumber)
            return failed(QStringLiteral("group numbers end at %1").arg(kMaxGroupNumber));
        const int number = static_cast<int>(*last) + 1;
        // The new part is studied on the schedule the whole group had, in
        // the study plan too (on a day the group was shown, zb holds the
        // stage shown and the plan the next one).
        if (auto e = change(connection_, "insert into zb (xh, bt, sj, cs) select ?, ?, sj, cs from zb where xh = ?",
                            {SqlParam::of(number), SqlParam::of(newTitle), SqlParam::of(group.number)}, 1,
                            QStringLiteral("group %1 is gone").arg(group.number)))
            return e;
        if (auto e = dropPlanRows(connection_, "xh >= ?", number))
            return e;
        const std::optional<PlanRow> row = planRow(connection_, group.number, &error);
        if (!error.text.isEmpty())
            return error;
        if (row) {
            if (auto e = insertPlanRow(connection_, number, *row))
                return e;
        }
        if (auto e = change(connection_, "update fb set xh = ? where xh = ? and coalesce(xh1, 0) >= ?",
                            {SqlParam::of(number), SqlParam::of(group.number), SqlParam::of(fromPlace)},
                            static_cast<long long>(moving.size()),
                            QStringLiteral("the words of group %1 were changed meanwhile").arg(group.number)))
            return e;
        if (created)
            *created = number;
        return std::nullopt;
    });
}

StudyResult WordStore::joinSplit(int into, const StoredGroup &part)
{
    return inTransaction(connection_, [&]() -> StudyResult {
        if (auto e = expectGroupCount(connection_, into, 1))
            return e;
        std::vector<int> places;
        for (const StoredWord &w : part.words)
            places.push_back(w.place);
        if (auto e = expectFreePlaces(connection_, into, places))
            return e;
        if (auto e = expectWords(connection_, part.number, INT_MIN, part.words))
            return e;
        if (auto e = change(connection_, "update fb set xh = ? where xh = ?",
                            {SqlParam::of(into), SqlParam::of(part.number)}, static_cast<long long>(part.words.size()),
                            QStringLiteral("the words of group %1 were changed meanwhile").arg(part.number)))
            return e;
        if (auto e = dropPlanRows(connection_, "xh = ?", part.number))
            return e;
        return change(connection_, "delete from zb where xh = ? and coalesce(bt, '') = ?",
                      {SqlParam::of(part.number), SqlParam::of(part.title)}, 1,
                      QStringLiteral("group %1 was changed or removed meanwhile").arg(part.number));
    });
}

} // namespace kelp
