// One open study database: a program folder's own file or a data source (a
// database server's). Windows and tools hold this handle and ask it what they
// need; how it was reached and which SQL it speaks stay inside.
#pragma once

#include "config/program_folder.h"
#include "config/settings.h"
#include "platform/odbc.h"
#include "studydb/grade_store.h"
#include "studydb/schema.h"
#include "studydb/study_error.h"
#include "studydb/study_plan.h"
#include "studydb/study_writer.h"
#include "studydb/word_store.h"

#include <QDate>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace kelp {

class StudyDatabase {
public:
    // The study database of a program folder as its trainer reads it: the
    // data source `given` when there is one; else the server `settings` name
    // (a data source of another driver); else the folder's file. The error
    // when it cannot be opened or was written by a newer program.
    using Opened = StudyExpected<std::unique_ptr<StudyDatabase>>;
    static Opened openFolder(const ProgramFolder &folder, const Settings &settings, const QString &given);
    // A local database file itself (not through a data source, which may name
    // another folder's file).
    static Opened openFile(const QString &path);
    // A data source as it is set up, however new its tables: the one that
    // makes them (kelpword-mkdb) asks first.
    static Opened openDataSource(const QString &name);

    // A connection the start-up's load made and used (src/studydb's own).
    static std::unique_ptr<StudyDatabase> adopt(std::unique_ptr<platform::OdbcConnection> connection, QString where)
    {
        return std::unique_ptr<StudyDatabase>(new StudyDatabase(std::move(connection), std::move(where)));
    }

    StudyDatabase(const StudyDatabase &) = delete;
    StudyDatabase &operator=(const StudyDatabase &) = delete;
    ~StudyDatabase();

    // The file or data source, for the learner.
    const QString &where() const { return where_; }
    bool isOpen() const { return connection_->isConnected(); }
    platform::OdbcConnection::Dialect dialect() const { return connection_->dialect(); }

    // The words window's and the exports' view of the words.
    WordStore words() { return WordStore(*connection_); }
    // What the plan has done and will do (the progress window and report).
    StudyResult readProgress(const QDate &today, const plan::ReviewDays &days, int newPerDay, plan::Progress &progress)
    {
        return plan::readProgress(*connection_, today, days, newPerDay, progress);
    }
    // The learner's answer to a word on display, and the word's memory.
    StudyResult recordAnswer(const Answer &answer, const memory::Model &model, const plan::ReviewDays &days)
    {
        return kelp::recordAnswer(*connection_, answer, model, days);
    }
    StudyResult recordNoted(const QString &word, const QDate &day)
    {
        return kelp::recordNoted(*connection_, word, day);
    }
    StudyExpected<std::optional<WordMemory>> readWordMemory(const QString &word)
    {
        return kelp::readWordMemory(*connection_, word);
    }
    bool hasStudyTables() { return kelp::hasStudyTables(*connection_); }
    // Replaces the study tables with `groups` (kelpword-mkdb).
    StudyResult writeStudyTables(const std::vector<StudyGroup> &groups, bool replace)
    {
        return kelp::writeStudyTables(*connection_, groups, replace);
    }

private:
    StudyDatabase(std::unique_ptr<platform::OdbcConnection> connection, QString where);

    std::unique_ptr<platform::OdbcConnection> connection_;
    QString where_;
};

} // namespace kelp
