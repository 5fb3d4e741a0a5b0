// The learner's answers ("认识", "不认识") and each word's memory: a review
// log and the state the memory model leaves, one row a word.
#pragma once

#include "memory/word_memory.h"
#include "plan/plan_schedule.h"
#include "platform/odbc.h"
#include "studydb/study_error.h"

#include <QDate>
#include <QHash>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace kelp {

struct Answer {
    QString word;
    QDate day;       // the day of the showing
    int shownAt = 0; // when the showing began, in milliseconds since that day's midnight
    memory::Grade grade = memory::Grade::Good;
    bool noted = false; // added to the notebook, no answer: `grade` is not read
};

struct WordMemory {
    memory::MemoryState state;
    long long lastDay = 0; // Julian days
    long long due = 0;
    int lapses = 0;
};

// Keeps the answer (a second one for the same showing replaces the first),
// the word's memory anew from all its answers, and the next review of the
// plan's groups that hold it (`days`: the fixed schedule), in one transaction.
StudyResult recordAnswer(platform::OdbcConnection &connection, const Answer &answer, const memory::Model &model,
                         const plan::ReviewDays &days);

// A word added to the notebook on `day`: a hard word from then on.
StudyResult recordNoted(platform::OdbcConnection &connection, const QString &word, const QDate &day);

// One answer as the review log keeps it.
struct LoggedAnswer {
    long long day = 0; // a Julian day number
    int shownAt = 0;   // as in Answer: with the word and day, the showing
    memory::Grade grade = memory::Grade::Good;
    bool operator==(const LoggedAnswer &) const = default;
};
// Each word's answers in the order given.
using AnswerLog = std::map<QString, std::vector<LoggedAnswer>>;

// A word's memory from its answers in order; none without one.
std::optional<WordMemory> memoryFromAnswers(std::vector<LoggedAnswer> answers, const memory::Model &model);

// The answers in a file's words: "2026-12-09:3:41000" (day, grade 1-4, the
// showing's milliseconds since midnight), separated by ";".
QString answerLogText(const std::vector<LoggedAnswer> &answers);
// Unset when `text` is not such a list (an empty one is no answer).
std::optional<std::vector<LoggedAnswer>> parseAnswerLogText(const QString &text);

// Every word's answers, by the word, each in order.
StudyResult readAnswerLog(platform::OdbcConnection &connection, AnswerLog &log);

// Adds the answers the log does not hold yet (one for the same word and
// showing is there already), then each of these words' memory from all of
// its answers. In the caller's transaction, on a database of the current
// schema.
StudyResult mergeAnswerLog(platform::OdbcConnection &connection, const AnswerLog &log, const memory::Model &model);

// The hard words: each one whose last "不认识" (or addition to the notebook)
// no "认识" on a later day followed, with the day its memory falls due (the
// day it became hard where it has no memory), in the order they became hard.
struct HardWord {
    QString word;
    long long due = 0;
};
StudyResult readHardWords(platform::OdbcConnection &connection, std::vector<HardWord> &words);

// Every answered word's memory, by the word.
StudyResult readWordMemories(platform::OdbcConnection &connection, QHash<QString, WordMemory> &memories);

// Whether the answers' tables are there (a database of before them has
// nothing answered): `error` set, and false, when its version cannot be read.
StudyExpected<bool> hasAnswerTables(platform::OdbcConnection &connection);
// For a reader of the answers: true when there is nothing to read, before
// the answers' tables or (with `failure` set) when their version cannot be read.
bool nothingAnswered(platform::OdbcConnection &connection, StudyResult &failure);

// The word's memory; none before its first answer.
StudyExpected<std::optional<WordMemory>> readWordMemory(platform::OdbcConnection &connection, const QString &word);

} // namespace kelp
