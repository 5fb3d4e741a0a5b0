#include "import/study_writer.h"

#include "platform/odbc.h"
#include "server/study_tables.h"
#include "study/local_tables.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace kelp::import {

namespace {
constexpr int kMaxGroupNumber = 32767; // group numbers are 16-bit
constexpr int kBusyTimeoutMs = 4000;   // as long as the trainer waits for a locked database

QString trimmedTranscription(QString t)
{
    t = t.trimmed();
    while (t.size() >= 2 && ((t.startsWith(QLatin1Char('/')) && t.endsWith(QLatin1Char('/'))) ||
                             (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))))
        t = t.mid(1, t.size() - 2).trimmed();
    return t;
}
} // namespace

StudyWriter::StudyWriter() = default;

StudyWriter::~StudyWriter()
{
    rollback();
}

std::optional<QString> StudyWriter::openDataSource(const QString &name)
{
    path_ = name;
    created_ = false; // the tables are the server's, never removed here
    server_ = std::make_unique<platform::OdbcConnection>();
    if (const auto error = server::connectDataSource(*server_, name)) {
        rollback();
        return QStringLiteral("cannot connect to the data source %1: %2").arg(name, *error);
    }
    serverTransaction_ = std::make_unique<server::Transaction>(*server_);
    // The queries end before a failure closes the connection under them.
    auto failure = [this, &name]() -> std::optional<QString> {
        platform::OdbcQuery q(*server_);
        // A second import (or a trainer's plan) waits for this one: the group
        // numbers after the last one are ours until the commit.
        const auto noTables = [&name](const QString &why) {
            return QStringLiteral("%1 holds no study tables (make them with kelpword-mkdb --dsn): %2").arg(name, why);
        };
        if (server_->dbmsName().contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) &&
            q.open("lock table zb in share row exclusive mode", {}) < 0) {
            if (q.errorText().startsWith(QLatin1String("42P01"))) // undefined table
                return noTables(q.errorText());
            return QStringLiteral("the data source %1 cannot be written: %2").arg(name, q.errorText());
        }
        if (q.open("select coalesce(max(xh), 0) from zb", {}) < 0 || q.fetch() != 0)
            return noTables(q.errorText());
        lastGroup_ = static_cast<int>(q.integer(1).value_or(0));
        return std::nullopt;
    }();
    if (failure) {
        rollback();
        return failure;
    }
    inTransaction_ = true;
    return std::nullopt;
}

bool StudyWriter::insertGroupOnServer()
{
    platform::OdbcQuery q(*server_);
    if (q.open("insert into zb (xh, bt, sj, cs) values (?, ?, null, 0)",
               {platform::SqlParam::of(lastGroup_), platform::SqlParam::of(pendingTitle_.left(100))}) < 0) {
        error_ = q.errorText();
        return false;
    }
    return true;
}

bool StudyWriter::insertWordOnServer(const QString &word, const QString &meaning)
{
    platform::OdbcQuery q(*server_);
    if (q.open("insert into fb (xh, da, lx2, xh1) values (?, ?, ?, ?)",
               {platform::SqlParam::of(lastGroup_), platform::SqlParam::of(word), platform::SqlParam::of(meaning),
                platform::SqlParam::of(wordsInGroup_)}) < 0) {
        error_ = q.errorText();
        return false;
    }
    return true;
}

QString StudyWriter::sqliteError() const
{
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("no database");
}

bool StudyWriter::exec(const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error_ = message ? QString::fromUtf8(message) : sqliteError();
    sqlite3_free(message);
    return false;
}

std::optional<QString> StudyWriter::open(const QString &databasePath)
{
    path_ = databasePath;
    const QFileInfo info(databasePath);
    created_ = !info.exists();
    if (!created_ && !info.isFile())
        return QStringLiteral("the study database %1 is not a regular file").arg(databasePath);
    const int flags = SQLITE_OPEN_READWRITE | (created_ ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(QFile::encodeName(databasePath).constData(), &db_, flags, nullptr) != SQLITE_OK) {
        const QString why = sqliteError();
        rollback();
        return QStringLiteral("cannot open the study database %1: %2").arg(databasePath, why);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // Immediate: a trainer's plan or a second import waits for us, never half-sees us.
    if (!exec("begin immediate")) {
        const QString why = error_;
        rollback();
        return QStringLiteral("the study database %1 cannot be written: %2").arg(databasePath, why);
    }
    inTransaction_ = true;
    if (created_ && !exec(kLocalStudyTables)) {
        const QString why = error_;
        rollback();
        return QStringLiteral("cannot make the study database %1: %2").arg(databasePath, why);
    }
    sqlite3_stmt *last = nullptr;
    if (sqlite3_prepare_v2(db_, "select coalesce(max(xh), 0) from zb", -1, &last, nullptr) != SQLITE_OK ||
        sqlite3_step(last) != SQLITE_ROW) {
        const QString why = sqliteError();
        sqlite3_finalize(last);
        rollback();
        return QStringLiteral("%1 is not a study database: %2").arg(databasePath, why);
    }
    lastGroup_ = sqlite3_column_int(last, 0);
    sqlite3_finalize(last);
    // Imported groups are new: no review stage until a plan or a learner gives them one.
    if (sqlite3_prepare_v2(db_, "insert into zb (xh, bt, sj, cs) values (?, ?, null, 0)", -1, &insertGroup_, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(db_, "insert into fb (xh, da, lx2, xh1) values (?, ?, ?, ?)", -1, &insertWord_, nullptr) !=
            SQLITE_OK) {
        const QString why = sqliteError();
        rollback();
        return QStringLiteral("%1 is not a study database: %2").arg(databasePath, why);
    }
    return std::nullopt;
}

void StudyWriter::setAutoGroups(const QString &baseTitle, int groupSize)
{
    autoTitle_ = baseTitle;
    if (groupSize > 0)
        groupSize_ = groupSize;
}

void StudyWriter::beginGroup(const QString &title)
{
    pendingTitle_ = title.trimmed();
    pending_ = true;
    titled_ = true;
    wordsInGroup_ = 0;
}

void StudyWriter::endGroup()
{
    titled_ = false;
    pending_ = false;
    wordsInGroup_ = groupSize_; // the next word starts an automatic group
}

bool StudyWriter::writeGroup()
{
    if (lastGroup_ >= kMaxGroupNumber) {
        error_ = QStringLiteral("the database already holds group %1, the last group number there can be")
                     .arg(kMaxGroupNumber);
        return false;
    }
    ++lastGroup_;
    if (!(server_ ? insertGroupOnServer() : insertGroupInFile()))
        return false;
    ++groups_;
    pending_ = false;
    wordsInGroup_ = 0;
    return true;
}

bool StudyWriter::insertGroupInFile()
{
    const QByteArray title = pendingTitle_.left(100).toUtf8();
    sqlite3_bind_int(insertGroup_, 1, lastGroup_);
    sqlite3_bind_text(insertGroup_, 2, title.constData(), static_cast<int>(title.size()), SQLITE_TRANSIENT);
    const bool ok = sqlite3_step(insertGroup_) == SQLITE_DONE;
    sqlite3_reset(insertGroup_);
    if (!ok)
        error_ = sqliteError();
    return ok;
}

QString StudyWriter::storedMeaning(const Word &word)
{
    // A "/" in the meaning would be taken for the end of a transcription.
    QString meaning = word.meaning.trimmed();
    meaning.replace(QLatin1Char('/'), QChar(0xFF0F));
    const QString t = trimmedTranscription(word.transcription).replace(QLatin1Char('/'), QChar(0xFF0F));
    if (t.isEmpty())
        return meaning;
    return QLatin1Char('/') + t + QStringLiteral("/ ") + meaning;
}

bool StudyWriter::addWord(const Word &word)
{
    const QString da = word.word.trimmed();
    if (da.isEmpty()) {
        skip(QStringLiteral("without a word"));
        return true;
    }
    if (!titled_ && (lastGroup_ == 0 || wordsInGroup_ >= groupSize_ || groups_ == 0)) {
        pendingTitle_ = autoTitle_ + QLatin1Char(' ') + QString::number(++autoCount_);
        pending_ = true;
    }
    if (pending_ && !writeGroup())
        return false;
    ++wordsInGroup_;
    if (!(server_ ? insertWordOnServer(da, storedMeaning(word)) : insertWordInFile(da, storedMeaning(word))))
        return false;
    ++words_;
    return true;
}

bool StudyWriter::insertWordInFile(const QString &word, const QString &meaning)
{
    const QByteArray daBytes = word.toUtf8();
    const QByteArray lx2 = meaning.toUtf8();
    sqlite3_bind_int(insertWord_, 1, lastGroup_);
    sqlite3_bind_text(insertWord_, 2, daBytes.constData(), static_cast<int>(daBytes.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(insertWord_, 3, lx2.constData(), static_cast<int>(lx2.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(insertWord_, 4, wordsInGroup_);
    const bool ok = sqlite3_step(insertWord_) == SQLITE_DONE;
    sqlite3_reset(insertWord_);
    if (!ok)
        error_ = sqliteError();
    return ok;
}

std::optional<QString> StudyWriter::commit()
{
    if (server_) {
        const bool ok = serverTransaction_ && serverTransaction_->commit();
        rollback();
        if (!ok)
            return QStringLiteral("the words could not be committed to %1").arg(path_);
        return std::nullopt;
    }
    sqlite3_finalize(insertGroup_);
    sqlite3_finalize(insertWord_);
    insertGroup_ = insertWord_ = nullptr;
    if (!exec("commit")) {
        const QString why = error_;
        rollback();
        return why;
    }
    inTransaction_ = false;
    created_ = false; // now the learner's
    sqlite3_close(db_);
    db_ = nullptr;
    return std::nullopt;
}

void StudyWriter::rollback()
{
    // Ended without a commit, the server's transaction rolls back.
    serverTransaction_.reset();
    server_.reset();
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
    // A database this import made and could not fill is no database at all.
    if (created_) {
        QFile::remove(path_);
        QFile::remove(path_ + QStringLiteral("-journal"));
        created_ = false;
    }
}

} // namespace kelp::import
