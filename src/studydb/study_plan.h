// The study plan in the study database: on each start in review mode it
// introduces new groups and brings the review stage (zb.cs) and reference
// date (zb.sj) of the groups it has introduced up to today, so that the
// trainer's own due-group query finds them. Its own state lives in the
// tables kelp_plan (one row per group it introduced) and kelp_plan_day
// (one row per day it ran).
#pragma once

#include "config/settings.h"
#include "plan/plan_schedule.h"
#include "platform/odbc.h"
#include "studydb/study_error.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace kelp::plan {

// The review-day counts of the settings.
ReviewDays reviewDays(const Settings &settings);

// Each group of the plan that holds `word` takes its next review from its
// graded words' memories (dueByWords), in zb too; one retired by the fixed
// days comes back at its last stage. Inside the caller's transaction.
// Groups outside a plan, and groups without answers, keep the fixed days.
StudyResult moveGroupsByWords(platform::OdbcConnection &connection, const QString &word, const ReviewDays &days);

// The plan's part of a start in review mode: with [plan] new of 1 or more the
// plan is brought up to today on `connection` before the due groups are
// looked up. On a failure the start goes on with what the database holds.
// `today` becomes the plan's day: the plan's last day when the clock says an
// earlier one.
StudyResult startReviewDay(const Settings &settings, platform::OdbcConnection &connection, QDate &today);

struct StepResult {
    bool alreadyToday = false; // it ran earlier today: nothing new
    int introduced = 0;
    int reviewed = 0; // groups shown today for a review, missed ones included
    int waiting = 0;  // reviews due that the day had no room for: the next days'
    QDate day;        // the plan's day: never earlier than its last one (a clock set back)
};

// Brings the plan up to `today` in one transaction: two trainers starting at
// once never introduce a group twice. Returns the error when the database
// could not be written (nothing of the step stays then).
StudyResult bringUpToDate(platform::OdbcConnection &connection, const QDate &today, const ReviewDays &days,
                          int newPerDay, StepResult *result = nullptr);

// Where the learner stands, read without writing anything.
inline constexpr int kForecastDays = 14;
inline constexpr int kCalendarDays = 12 * 7;

struct CalendarDay {
    bool ran = false; // the trainer ran that day
    int missed = 0;   // reviews due that day that waited for a later one
};

// What the learner's answers say.
struct AnswerFigures {
    int wordsGraded = 0;
    int laterAnswers = 0;      // answers on a later day than the word's one before: when it was due to be recalled
    int knownLater = 0;        // of them "认识": the true retention's share
    int strongWords = 0;       // recalled at 90% or more today, by the model
    std::vector<int> wordsDue; // words whose memory falls due on each of the next 14 days (overdue ones today)
};

struct Progress {
    QDate today;
    bool planned = false;         // the database has a plan
    std::vector<int> todayGroups; // shown today (or due when the trainer starts today)
    int todayWords = 0;
    std::vector<int> coming; // groups on each of the next 14 days, today first
    int newGroups = 0;       // groups with words never studied (no stage, no date)
    int newWords = 0;
    std::array<int, 9> stages{}; // by next review 1..7; [8] retired or never due
    int totalGroups = 0;
    int totalWords = 0;
    std::array<CalendarDay, kCalendarDays> calendar{}; // the last twelve weeks, today last
    AnswerFigures answers;
};

StudyResult readProgress(platform::OdbcConnection &connection, const QDate &today, const ReviewDays &days,
                         int newPerDay, Progress &progress);

// The same as lines of text for a terminal.
QString progressText(const Progress &progress);

} // namespace kelp::plan
