// The first load in review mode (connect, due groups, their words) from a
// private PostgreSQL server and from the local file, for the same data and
// day; prints the medians of each step and the ratios, server over file.
#include "platform/odbc.h"
#include "studydb/data_source.h"
#include "studydb/study_database.h"
#include "studydb/study_writer.h"
#include "support/database_fixture.h"
#include "support/postgres_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace kelp;

namespace {

const QDate kToday(2026, 12, 7);
const std::array<int, 8> kFxd{0, 1, 2, 4, 7, 15, 30, 60};

std::vector<StudyGroup> groups(int count, int words)
{
    std::vector<StudyGroup> g;
    for (int xh = 1; xh <= count; ++xh) {
        const int cs = (xh - 1) % 7 + 1;
        // Every fifth group due today.
        g.push_back({xh,
                     QStringLiteral("第%1课 words").arg(xh),
                     kToday.addDays(-kFxd[static_cast<size_t>(cs)] + (xh % 5 == 1 ? 0 : 1)),
                     cs,
                     {}});
        for (int i = 1; i <= words; ++i)
            g.back().words.emplace_back(QStringLiteral("word%1_%2").arg(xh).arg(i),
                                        QStringLiteral("/'wɜːd%1/ n. 单词；词语").arg(i));
    }
    return g;
}

struct Times {
    std::vector<double> connect, due, words, total;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void measure(const QString &connectString, Times &t)
{
    QElapsedTimer clock;
    clock.start();
    platform::OdbcConnection c;
    if (c.connect(connectString, true) != 0) {
        std::fprintf(stderr, "cannot connect: %s\n", qPrintable(c.errorText));
        std::exit(1);
    }
    const double connected = clock.nsecsElapsed() / 1e6;
    std::vector<int> due;
    findDueGroups(c, kToday, kFxd, due);
    const double found = clock.nsecsElapsed() / 1e6;
    WordBuffer b;
    loadGroups(c, due, static_cast<int>(due.size()), b);
    const double loaded = clock.nsecsElapsed() / 1e6;
    if (b.rowCount() == 0) {
        std::fprintf(stderr, "nothing loaded\n");
        std::exit(1);
    }
    t.connect.push_back(connected);
    t.due.push_back(found - connected);
    t.words.push_back(loaded - found);
    t.total.push_back(loaded);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 21;
    test::PostgresServer server;
    if (!server.start()) {
        std::fprintf(stderr, "no server: %s\n", qPrintable(server.error()));
        return 1;
    }
    const auto data = groups(300, 20);
    QTemporaryDir dir;
    {
        test::StudyDb db(dir.filePath("kelp.mdb"));
        db.exec("begin");
        for (const auto &g : data) {
            db.group(g.number, g.title, g.referenceDate, g.stage);
            int xh1 = 0;
            for (const auto &[word, meaning] : g.words)
                db.word(g.number, word, meaning, ++xh1);
        }
        db.exec("commit");
    }
    {
        platform::OdbcConnection c;
        if (connectDataSource(c, test::kServerDsn) || writeStudyTables(c, data, true)) {
            std::fprintf(stderr, "cannot fill the server\n");
            return 1;
        }
    }
    const QString file = QStringLiteral("Driver={") + platform::registeredDriverPath(kDriverName) +
                         QStringLiteral("};Database=") + dir.filePath("kelp.mdb") +
                         QStringLiteral(";NoCreat=1;JDConv=1;Timeout=2000");
    const QString onServer = QStringLiteral("DSN=") + test::kServerDsn;
    Times f, s;
    // The first connection of a process loads the driver and its libraries.
    measure(file, f);
    measure(onServer, s);
    std::printf("first connection of the process: file %.2f ms, server %.2f ms\n", f.connect[0], s.connect[0]);
    f = {};
    s = {};
    for (int i = 0; i < runs; ++i) {
        measure(file, f);
        measure(onServer, s);
    }
    const auto line = [](const char *what, const std::vector<double> &a, const std::vector<double> &b) {
        std::printf("%-26s file %7.2f ms  server %7.2f ms  ratio %.2f\n", what, median(a), median(b),
                    median(b) / median(a));
    };
    std::printf("first load in review mode, 300 groups of 20 words, 60 due, median of %d runs\n", runs);
    line("connect", f.connect, s.connect);
    line("due groups", f.due, s.due);
    line("words of the due groups", f.words, s.words);
    line("total", f.total, s.total);
    return 0;
}
