// Writes imported words into the study database as new groups after the last
// one, in one transaction per file: a file either adds all its words or none.
#pragma once

#include <QString>

#include <map>
#include <memory>
#include <optional>

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
    // below: the size stays as it was, 10 at first).
    void setAutoGroups(const QString &baseTitle, int groupSize);

    // Starts a titled group; it is written with its first word (no empty groups).
    void beginGroup(const QString &title);
    // Leaves the titled group: later words go to automatic groups again.
    void endGroup();
    // False when the database refused the word (error() says why).
    bool addWord(const Word &word);
    void skip(const QString &reason) { ++skipped_[reason]; }

    std::optional<QString> commit();
    void rollback();

    int groups() const { return groups_; }
    int words() const { return words_; }
    const std::map<QString, int> &skipped() const { return skipped_; }
    const QString &error() const { return error_; }

    // "/transcription/ meaning", as the trainer splits a stored meaning.
    static QString storedMeaning(const Word &word);

private:
    bool exec(const char *sql);
    bool writeGroup();
    QString sqliteError() const;
    bool insertGroupOnServer();
    bool insertGroupInFile();
    bool insertWordInFile(const QString &word, const QString &meaning);
    bool insertWordOnServer(const QString &word, const QString &meaning);

    sqlite3 *db_ = nullptr;
    std::unique_ptr<platform::OdbcConnection> server_;
    std::unique_ptr<server::Transaction> serverTransaction_;
    sqlite3_stmt *insertGroup_ = nullptr;
    sqlite3_stmt *insertWord_ = nullptr;
    QString path_;
    bool created_ = false;
    bool inTransaction_ = false;
    int lastGroup_ = 0;    // highest group number so far
    QString pendingTitle_; // the group that starts with the next word
    bool pending_ = false;
    bool titled_ = false;
    int wordsInGroup_ = 0;
    QString autoTitle_;
    int groupSize_ = 10;
    int autoCount_ = 0;
    int groups_ = 0;
    int words_ = 0;
    std::map<QString, int> skipped_;
    QString error_;
};

} // namespace kelp::import
