// The learner's own view of the study tables: every group with its words,
// read for the words window "词库" and for exports, and the window's changes
// written back one transaction each. Each change names the values it saw,
// so a row another trainer changed meanwhile is never overwritten: the
// change then fails as a conflict and nothing of it stays.
#pragma once

#include "platform/odbc.h"
#include "studydb/grade_store.h"
#include "studydb/study_error.h"

#include <QDate>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace kelp {

// A word as stored: its place in the group (fb.xh1), fb.da and fb.lx2.
struct StoredWord {
    int place = 0;
    QString word;
    QString stored; // the meaning with its transcription first, as the trainer splits it
    bool operator==(const StoredWord &) const = default;
};

// A word and its group.
struct GroupWord {
    int group = 0;
    StoredWord word;
    bool operator==(const GroupWord &) const = default;
};

// A group's row in the study plan (kelp_plan): kept by a deleted group's undo,
// so that the group comes back on its own schedule. Unset values are -1.
struct PlanRow {
    int introduced = -1, stage = -1, due = -1, shown = -1, shownStage = -1;
};

struct StoredGroup {
    int number = 0;
    QString title;
    QDate referenceDate; // zb.sj; invalid: none
    int stage = 0;       // zb.cs
    std::vector<StoredWord> words;
};

// The local study database file itself, without a data source (which may name
// another program folder's). The driver manager's words on failure.
StudyResult connectDatabaseFile(platform::OdbcConnection &connection, const QString &path);

class WordStore {
public:
    explicit WordStore(platform::OdbcConnection &connection) : connection_(connection) {}

    // The groups first..last (all when last < first), each with its words in
    // order; words of a group that has no zb row are left out.
    StudyResult read(std::vector<StoredGroup> &groups, int first = 1, int last = 0);
    // The answered words' memories.
    StudyResult readMemories(QHash<QString, WordMemory> &memories) { return readWordMemories(connection_, memories); }
    // Every answer, by the word.
    StudyResult readAnswers(AnswerLog &answers) { return readAnswerLog(connection_, answers); }

    StudyResult setWord(int group, const StoredWord &old, const QString &word, const QString &stored);
    StudyResult setTitle(int group, const QString &old, const QString &title);
    StudyResult deleteWords(const std::vector<GroupWord> &words);
    // Puts words back at their places (an undone delete); the places must be free.
    StudyResult insertWords(const std::vector<GroupWord> &words);
    // Moves each word to the group and place of its destination (place 0:
    // after the last word of that group); `placed` gets the words where they
    // are now.
    StudyResult moveWords(const std::vector<GroupWord> &words, const std::vector<std::pair<int, int>> &destinations,
                          std::vector<GroupWord> *placed = nullptr);
    // Deletes a group with its words, which must be those of `group`, and
    // its row in the study plan, which `plan` gets when there was one.
    StudyResult deleteGroup(const StoredGroup &group, std::optional<PlanRow> *plan = nullptr);
    // Puts a deleted group back as it was, number, schedule, plan row and words.
    StudyResult insertGroup(const StoredGroup &group, const std::optional<PlanRow> &plan = std::nullopt);
    // Cuts `group` before the word at `fromPlace`: the words from there on
    // go to a new group after the last one, titled `newTitle`, on the same
    // review schedule and study plan. `created` gets its number.
    StudyResult splitGroup(const StoredGroup &group, int fromPlace, const QString &newTitle, int *created);
    // Undoes a split: the words of `part` go back to `into` and `part` goes.
    StudyResult joinSplit(int into, const StoredGroup &part);

private:
    platform::OdbcConnection &connection_;
};

} // namespace kelp
