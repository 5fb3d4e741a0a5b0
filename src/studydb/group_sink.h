// Where the study writer's groups go: the local file or a server. The writer
// decides what is written (grouping, cutting, repeats); a sink only knows how
// its database stores a group, inside the one transaction of an import.
#pragma once

#include "studydb/grade_store.h"
#include "studydb/study_error.h"

#include <QDate>
#include <QString>

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace kelp {

class GroupSink {
public:
    using WordRows = std::vector<std::pair<QString, QString>>; // fb.da, fb.lx2 in order

    virtual ~GroupSink() = default;

    // As the transaction began: the highest group number, and every group's
    // title and number.
    int lastGroup() const { return lastGroup_; }
    const std::multimap<QString, int> &titles() const { return titles_; }
    virtual std::optional<WordRows> storedWords(int group) = 0;
    virtual bool insertGroup(int number, const QString &title, const QDate &referenceDate, int stage) = 0;
    virtual bool insertWord(int group, int place, const QString &word, const QString &meaning) = 0;
    // The group holds sample words, which a plan introduces after the learner's own.
    virtual bool markSample(int group) = 0;
    // Adds the answers the database does not hold yet and each of these
    // words' memory from all of its answers (the answers' tables made first
    // in a database of before them).
    virtual bool mergeAnswers(const AnswerLog &log) = 0;
    virtual StudyResult commit() = 0;
    // Undoes everything the transaction wrote; also what the destructor does.
    virtual void rollback() = 0;

    // Why the last call failed, in the database's words.
    StudyError error() const { return StudyError(error_); }

protected:
    QString error_;
    int lastGroup_ = 0;
    std::multimap<QString, int> titles_;
};

} // namespace kelp
