// The learning loop's speed: importing 100,000 CSV rows (and the memory it
// takes, with 1,000,000 rows for comparison), and the study plan's start-up
// step on a database of 5,000 groups. Each figure is printed beside a floor
// measured in the same run on the same machine.
#include "import/word_import.h"
#include "studydb/data_source.h"
#include "studydb/schema.h"
#include "studydb/study_database.h"
#include "studydb/study_plan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void writeCsv(const QString &path, int rows)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("word,meaning,phonetic\n");
    QByteArray chunk;
    for (int i = 0; i < rows; ++i) {
        chunk += "word" + QByteArray::number(i) + ",\"n. 意思, 第" + QByteArray::number(i) + "个\",/wɜːd/\n";
        if (chunk.size() > (1 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
}

// Seconds for the import, and the child's peak memory in MiB (a child of its
// own, so that one import's peak does not hide the next one's).
std::pair<double, double> importInChild(const QString &csv, const QString &db, int groupSize = 10)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {-1, -1};
    const pid_t pid = fork();
    if (pid == 0) {
        QFile::remove(db);
        QElapsedTimer t;
        t.start();
        const auto report = kelp::import::importWordFile(csv, db, groupSize);
        const double seconds = report.ok ? t.nsecsElapsed() / 1e9 : -1;
        if (write(pipeFds[1], &seconds, sizeof seconds) != sizeof seconds)
            _exit(1);
        _exit(0);
    }
    double seconds = -1;
    if (read(pipeFds[0], &seconds, sizeof seconds) != sizeof seconds)
        seconds = -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    close(pipeFds[0]);
    close(pipeFds[1]);
    return {seconds, usage.ru_maxrss / 1024.0};
}

// The floor: the same rows inserted straight into SQLite, nothing parsed.
double rawInsert(const QString &db, int rows)
{
    QFile::remove(db);
    QElapsedTimer t;
    t.start();
    sqlite3 *s = nullptr;
    sqlite3_open(QFile::encodeName(db).constData(), &s);
    sqlite3_exec(s, "create table fb (xh integer, da varchar(50), lx2 varchar(160), xh1 integer); begin", nullptr,
                 nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(s, "insert into fb values (?, ?, ?, ?)", -1, &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        const QByteArray word = "word" + QByteArray::number(i);
        sqlite3_bind_int(insert, 1, i / 10 + 1);
        sqlite3_bind_text(insert, 2, word.constData(), static_cast<int>(word.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, "/wɜːd/ n. 意思", -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 4, i % 10 + 1);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(s, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(s);
    return t.nsecsElapsed() / 1e9;
}

void benchImport(const QTemporaryDir &dir)
{
    const QString csv = dir.filePath("words.csv");
    const QString db = dir.filePath("import.mdb");
    writeCsv(csv, 100000);
    std::vector<double> times, memory, floors;
    for (int i = 0; i < 5; ++i) {
        const auto [s, mib] = importInChild(csv, db);
        times.push_back(s);
        memory.push_back(mib);
        floors.push_back(rawInsert(dir.filePath("raw.mdb"), 100000));
    }
    const double floor = median(floors);
    std::printf("import of 100,000 CSV rows: %.3f s (target 1 s), floor (bare SQLite inserts) %.3f s, ratio %.1f\n",
                median(times), floor, median(times) / floor);
    writeCsv(csv, 1000000);
    const auto [bigSeconds, bigMiB] = importInChild(csv, db, 100); // group numbers end at 32767
    std::printf("peak memory: %.0f MiB for 100,000 rows, %.0f MiB for 1,000,000 rows (%.1f s)\n", median(memory),
                bigMiB, bigSeconds);
}

void benchPlan(const QTemporaryDir &dir)
{
    const QString path = dir.filePath("plan.mdb");
    sqlite3 *s = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &s);
    sqlite3_exec(s, kelp::kLocalStudyTables, nullptr, nullptr, nullptr);
    sqlite3_exec(s, "begin", nullptr, nullptr, nullptr);
    for (int xh = 1; xh <= 5000; ++xh) {
        const QByteArray sql = "insert into zb values (" + QByteArray::number(xh) + ", 'g', null, 0);" +
                               "insert into fb values (" + QByteArray::number(xh) + ", 'w', 'n. 词', 1);";
        sqlite3_exec(s, sql.constData(), nullptr, nullptr, nullptr);
    }
    sqlite3_exec(s, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(s);

    kelp::platform::OdbcConnection c;
    const QString text = QStringLiteral("Driver={") + kelp::platform::registeredDriverPath(kelp::kDriverName) +
                         QStringLiteral("};Database=") + path + QStringLiteral(";NoCreat=1;JDConv=1;Timeout=4000");
    if (c.connect(text, true) != 0) {
        std::printf("plan: cannot connect: %s\n", qPrintable(c.errorText));
        return;
    }
    const kelp::plan::ReviewDays days{0, 1, 2, 4, 7, 15, 30, 60};
    // 2,000 days of 2 new groups a day: 4,000 groups in the plan, every stage filled.
    QDate day(2027, 1, 1);
    std::vector<double> newDay, sameDay, floors;
    for (int d = 0; d < 2000; ++d, day = day.addDays(1)) {
        QElapsedTimer t;
        t.start();
        kelp::plan::bringUpToDate(c, day, days, 2);
        if (d >= 1900)
            newDay.push_back(t.nsecsElapsed() / 1e6);
    }
    day = day.addDays(-1);
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        kelp::plan::bringUpToDate(c, day, days, 2);
        sameDay.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        std::vector<int> groups;
        kelp::findDueGroups(c, day, days, groups);
        floors.push_back(t.nsecsElapsed() / 1e6);
    }
    const double floor = median(floors);
    std::printf("plan step on 5,000 groups: first start of a day %.2f ms, later starts %.2f ms (target 5 ms); "
                "floor (the due query itself) %.2f ms, ratios %.1f and %.1f\n",
                median(newDay), median(sameDay), floor, median(newDay) / floor, median(sameDay) / floor);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    benchImport(dir);
    benchPlan(dir);
    return 0;
}
