#include "studydb/grade_store.h"

#include "studydb/schema.h"
#include "studydb/study_plan.h"

#include <QCoreApplication>

#include <algorithm>

#include <vector>

namespace kelp {

using platform::SqlParam;

namespace {

// The word's memory anew from every answer the log holds for it, in order: a
// replaced answer leaves no trace.
StudyResult rememberFromLog(platform::OdbcConnection &connection, const QString &word, const memory::Model &model)
{
    std::vector<LoggedAnswer> answers;
    {
        platform::OdbcQuery q(connection);
        if (q.open("select day, shown_at, grade from kelp_review where da = ? order by day, shown_at",
                   {SqlParam::of(word)}) < 0)
            return q.errorText();
        int rc;
        while ((rc = q.fetch()) == 0)
            answers.push_back({q.integer(1).value_or(0), static_cast<int>(q.integer(2).value_or(0)),
                               static_cast<memory::Grade>(std::clamp<long long>(q.integer(3).value_or(3), 1, 4))});
        if (rc < 0)
            return q.errorText();
    }
    const std::optional<WordMemory> memory = memoryFromAnswers(std::move(answers), model);
    if (!memory)
        return QCoreApplication::translate("kelp::studydb", "the answer was not kept");
    if (auto e = platform::execute(connection, "delete from kelp_memory where da = ?", {SqlParam::of(word)}))
        return e;
    if (auto e = platform::execute(
            connection,
            "insert into kelp_memory (da, stability, difficulty, last_day, due, lapses) values (?, ?, ?, ?, ?, ?)",
            {SqlParam::of(word), SqlParam::of(memory->state.stability), SqlParam::of(memory->state.difficulty),
             SqlParam::of(static_cast<int>(memory->lastDay)), SqlParam::of(static_cast<int>(memory->due)),
             SqlParam::of(memory->lapses)}))
        return e;
    return std::nullopt;
}

} // namespace

std::optional<WordMemory> memoryFromAnswers(std::vector<LoggedAnswer> answers, const memory::Model &model)
{
    std::stable_sort(answers.begin(), answers.end(), [](const LoggedAnswer &a, const LoggedAnswer &b) {
        return std::pair(a.day, a.shownAt) < std::pair(b.day, b.shownAt);
    });
    std::vector<memory::Review> reviews;
    int lapses = 0;
    for (const LoggedAnswer &a : answers) {
        lapses += a.grade == memory::Grade::Again ? 1 : 0;
        reviews.push_back({a.day, a.grade});
    }
    const auto state = model.replay(reviews);
    if (!state)
        return std::nullopt;
    const long long last = reviews.back().day;
    return WordMemory{*state, last, last + model.intervalDays(state->stability), lapses};
}

QString answerLogText(const std::vector<LoggedAnswer> &answers)
{
    QStringList parts;
    for (const LoggedAnswer &a : answers)
        parts << QStringLiteral("%1:%2:%3")
                     .arg(QDate::fromJulianDay(a.day).toString(Qt::ISODate))
                     .arg(static_cast<int>(a.grade))
                     .arg(a.shownAt);
    return parts.join(QLatin1Char(';'));
}

std::optional<std::vector<LoggedAnswer>> parseAnswerLogText(const QString &text)
{
    std::vector<LoggedAnswer> answers;
    for (const QString &part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList fields = part.trimmed().split(QLatin1Char(':'));
        if (fields.size() != 3)
            return std::nullopt;
        const QDate day = QDate::fromString(fields[0], Qt::ISODate);
        bool gradeOk = false, shownOk = false;
        const int grade = fields[1].toInt(&gradeOk);
        const int shownAt = fields[2].toInt(&shownOk);
        if (!day.isValid() || !gradeOk || grade < 1 || grade > 4 || !shownOk || shownAt < 0)
            return std::nullopt;
        answers.push_back({day.toJulianDay(), shownAt, static_cast<memory::Grade>(grade)});
    }
    return answers;
}

StudyResult readAnswerLog(platform::OdbcConnection &connection, AnswerLog &log)
{
    log.clear();
    if (StudyResult failure; nothingAnswered(connection, failure))
        return failure;
    platform::OdbcQuery q(connection);
    if (q.open("select da, day, shown_at, grade from kelp_review order by da, day, shown_at", {}) < 0)
        return q.errorText();
    int rc;
    while ((rc = q.fetch()) == 0)
        log[q.text(1).value_or(QString())].push_back(
            {q.integer(2).value_or(0), static_cast<int>(q.integer(3).value_or(0)),
             static_cast<memory::Grade>(std::clamp<long long>(q.integer(4).value_or(3), 1, 4))});
    if (rc < 0)
        return q.errorText();
    return std::nullopt;
}

StudyResult mergeAnswerLog(platform::OdbcConnection &connection, const AnswerLog &log, const memory::Model &model)
{
    for (const auto &[word, answers] : log) {
        for (const LoggedAnswer &a : answers) {
            const std::vector<SqlParam> showing{SqlParam::of(word), SqlParam::of(static_cast<int>(a.day)),
                                                SqlParam::of(a.shownAt)};
            platform::OdbcQuery q(connection);
            if (q.open("select count(*) from kelp_review where da = ? and day = ? and shown_at = ?", showing) < 0 ||
                q.fetch() != 0)
                return q.errorText();
            const bool there = q.integer(1).value_or(0) > 0;
            q.close();
            if (!there) {
                if (auto e = platform::execute(
                        connection, "insert into kelp_review (da, day, shown_at, grade) values (?, ?, ?, ?)",
                        {showing[0], showing[1], showing[2], SqlParam::of(static_cast<int>(a.grade))}))
                    return e;
            }
        }
        if (!answers.empty()) {
            if (auto e = rememberFromLog(connection, word, model))
                return e;
        }
    }
    return std::nullopt;
}

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
    if (auto e = rememberFromLog(connection, word, model))
        return e;
    if (auto e = plan::moveGroupsByWords(connection, word, days))
        return e;
    if (!transaction.commit())
        return QCoreApplication::translate("kelp::studydb", "the answer could not be committed");
    return std::nullopt;
}

bool nothingAnswered(platform::OdbcConnection &connection, StudyResult &failure)
{
    StudyExpected<bool> tables = hasAnswerTables(connection);
    if (!tables)
        failure = tables.error();
    return !tables || !*tables;
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
    if (StudyResult failure; nothingAnswered(connection, failure))
        return failure;
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
    if (StudyResult failure; nothingAnswered(connection, failure))
        return failure;
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
    if (StudyResult failure; nothingAnswered(connection, failure)) {
        if (failure)
            return *failure;
        return std::optional<WordMemory>();
    }
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
