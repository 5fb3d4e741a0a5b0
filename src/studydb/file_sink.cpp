#include "studydb/file_sink.h"

#include "studydb/data_source.h"
#include "studydb/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kelp {

namespace {

// A column's text as stored: QString::fromUtf8 would drop a leading U+FEFF,
// and a group starting with one would never be recognised.
QString storedText(sqlite3_stmt *statement, int column)
{
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8(QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                               sqlite3_column_bytes(statement, column)));
}

// A build another import left behind when it was killed: its process is gone.
void removeAbandonedBuilds(const QString &databasePath)
{
    const QFileInfo info(databasePath);
    const QDir dir = info.absoluteDir();
    const QString prefix = QLatin1Char('.') + info.fileName() + QStringLiteral(".import-");
    for (const QString &name : dir.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        bool ok = false;
        const qint64 pid = QStringView(name).mid(prefix.size()).split(QLatin1Char('-')).front().toLongLong(&ok);
        if (ok && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            QFile::remove(dir.filePath(name));
    }
}

} // namespace

FileSink::~FileSink()
{
    rollback();
}

QString FileSink::sqliteError() const
{
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QCoreApplication::translate("kelp::studydb", "no database");
}

bool FileSink::exec(const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error_ = message ? QString::fromUtf8(message) : sqliteError();
    sqlite3_free(message);
    return false;
}

StudyResult FileSink::fail(StudyError error)
{
    rollback();
    return error;
}

StudyResult FileSink::open(const QString &databasePath, bool create, bool replace)
{
    path_ = databasePath;
    replace_ = replace;
    const QFileInfo info(databasePath);
    QString target = databasePath;
    if (create) {
        removeAbandonedBuilds(databasePath);
        buildPath_ = info.absoluteDir().filePath(QStringLiteral(".%1.import-%2").arg(info.fileName()).arg(::getpid()));
        QFile::remove(buildPath_);
        QFile::remove(buildPath_ + QStringLiteral("-journal"));
        target = buildPath_;
    }
    // One thread uses the connection: no lock around every call.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(QFile::encodeName(target).constData(), &db_, flags, nullptr) != SQLITE_OK)
        return fail(QCoreApplication::translate("kelp::studydb", "cannot open the study database %1: %2")
                        .arg(databasePath, sqliteError()));
    sqlite3_busy_timeout(db_, kLockWaitMs);
    if (!create) {
        // A database of a newer program is left as it is.
        sqlite3_stmt *version = nullptr;
        int found = 0;
        if (sqlite3_prepare_v2(db_, "select max(version) from kelp_schema", -1, &version, nullptr) == SQLITE_OK &&
            sqlite3_step(version) == SQLITE_ROW)
            found = sqlite3_column_int(version, 0);
        sqlite3_finalize(version);
        if (found > kSchemaVersion)
            return fail(StudyError(newerSchemaMessage(found), StudyError::Code::NewerSchema));
    }
    // Immediate: a trainer's plan or a second import waits for us, never half-sees us.
    if (!exec("begin immediate"))
        return fail(QCoreApplication::translate("kelp::studydb", "the study database %1 cannot be written: %2")
                        .arg(databasePath, error_));
    inTransaction_ = true;
    if (create && !exec(kLocalStudyTables))
        return fail(QCoreApplication::translate("kelp::studydb", "cannot make the study database %1: %2")
                        .arg(databasePath, error_));
    sqlite3_stmt *last = nullptr;
    if (sqlite3_prepare_v2(db_, "select coalesce(max(xh), 0) from zb", -1, &last, nullptr) != SQLITE_OK ||
        sqlite3_step(last) != SQLITE_ROW) {
        const QString why = sqliteError();
        sqlite3_finalize(last);
        return fail(
            QCoreApplication::translate("kelp::studydb", "%1 is not a study database: %2").arg(databasePath, why));
    }
    lastGroup_ = sqlite3_column_int(last, 0);
    sqlite3_finalize(last);
    // A plan's rows of groups removed since (the words window) would pass to
    // the new groups that take their numbers. No plan, no table: nothing to do.
    sqlite3_exec(db_, "delete from kelp_plan where xh > (select coalesce(max(xh), 0) from zb)", nullptr, nullptr,
                 nullptr);
    // Imported groups are new: no review stage until a plan or a learner gives them one.
    if (sqlite3_prepare_v2(db_, "insert into zb (xh, bt, sj, cs) values (?, ?, julianday(?), ?)", -1, &insertGroup_,
                           nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db_, "insert into fb (xh, da, lx2, xh1) values (?, ?, ?, ?)", -1, &insertWord_, nullptr) !=
            SQLITE_OK ||
        !readTitles())
        return fail(QCoreApplication::translate("kelp::studydb", "%1 is not a study database: %2")
                        .arg(databasePath, sqliteError()));
    return std::nullopt;
}

bool FileSink::readTitles()
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db_, "select xh, bt from zb", -1, &st, nullptr) != SQLITE_OK) {
        error_ = sqliteError();
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        titles_.emplace(storedText(st, 1), sqlite3_column_int(st, 0));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        error_ = sqliteError();
    return rc == SQLITE_DONE;
}

std::optional<GroupSink::WordRows> FileSink::storedWords(int group)
{
    WordRows rows;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db_, "select da, lx2 from fb where xh = ? order by xh1", -1, &st, nullptr) != SQLITE_OK)
        return std::nullopt;
    sqlite3_bind_int(st, 1, group);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        rows.emplace_back(storedText(st, 0), storedText(st, 1));
    sqlite3_finalize(st);
    return rc == SQLITE_DONE ? std::optional(rows) : std::nullopt;
}

bool FileSink::insertGroup(int number, const QString &title, const QDate &referenceDate, int stage)
{
    const QByteArray bytes = title.toUtf8();
    const QByteArray date = referenceDate.isValid() ? referenceDate.toString(Qt::ISODate).toLatin1() : QByteArray();
    sqlite3_bind_int(insertGroup_, 1, number);
    sqlite3_bind_text(insertGroup_, 2, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_STATIC);
    if (date.isEmpty())
        sqlite3_bind_null(insertGroup_, 3);
    else
        sqlite3_bind_text(insertGroup_, 3, date.constData(), static_cast<int>(date.size()), SQLITE_STATIC);
    sqlite3_bind_int(insertGroup_, 4, stage);
    const bool ok = sqlite3_step(insertGroup_) == SQLITE_DONE;
    sqlite3_reset(insertGroup_);
    if (!ok)
        error_ = sqliteError();
    return ok;
}

bool FileSink::insertWord(int group, int place, const QString &word, const QString &meaning)
{
    // The bytes outlive the step: SQLite need not copy them.
    const QByteArray daBytes = word.toUtf8();
    const QByteArray lx2 = meaning.toUtf8();
    sqlite3_bind_int(insertWord_, 1, group);
    sqlite3_bind_text(insertWord_, 2, daBytes.constData(), static_cast<int>(daBytes.size()), SQLITE_STATIC);
    sqlite3_bind_text(insertWord_, 3, lx2.constData(), static_cast<int>(lx2.size()), SQLITE_STATIC);
    sqlite3_bind_int(insertWord_, 4, place);
    const bool ok = sqlite3_step(insertWord_) == SQLITE_DONE;
    sqlite3_reset(insertWord_);
    if (!ok)
        error_ = sqliteError();
    return ok;
}

bool FileSink::markSample(int group)
{
    const QByteArray sql = "create table if not exists kelp_sample (xh integer primary key); "
                           "insert into kelp_sample (xh) values (" +
                           QByteArray::number(group) + ")";
    return exec(sql.constData());
}

bool FileSink::mergeAnswers(const AnswerLog &log)
{
    sqlite3_stmt *st = nullptr;
    int version = 0;
    if (sqlite3_prepare_v2(db_, "select max(version) from kelp_schema", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    if (version < kSchemaVersion) {
        for (const QByteArray &sql : upgradeStatements(version)) {
            if (!exec(sql.constData()))
                return false;
        }
    }
    sqlite3_stmt *insert = nullptr, *read = nullptr, *drop = nullptr, *remember = nullptr;
    const auto done = [&](bool ok) {
        if (!ok && error_.isEmpty())
            error_ = sqliteError();
        for (sqlite3_stmt *s : {insert, read, drop, remember})
            sqlite3_finalize(s);
        return ok;
    };
    if (sqlite3_prepare_v2(db_, "insert or ignore into kelp_review (da, day, shown_at, grade) values (?, ?, ?, ?)", -1,
                           &insert, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db_, "select day, shown_at, grade from kelp_review where da = ? order by day, shown_at", -1,
                           &read, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db_, "delete from kelp_memory where da = ?", -1, &drop, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db_,
                           "insert into kelp_memory (da, stability, difficulty, last_day, due, lapses) "
                           "values (?, ?, ?, ?, ?, ?)",
                           -1, &remember, nullptr) != SQLITE_OK)
        return done(false);
    const memory::Model model;
    for (const auto &[word, answers] : log) {
        const QByteArray da = word.toUtf8();
        const auto bindWord = [&da](sqlite3_stmt *s) {
            sqlite3_bind_text(s, 1, da.constData(), static_cast<int>(da.size()), SQLITE_STATIC);
        };
        for (const LoggedAnswer &a : answers) {
            bindWord(insert);
            sqlite3_bind_int64(insert, 2, a.day);
            sqlite3_bind_int(insert, 3, a.shownAt);
            sqlite3_bind_int(insert, 4, static_cast<int>(a.grade));
            const bool ok = sqlite3_step(insert) == SQLITE_DONE;
            sqlite3_reset(insert);
            if (!ok)
                return done(false);
        }
        // The memory from all of the word's answers, those there before included.
        std::vector<LoggedAnswer> all;
        bindWord(read);
        int rc;
        while ((rc = sqlite3_step(read)) == SQLITE_ROW)
            all.push_back({sqlite3_column_int64(read, 0), sqlite3_column_int(read, 1),
                           static_cast<memory::Grade>(std::clamp(sqlite3_column_int(read, 2), 1, 4))});
        sqlite3_reset(read);
        if (rc != SQLITE_DONE)
            return done(false);
        const std::optional<WordMemory> memory = memoryFromAnswers(std::move(all), model);
        if (!memory)
            continue;
        bindWord(drop);
        const bool dropped = sqlite3_step(drop) == SQLITE_DONE;
        sqlite3_reset(drop);
        bindWord(remember);
        sqlite3_bind_double(remember, 2, memory->state.stability);
        sqlite3_bind_double(remember, 3, memory->state.difficulty);
        sqlite3_bind_int64(remember, 4, memory->lastDay);
        sqlite3_bind_int64(remember, 5, memory->due);
        sqlite3_bind_int(remember, 6, memory->lapses);
        const bool kept = sqlite3_step(remember) == SQLITE_DONE;
        sqlite3_reset(remember);
        if (!dropped || !kept)
            return done(false);
    }
    return done(true);
}

StudyResult FileSink::commit()
{
    sqlite3_finalize(insertGroup_);
    sqlite3_finalize(insertWord_);
    insertGroup_ = insertWord_ = nullptr;
    if (!exec("commit"))
        return fail(error_);
    inTransaction_ = false;
    sqlite3_close(db_);
    db_ = nullptr;
    if (!buildPath_.isEmpty()) {
        // Into place, never over a database that appeared meanwhile.
        const QByteArray from = QFile::encodeName(buildPath_), to = QFile::encodeName(path_);
        int rc = replace_ ? ::rename(from.constData(), to.constData())
                          : ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (rc != 0 && !replace_ && (errno == EINVAL || errno == ENOSYS) &&
            (rc = ::link(from.constData(), to.constData())) == 0)
            ::unlink(from.constData()); // a file system without the exclusive rename
        if (rc != 0) {
            const QString why =
                errno == EEXIST
                    ? QCoreApplication::translate("kelp::studydb", "another program made it meanwhile; import again")
                    : QString::fromLocal8Bit(std::strerror(errno));
            return fail(
                QCoreApplication::translate("kelp::studydb", "the study database %1 could not be put in place: %2")
                    .arg(path_, why));
        }
        buildPath_.clear();
    }
    return std::nullopt;
}

void FileSink::rollback()
{
    sqlite3_finalize(insertGroup_);
    sqlite3_finalize(insertWord_);
    insertGroup_ = insertWord_ = nullptr;
    if (db_) {
        if (inTransaction_)
            sqlite3_exec(db_, "rollback", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
        db_ = nullptr;
    }
    inTransaction_ = false;
    // A database this import was building and could not fill is no database at all.
    if (!buildPath_.isEmpty()) {
        QFile::remove(buildPath_);
        QFile::remove(buildPath_ + QStringLiteral("-journal"));
        buildPath_.clear();
    }
}

} // namespace kelp
