#include "studydb/grade_store.h"

#include "studydb/schema.h"
#include "studydb/study_plan.h"

#include <QCoreApplication>

#include <algorithm>

#include <vector>

namespace kelp {

using platform::SqlParam;

StudyResult recordAnswer(platform::OdbcConnection &connection, const Answer &answer, const memory::Model &model,
                         const plan::ReviewDays &days)
{
    const QString word = answer.word.trimmed();
    if (word.isEmpty())
        return QCoreApplication::translate("kelp::studydb", "no word to grade");
    // A database of before the answers were kept gets their tables first.
    if (auto e = upgradeSchema(connection))
        return e;
    platform::OdbcTransaction transaction(connection);
    const int day = static_cast<int>(answer.day.toJulianDay());
    if (auto e = platform::execute(connection, "delete from kelp_review where da = ? and day = ? and shown_at = ?",
                                   {SqlParam::of(word), SqlParam::of(day), SqlParam::of(answer.shownAt)}))
        return e;
    if (auto e = platform::execute(connection, "insert into kelp_review (da, day, shown_at, grade) values (?, ?, ?, ?)",
                                   {SqlParam::of(word), SqlParam::of(day), SqlParam::of(answer.shownAt),
                                    SqlParam::of(static_cast<int>(answer.grade))}))
        return e;
    // The memory from every answer in order: a replaced answer leaves no trace.
    std::vector<memory::Review> reviews;
    int lapses = 0;
    {
        platform::OdbcQuery q(connection);
        if (q.open("select day, grade from kelp_review where da = ? order by day, shown_at", {SqlParam::of(word)}) < 0)
            return q.errorText();
        int rc;
        while ((rc = q.fetch()) == 0) {
            const auto grade = static_cast<memory::Grade>(std::clamp<long long>(q.integer(2).value_or(3), 1, 4));
            lapses += grade == memory::Grade::Again ? 1 : 0;
            reviews.push_back({q.integer(1).value_or(day), grade});
        }
        if (rc < 0)
            return q.errorText();
    }
    const auto state = model.replay(reviews);
    if (!state)
        return QCoreApplication::translate("kelp::studydb", "the answer was not kept");
    const long long last = reviews.back().day;
    const int due = static_cast<int>(last + model.intervalDays(state->stability));
    if (auto e = platform::execute(connection, "delete from kelp_memory where da = ?", {SqlParam::of(word)}))
        return e;
    if (auto e = platform::execute(connection,
                                   "insert into kelp_memory (da, stability, difficulty, last_day, due, lapses) "
                                   "values (?, ?, ?, ?, ?, ?)",
                                   {SqlParam::of(word), SqlParam::of(state->stability), SqlParam::of(state->difficulty),
                                    SqlParam::of(static_cast<int>(last)), SqlParam::of(due), SqlParam::of(lapses)}))
        return e;
    if (auto e = plan::moveGroupsByWords(connection, word, days))
        return e;
    if (!transaction.commit())
        return QCoreApplication::translate("kelp::studydb", "the answer could not be committed");
    return std::nullopt;
}

StudyExpected<bool> hasAnswerTables(platform::OdbcConnection &connection)
{
    StudyExpected<int> version = schemaVersion(connection);
    if (!version)
        return version.error();
    return *version >= 2;
}

StudyResult recordNoted(platform::OdbcConnection &connection, const QString &word, const QDate &day)
{
    const QString da = word.trimmed();
    if (da.isEmpty())
        return QCoreApplication::translate("kelp::studydb", "no word to grade");
    if (auto e = upgradeSchema(connection))
        return e;
    platform::OdbcTransaction transaction(connection);
    if (auto e = platform::execute(connection, "delete from kelp_noted where da = ?", {SqlParam::of(da)}))
        return e;
    if (auto e = platform::execute(connection, "insert into kelp_noted (da, day) values (?, ?)",
                                   {SqlParam::of(da), SqlParam::of(static_cast<int>(day.toJulianDay()))}))
        return e;
    if (!transaction.commit())
        return QCoreApplication::translate("kelp::studydb", "the answer could not be committed");
    return std::nullopt;
}

StudyResult readHardWords(platform::OdbcConnection &connection, std::vector<HardWord> &words)
{
    words.clear();
    StudyExpected<bool> tables = hasAnswerTables(connection);
    if (!tables)
        return tables.error();
    if (!*tables)
        return std::nullopt;
    platform::OdbcQuery q(connection);
    // A "认识" on the same day as the lapse leaves the word hard: it was
    // just seen again; only a later day's shows it was learned.
    if (q.open("select h.da, max(h.day), (select m.due from kelp_memory m where m.da = h.da) from "
               "(select da, day from kelp_review where grade = 1 union all select da, day from kelp_noted) h "
               "group by h.da having max(h.day) >= coalesce((select max(r.day) from kelp_review r "
               "where r.da = h.da and r.grade >= 2), 0) order by max(h.day), h.da",
               {}) < 0)
        return q.errorText();
    int rc;
    while ((rc = q.fetch()) == 0) {
        const long long since = q.integer(2).value_or(0);
        words.push_back({q.text(1).value_or(QString()), q.integer(3).value_or(since)});
    }
    if (rc < 0)
        return q.errorText();
    return std::nullopt;
}

StudyResult readWordMemories(platform::OdbcConnection &connection, QHash<QString, WordMemory> &memories)
{
    memories.clear();
    StudyExpected<bool> tables = hasAnswerTables(connection);
    if (!tables)
        return tables.error();
    if (!*tables)
        return std::nullopt;
    platform::OdbcQuery q(connection);
    if (q.open("select da, stability, difficulty, last_day, due, lapses from kelp_memory", {}) < 0)
        return q.errorText();
    int rc;
    while ((rc = q.fetch()) == 0)
        memories.insert(q.text(1).value_or(QString()), WordMemory{{q.real(2).value_or(0), q.real(3).value_or(0)},
                                                                  q.integer(4).value_or(0),
                                                                  q.integer(5).value_or(0),
                                                                  static_cast<int>(q.integer(6).value_or(0))});
    if (rc < 0)
        return q.errorText();
    return std::nullopt;
}

StudyExpected<std::optional<WordMemory>> readWordMemory(platform::OdbcConnection &connection, const QString &word)
{
    StudyExpected<bool> tables = hasAnswerTables(connection);
    if (!tables)
        return tables.error();
    if (!*tables)
        return std::optional<WordMemory>();
    platform::OdbcQuery q(connection);
    if (q.open("select stability, difficulty, last_day, due, lapses from kelp_memory where da = ?",
               {SqlParam::of(word.trimmed())}) < 0)
        return StudyError(q.errorText());
    if (q.fetch() != 0)
        return std::optional<WordMemory>();
    return std::optional<WordMemory>(WordMemory{{q.real(1).value_or(0), q.real(2).value_or(0)},
                                                q.integer(3).value_or(0),
                                                q.integer(4).value_or(0),
                                                static_cast<int>(q.integer(5).value_or(0))});
}

} // namespace kelp
