#include "wordbook/word_book.h"

#include "export/word_export.h"
#include "study/phonetic.h"
#include "studydb/schema.h"

#include <QCoreApplication>
#include <QStringMatcher>

#include <algorithm>
#include <climits>
#include <set>

namespace kelp {

namespace {

// A step of the book that can be undone. One whose change could not be made
// is marked obsolete, and the undo stack lets it go.
class BookCommand : public QUndoCommand {
public:
    BookCommand(WordBook &book, const QString &text) : QUndoCommand(text), book_(book) {}

protected:
    void check(const StudyResult &result)
    {
        if (!result)
            return;
        setObsolete(true);
        book_.report(*result);
    }
    WordBook &book_;
};

class EditWord : public BookCommand {
public:
    EditWord(WordBook &book, const QString &text, GroupWord old, QString word, QString stored)
        : BookCommand(book, text), old_(std::move(old)), word_(std::move(word)), stored_(std::move(stored))
    {
    }
    void redo() override { check(book_.applySetWord(old_, word_, stored_)); }
    void undo() override
    {
        check(book_.applySetWord({old_.group, {old_.word.place, word_, stored_}}, old_.word.word, old_.word.stored));
    }

private:
    GroupWord old_;
    QString word_, stored_;
};

class RenameGroup : public BookCommand {
public:
    RenameGroup(WordBook &book, int number, QString old, QString title)
        : BookCommand(book, QCoreApplication::translate("kelp::wordbook", "修改组标题")), number_(number),
          old_(std::move(old)), title_(std::move(title))
    {
    }
    void redo() override { check(book_.applySetTitle(number_, old_, title_)); }
    void undo() override { check(book_.applySetTitle(number_, title_, old_)); }

private:
    int number_;
    QString old_, title_;
};

class DeleteWords : public BookCommand {
public:
    DeleteWords(WordBook &book, std::vector<GroupWord> words)
        : BookCommand(book, QCoreApplication::translate("kelp::wordbook", "删除%1个单词").arg(words.size())),
          words_(std::move(words))
    {
    }
    void redo() override { check(book_.applyDelete(words_)); }
    void undo() override { check(book_.applyInsert(words_)); }

private:
    std::vector<GroupWord> words_;
};

class AddWord : public BookCommand {
public:
    AddWord(WordBook &book, GroupWord word)
        : BookCommand(book, QCoreApplication::translate("kelp::wordbook", "添加单词“%1”").arg(word.word.word)),
          words_{std::move(word)}
    {
    }
    void redo() override { check(book_.applyInsert(words_)); }
    void undo() override { check(book_.applyDelete(words_)); }

private:
    std::vector<GroupWord> words_;
};

class MoveWords : public BookCommand {
public:
    MoveWords(WordBook &book, std::vector<GroupWord> words, int to)
        : BookCommand(book,
                      QCoreApplication::translate("kelp::wordbook", "移动%1个单词到第%2组").arg(words.size()).arg(to)),
          words_(std::move(words)), to_(to)
    {
    }
    void redo() override
    {
        const std::vector<std::pair<int, int>> destinations(words_.size(), {to_, 0});
        check(book_.applyMove(words_, destinations, &placed_));
    }
    void undo() override
    {
        std::vector<std::pair<int, int>> back;
        for (const GroupWord &w : words_)
            back.emplace_back(w.group, w.word.place);
        check(book_.applyMove(placed_, back, nullptr));
    }

private:
    std::vector<GroupWord> words_;
    std::vector<GroupWord> placed_; // where they went
    int to_;
};

class DeleteGroup : public BookCommand {
public:
    DeleteGroup(WordBook &book, StoredGroup group)
        : BookCommand(book, QCoreApplication::translate("kelp::wordbook", "删除第%1组").arg(group.number)),
          group_(std::move(group))
    {
    }
    void redo() override { check(book_.applyDeleteGroup(group_, &plan_)); }
    void undo() override { check(book_.applyInsertGroup(group_, plan_)); }

private:
    StoredGroup group_;
    std::optional<PlanRow> plan_;
};

class AddGroup : public BookCommand {
public:
    AddGroup(WordBook &book, StoredGroup group)
        : BookCommand(book, QCoreApplication::translate("kelp::wordbook", "新建第%1组").arg(group.number)),
          group_(std::move(group))
    {
    }
    void redo() override { check(book_.applyInsertGroup(group_, std::nullopt)); }
    void undo() override
    {
        std::optional<PlanRow> plan;
        check(book_.applyDeleteGroup(group_, &plan));
    }

private:
    StoredGroup group_;
};

class SplitGroup : public BookCommand {
public:
    SplitGroup(WordBook &book, StoredGroup group, int fromPlace, QString title)
        : BookCommand(book, QCoreApplication::translate("kelp::wordbook", "拆分第%1组").arg(group.number)),
          group_(std::move(group)), fromPlace_(fromPlace), title_(std::move(title))
    {
    }
    void redo() override { check(book_.applySplit(group_, fromPlace_, title_, &created_)); }
    void undo() override
    {
        StoredGroup part{created_, title_, group_.referenceDate, group_.stage, {}};
        for (const StoredWord &w : group_.words) {
            if (w.place >= fromPlace_)
                part.words.push_back(w);
        }
        check(book_.applyJoin(group_.number, part));
    }

private:
    StoredGroup group_;
    int fromPlace_;
    QString title_;
    int created_ = 0;
};

bool byPlace(const BookWord &a, const BookWord &b)
{
    return a.group != b.group ? a.group < b.group : a.stored.place < b.stored.place;
}

} // namespace

BookNotices &bookNotices()
{
    static BookNotices notices;
    return notices;
}

WordBook::WordBook(std::shared_ptr<StudyDatabase> database, StoreWorker::Connect reconnect,
                   const std::array<int, 8> &reviewDays, const QDate &today)
    : worker_(std::move(database), std::move(reconnect)), reviewDays_(reviewDays), today_(today),
      groupModel_(std::make_unique<GroupTableModel>(*this)), wordModel_(std::make_unique<WordTableModel>(*this))
{
}

WordBook::WordBook(StudyDatabase &database, const std::array<int, 8> &reviewDays, const QDate &today)
    : WordBook(std::shared_ptr<StudyDatabase>(&database, [](StudyDatabase *) {}), {}, reviewDays, today)
{
}

WordBook::~WordBook() = default;

BookWord WordBook::bookWord(int group, const StoredWord &w)
{
    const exporting::PlainWord plain = exporting::plainWord(w.word, w.stored);
    return {group, w, plain.transcription, plain.meaning};
}

std::optional<QString> WordBook::readAnswerHistory(exporting::AnswerHistory &history)
{
    auto log = std::make_shared<AnswerLog>();
    auto memories = std::make_shared<QHash<QString, WordMemory>>();
    if (auto error = worker_.run([log, memories](WordStore &store) -> StudyResult {
            if (auto e = store.readAnswers(*log))
                return e;
            return store.readMemories(*memories);
        }))
        return error->text;
    history.answers = std::move(*log);
    history.memories = std::move(*memories);
    return std::nullopt;
}

std::optional<QString> WordBook::load()
{
    auto read = std::make_shared<std::vector<StoredGroup>>();
    auto memories = std::make_shared<QHash<QString, WordMemory>>();
    if (auto error = worker_.run([read, memories](WordStore &store) -> StudyResult {
            if (auto e = store.read(*read))
                return e;
            return store.readMemories(*memories);
        }))
        return error->text;
    memories_ = std::move(*memories);
    const std::vector<StoredGroup> &stored = *read;
    groups_.clear();
    words_.clear();
    for (const StoredGroup &g : stored) {
        groups_.push_back({g.number, g.title, g.referenceDate, g.stage, 0});
        for (const StoredWord &w : g.words)
            words_.push_back(bookWord(g.number, w));
    }
    rebuild();
    return std::nullopt;
}

int WordBook::groupRow(int number) const
{
    const auto it = std::lower_bound(groups_.begin(), groups_.end(), number,
                                     [](const BookGroup &g, int n) { return g.number < n; });
    return it != groups_.end() && it->number == number ? static_cast<int>(it - groups_.begin()) : -1;
}

int WordBook::findWord(int group, int place) const
{
    BookWord key;
    key.group = group;
    key.stored.place = place;
    const auto it = std::lower_bound(words_.begin(), words_.end(), key, byPlace);
    return it != words_.end() && it->group == group && it->stored.place == place ? static_cast<int>(it - words_.begin())
                                                                                 : -1;
}

QDate WordBook::nextReview(const BookGroup &group) const
{
    if (!group.referenceDate.isValid() || group.stage < 1 || group.stage > 7)
        return {};
    return group.referenceDate.addDays(reviewDays_[static_cast<size_t>(group.stage)]);
}

StoredGroup WordBook::snapshot(int number) const
{
    const int row = groupRow(number);
    if (row < 0)
        return {};
    const BookGroup &g = groups_[static_cast<size_t>(row)];
    StoredGroup s{g.number, g.title, g.referenceDate, g.stage, {}};
    BookWord key;
    key.group = number;
    key.stored.place = INT_MIN;
    for (auto it = std::lower_bound(words_.begin(), words_.end(), key, byPlace);
         it != words_.end() && it->group == number; ++it)
        s.words.push_back(it->stored);
    return s;
}

void WordBook::rebuild()
{
    std::sort(groups_.begin(), groups_.end(),
              [](const BookGroup &a, const BookGroup &b) { return a.number < b.number; });
    std::stable_sort(words_.begin(), words_.end(), byPlace);
    if (groupRow(shownGroup_) < 0 && !groups_.empty()) {
        // The group shown is gone: the one after it, else the last.
        const auto next =
            std::find_if(groups_.begin(), groups_.end(), [this](const BookGroup &g) { return g.number > shownGroup_; });
        shownGroup_ = next == groups_.end() ? groups_.back().number : next->number;
    }
    for (BookGroup &g : groups_)
        g.words = 0;
    auto group = groups_.begin();
    for (const BookWord &w : words_) {
        while (group != groups_.end() && group->number < w.group)
            ++group;
        if (group != groups_.end() && group->number == w.group)
            ++group->words;
    }
    // Made here rather than at the next keystroke in the search box.
    makeSearchText();
    groupModel_->reset();
    refreshWords();
    emit reloaded();
}

void WordBook::refreshWords()
{
    if (!search_.isEmpty()) {
        wordModel_->show(find(search_));
        return;
    }
    std::vector<int> rows;
    BookWord key;
    key.group = shownGroup_;
    key.stored.place = INT_MIN;
    for (auto it = std::lower_bound(words_.begin(), words_.end(), key, byPlace);
         it != words_.end() && it->group == shownGroup_; ++it)
        rows.push_back(static_cast<int>(it - words_.begin()));
    wordModel_->show(std::move(rows));
}

void WordBook::showGroup(int number)
{
    shownGroup_ = number;
    search_.clear();
    refreshWords();
}

void WordBook::setSearch(const QString &text)
{
    search_ = text;
    refreshWords();
}

std::vector<int> WordBook::find(const QString &text)
{
    QString needle = text.toCaseFolded();
    needle.remove(QLatin1Char('\n')).remove(QChar(1));
    std::vector<int> rows;
    if (needle.isEmpty())
        return rows;
    if (!haystackValid_)
        makeSearchText();
    const QStringMatcher matcher(needle, Qt::CaseSensitive);
    qsizetype at = matcher.indexIn(haystack_, 0);
    while (at >= 0) {
        const auto line = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), at) - lineStarts_.begin() - 1;
        rows.push_back(static_cast<int>(line));
        const size_t next = static_cast<size_t>(line) + 1;
        if (next >= lineStarts_.size())
            break;
        at = matcher.indexIn(haystack_, lineStarts_[next]);
    }
    return rows;
}

void WordBook::makeSearchText()
{
    // One text for all: a search is a single scan, not 100,000 small ones.
    haystack_.clear();
    lineStarts_.clear();
    lineStarts_.reserve(words_.size());
    for (const BookWord &w : words_) {
        lineStarts_.push_back(haystack_.size());
        haystack_ += searchLine(w).toCaseFolded();
    }
    haystackValid_ = true;
}

QString WordBook::searchLine(const BookWord &w)
{
    return w.stored.word + QChar(1) + w.meaning + QLatin1Char('\n');
}

void WordBook::updateSearchLine(int wordIndex)
{
    if (!haystackValid_)
        return;
    // One line replaced in place, the later ones moved: no new search text.
    const auto i = static_cast<size_t>(wordIndex);
    const qsizetype start = lineStarts_[i];
    const qsizetype end = i + 1 < lineStarts_.size() ? lineStarts_[i + 1] : haystack_.size();
    const QString line = searchLine(words_[i]).toCaseFolded();
    haystack_.replace(start, end - start, line);
    const qsizetype shift = line.size() - (end - start);
    for (size_t k = i + 1; k < lineStarts_.size(); ++k)
        lineStarts_[k] += shift;
}

bool WordBook::push(QUndoCommand *command)
{
    failedLast_ = false;
    undo_.push(command); // runs it; one that failed is let go
    return !failedLast_;
}

void WordBook::report(const StudyError &error)
{
    failedLast_ = true;
    if (error.code == StudyError::Code::Conflict) {
        emit problem(tr("另一个训练程序刚修改过这里，这次修改没有保存；词库已重新载入。\n(%1)").arg(error.text));
        if (auto e = load())
            emit problem(tr("无法读取词库：%1").arg(*e));
    } else {
        emit problem(tr("无法写入词库：%1").arg(error.text));
    }
}

bool WordBook::editWord(int wordIndex, int column, const QString &text)
{
    if (wordIndex < 0 || static_cast<size_t>(wordIndex) >= words_.size())
        return false;
    const BookWord &w = words_[static_cast<size_t>(wordIndex)];
    QString word = w.stored.word;
    QString stored = w.stored.stored;
    QString what;
    if (column == WordTableModel::Word) {
        word = text.trimmed();
        what = tr("修改单词");
        if (word.isEmpty()) {
            emit problem(tr("单词不能为空；要去掉它，请删除这个单词。"));
            return false;
        }
    } else if (column == WordTableModel::Transcription || column == WordTableModel::Meaning) {
        const bool meaning = column == WordTableModel::Meaning;
        what = meaning ? tr("修改释义") : tr("修改音标");
        if ((meaning ? w.meaning : w.transcription) == text.trimmed())
            return true;
        stored = storedMeaning(meaning ? text : w.meaning, meaning ? w.transcription : text);
    } else {
        return false;
    }
    if (word == w.stored.word && stored == w.stored.stored)
        return true;
    return push(new EditWord(*this, what, groupWord(wordIndex), word, stored));
}

bool WordBook::renameGroup(int number, const QString &title)
{
    const int row = groupRow(number);
    if (row < 0)
        return false;
    const QString old = groups_[static_cast<size_t>(row)].title;
    const QString now = title.trimmed();
    if (now == old)
        return true;
    return push(new RenameGroup(*this, number, old, now));
}

bool WordBook::deleteWords(const std::vector<int> &wordIndices)
{
    std::vector<GroupWord> words;
    for (const int i : std::set<int>(wordIndices.begin(), wordIndices.end())) {
        if (i >= 0 && static_cast<size_t>(i) < words_.size())
            words.push_back(groupWord(i));
    }
    if (words.empty())
        return true;
    return push(new DeleteWords(*this, std::move(words)));
}

bool WordBook::addGroup(const QString &title)
{
    const int number = groups_.empty() ? 1 : groups_.back().number + 1;
    if (number > kMaxGroupNumber) {
        emit problem(tr("组号不能超过%1。").arg(kMaxGroupNumber));
        return false;
    }
    // Never studied: the plan introduces it in its turn, as an imported one.
    return push(new AddGroup(*this, StoredGroup{number, title.trimmed(), QDate(), 0, {}}));
}

bool WordBook::addWord(int group, const QString &word, const QString &meaning)
{
    if (groupRow(group) < 0)
        return false;
    const QString da = word.trimmed();
    if (da.isEmpty()) {
        emit problem(tr("单词不能为空。"));
        return false;
    }
    int last = 0;
    for (const BookWord &w : words_) {
        if (w.group == group)
            last = std::max(last, w.stored.place);
    }
    return push(new AddWord(*this, {group, {last + 1, da, storedMeaning(meaning, QString())}}));
}

bool WordBook::deleteGroup(int number)
{
    if (groupRow(number) < 0)
        return false;
    return push(new DeleteGroup(*this, snapshot(number)));
}

bool WordBook::moveWords(const std::vector<int> &wordIndices, int toGroup)
{
    if (groupRow(toGroup) < 0) {
        emit problem(tr("没有第%1组。").arg(toGroup));
        return false;
    }
    std::vector<GroupWord> words;
    for (const int i : std::set<int>(wordIndices.begin(), wordIndices.end())) {
        if (i >= 0 && static_cast<size_t>(i) < words_.size() && words_[static_cast<size_t>(i)].group != toGroup)
            words.push_back(groupWord(i));
    }
    if (words.empty())
        return true;
    return push(new MoveWords(*this, std::move(words), toGroup));
}

bool WordBook::splitGroup(int wordIndex)
{
    if (wordIndex < 0 || static_cast<size_t>(wordIndex) >= words_.size())
        return false;
    const BookWord &w = words_[static_cast<size_t>(wordIndex)];
    StoredGroup group = snapshot(w.group);
    if (group.words.empty() || group.words.front().place == w.stored.place) {
        emit problem(tr("请选中新组的第一个单词：它前面至少要留下一个单词。"));
        return false;
    }
    const QString title = group.title + QStringLiteral(" (2)");
    const int place = w.stored.place;
    return push(new SplitGroup(*this, std::move(group), place, title));
}

StudyResult WordBook::applySetWord(const GroupWord &old, const QString &word, const QString &stored)
{
    if (auto e =
            worker_.run([old, word, stored](WordStore &s) { return s.setWord(old.group, old.word, word, stored); }))
        return e;
    emit bookNotices().wordStored(old.group, old.word.word, old.word.stored, word, stored);
    const int i = findWord(old.group, old.word.place);
    if (i >= 0) {
        words_[static_cast<size_t>(i)] = bookWord(old.group, {old.word.place, word, stored});
        updateSearchLine(i);
        wordModel_->changedWord(i);
    }
    return std::nullopt;
}

StudyResult WordBook::applySetTitle(int number, const QString &old, const QString &title)
{
    if (auto e = worker_.run([number, old, title](WordStore &s) { return s.setTitle(number, old, title); }))
        return e;
    if (const int row = groupRow(number); row >= 0) {
        groups_[static_cast<size_t>(row)].title = title;
        groupModel_->changed(row);
    }
    return std::nullopt;
}

StudyResult WordBook::applyDelete(const std::vector<GroupWord> &words)
{
    if (auto e = worker_.run([words](WordStore &s) { return s.deleteWords(words); }))
        return e;
    std::set<std::pair<int, int>> gone;
    for (const GroupWord &w : words)
        gone.emplace(w.group, w.word.place);
    std::erase_if(words_, [&gone](const BookWord &w) { return gone.count({w.group, w.stored.place}) > 0; });
    rebuild();
    return std::nullopt;
}

StudyResult WordBook::applyInsert(const std::vector<GroupWord> &words)
{
    if (auto e = worker_.run([words](WordStore &s) { return s.insertWords(words); }))
        return e;
    for (const GroupWord &w : words)
        words_.push_back(bookWord(w.group, w.word));
    rebuild();
    return std::nullopt;
}

StudyResult WordBook::applyMove(const std::vector<GroupWord> &words, const std::vector<std::pair<int, int>> &to,
                                std::vector<GroupWord> *placed)
{
    auto placedOut = std::make_shared<std::vector<GroupWord>>();
    if (auto e = worker_.run([words, to, placedOut](WordStore &s) { return s.moveWords(words, to, placedOut.get()); }))
        return e;
    std::vector<GroupWord> moved = std::move(*placedOut);
    // Found before any of them changes: the order is by group and place.
    std::vector<int> indices;
    indices.reserve(words.size());
    for (const GroupWord &w : words)
        indices.push_back(findWord(w.group, w.word.place));
    for (size_t k = 0; k < indices.size(); ++k) {
        if (indices[k] >= 0) {
            BookWord &w = words_[static_cast<size_t>(indices[k])];
            w.group = moved[k].group;
            w.stored.place = moved[k].word.place;
        }
    }
    if (placed)
        *placed = std::move(moved);
    rebuild();
    return std::nullopt;
}

StudyResult WordBook::applyDeleteGroup(const StoredGroup &group, std::optional<PlanRow> *plan)
{
    auto planOut = std::make_shared<std::optional<PlanRow>>();
    if (auto e = worker_.run([group, planOut](WordStore &s) { return s.deleteGroup(group, planOut.get()); }))
        return e;
    if (plan)
        *plan = *planOut;
    std::erase_if(groups_, [&group](const BookGroup &g) { return g.number == group.number; });
    std::erase_if(words_, [&group](const BookWord &w) { return w.group == group.number; });
    rebuild();
    return std::nullopt;
}

StudyResult WordBook::applyInsertGroup(const StoredGroup &group, const std::optional<PlanRow> &plan)
{
    if (auto e = worker_.run([group, plan](WordStore &s) { return s.insertGroup(group, plan); }))
        return e;
    groups_.push_back({group.number, group.title, group.referenceDate, group.stage, 0});
    for (const StoredWord &w : group.words)
        words_.push_back(bookWord(group.number, w));
    rebuild();
    return std::nullopt;
}

StudyResult WordBook::applySplit(const StoredGroup &group, int fromPlace, const QString &title, int *created)
{
    auto number = std::make_shared<int>(0);
    if (auto e = worker_.run([group, fromPlace, title, number](WordStore &s) {
            return s.splitGroup(group, fromPlace, title, number.get());
        }))
        return e;
    *created = *number;
    groups_.push_back({*created, title, group.referenceDate, group.stage, 0});
    for (BookWord &w : words_) {
        if (w.group == group.number && w.stored.place >= fromPlace)
            w.group = *created;
    }
    rebuild();
    return std::nullopt;
}

StudyResult WordBook::applyJoin(int into, const StoredGroup &part)
{
    if (auto e = worker_.run([into, part](WordStore &s) { return s.joinSplit(into, part); }))
        return e;
    for (BookWord &w : words_) {
        if (w.group == part.number)
            w.group = into;
    }
    std::erase_if(groups_, [&part](const BookGroup &g) { return g.number == part.number; });
    rebuild();
    return std::nullopt;
}

} // namespace kelp
