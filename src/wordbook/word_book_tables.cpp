// The words window's two tables over the book: its groups, and the words of
// the group or the search shown.
#include "wordbook/word_book.h"

#include <QCollator>
#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace kelp {

int GroupTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(book_.groupList().size());
}

int GroupTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant GroupTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const BookGroup &g = book_.groupList()[static_cast<size_t>(index.row())];
    if (role == Qt::TextAlignmentRole)
        return index.column() == Title ? QVariant() : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case Number: return g.number;
    case Title: return g.title;
    case Words: return g.words;
    case Stage: return g.stage >= 1 && g.stage <= 7 ? QVariant(g.stage) : QVariant(QStringLiteral("—"));
    case NextReview: {
        const QDate next = book_.nextReview(g);
        return next.isValid() ? next.toString(QStringLiteral("yyyy-MM-dd")) : QStringLiteral("—");
    }
    }
    return {};
}

QVariant GroupTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const names[] = {
        QT_TRANSLATE_NOOP("kelp::wordbook", "组号"), QT_TRANSLATE_NOOP("kelp::wordbook", "标题"),
        QT_TRANSLATE_NOOP("kelp::wordbook", "词数"), QT_TRANSLATE_NOOP("kelp::wordbook", "阶段"),
        QT_TRANSLATE_NOOP("kelp::wordbook", "下次复习")};
    return section >= 0 && section < ColumnCount ? QCoreApplication::translate("kelp::wordbook", names[section])
                                                 : QVariant();
}

Qt::ItemFlags GroupTableModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags f = QAbstractTableModel::flags(index);
    return index.column() == Title ? f | Qt::ItemIsEditable : f;
}

bool GroupTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || index.column() != Title || index.row() >= rowCount())
        return false;
    return book_.renameGroup(book_.groupList()[static_cast<size_t>(index.row())].number, value.toString());
}

void GroupTableModel::reset()
{
    beginResetModel();
    endResetModel();
}

void GroupTableModel::changed(int row)
{
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int WordTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int WordTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant WordTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const BookWord &w = book_.wordList()[static_cast<size_t>(wordIndex(index.row()))];
    switch (index.column()) {
    case Group: return w.group;
    case Word: return w.stored.word;
    case Transcription: return w.transcription;
    case Meaning: return w.meaning;
    case Stability:
    case NextDay:
        if (const WordMemory *m = book_.memoryOf(w.stored.word))
            return index.column() == Stability ? QVariant(QString::number(m->state.stability, 'f', 1))
                                               : QVariant(QDate::fromJulianDay(m->due).toString(Qt::ISODate));
        return {};
    }
    return {};
}

QVariant WordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const names[] = {
        QT_TRANSLATE_NOOP("kelp::wordbook", "组"),         QT_TRANSLATE_NOOP("kelp::wordbook", "单词"),
        QT_TRANSLATE_NOOP("kelp::wordbook", "音标"),       QT_TRANSLATE_NOOP("kelp::wordbook", "释义"),
        QT_TRANSLATE_NOOP("kelp::wordbook", "稳定性(天)"), QT_TRANSLATE_NOOP("kelp::wordbook", "复习日")};
    return section >= 0 && section < ColumnCount ? QCoreApplication::translate("kelp::wordbook", names[section])
                                                 : QVariant();
}

Qt::ItemFlags WordTableModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags f = QAbstractTableModel::flags(index);
    const bool editable = index.column() == Word || index.column() == Transcription || index.column() == Meaning;
    return editable ? f | Qt::ItemIsEditable : f;
}

bool WordTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || index.row() >= rowCount())
        return false;
    return book_.editWord(wordIndex(index.row()), index.column(), value.toString());
}

void WordTableModel::show(std::vector<int> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    applyOrder();
    endResetModel();
}

void WordTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<int> words;
    for (const QModelIndex &i : before)
        words.push_back(wordIndex(i.row()));
    sortColumn_ = column;
    sortOrder_ = order;
    applyOrder();
    // The selection and the current word follow their words.
    std::unordered_map<int, int> rowOf;
    for (size_t r = 0; r < rows_.size(); ++r)
        rowOf.emplace(rows_[r], static_cast<int>(r));
    QModelIndexList after;
    for (size_t k = 0; k < words.size(); ++k)
        after << index(rowOf[words[k]], before[static_cast<int>(k)].column());
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void WordTableModel::applyOrder()
{
    const std::vector<BookWord> &list = book_.wordList();
    if (sortColumn_ == Group) {
        // Groups by number, a group's words by their places: rows that come
        // in that order (as the book reads them) are left as they are.
        const bool down = sortOrder_ == Qt::DescendingOrder;
        const auto before = [&list, down](int a, int b) {
            const BookWord &x = list[static_cast<size_t>(a)];
            const BookWord &y = list[static_cast<size_t>(b)];
            if (x.group != y.group)
                return down ? x.group > y.group : x.group < y.group;
            return x.stored.place != y.stored.place ? x.stored.place < y.stored.place : a < b;
        };
        if (!std::is_sorted(rows_.begin(), rows_.end(), before))
            std::sort(rows_.begin(), rows_.end(), before);
        return;
    }
    if (sortColumn_ == Stability || sortColumn_ == NextDay) {
        // By the memory, the words never answered last either way.
        const bool down = sortOrder_ == Qt::DescendingOrder;
        const auto key = [this, &list](int word) {
            const WordMemory *m = book_.memoryOf(list[static_cast<size_t>(word)].stored.word);
            return !m ? std::optional<double>() : sortColumn_ == Stability ? m->state.stability : double(m->due);
        };
        std::stable_sort(rows_.begin(), rows_.end(), [&key, down](int a, int b) {
            const auto x = key(a), y = key(b);
            if (!x || !y)
                return x.has_value() && !y.has_value();
            return down ? *x > *y : *x < *y;
        });
        return;
    }
    const auto text = [this, &list](int word) -> const QString & {
        const BookWord &w = list[static_cast<size_t>(word)];
        return sortColumn_ == Word ? w.stored.word : sortColumn_ == Transcription ? w.transcription : w.meaning;
    };
    // The learners' own order whatever the desktop's language: Chinese by
    // its pinyin, English letters without regard to case.
    QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    // A key a row, made once: comparing them is far cheaper than comparing the texts.
    std::vector<std::pair<QCollatorSortKey, int>> keyed;
    keyed.reserve(rows_.size());
    for (int word : rows_)
        keyed.emplace_back(collator.sortKey(text(word)), word);
    const bool down = sortOrder_ == Qt::DescendingOrder;
    std::stable_sort(keyed.begin(), keyed.end(), [down](const auto &a, const auto &b) {
        const int c = a.first.compare(b.first);
        return c != 0 ? (down ? c > 0 : c < 0) : a.second < b.second;
    });
    for (size_t r = 0; r < keyed.size(); ++r)
        rows_[r] = keyed[r].second;
}

void WordTableModel::changedWord(int wordIndex)
{
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row] == wordIndex)
            emit dataChanged(index(static_cast<int>(row), 0), index(static_cast<int>(row), ColumnCount - 1));
    }
}

} // namespace kelp
