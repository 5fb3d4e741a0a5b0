// Writes imported words into the study database as new groups after the last
// one, in one transaction per file: a file either adds all its words or none.
#pragma once

#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kelp::platform {
class OdbcConnection;
}
namespace kelp::server {
class Transaction;
}

namespace kelp::import {

struct Word {
    QString word;
    QString meaning;
    QString transcription; // without the slashes or brackets around it
};

class StudyWriter {
public:
    StudyWriter();
    ~StudyWriter();
    StudyWriter(const StudyWriter &) = delete;
    StudyWriter &operator=(const StudyWriter &) = delete;

    // Opens `databasePath` (made with the study tables when missing) and
    // starts the file's transaction. An error says why nothing can be added.
    std::optional<QString> open(const QString &databasePath);
    // The same on the ODBC data source `name` (a database server that holds
    // the study tables already, made by kelpword-mkdb --dsn).
    std::optional<QString> openDataSource(const QString &name);

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

    // Starts a titled group; it is written with its first word (no empty groups).
    void beginGroup(const QString &title);
    // Leaves the titled group: later words go to automatic groups again.
    void endGroup();
    // False when the database refused the word (error() says why).
    bool addWord(const Word &word);
    void skip(const QString &reason) { ++skipped_[reason]; }

    // Writes the group gathered last; false when the database refused it.
    bool finish() { return flushGroup(); }
    std::optional<QString> commit();
    void rollback();

    int groups() const { return groups_; }
    int words() const { return words_; }
    int groupsAlreadyThere() const { return repeats_; }
    const std::map<QString, int> &skipped() const { return skipped_; }
    const QString &error() const { return error_; }

    // "/transcription/ meaning", as the trainer splits a stored meaning.
    static QString storedMeaning(const Word &word);

private:
    using WordRows = std::vector<std::pair<QString, QString>>; // fb.da, fb.lx2 in order
    bool exec(const char *sql);
    bool flushGroup();
    bool alreadyThere(const QString &title, const WordRows &words);
    std::optional<WordRows> storedWords(int group);
    bool readExistingTitles();
    QString sqliteError() const;
    bool insertGroup(int number, const QString &title);
    bool insertWord(int group, int place, const QString &word, const QString &meaning);

    sqlite3 *db_ = nullptr;
    std::unique_ptr<platform::OdbcConnection> server_;
    std::unique_ptr<server::Transaction> serverTransaction_;
    sqlite3_stmt *insertGroup_ = nullptr;
    sqlite3_stmt *insertWord_ = nullptr;
    QString path_;       // the database (or data source) the learner named
    QString buildPath_;  // a new database is built here and renamed into place
    bool inTransaction_ = false;
    int lastGroup_ = 0; // highest group number so far
    // The group being gathered: written once it is complete, so that a group
    // already there can be skipped whole.
    QString title_;
    WordRows pending_;
    bool titled_ = false;
    int part_ = 1; // of a titled group cut at the group size
    QString autoTitle_;
    int groupSize_ = 10;
    bool splitTitled_ = false;
    int autoCount_ = 0;
    bool again_ = false;
    bool markSamples_ = false;
    std::multimap<QString, int> existingTitles_; // before this import
    int groups_ = 0;
    int words_ = 0;
    int repeats_ = 0;
    std::map<QString, int> skipped_;
    QString error_;
};

} // namespace kelp::import
