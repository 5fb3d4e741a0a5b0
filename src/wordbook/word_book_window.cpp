#include "wordbook/word_book_window.h"

#include "config/program_folder.h"
#include "config/settings.h"
#include "export/word_export.h"
#include "settings/screen_fit.h"
#include "studydb/word_store.h"
#include "wordbook/print_groups.h"
#include "wordbook/word_book.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <set>

#include <malloc.h>

namespace kelp {

namespace {

void setUpTable(QTableView *view, int stretchColumn)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::SelectedClicked);
    view->verticalHeader()->hide();
    // Fixed row heights: a table of 100,000 rows never measures them.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
    view->horizontalHeader()->setStretchLastSection(false);
    view->horizontalHeader()->setSectionResizeMode(stretchColumn, QHeaderView::Stretch);
    view->setWordWrap(false);
}

QPointer<WordBookWindow> &openWindow()
{
    static QPointer<WordBookWindow> window; // one at a time
    return window;
}

WordBookWindow *open(const QString &folder, const QString &dataSource, bool onTop)
{
    if (WordBookWindow *w = openWindow()) {
        w->showNormal();
        w->raise();
        w->activateWindow();
        return w;
    }
    const ProgramFolder programFolder{folder};
    const SettingsFile file(programFolder.settingsFile());
    const Settings settings = Settings::load(file);
    const auto refuse = [](const QString &why) {
        QMessageBox::warning(nullptr, QCoreApplication::translate("kelp::wordbook", "词库"),
                             QCoreApplication::translate("kelp::wordbook", "无法打开词库：%1").arg(why));
        return nullptr;
    };
    auto database = StudyDatabase::openFolder(programFolder, settings, dataSource);
    if (!database)
        return refuse(database.error().text);
    auto reconnect = [programFolder, settings, dataSource] {
        return StudyDatabase::openFolder(programFolder, settings, dataSource);
    };
    auto *window = new WordBookWindow(std::move(*database), settings.reviewDays, nullptr, reconnect);
    if (auto error = window->book().load()) {
        delete window;
        return refuse(*error);
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    // A large book's rows are many small blocks the allocator keeps for the
    // rest of the day: given back once the window is gone, not never.
    QObject::connect(window, &QObject::destroyed, qApp, [] { QTimer::singleShot(0, qApp, [] { ::malloc_trim(0); }); });
    // The program's windows come above its word window.
    if (onTop)
        window->setWindowFlag(Qt::WindowStaysOnTopHint);
    // Inside the screen's free area, however large the scale factor.
    const QRect free = freeArea();
    window->resize(fittedSize(QSize(980, 620), free));
    centreIn(*window, free);
    window->show();
    openWindow() = window;
    return window;
}

} // namespace

WordBookWindow::WordBookWindow(std::unique_ptr<StudyDatabase> database, const std::array<int, 8> &reviewDays,
                               QWidget *parent, StoreWorker::Connect reconnect)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QCoreApplication::translate("kelp::wordbook", "词库 - %1").arg(database->where()));
    book_ = std::make_unique<WordBook>(std::shared_ptr<StudyDatabase>(std::move(database)), std::move(reconnect),
                                       reviewDays, QDate::currentDate());

    search_ = new QLineEdit(this);
    search_->setPlaceholderText(QCoreApplication::translate("kelp::wordbook", "搜索单词或释义（英文、中文）"));
    search_->setClearButtonEnabled(true);
    connect(search_, &QLineEdit::textChanged, this, [this](const QString &text) {
        book_->setSearch(text.trimmed());
        if (text.trimmed().isEmpty())
            book_->showGroup(currentGroup());
    });

    groups_ = new QTableView(this);
    words_ = new QTableView(this);
    // Return goes from the search to the first word found, ready to edit.
    connect(search_, &QLineEdit::returnPressed, this, [this] {
        if (book_->words().rowCount() == 0)
            return;
        words_->setFocus();
        words_->setCurrentIndex(book_->words().index(0, WordTableModel::Word));
    });
    search_->setFocus();
    groups_->setModel(&book_->groups());
    setUpTable(groups_, GroupTableModel::Title);
    groups_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    words_->setModel(&book_->words());
    setUpTable(words_, WordTableModel::Meaning);
    words_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // A click on a header orders the words by that column (a view order:
    // groups and places stay); the group column gives the book's order back.
    words_->setSortingEnabled(true);
    words_->sortByColumn(WordTableModel::Group, Qt::AscendingOrder);
    words_->setColumnWidth(WordTableModel::Group, 50);
    words_->setColumnWidth(WordTableModel::Stability, 80);
    words_->setColumnWidth(WordTableModel::NextDay, 90);
    words_->setColumnWidth(WordTableModel::Word, 160);
    words_->setColumnWidth(WordTableModel::Transcription, 140);
    groups_->setColumnWidth(GroupTableModel::Number, 50);
    groups_->setColumnWidth(GroupTableModel::Words, 50);
    groups_->setColumnWidth(GroupTableModel::Stage, 50);

    // Choosing a group shows its words, and ends a search.
    connect(groups_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (!current.isValid())
                    return;
                const int number = book_->groupList()[static_cast<size_t>(current.row())].number;
                if (number == book_->shownGroup() && book_->search().isEmpty())
                    return;
                const QSignalBlocker quiet(search_);
                search_->clear();
                book_->showGroup(number);
            });
    connect(book_.get(), &WordBook::reloaded, this, [this] { selectShownGroup(); });
    connect(book_.get(), &WordBook::problem, this, [this](const QString &text) {
        QMessageBox::warning(this, QCoreApplication::translate("kelp::wordbook", "词库"), text);
    });

    auto *toolbar = new QToolBar(this);
    QAction *undo = book_->undoStack().createUndoAction(this, QCoreApplication::translate("kelp::wordbook", "撤销"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = book_->undoStack().createRedoAction(this, QCoreApplication::translate("kelp::wordbook", "重做"));
    redo->setShortcut(QKeySequence::Redo);
    toolbar->addAction(undo);
    toolbar->addAction(redo);
    toolbar->addSeparator();
    QAction *remove =
        toolbar->addAction(QCoreApplication::translate("kelp::wordbook", "删除"), this, [this] { deleteSelected(); });
    remove->setShortcut(QKeySequence::Delete);
    remove->setToolTip(QCoreApplication::translate("kelp::wordbook", "删除选中的单词（焦点在组列表时删除选中的组）"));
    QAction *add =
        toolbar->addAction(QCoreApplication::translate("kelp::wordbook", "添加单词…"), this, [this] { addWord(); });
    add->setShortcut(QKeySequence(Qt::Key_Insert));
    toolbar->addAction(QCoreApplication::translate("kelp::wordbook", "新建组…"), this, [this] { addGroup(); });
    toolbar->addAction(QCoreApplication::translate("kelp::wordbook", "移到组…"), this, [this] { moveSelected(); });
    toolbar->addAction(QCoreApplication::translate("kelp::wordbook", "从此拆分"), this, [this] {
        const std::vector<int> selected = selectedWords();
        if (selected.empty())
            QMessageBox::information(this, QCoreApplication::translate("kelp::wordbook", "词库"),
                                     QCoreApplication::translate("kelp::wordbook", "请先选中新组的第一个单词。"));
        else
            book_->splitGroup(selected.front());
    });
    toolbar->addSeparator();
    toolbar->addAction(QCoreApplication::translate("kelp::wordbook", "导出…"), this, [this] { exportGroups(); });
    QAction *print =
        toolbar->addAction(QCoreApplication::translate("kelp::wordbook", "打印…"), this, [this] { printSelected(); });
    print->setShortcut(QKeySequence::Print);
    QAction *reload = toolbar->addAction(QCoreApplication::translate("kelp::wordbook", "重新载入"), this, [this] {
        if (auto error = book_->load())
            QMessageBox::warning(this, QCoreApplication::translate("kelp::wordbook", "词库"),
                                 QCoreApplication::translate("kelp::wordbook", "无法读取词库：%1").arg(*error));
    });
    reload->setShortcut(QKeySequence::Refresh);
    for (QAction *a : toolbar->actions())
        a->setShortcutContext(Qt::WindowShortcut);
    addActions(toolbar->actions());
    // A right click on either table offers the same actions.
    for (QTableView *table : {groups_, words_}) {
        table->addActions(toolbar->actions());
        table->setContextMenuPolicy(Qt::ActionsContextMenu);
    }

    status_ = new QLabel(QCoreApplication::translate(
                             "kelp::wordbook", "修改会立即写入词库；单词和释义的改正会立即显示在正在运行的单词窗口中，"
                                               "其他修改（删除、移动、拆分）在下次载入时显示。"),
                         this);
    status_->setWordWrap(true);
    // While a change waits for the database the window shows it and takes no
    // input; it still answers, and so does the trainer it was opened from.
    connect(&book_->worker(), &StoreWorker::busyChanged, this, [this](bool busy) {
        // A disabled window loses its focus widget: it gets it back after.
        if (busy)
            focusBefore_ = focusWidget();
        setEnabled(!busy);
        if (busy) {
            setCursor(Qt::BusyCursor);
        } else {
            unsetCursor();
            if (focusBefore_)
                focusBefore_->setFocus();
        }
    });

    auto *splitter = new QSplitter(this);
    splitter->addWidget(groups_);
    splitter->addWidget(words_);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(toolbar);
    layout->addWidget(search_);
    layout->addWidget(splitter, 1);
    layout->addWidget(status_);
}

WordBookWindow::~WordBookWindow()
{
    // The book's tables go before the book.
    words_->setModel(nullptr);
    groups_->setModel(nullptr);
    book_.reset();
}

void WordBookWindow::closeEvent(QCloseEvent *event)
{
    if (book_->worker().isBusy())
        event->ignore();
    else
        QWidget::closeEvent(event);
}

std::vector<int> WordBookWindow::selectedWords() const
{
    std::set<int> rows;
    for (const QModelIndex &index : words_->selectionModel()->selectedRows())
        rows.insert(index.row());
    if (rows.empty() && words_->currentIndex().isValid())
        rows.insert(words_->currentIndex().row());
    std::vector<int> indices;
    indices.reserve(rows.size());
    for (const int row : rows)
        indices.push_back(book_->words().wordIndex(row));
    return indices;
}

int WordBookWindow::currentGroup() const
{
    const QModelIndex current = groups_->currentIndex();
    if (!current.isValid() || static_cast<size_t>(current.row()) >= book_->groupList().size())
        return book_->shownGroup();
    return book_->groupList()[static_cast<size_t>(current.row())].number;
}

void WordBookWindow::selectShownGroup()
{
    const int row = book_->groupRow(book_->shownGroup());
    if (row < 0)
        return;
    const QSignalBlocker quiet(groups_->selectionModel());
    groups_->selectionModel()->setCurrentIndex(book_->groups().index(row, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    groups_->viewport()->update();
}

void WordBookWindow::deleteSelected()
{
    if (groups_->hasFocus()) {
        const int number = currentGroup();
        const int row = book_->groupRow(number);
        if (row < 0)
            return;
        const BookGroup &g = book_->groupList()[static_cast<size_t>(row)];
        if (QMessageBox::question(
                this, QCoreApplication::translate("kelp::wordbook", "词库"),
                QCoreApplication::translate("kelp::wordbook", "删除第%1组“%2”和它的%3个单词？（可以撤销）")
                    .arg(g.number)
                    .arg(g.title)
                    .arg(g.words)) == QMessageBox::Yes)
            book_->deleteGroup(number);
        return;
    }
    book_->deleteWords(selectedWords());
}

void WordBookWindow::addWord()
{
    const int group = currentGroup();
    if (book_->groupRow(group) < 0)
        return;
    bool ok = false;
    const QString word =
        QInputDialog::getText(this, QCoreApplication::translate("kelp::wordbook", "添加单词"),
                              QCoreApplication::translate("kelp::wordbook", "第%1组的新单词：").arg(group),
                              QLineEdit::Normal, QString(), &ok);
    if (!ok || word.trimmed().isEmpty())
        return;
    const QString meaning =
        QInputDialog::getText(this, QCoreApplication::translate("kelp::wordbook", "添加单词"),
                              QCoreApplication::translate("kelp::wordbook", "“%1”的释义：").arg(word.trimmed()),
                              QLineEdit::Normal, QString(), &ok);
    if (ok)
        book_->addWord(group, word, meaning);
}

void WordBookWindow::addGroup()
{
    bool ok = false;
    const QString title = QInputDialog::getText(this, QCoreApplication::translate("kelp::wordbook", "新建组"),
                                                QCoreApplication::translate("kelp::wordbook", "新组的标题："),
                                                QLineEdit::Normal, QString(), &ok);
    if (ok && book_->addGroup(title) && !book_->groupList().empty()) {
        // The new group is chosen, ready for its words (Insert).
        const int row = static_cast<int>(book_->groupList().size()) - 1;
        groups_->setCurrentIndex(groups_->model()->index(row, 0));
    }
}

void WordBookWindow::moveSelected()
{
    const std::vector<int> selected = selectedWords();
    if (selected.empty()) {
        QMessageBox::information(this, QCoreApplication::translate("kelp::wordbook", "词库"),
                                 QCoreApplication::translate("kelp::wordbook", "请先选中要移动的单词。"));
        return;
    }
    QStringList items;
    for (const BookGroup &g : book_->groupList())
        items << QStringLiteral("%1  %2").arg(g.number).arg(g.title);
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(this, QCoreApplication::translate("kelp::wordbook", "移到组"),
                              QCoreApplication::translate("kelp::wordbook", "把%1个单词移到：").arg(selected.size()),
                              items, std::max(0, book_->groupRow(currentGroup())), false, &ok);
    if (ok)
        book_->moveWords(selected, chosen.section(QLatin1Char(' '), 0, 0).toInt());
}

void WordBookWindow::printSelected()
{
    // Several groups selected: those; else the chosen one (a whole book is
    // rarely meant for paper).
    std::set<int> rows;
    for (const QModelIndex &index : groups_->selectionModel()->selectedRows())
        rows.insert(index.row());
    if (rows.size() <= 1 && groups_->currentIndex().isValid())
        rows = {groups_->currentIndex().row()};
    std::vector<StoredGroup> groups;
    for (int row : rows) {
        if (row >= 0 && static_cast<size_t>(row) < book_->groupList().size())
            groups.push_back(book_->snapshot(book_->groupList()[static_cast<size_t>(row)].number));
    }
    if (groups.empty())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QCoreApplication::translate("kelp::wordbook", "词库"));
    QPrintDialog dialog(&printer, this); // "打印到文件" there saves a PDF
    dialog.setWindowTitle(QCoreApplication::translate("kelp::wordbook", "打印%1组").arg(groups.size()));
    if (dialog.exec() != QDialog::Accepted)
        return;
    printGroups(printer, exporting::exportGroups(groups));
    status_->setText(QCoreApplication::translate("kelp::wordbook", "已打印%1组").arg(groups.size()));
}

void WordBookWindow::exportGroups()
{
    std::set<int> rows;
    for (const QModelIndex &index : groups_->selectionModel()->selectedRows())
        rows.insert(index.row());
    QString selectedFilter;
    const QString file = QFileDialog::getSaveFileName(
        this,
        rows.size() > 1 ? QCoreApplication::translate("kelp::wordbook", "导出选中的%1组").arg(rows.size())
                        : QCoreApplication::translate("kelp::wordbook", "导出全部词库"),
        QDir::home().filePath(QStringLiteral("kelpword.csv")),
        QCoreApplication::translate("kelp::wordbook", "CSV 表格 (*.csv);;词表文件 (*.txt);;Anki 卡组 (*.apkg)"),
        &selectedFilter);
    if (file.isEmpty())
        return;
    // Several groups selected: those; else all of them.
    std::vector<StoredGroup> groups;
    for (size_t i = 0; i < book_->groupList().size(); ++i) {
        if (rows.size() <= 1 || rows.count(static_cast<int>(i)))
            groups.push_back(book_->snapshot(book_->groupList()[i].number));
    }
    QString path = file;
    if (exporting::formatOf(path) == exporting::Format::Unknown)
        path += selectedFilter.section(QLatin1Char('*'), 1).section(QLatin1Char(')'), 0, 0);
    exporting::AnswerHistory history;
    std::optional<QString> error = book_->readAnswerHistory(history);
    if (!error)
        error = exporting::writeFile(path, exporting::exportGroups(groups), history);
    if (error) {
        QMessageBox::warning(this, QCoreApplication::translate("kelp::wordbook", "导出"), *error);
        return;
    }
    status_->setText(QCoreApplication::translate("kelp::wordbook", "已导出%1组到 %2").arg(groups.size()).arg(path));
}

void openWordBook(const QString &folder, const QString &dataSource, bool onTop)
{
    open(folder, dataSource, onTop);
}

int openWordBookAlone(const QString &folder, const QString &dataSource)
{
    if (!open(folder, dataSource, false))
        return 1;
    return QApplication::exec();
}

void addWordBookEntry(QMenu &menu, const QString &folder)
{
    QAction *entry = menu.addAction(QCoreApplication::translate("kelp::wordbook", "词库"));
    QObject::connect(entry, &QAction::triggered, &menu, [folder] { openWordBook(folder, QString(), true); });
}

} // namespace kelp
