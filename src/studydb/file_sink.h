// The writer's groups into the local study database (SQLite), in one
// immediate transaction. A new database is built under another name beside
// it and renamed into place on commit: an import killed half-way leaves no
// database that is no database.
#pragma once

#include "studydb/group_sink.h"
#include "studydb/study_error.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kelp {

class FileSink final : public GroupSink {
public:
    ~FileSink() override;

    // `create`: a new database in place of `databasePath` (over one that is
    // there only when `replace`); else the one there is added to.
    StudyResult open(const QString &databasePath, bool create, bool replace);

    std::optional<WordRows> storedWords(int group) override;
    bool insertGroup(int number, const QString &title, const QDate &referenceDate, int stage) override;
    bool insertWord(int group, int place, const QString &word, const QString &meaning) override;
    bool markSample(int group) override;
    bool mergeAnswers(const AnswerLog &log) override;
    StudyResult commit() override;
    void rollback() override;

private:
    bool readTitles();
    bool exec(const char *sql);
    QString sqliteError() const;
    StudyResult fail(StudyError error);

    sqlite3 *db_ = nullptr;
    sqlite3_stmt *insertGroup_ = nullptr;
    sqlite3_stmt *insertWord_ = nullptr;
    QString path_;      // the database the learner named
    QString buildPath_; // a new database is built here and renamed into place
    bool replace_ = false;
    bool inTransaction_ = false;
};

} // namespace kelp
