// The one writer of groups and words into the study database, for imports
// and for building a new database, on the local file or on a server alike:
// one transaction, so a file either adds all its words or none. It decides
// what is written (groups made and cut, repeats skipped); its sink, how.
#pragma once

#include "studydb/grade_store.h"
#include "studydb/study_error.h"

#include <QDate>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace kelp::platform {
class OdbcConnection;
} // namespace kelp::platform

namespace kelp {

class GroupSink;

struct StudyWord {
    QString word;
    QString meaning;
    QString transcription;             // without the slashes or brackets around it
    std::vector<LoggedAnswer> answers; // the learner's, from a file this program wrote
};

// A group as stored: its number, title, review schedule and words (fb.da,
// fb.lx2 as stored, in order).
struct StudyGroup {
    int number = 0;
    QString title;
    QDate referenceDate; // zb.sj; none: never due
    int stage = 0;       // zb.cs
    std::vector<std::pair<QString, QString>> words;
};

class StudyWriter {
public:
    StudyWriter();
    ~StudyWriter();
    StudyWriter(const StudyWriter &) = delete;
    StudyWriter &operator=(const StudyWriter &) = delete;

    // Adds to the local database `databasePath`, which is made when missing:
    // built under another name and renamed into place on commit, so that an
    // import killed half-way leaves no database that is no database.
    StudyResult open(const QString &databasePath);
    // A new local database in place of whatever is at `databasePath` (refused
    // when one is there, unless `replace`); the old one stays until the new
    // one is complete.
    StudyResult create(const QString &databasePath, bool replace);
    // Adds to the ODBC data source `name` (a database server); with
    // `makeTables` the study tables are made first (old ones dropped when
    // `replace`), else they must be there.
    StudyResult openDataSource(const QString &name, bool makeTables = false, bool replace = false);
    // The same on a connection of the caller's.
    StudyResult useConnection(platform::OdbcConnection &connection, const QString &name, bool makeTables, bool replace);

    // Words that come without a group of their own go into groups of
    // `groupSize` words titled "<baseTitle> 1", "<baseTitle> 2", ... (0 or
    // below: the size stays as it was, 10 at first). With `splitTitled`,
    // titled groups are cut at that size too: "Animals", "Animals (2)", ...
    void setAutoGroups(const QString &baseTitle, int groupSize, bool splitTitled = false);
    // Automatic groups from here on are titled "<baseTitle> 1", ...
    void setAutoTitle(const QString &baseTitle);
    // Groups whose title and words the database holds already, in the same
    // order, are written again all the same (else skipped and counted).
    void setWriteRepeats(bool again) { again_ = again; }
    // The groups written are the sample words (table kelp_sample), which a
    // study plan introduces after the learner's own.
    void setMarkSamples(bool samples) { markSamples_ = samples; }
    // Instead of a database: the groups are kept in memory, as they would be
    // written, so that a reader can be tried without one (open nothing first).
    void keepInMemory();
    const std::vector<StudyGroup> &kept() const { return kept_; }

    // Starts a titled group; it is written with its first word, or with
    // `keepEmpty` even without one (a list exported with a group emptied).
    void beginGroup(const QString &title, bool keepEmpty = false);
    // Leaves the titled group: later words go to automatic groups again.
    void endGroup();
    // False when the database refused the word (error() says why).
    bool addWord(const StudyWord &word);
    void skip(const QString &reason) { ++skipped_[reason]; }
    // A group exactly as given: its number, schedule and stored words.
    bool writeGroup(const StudyGroup &group);

    // Writes the group gathered last; false when the database refused it.
    bool finish() { return flushGroup(); }
    StudyResult commit();
    void rollback();

    int groups() const { return groups_; }
    int words() const { return words_; }
    int groupsAlreadyThere() const { return repeats_; }
    const std::map<QString, int> &skipped() const { return skipped_; }
    StudyError error() const { return StudyError(error_); }

private:
    using WordRows = std::vector<std::pair<QString, QString>>; // fb.da, fb.lx2 in order
    StudyResult start(std::unique_ptr<GroupSink> sink, const StudyResult &failure);
    bool flushGroup();
    bool alreadyThere(const QString &title, const WordRows &words);
    bool noSink();
    AnswerLog answers_; // of the words read, kept with the groups

    std::unique_ptr<GroupSink> sink_;
    bool inMemory_ = false;
    std::vector<StudyGroup> kept_;
    int lastGroup_ = 0; // highest group number so far
    // The group being gathered: written once it is complete, so that a group
    // already there can be skipped whole.
    QString title_;
    WordRows pending_;
    bool titled_ = false;
    bool keepEmpty_ = false; // the titled group is written even without words
    int part_ = 1;           // of a titled group cut at the group size
    QString autoTitle_;
    int groupSize_ = 10;
    bool splitTitled_ = false;
    int autoCount_ = 0;
    bool again_ = false;
    bool markSamples_ = false;
    int groups_ = 0;
    int words_ = 0;
    int repeats_ = 0;
    std::map<QString, int> skipped_;
    QString error_;
};

// Writes `groups` as they are into a server's study tables, made anew (old
// ones dropped when `replace`), in one transaction.
StudyResult writeStudyTables(platform::OdbcConnection &connection, const std::vector<StudyGroup> &groups, bool replace);

} // namespace kelp
