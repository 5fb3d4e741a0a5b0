#include "studydb/study_database.h"

#include "config/review_schedule.h"
#include "study/phonetic.h"
#include "studydb/grade_store.h"

#include <QRegularExpression>

#include <algorithm>
#include <functional>
#include <map>

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

StudyResult findDueGroups(platform::OdbcConnection &connection, const QDate &today,
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
        return StudyError(query.errorText(), StudyError::Code::Failed, status);
    groups.clear();
    int fetched = 0;
    while (static_cast<int>(groups.size()) < kMaxDueGroups && (fetched = query.fetch()) == 0)
        groups.push_back(toGroupNumber(query.integer(1).value_or(0)));
    if (fetched < 0)
        return StudyError(query.errorText(), StudyError::Code::Failed, fetched);
    query.close();
    return std::nullopt;
}

namespace {

struct GroupRow {
    std::optional<long long> group;
    Cell title, word, meaning;
};

// Appends one group's rows: its header (number and title of its first row),
// then its words.
void appendGroup(WordBuffer &buffer, const std::vector<GroupRow> &rows)
{
    for (size_t i = 0; i < rows.size(); ++i) {
        long bufferRow = buffer.appendRow();
        if (i == 0) {
            buffer.setItem(bufferRow, kWordColumn, QString::number(toGroupNumber(rows[i].group.value_or(0))));
            setCell(buffer, bufferRow, kMeaningColumn, rows[i].title);
            bufferRow = buffer.appendRow();
        }
        addWordRow(buffer, bufferRow, rows[i].word, rows[i].meaning);
    }
}

StudyResult fetchRows(platform::OdbcQuery &query, const std::function<void(GroupRow &&)> &take)
{
    int status = 0;
    while ((status = query.fetch()) == 0)
        take(GroupRow{query.integer(1), query.text(2), query.text(3), query.text(4)});
    if (status < 0)
        return StudyError(query.errorText(), StudyError::Code::Failed, status);
    return std::nullopt;
}

} // namespace

StudyResult loadGroups(platform::OdbcConnection &connection, const std::vector<int> &groups, int groupCount,
                       WordBuffer &buffer)
{
    const auto count = static_cast<size_t>(std::clamp<int>(groupCount, 0, static_cast<int>(groups.size())));
    if (count == 0)
        return std::nullopt;
    platform::OdbcQuery query(connection);
    if (connection.dialect() == platform::OdbcConnection::Dialect::SQLite) {
        // The local file: one statement, run again with each group's number.
        for (size_t i = 0; i < count; ++i) {
            if (const int status = query.open(kGroupWords, {platform::SqlParam::of(groups[i])}); status < 0)
                return StudyError(query.errorText(), StudyError::Code::Failed, status);
            std::vector<GroupRow> rows;
            if (auto error = fetchRows(query, [&](GroupRow &&row) { rows.push_back(std::move(row)); }))
                return error;
            appendGroup(buffer, rows);
        }
        return std::nullopt;
    }
    // A database server: a round trip per group would be most of the start-up,
    // so the same rows come in one statement and are dealt out here, group by
    // group in the order given (a group given twice comes twice).
    std::vector<platform::SqlParam> params;
    QByteArray sql = "select zb.xh , zb.bt , fb.da , fb.lx2 from zb , fb where zb.xh in (";
    for (size_t i = 0; i < count; ++i) {
        sql += i == 0 ? "?" : ",?";
        params.push_back(platform::SqlParam::of(groups[i]));
    }
    sql += ") and zb.xh =fb.xh order by zb.xh , xh1";
    if (const int status = query.open(sql.constData(), params); status < 0)
        return StudyError(query.errorText(), StudyError::Code::Failed, status);
    std::map<int, std::vector<GroupRow>> byGroup;
    if (auto error = fetchRows(
            query, [&](GroupRow &&row) { byGroup[toGroupNumber(row.group.value_or(0))].push_back(std::move(row)); }))
        return error;
    for (size_t i = 0; i < count; ++i)
        if (const auto it = byGroup.find(groups[i]); it != byGroup.end())
            appendGroup(buffer, it->second);
    return std::nullopt;
}

StudyResult loadHardWords(platform::OdbcConnection &connection, const QDate &today, WordBuffer &buffer)
{
    std::vector<HardWord> hard;
    if (auto e = readHardWords(connection, hard))
        return StudyError(e->text, StudyError::Code::Failed, -1);
    const long long day = today.toJulianDay();
    if (std::none_of(hard.begin(), hard.end(), [day](const HardWord &w) { return w.due <= day; }))
        return std::nullopt;
    std::vector<GroupRow> rows;
    platform::OdbcQuery query(connection);
    for (const HardWord &w : hard) {
        if (const int status =
                query.open("select da, lx2 from fb where da = ? order by xh, xh1", {platform::SqlParam::of(w.word)});
            status < 0)
            return StudyError(query.errorText(), StudyError::Code::Failed, status);
        // Its first row alone: a word kept in two groups is one hard word.
        if (query.fetch() == 0)
            rows.push_back(GroupRow{0, QStringLiteral("生词本"), query.text(1), query.text(2)});
        query.close();
    }
    if (!rows.empty())
        appendGroup(buffer, rows);
    return std::nullopt;
}

StudyResult loadGroupRange(platform::OdbcConnection &connection, const QString &groupRange, WordBuffer &buffer,
                           std::vector<int> &groups)
{
    const GroupRange range = parseGroupRange(groupRange);
    platform::OdbcQuery query(connection);
    const int status =
        query.open(kRangeWords, {platform::SqlParam::of(range.first), platform::SqlParam::of(range.last)});
    if (status < 0)
        return StudyError(query.errorText(), StudyError::Code::Failed, status);
    groups.clear();
    int current = 0;
    bool first = true;
    int fetched = 0;
    while ((fetched = query.fetch()) == 0) {
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
    // A read that breaks off (a busy or damaged file, a lost server) is no
    // shorter study list: it is the database error it is.
    if (fetched < 0)
        return StudyError(query.errorText(), StudyError::Code::Failed, fetched);
    query.close();
    return std::nullopt;
}

StudyResult loadFromDatabase(platform::OdbcConnection &connection, SourceMode mode, const QDate &today,
                             const std::array<int, 8> &reviewDays, const QString &groupRange, bool &fellBack,
                             WordBuffer &buffer, std::vector<int> &groups)
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
