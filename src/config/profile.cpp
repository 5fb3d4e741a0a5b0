#include "config/profile.h"

#include "study/review_days.h"

#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace kelp {

QDate parseProfileDate(const QString &text)
{
    const QString t = text.trimmed();
    static const QStringList formats{QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyy-M-d"),
                                     QStringLiteral("yyyy/MM/dd"), QStringLiteral("yyyy/M/d"),
                                     QStringLiteral("yyyy.M.d")};
    for (const QString &f : formats) {
        const QDate d = QDate::fromString(t, f);
        if (d.isValid())
            return d;
    }
    // A date-time stored by another tool: take its date part.
    const qsizetype blank = t.indexOf(QLatin1Char(' '));
    if (blank > 0)
        return parseProfileDate(t.left(blank));
    return QDate();
}

QString formatProfileDate(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

void readProfile(IniFile &ini, AppGlobals &g, TranspSettings &w, const std::function<void()> &regodbc)
{
    using namespace ini;
    g.sqlca.dbms = ini.readString(kOdbc, QStringLiteral("DBMS"), QStringLiteral("ODBC"));
    const QString ls_first = ini.readString(kStart, QStringLiteral("First"), QStringLiteral("true"));
    g.dns_name1 = ini.readString(kOdbc, QStringLiteral("DSN_Name"), QStringLiteral("kelp1"));
    w.ls_uid = ini.readString(kOdbc, QStringLiteral("USER_Name"), QString(""));
    w.ls_pwd = ini.readString(kOdbc, QStringLiteral("USER_pw"), QString(""));
    g.xxts1 = ini.readString(kYwqx, QStringLiteral("XXTS"), QStringLiteral("1t2t4t7t15t"));
    g.index1 = ini.readInt(kTts, QStringLiteral("index1"), 1);
    g.index2 = ini.readInt(kTts, QStringLiteral("index2"), 1);
    g.sjms = ini.readInt(kSjly, QStringLiteral("sjms"), 1);
    g.reci1 = ini.readInt(kTimer, QStringLiteral("reci1"), 1);
    g.reci2 = ini.readInt(kTimer, QStringLiteral("reci2"), 2);
    g.reci3 = ini.readInt(kTimer, QStringLiteral("reci3"), 3);
    g.gtfz = ini.readString(kSjly, QStringLiteral("gtfz"), QStringLiteral("1-10"));
    if (g.gtfz.isEmpty())
        g.gtfz = QStringLiteral("1-10");
    g.wbwj = ini.readString(kSjly, QStringLiteral("wbwj"), QStringLiteral("New_Word.txt"));
    if (g.wbwj.isEmpty())
        g.wbwj = QStringLiteral("New_Word.txt");

    switch (g.sjms) {
    case 1:
        if (g.f1t2) {
            w.reci = g.reci2;
        } else {
            g.lssj = parseProfileDate(ini.readString(kSjly, QStringLiteral("lssj"), QStringLiteral("2012-10-10")));
            // The review position only survives within one day: the due groups change daily.
            w.reci = (g.dqsj.isValid() && g.lssj.isValid() && g.dqsj == g.lssj) ? g.reci1 : 1;
        }
        break;
    case 2:
        w.reci = g.reci2;
        break;
    case 3:
        w.reci = g.reci3;
        break;
    default:
        break;
    }

    g.fwav = ini.readString(kMtlj, QStringLiteral("wav"), QString(""));
    g.jg = ini.readInt(kTimer, QStringLiteral("jg"), 3);
    if (ls_first == QLatin1String("true")) {
        if (regodbc)
            regodbc();
        if (ini.writeString(kStart, QStringLiteral("First"), QStringLiteral("false")) != 1)
            std::fprintf(stderr, "kelpword: cannot write %s: %s\n", qPrintable(ini.path()),
                         qPrintable(ini.errorString()));
    }
    w.winx = ini.readInt(kOther, QStringLiteral("winx"), 0);
    w.winy = ini.readInt(kOther, QStringLiteral("winy"), 0);
    g.sftm = ini.readInt(kOther, QStringLiteral("sftm"), 1);
    g.c1 = ini.readInt(kOther, QStringLiteral("c1"), 3);
    g.c2 = ini.readInt(kOther, QStringLiteral("c2"), 21);
    g.c3 = ini.readInt(kOther, QStringLiteral("c3"), 2);
    fxdload(g.xxts1, g.fxd);
}

bool writeResumeRow(IniFile &ini, AppGlobals &g, long reci)
{
    const QString value = QString::number(reci);
    switch (g.sjms) {
    case 1:
        if (g.f1t2)
            return ini.writeString(ini::kTimer, QStringLiteral("reci2"), value) == 1;
        else {
            const bool ok = ini.writeString(ini::kTimer, QStringLiteral("reci1"), value) == 1;
            g.lssj = g.dqsj;
            return ini.writeString(ini::kSjly, QStringLiteral("lssj"), formatProfileDate(g.lssj)) == 1 && ok;
        }
    case 2:
        return ini.writeString(ini::kTimer, QStringLiteral("reci2"), value) == 1;
    case 3:
        return ini.writeString(ini::kTimer, QStringLiteral("reci3"), value) == 1;
    default:
        return true;
    }
}

int timerIntervalMs(int jg)
{
    return std::clamp(jg, 1, 86400) * 1000;
}

} // namespace kelp
