#include "study/db_loaders.h"

#include "study/phonetic.h"
#include "study/review_days.h"

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
    return static_cast<int>(std::clamp<long long>(v, -32768, 32767));
}

void setCell(WordBuffer &b, long row, int column, const Cell &value)
{
    if (value)
        b.setItem(row, column, *value);
}

void addWordRow(WordBuffer &b, long row, const Cell &lda, const Cell &lx2)
{
    setCell(b, row, 1, lda);
    setCell(b, row, 2, qcyb(lx2));
    b.setItem(row, 3, jqyb(lx2));
}

} // namespace

GroupRange parseGroupRange(const QString &gtfz)
{
    GroupRange r;
    const qsizetype wz1 = gtfz.indexOf(QLatin1Char('-'));
    // Without a "-" the whole text is the last number; the first is taken as 1.
    const int first = wz1 < 0 ? 1 : textToInt(gtfz.left(wz1));
    const int last = textToInt(gtfz.mid(wz1 + 1));
    r.xhq = std::clamp(first, 1, 32767);
    r.xhz = std::clamp(last, 1, 32767);
    return r;
}

std::optional<DbError> wfxzq(platform::OdbcConnection &sqlca, const QDate &dqsj, const std::array<int, 8> &fxd,
                             std::vector<int> &zxh)
{
    std::vector<platform::SqlParam> params;
    for (size_t k = 1; k <= 7; ++k) {
        params.push_back(platform::SqlParam::of(dqsj));
        params.push_back(platform::SqlParam::of(fxd[k]));
    }
    platform::OdbcQuery cur_zb(sqlca);
    const int status = cur_zb.open(kDueGroups, params);
    if (status < 0)
        return DbError{status, cur_zb.errorText()};
    zxh.clear();
    while (cur_zb.fetch() == 0) {
        zxh.push_back(toGroupNumber(cur_zb.integer(1).value_or(0)));
        if (static_cast<int>(zxh.size()) >= kMaxDueGroups)
            break;
    }
    cur_zb.close();
    return std::nullopt;
}

std::optional<DbError> fxsjload(platform::OdbcConnection &sqlca, const std::vector<int> &zxh, int iend,
                                WordBuffer &dw_new)
{
    long ri = 0;
    const int count = std::min<int>(iend, static_cast<int>(zxh.size()));
    for (int i = 1; i <= count; ++i) {
        int nxhs = 0;
        platform::OdbcQuery cur_fb(sqlca);
        const int status = cur_fb.open(kGroupWords, {platform::SqlParam::of(zxh[static_cast<size_t>(i - 1)])});
        if (status < 0)
            return DbError{status, cur_fb.errorText()};
        while (cur_fb.fetch() == 0) {
            const auto xh = cur_fb.integer(1);
            const Cell lbt = cur_fb.text(2);
            const Cell lda = cur_fb.text(3);
            const Cell lx2 = cur_fb.text(4);
            ++nxhs;
            ri = dw_new.appendRow();
            if (nxhs == 1) {
                dw_new.setItem(ri, 1, QString::number(toGroupNumber(xh.value_or(0))));
                setCell(dw_new, ri, 2, lbt);
                ri = dw_new.appendRow();
            }
            addWordRow(dw_new, ri, lda, lx2);
        }
        cur_fb.close();
    }
    return std::nullopt;
}

std::optional<DbError> gtfzload(platform::OdbcConnection &sqlca, const QString &gtfz, WordBuffer &dw_new,
                                std::vector<int> &zxh)
{
    const GroupRange range = parseGroupRange(gtfz);
    platform::OdbcQuery cur_fb(sqlca);
    const int status =
        cur_fb.open(kRangeWords, {platform::SqlParam::of(range.xhq), platform::SqlParam::of(range.xhz)});
    if (status < 0)
        return DbError{status, cur_fb.errorText()};
    zxh.clear();
    int current = 0;
    bool first = true;
    while (cur_fb.fetch() == 0) {
        const int xh = toGroupNumber(cur_fb.integer(1).value_or(0));
        const Cell lbt = cur_fb.text(2);
        const Cell lda = cur_fb.text(3);
        const Cell lx2 = cur_fb.text(4);
        long ri = dw_new.appendRow();
        if (first || xh != current) {
            // A new group begins: its header, then its words.
            dw_new.setItem(ri, 1, QString::number(xh));
            setCell(dw_new, ri, 2, lbt);
            zxh.push_back(xh);
            ri = dw_new.appendRow();
            current = xh;
            first = false;
        }
        addWordRow(dw_new, ri, lda, lx2);
    }
    cur_fb.close();
    return std::nullopt;
}

std::optional<DbError> loadFromDatabase(platform::OdbcConnection &sqlca, int sjms, const QDate &dqsj,
                                        const std::array<int, 8> &fxd, const QString &gtfz, bool &f1t2,
                                        WordBuffer &dw_new, std::vector<int> &zxh)
{
    if (sjms == 1) {
        if (auto error = wfxzq(sqlca, dqsj, fxd, zxh))
            return error;
        if (!zxh.empty())
            return fxsjload(sqlca, zxh, static_cast<int>(zxh.size()), dw_new);
        // Nothing due today: study the configured range instead.
        f1t2 = true;
        return gtfzload(sqlca, gtfz, dw_new, zxh);
    }
    if (sjms == 2) {
        f1t2 = false;
        return gtfzload(sqlca, gtfz, dw_new, zxh);
    }
    return std::nullopt;
}

} // namespace kelp
