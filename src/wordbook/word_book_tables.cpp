// The words window's two tables over the book: its groups, and the words of
// the group or the search shown.
#include "wordbook/word_book.h"

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
    static const char16_t *const names[] = {u"组号", u"标题", u"词数", u"阶段", u"下次复习"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf16(names[section]) : QVariant();
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
    }
    return {};
}

QVariant WordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char16_t *const names[] = {u"组", u"单词", u"音标", u"释义"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf16(names[section]) : QVariant();
}

Qt::ItemFlags WordTableModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags f = QAbstractTableModel::flags(index);
    return index.column() == Group ? f : f | Qt::ItemIsEditable;
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
    endResetModel();
}

void WordTableModel::changedWord(int wordIndex)
{
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row] == wordIndex)
            emit dataChanged(index(static_cast<int>(row), 0), index(static_cast<int>(row), ColumnCount - 1));
    }
}

} // namespace kelp
