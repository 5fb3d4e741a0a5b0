#include "study/study_database.h"

#include "study/phonetic.h"
#include "study/review_schedule.h"

#include <QRegularExpression>

#include <algorithm>

namespace kelp {
namespace {

constexpr const char *kDueGroups =
    "select xh from zb where ( sj =( ? - ? ) and cs =1 ) or ( sj =( ? - ? ) and cs =2 ) or "
    "( sj =( ? - ? ) and cs =3 ) or ( sj =( ? - ? ) and cs =4 ) or ( sj =( ? - ? ) and cs =5 ) or "
    "( sj =( ? - ? ) and cs =6 ) or ( sj =( ? - ? ) and cs =7 )";
constexpr const char *kGroupWords =
    "select zb.xh , zb.bt , fb.da , fb.lx2 from zb , fb where zb.xh =? and zb.xh =fb.xh order by xh1";
constexpr const char *kRangeWords = "select zb.xh , zb.bt , fb.da , fb.lx2 from zb , fb where ( zb.xh between ? "
                                    "and ? ) and zb.xh =fb.xh order by zb.xh , xh1";

// Group numbers are 16-bit on the original system.
int toGroupNumber(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, -32768, kMaxGroupNumber));
}

void setCell(WordBuffer &b, long row, int column, const Cell &value)
{
    if (value)
        b.setItem(row, column, *value);
}

void addWordRow(WordBuffer &b, long row, const Cell &word, const Cell &meaning)
{
    setCell(b, row, kWordColumn, word);
    setCell(b, row, kMeaningColumn, stripPhonetic(meaning));
    b.setItem(row, kPhoneticColumn, extractPhonetic(meaning));
}

} // namespace

namespace {

// A group number of a range text, 1..32767. A number too large even for a
// whole number is the largest group, as any other number above it is.
int groupNumberOf(const QString &text)
{
    const int value = textToInt(text);
    if (value != 0)
        return std::clamp(value, 1, kMaxGroupNumber);
    static const QRegularExpression tooLarge(QStringLiteral("^\\+?[0-9]*[1-9][0-9]*$"));
    return tooLarge.match(trimSpaces(text)).hasMatch() ? kMaxGroupNumber : 1;
}

} // namespace

GroupRange parseGroupRange(const QString &groupRange)
{
    GroupRange r;
    const qsizetype dash = groupRange.indexOf(QLatin1Char('-'));
    // Without a "-" the whole text is the last number; the first is taken as 1.
    r.first = dash < 0 ? 1 : groupNumberOf(groupRange.left(dash));
    r.last = groupNumberOf(groupRange.mid(dash + 1));
    return r;
}

std::optional<QueryError> findDueGroups(platform::OdbcConnection &connection, const QDate &today,
                                        const std::array<int, 8> &reviewDays, std::vector<int> &groups)
{
    std::vector<platform::SqlParam> params;
    for (size_t k = 1; k <= 7; ++k) {
        params.push_back(platform::SqlParam::of(today));
        params.push_back(platform::SqlParam::of(reviewDays[k]));
    }
    platform::OdbcQuery query(connection);
    const int status = query.open(kDueGroups, params);
    if (status < 0)
        return QueryError{status, query.errorText()};
    groups.clear();
    while (query.fetch() == 0) {
        groups.push_back(toGroupNumber(query.integer(1).value_or(0)));
        if (static_cast<int>(groups.size()) >= kMaxDueGroups)
            break;
    }
    query.close();
    return std::nullopt;
}

std::optional<QueryError> loadGroups(platform::OdbcConnection &connection, const std::vector<int> &groups,
                                     int groupCount, WordBuffer &buffer)
{
    long bufferRow = 0;
    const int count = std::min<int>(groupCount, static_cast<int>(groups.size()));
    // One statement for all groups, run again with each group's number.
    platform::OdbcQuery query(connection);
    for (int i = 1; i <= count; ++i) {
        int wordsInGroup = 0;
        const int status = query.open(kGroupWords, {platform::SqlParam::of(groups[static_cast<size_t>(i - 1)])});
        if (status < 0)
            return QueryError{status, query.errorText()};
        while (query.fetch() == 0) {
            const auto group = query.integer(1);
            const Cell title = query.text(2);
            const Cell word = query.text(3);
            const Cell meaning = query.text(4);
            ++wordsInGroup;
            bufferRow = buffer.appendRow();
            if (wordsInGroup == 1) {
                buffer.setItem(bufferRow, kWordColumn, QString::number(toGroupNumber(group.value_or(0))));
                setCell(buffer, bufferRow, kMeaningColumn, title);
                bufferRow = buffer.appendRow();
            }
            addWordRow(buffer, bufferRow, word, meaning);
        }
    }
    return std::nullopt;
}

std::optional<QueryError> loadGroupRange(platform::OdbcConnection &connection, const QString &groupRange,
                                         WordBuffer &buffer, std::vector<int> &groups)
{
    const GroupRange range = parseGroupRange(groupRange);
    platform::OdbcQuery query(connection);
    const int status =
        query.open(kRangeWords, {platform::SqlParam::of(range.first), platform::SqlParam::of(range.last)});
    if (status < 0)
        return QueryError{status, query.errorText()};
    groups.clear();
    int current = 0;
    bool first = true;
    while (query.fetch() == 0) {
        const int group = toGroupNumber(query.integer(1).value_or(0));
        const Cell title = query.text(2);
        const Cell word = query.text(3);
        const Cell meaning = query.text(4);
        long bufferRow = buffer.appendRow();
        if (first || group != current) {
            // A new group begins: its header, then its words.
            buffer.setItem(bufferRow, kWordColumn, QString::number(group));
            setCell(buffer, bufferRow, kMeaningColumn, title);
            groups.push_back(group);
            bufferRow = buffer.appendRow();
            current = group;
            first = false;
        }
        addWordRow(buffer, bufferRow, word, meaning);
    }
    query.close();
    return std::nullopt;
}

std::optional<QueryError> loadFromDatabase(platform::OdbcConnection &connection, SourceMode mode, const QDate &today,
                                           const std::array<int, 8> &reviewDays, const QString &groupRange,
                                           bool &fellBack, WordBuffer &buffer, std::vector<int> &groups)
{
    if (mode == SourceMode::Review) {
        if (auto error = findDueGroups(connection, today, reviewDays, groups))
            return error;
        if (!groups.empty())
            return loadGroups(connection, groups, static_cast<int>(groups.size()), buffer);
        // Nothing due today: study the configured range instead.
        fellBack = true;
        return loadGroupRange(connection, groupRange, buffer, groups);
    }
    if (mode == SourceMode::GroupRange) {
        fellBack = false;
        return loadGroupRange(connection, groupRange, buffer, groups);
    }
    return std::nullopt;
}

} // namespace kelp
