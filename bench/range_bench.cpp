// Loading a 50,000-word group range from the study database through ODBC
// into the word buffer.
#include "platform/odbc.h"
#include "studydb/data_source.h"
#include "studydb/schema.h"
#include "studydb/study_database.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <string>

namespace {

QString makeDatabase(const QTemporaryDir &dir, int groups, int wordsPerGroup)
{
    const QString path = dir.filePath(QStringLiteral("kelp.mdb"));
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, kelp::kLocalStudyTables, nullptr, nullptr, nullptr);
    sqlite3_exec(db, "begin;", nullptr, nullptr, nullptr);
    sqlite3_stmt *g = nullptr, *w = nullptr;
    sqlite3_prepare_v2(db, "insert into zb values (?, ?, julianday('2026-12-06'), 1)", -1, &g, nullptr);
    sqlite3_prepare_v2(db, "insert into fb values (?, ?, ?, ?)", -1, &w, nullptr);
    for (int xh = 1; xh <= groups; ++xh) {
        const std::string title = "第" + std::to_string(xh) + "课 words";
        sqlite3_bind_int(g, 1, xh);
        sqlite3_bind_text(g, 2, title.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(g);
        sqlite3_reset(g);
        for (int i = 1; i <= wordsPerGroup; ++i) {
            const std::string da = "word" + std::to_string(xh) + "_" + std::to_string(i);
            const std::string meaning = "/'wɜːd" + std::to_string(i) + "/ n. 单词；词语";
            sqlite3_bind_int(w, 1, xh);
            sqlite3_bind_text(w, 2, da.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(w, 3, meaning.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(w, 4, i);
            sqlite3_step(w);
            sqlite3_reset(w);
        }
    }
    sqlite3_finalize(g);
    sqlite3_finalize(w);
    sqlite3_exec(db, "commit;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return path;
}

void BM_RangeLoad50k(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeDatabase(dir, 500, 100);
    const QString text = QStringLiteral("Driver=") + kelp::platform::registeredDriverPath(kelp::kDriverName) +
                         QStringLiteral(";Database=") + path + QStringLiteral(";NoCreat=1;JDConv=1;Timeout=2000");
    kelp::platform::OdbcConnection connection;
    if (connection.connect(text, true) != 0) {
        state.SkipWithError(qPrintable(connection.errorText));
        return;
    }
    for (auto _ : state) {
        kelp::WordBuffer buf;
        std::vector<int> groups;
        kelp::loadGroupRange(connection, QStringLiteral("1-500"), buf, groups);
        benchmark::DoNotOptimize(buf.rowCount());
        if (buf.rowCount() != 50500)
            state.SkipWithError("unexpected row count");
    }
}
BENCHMARK(BM_RangeLoad50k)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
