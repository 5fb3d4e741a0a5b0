// The words window's data: every group and word of the study database held
// in memory, the two tables the window shows (groups; the words of one group
// or of a search), and the learner's changes. Each change is written through
// the word store in a transaction of its own before it shows, and goes on the
// undo stack; a change another trainer made meanwhile stops it (problem()),
// and the book is read anew.
#pragma once

#include "export/word_export.h"
#include "studydb/word_store.h"
#include "wordbook/store_worker.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QObject>
#include <QUndoStack>

#include <array>
#include <memory>
#include <vector>

namespace kelp {

struct BookWord {
    int group = 0;
    StoredWord stored;
    QString transcription; // as the trainer splits stored.stored, without slashes
    QString meaning;
};

struct BookGroup {
    int number = 0;
    QString title;
    QDate referenceDate;
    int stage = 0;
    int words = 0;
};

class WordBook;

// What the words window changed, for a trainer in the same process that has
// the words loaded: a correction reaches its word window at once.
class BookNotices : public QObject {
    Q_OBJECT
signals:
    // A word of group `group` stored as `oldWord`/`oldStored` is now `word`/`stored`.
    void wordStored(int group, const QString &oldWord, const QString &oldStored, const QString &word,
                    const QString &stored);
};
BookNotices &bookNotices();

class GroupTableModel : public QAbstractTableModel {
public:
    enum Column { Number, Title, Words, Stage, NextReview, ColumnCount };
    explicit GroupTableModel(WordBook &book) : book_(book) {}
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    void reset();
    void changed(int row);

private:
    WordBook &book_;
};

class WordTableModel : public QAbstractTableModel {
public:
    enum Column { Group, Word, Transcription, Meaning, Stability, NextDay, ColumnCount };
    explicit WordTableModel(WordBook &book) : book_(book) {}
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // Shows `rows` (indices into the book's words), in the order chosen by
    // sort() if any.
    void show(std::vector<int> rows);
    int wordIndex(int row) const { return rows_[static_cast<size_t>(row)]; }
    void changedWord(int wordIndex);
    // A view order only (a header's click): the groups and the words' places
    // stay as they are, so there is nothing to undo. Words that compare equal
    // keep their book order; texts compare as the learner's language sorts them.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void applyOrder();

    WordBook &book_;
    std::vector<int> rows_;
    int sortColumn_ = Group;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

class WordBook : public QObject {
    Q_OBJECT
public:
    // `reviewDays`: the days after zb.sj each stage 1..7 falls due. The
    // database work runs off this thread; `reconnect` makes a new connection
    // when the one held stopped answering.
    WordBook(std::shared_ptr<StudyDatabase> database, StoreWorker::Connect reconnect,
             const std::array<int, 8> &reviewDays, const QDate &today);
    // On a database of the caller's, which outlives the book.
    WordBook(StudyDatabase &database, const std::array<int, 8> &reviewDays, const QDate &today);
    ~WordBook() override;

    // Reads every group and word anew; the error when it could not.
    std::optional<QString> load();
    // What the learner's answers left, for an export; the error when it could not be read.
    std::optional<QString> readAnswerHistory(exporting::AnswerHistory &history);

    GroupTableModel &groups() { return *groupModel_; }
    WordTableModel &words() { return *wordModel_; }
    QUndoStack &undoStack() { return undo_; }
    StoreWorker &worker() { return worker_; }

    const std::vector<BookGroup> &groupList() const { return groups_; }
    const std::vector<BookWord> &wordList() const { return words_; }
    // The word's memory from the learner's answers; none before the first.
    const WordMemory *memoryOf(const QString &word) const
    {
        const auto it = memories_.constFind(word.trimmed());
        return it == memories_.constEnd() ? nullptr : &*it;
    }
    int groupRow(int number) const; // -1: none
    QDate nextReview(const BookGroup &group) const;

    // The right table: the words of group `number`, or (a text given) every
    // word whose word or meaning holds `text`, in any case.
    void showGroup(int number);
    void setSearch(const QString &text);
    int shownGroup() const { return shownGroup_; }
    const QString &search() const { return search_; }
    // The indices into wordList() whose word or meaning holds `text`.
    std::vector<int> find(const QString &text);

    // The changes, each undoable; false when it was not made (problem() says why).
    bool editWord(int wordIndex, int column, const QString &text);
    bool renameGroup(int number, const QString &title);
    bool deleteWords(const std::vector<int> &wordIndices);
    // A new word after the last one of group `group`.
    bool addWord(int group, const QString &word, const QString &meaning);
    // An empty group titled `title` after the last one.
    bool addGroup(const QString &title);
    bool deleteGroup(int number);
    bool moveWords(const std::vector<int> &wordIndices, int toGroup);
    // Words from `wordIndex` on go to a new group after the last one.
    bool splitGroup(int wordIndex);

    // For the undo commands: the changes themselves, the book kept in step.
    StudyResult applySetWord(const GroupWord &old, const QString &word, const QString &stored);
    StudyResult applySetTitle(int number, const QString &old, const QString &title);
    StudyResult applyDelete(const std::vector<GroupWord> &words);
    StudyResult applyInsert(const std::vector<GroupWord> &words);
    StudyResult applyMove(const std::vector<GroupWord> &words, const std::vector<std::pair<int, int>> &to,
                          std::vector<GroupWord> *placed);
    StudyResult applyDeleteGroup(const StoredGroup &group, std::optional<PlanRow> *plan);
    StudyResult applyInsertGroup(const StoredGroup &group, const std::optional<PlanRow> &plan);
    StudyResult applySplit(const StoredGroup &group, int fromPlace, const QString &title, int *created);
    StudyResult applyJoin(int into, const StoredGroup &part);
    // Says what went wrong; a conflict reads the book anew.
    void report(const StudyError &error);

    StoredGroup snapshot(int number) const;
    GroupWord groupWord(int wordIndex) const
    {
        return {words_[size_t(wordIndex)].group, words_[size_t(wordIndex)].stored};
    }

signals:
    // A change that could not be made, in words for the learner.
    void problem(const QString &text);
    // The groups or words were read or changed.
    void reloaded();

private:
    bool push(QUndoCommand *command);
    int findWord(int group, int place) const;
    // After a change in groups_ or words_: order, counts, search text, tables.
    void rebuild();
    void refreshWords();
    static BookWord bookWord(int group, const StoredWord &w);
    void makeSearchText();
    static QString searchLine(const BookWord &w);
    void updateSearchLine(int wordIndex);

    StoreWorker worker_;
    std::array<int, 8> reviewDays_;
    QDate today_;
    std::vector<BookGroup> groups_;
    std::vector<BookWord> words_;
    QHash<QString, WordMemory> memories_;
    std::unique_ptr<GroupTableModel> groupModel_;
    std::unique_ptr<WordTableModel> wordModel_;
    QUndoStack undo_;
    int shownGroup_ = 0;
    QString search_;
    // Every word and meaning, case-folded, one line each, for the search.
    QString haystack_;
    std::vector<qsizetype> lineStarts_;
    bool haystackValid_ = false;
    bool failedLast_ = false; // the command being pushed could not be made
};

} // namespace kelp
