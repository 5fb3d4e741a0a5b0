// The words window "词库": the groups on the left, the words of the chosen
// group (or of a search) on the right, edited in place, with undo. Opened
// from the tray menu, by "kelpword words" to a running trainer, or alone.
#pragma once

#include "wordbook/store_worker.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTableView;

namespace kelp {

class WordBook;

class WordBookWindow : public QWidget {
public:
    // Takes the study database; `reconnect` opens it anew when it stopped
    // answering.
    WordBookWindow(std::unique_ptr<StudyDatabase> database, const std::array<int, 8> &reviewDays,
                   QWidget *parent = nullptr, StoreWorker::Connect reconnect = {});
    ~WordBookWindow() override;

    WordBook &book() { return *book_; }
    QTableView *groupView() const { return groups_; }
    QTableView *wordView() const { return words_; }
    QLineEdit *searchBox() const { return search_; }

    // The selected words, as indices into the book's words.
    std::vector<int> selectedWords() const;
    int currentGroup() const;

protected:
    // Not while a change is being saved: the book waits for its answer.
    void closeEvent(QCloseEvent *event) override;

private:
    void selectShownGroup();
    void addWord();
    void addGroup();
    void moveSelected();
    void exportGroups();
    void printSelected();
    void deleteSelected();

    std::unique_ptr<WordBook> book_;
    QLineEdit *search_ = nullptr;
    QTableView *groups_ = nullptr;
    QTableView *words_ = nullptr;
    QLabel *status_ = nullptr;
    QPointer<QWidget> focusBefore_; // while a change waits
};

// Opens the words window of the program folder `folder` (or of the data
// source `dataSource`): a message box instead when its database cannot be
// read. One window at a time; `onTop` keeps it above the word window.
void openWordBook(const QString &folder, const QString &dataSource = QString(), bool onTop = false);

// "kelpword words" with no trainer running: the window alone, until it is
// closed. The exit status.
int openWordBookAlone(const QString &folder, const QString &dataSource);

// Adds "词库" at the end of `menu`.
void addWordBookEntry(QMenu &menu, const QString &folder);

} // namespace kelp
