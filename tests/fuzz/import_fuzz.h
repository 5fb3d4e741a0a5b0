// What every import target checks, whatever the format: the file goes through
// importWordFile as `kelpword import` does it, into a new study database.
// Beyond the sanitizers (no crash, no leak) and libFuzzer's limits (no hang):
// a refused file leaves no database, no half-built one and no temporary copy;
// an accepted one holds exactly the words and groups it reports, numbered and
// placed as the trainer reads them; importing it again adds nothing.
#pragma once

#include "import/word_import.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringList>

#include <sqlite3.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace kelp::fuzz {

inline void checkAt(bool condition, const char *what, const QString &report, int line)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz import: check at line %d failed: %s\n  import said: %s\n", line, what,
                     qPrintable(report));
        std::abort();
    }
}
#define KELP_CHECK(condition, report) ::kelp::fuzz::checkAt((condition), #condition, (report), __LINE__)

class ImportHarness {
public:
    // A folder of this process in memory (tmpfs: no disk writes per input),
    // with TMPDIR inside it, so that any temporary file left behind is seen.
    ImportHarness()
    {
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        removeAbandoned(base);
        root_ = QDir(base).filePath(QStringLiteral("kelp-fuzz-%1").arg(::getpid()));
        QDir(root_).removeRecursively();
        work_ = QDir(root_).filePath(QStringLiteral("work"));
        temp_ = QDir(root_).filePath(QStringLiteral("tmp"));
        if (!QDir().mkpath(work_) || !QDir().mkpath(temp_)) {
            std::fprintf(stderr, "fuzz import: cannot make %s\n", qPrintable(root_));
            std::abort();
        }
        ::setenv("TMPDIR", QFile::encodeName(temp_).constData(), 1);
        database_ = QDir(work_).filePath(QStringLiteral("kelp.mdb"));
    }
    ~ImportHarness() { QDir(root_).removeRecursively(); }
    ImportHarness(const ImportHarness &) = delete;
    ImportHarness &operator=(const ImportHarness &) = delete;

    // Imports `bytes` as the file `name`, checks what it left, and cleans up;
    // `repeatable`: the file reads the same every time, so a second import
    // must find every group there already. The format the file was taken
    // for is returned.
    kelp::import::Format run(const QByteArray &bytes, const QString &name, const import::ImportOptions &options,
                             bool repeatable = true)
    {
        const QString input = QDir(work_).filePath(name);
        writeFile(input, bytes);
        QString reason;
        const import::Format format = import::detectFormat(input, &reason);
        const QStringList inputOnly(name);
        QStringList withDatabase{name, QStringLiteral("kelp.mdb")};
        withDatabase.sort();

        const import::ImportReport report = import::importWordFile(input, database_, options);
        // To see what an input did when reproducing one: KELP_FUZZ_SHOW=1.
        if (show_)
            std::fprintf(stderr, "%s\n", qPrintable(report.line));
        KELP_CHECK(!report.line.isEmpty(), report.line);
        KELP_CHECK(temporaryFiles().isEmpty(), report.line);
        if (!report.ok) {
            KELP_CHECK(report.words == 0 && report.groups == 0, report.line);
            KELP_CHECK(workFiles() == inputOnly, report.line + left());
        } else {
            KELP_CHECK(format != import::Format::Unknown, report.line);
            // A titled group may be empty (a list exported with a group emptied), never the import.
            KELP_CHECK(report.words > 0 && report.groups > 0, report.line);
            KELP_CHECK(workFiles() == withDatabase, report.line + left());
            const Counts stored = checkDatabase(report.line);
            KELP_CHECK(stored.words == report.words && stored.groups == report.groups, report.line);
        }
        if (report.ok && repeatable) {
            // The same file again: every group is there already.
            const import::ImportReport again = import::importWordFile(input, database_, options);
            if (show_)
                std::fprintf(stderr, "again: %s\n", qPrintable(again.line));
            KELP_CHECK(again.ok && again.words == 0 && again.groups == 0, again.line);
            KELP_CHECK(temporaryFiles().isEmpty(), again.line);
            KELP_CHECK(workFiles() == withDatabase, again.line + left());
            const Counts after = checkDatabase(again.line);
            KELP_CHECK(after.words == report.words && after.groups == report.groups, again.line);
        }
        QDir(work_).removeRecursively();
        QDir().mkpath(work_);
        return format;
    }

    // A file beside the import's folder, for a target to build its input in.
    QString scratchFile(const QString &name) const { return QDir(root_).filePath(name); }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "fuzz import: cannot write %s\n", qPrintable(path));
            std::abort();
        }
    }

private:
    struct Counts {
        qint64 words = -1;
        qint64 groups = -1;
    };

    static qint64 scalar(sqlite3 *db, const char *sql)
    {
        sqlite3_stmt *st = nullptr;
        qint64 value = -1;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            value = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return value;
    }

    // The tables as the trainer reads them: groups numbered 1…n, none empty
    // but a titled one (a list exported with a group emptied),
    // each group's words in places 1…k, every word a trimmed, non-empty text.
    Counts checkDatabase(const QString &report) const
    {
        sqlite3 *db = nullptr;
        const int opened =
            sqlite3_open_v2(QFile::encodeName(database_).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        KELP_CHECK(opened == SQLITE_OK, report);
        const Counts counts{scalar(db, "select count(*) from fb"), scalar(db, "select count(*) from zb")};
        KELP_CHECK(scalar(db, "select count(*) from zb where xh < 1 or xh > (select count(*) from zb)") == 0, report);
        KELP_CHECK(scalar(db, "select count(*) from zb where not exists (select 1 from fb where fb.xh = zb.xh) and "
                              "trim(coalesce(bt, '')) = ''") == 0,
                   report);
        KELP_CHECK(scalar(db, "select count(*) from fb where not exists (select 1 from zb where zb.xh = fb.xh)") == 0,
                   report);
        KELP_CHECK(scalar(db, "select count(*) from (select xh from fb group by xh having min(xh1) != 1 or "
                              "max(xh1) != count(*) or count(distinct xh1) != count(*))") == 0,
                   report);
        sqlite3_stmt *st = nullptr;
        const int prepared = sqlite3_prepare_v2(db, "select da from fb", -1, &st, nullptr);
        KELP_CHECK(prepared == SQLITE_OK, report);
        while (sqlite3_step(st) == SQLITE_ROW) {
            // Decoded keeping a leading U+FEFF, which fromUtf8 would hide.
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
            const QString word = utf8(QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)),
                                                     sqlite3_column_bytes(st, 0)));
            const auto blank = [](QChar c) { return c.isSpace() || c == QChar(0xFEFF); };
            KELP_CHECK(!word.isEmpty() && !blank(word.front()) && !blank(word.back()), report);
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return counts;
    }

    QStringList workFiles() const
    {
        QStringList names =
            QDir(work_).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    }

    QString left() const { return QStringLiteral(" - left: ") + workFiles().join(QLatin1Char(' ')); }

    QStringList temporaryFiles() const
    {
        return QDir(temp_).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    // Folders of runs that died (a crash found) go with the next run.
    static void removeAbandoned(const QString &base)
    {
        const QDir dir(base);
        for (const QString &name : dir.entryList({QStringLiteral("kelp-fuzz-*")}, QDir::Dirs)) {
            bool ok = false;
            const qint64 pid = name.mid(10).toLongLong(&ok);
            if (ok && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
                QDir(dir.filePath(name)).removeRecursively();
        }
    }

    const bool show_ = qEnvironmentVariableIsSet("KELP_FUZZ_SHOW");
    QString root_;
    QString work_;
    QString temp_;
    QString database_;
};

// Options that change with the input, so that one corpus also tries cutting
// groups at a size: a fixed choice per input keeps a crash reproducible.
inline import::ImportOptions optionsFor(std::size_t size)
{
    static const int kSizes[] = {0, 0, 1, 3};
    import::ImportOptions options;
    options.groupSize = kSizes[size % 4];
    return options;
}

// One input as a file named `name`: 0 when it was read as `format`, -1 (kept
// out of the corpus) when it was taken for another format.
inline int importOne(const std::uint8_t *data, std::size_t size, const QString &name, import::Format format)
{
    static ImportHarness harness;
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    return harness.run(bytes, name, optionsFor(size)) == format ? 0 : -1;
}

} // namespace kelp::fuzz
