// What every import target checks, whatever the format: the file goes through
// importWordFile as `kelp import` does it, first with the groups kept in
// memory: no crash, leak or hang; an accepted file gives the words and groups
// it reports, numbered as the trainer reads them, every word trimmed and every
// meaning stored so that its split reads it back the same. One input in
// kRoundTripEvery also goes into a new study database: a refused file leaves
// no database, no half-built one and no temporary copy; an accepted one holds
// exactly the groups kept in memory; importing it again adds nothing. Built
// with KELP_FUZZ_PARSE_ONLY (the fuzz_parse_* targets), no input does.
#pragma once

#include "import/word_import.h"
#include "study/phonetic.h"
#include "studydb/study_writer.h"

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

#include <algorithm>
#include <vector>

namespace kelp::fuzz {

inline constexpr std::uint32_t kRoundTripEvery = 64;

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

    // Whether `bytes` also goes through the database: by its hash, so that
    // a fault found there comes back with the same input.
    static bool roundTrip(const QByteArray &bytes)
    {
#ifdef KELP_FUZZ_PARSE_ONLY
        Q_UNUSED(bytes);
        return false;
#else
        std::uint32_t hash = 2166136261u; // FNV-1a
        for (const char c : bytes)
            hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
        return hash % kRoundTripEvery == 0;
#endif
    }

    // Imports `bytes` as the file `name` and checks what it gave;
    // `repeatable`: the file reads the same every time, so the database
    // holds what memory did, and a second import finds every group there
    // already. The format the file was taken for is returned.
    kelp::import::Format run(const QByteArray &bytes, const QString &name, const import::ImportOptions &options,
                             bool repeatable = true)
    {
        const QString input = QDir(work_).filePath(name);
        writeFile(input, bytes);
        std::vector<StudyGroup> kept;
        import::ImportOptions inMemory = options;
        inMemory.inMemory = &kept;
        const import::ImportReport parsed = import::importWordFile(input, QString(), inMemory);
        // To see what an input did when reproducing one: KELP_FUZZ_SHOW=1.
        if (show_)
            std::fprintf(stderr, "%s\n", qPrintable(parsed.line));
        KELP_CHECK(!parsed.line.isEmpty(), parsed.line);
        KELP_CHECK(temporaryFiles().isEmpty(), parsed.line);
        if (!parsed.ok) {
            KELP_CHECK(parsed.words == 0 && parsed.groups == 0 && kept.empty(), parsed.line);
        } else {
            KELP_CHECK(parsed.format != import::Format::Unknown, parsed.line);
            // A titled group may be empty (a list exported with a group emptied), never the import.
            KELP_CHECK(parsed.words > 0 && parsed.groups > 0, parsed.line);
            checkGroups(kept, parsed, options.groupSize);
        }
        if (roundTrip(bytes))
            intoDatabase(input, name, options, repeatable ? &kept : nullptr);
        return parsed.format;
    }

    // A file beside the import's folder, for a target to build its input in.
    QString scratchFile(const QString &name) const
    {
        return QDir(root_).filePath(name);
    }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "fuzz import: cannot write %s\n", qPrintable(path));
            std::abort();
        }
    }

private:
    static bool blank(QChar c)
    {
        return c.isSpace() || c == QChar(0xFEFF);
    }

    // Groups numbered 1…n as the writer numbers them in a new database, none
    // empty but a titled one (a list exported with a group emptied), none over
    // the size asked for; every word a trimmed, non-empty text;
    // every meaning one that splits into the parts it is stored from again.
    static void checkGroups(const std::vector<StudyGroup> &groups, const import::ImportReport &report, int groupSize)
    {
        KELP_CHECK(static_cast<int>(groups.size()) == report.groups, report.line);
        int words = 0;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const StudyGroup &group = groups[i];
            const bool titled = std::any_of(group.title.begin(), group.title.end(), [](QChar c) { return !blank(c); });
            KELP_CHECK(group.number == static_cast<int>(i) + 1 && (!group.words.empty() || titled), report.line);
            KELP_CHECK(groupSize <= 0 || static_cast<int>(group.words.size()) <= groupSize, report.line);
            KELP_CHECK(QStringView(group.title).isValidUtf16(), report.line);
            for (const auto &[word, meaning] : group.words) {
                KELP_CHECK(!word.isEmpty() && !blank(word.front()) && !blank(word.back()), report.line + word);
                KELP_CHECK(QStringView(word).isValidUtf16() && QStringView(meaning).isValidUtf16(), report.line);
                const SplitMeaning split = splitStoredMeaning(meaning);
                KELP_CHECK(storedMeaning(split.meaning, split.transcription) == meaning, report.line + meaning);
            }
            words += static_cast<int>(group.words.size());
        }
        KELP_CHECK(words == report.words, report.line);
    }

    // The same import into a new database; `kept`: what it must hold.
    void intoDatabase(const QString &input, const QString &name, const import::ImportOptions &options,
                      const std::vector<StudyGroup> *kept)
    {
        const QStringList inputOnly(name);
        QStringList withDatabase{name, QStringLiteral("kelp.mdb")};
        withDatabase.sort();
        const import::ImportReport report = import::importWordFile(input, database_, options);
        if (show_)
            std::fprintf(stderr, "database: %s\n", qPrintable(report.line));
        KELP_CHECK(!report.line.isEmpty(), report.line);
        KELP_CHECK(temporaryFiles().isEmpty(), report.line);
        if (!report.ok) {
            KELP_CHECK(report.words == 0 && report.groups == 0, report.line);
            KELP_CHECK(workFiles() == inputOnly, report.line + left());
            KELP_CHECK(!kept || kept->empty(), report.line);
        } else {
            KELP_CHECK(report.words > 0 && report.groups > 0, report.line);
            KELP_CHECK(workFiles() == withDatabase, report.line + left());
            const std::vector<StudyGroup> stored = storedGroups(report.line);
            checkGroups(stored, report, options.groupSize);
            KELP_CHECK(!kept || sameGroups(stored, *kept), report.line);
        }
        if (report.ok && kept) {
            // The same file again: every group is there already.
            const import::ImportReport again = import::importWordFile(input, database_, options);
            if (show_)
                std::fprintf(stderr, "again: %s\n", qPrintable(again.line));
            KELP_CHECK(again.ok && again.words == 0 && again.groups == 0, again.line);
            KELP_CHECK(temporaryFiles().isEmpty(), again.line);
            KELP_CHECK(workFiles() == withDatabase, again.line + left());
            KELP_CHECK(sameGroups(storedGroups(again.line), *kept), again.line);
        }
        QDir(work_).removeRecursively();
        QDir().mkpath(work_);
    }

    static bool sameGroups(const std::vector<StudyGroup> &a, const std::vector<StudyGroup> &b)
    {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const StudyGroup &x, const StudyGroup &y) {
            return x.number == y.number && x.title == y.title && x.words == y.words;
        });
    }

    // Decoded keeping a leading U+FEFF, which fromUtf8 would hide.
    static QString text(sqlite3_stmt *st, int column)
    {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return utf8(QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(st, column)),
                                   sqlite3_column_bytes(st, column)));
    }

    // The groups as the trainer reads them: every word in a group, in
    // places 1…k of it.
    std::vector<StudyGroup> storedGroups(const QString &report) const
    {
        sqlite3 *db = nullptr;
        const int opened =
            sqlite3_open_v2(QFile::encodeName(database_).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        KELP_CHECK(opened == SQLITE_OK, report);
        std::vector<StudyGroup> groups;
        sqlite3_stmt *st = nullptr;
        KELP_CHECK(sqlite3_prepare_v2(db, "select xh, bt from zb order by xh", -1, &st, nullptr) == SQLITE_OK, report);
        while (sqlite3_step(st) == SQLITE_ROW)
            groups.push_back({sqlite3_column_int(st, 0), text(st, 1), {}, 0, {}});
        sqlite3_finalize(st);
        KELP_CHECK(sqlite3_prepare_v2(db, "select xh, xh1, da, lx2 from fb order by xh, xh1", -1, &st, nullptr) ==
                       SQLITE_OK,
                   report);
        auto group = groups.begin();
        while (sqlite3_step(st) == SQLITE_ROW) {
            const int number = sqlite3_column_int(st, 0);
            while (group != groups.end() && group->number < number)
                ++group;
            KELP_CHECK(group != groups.end() && group->number == number, report);
            KELP_CHECK(sqlite3_column_int(st, 1) == static_cast<int>(group->words.size()) + 1, report);
            group->words.emplace_back(text(st, 2), text(st, 3));
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return groups;
    }

    QStringList workFiles() const
    {
        QStringList names =
            QDir(work_).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    }

    QString left() const
    {
        return QStringLiteral(" - left: ") + workFiles().join(QLatin1Char(' '));
    }

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
