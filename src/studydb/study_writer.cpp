#include "studydb/study_writer.h"

#include "config/codec.h"
#include "platform/odbc.h"
#include "study/phonetic.h"
#include "studydb/data_source.h"
#include "studydb/plan_tables.h"
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
#include <utility>

namespace kelp {

namespace {

// A lone surrogate (an HTML entity or a UTF-16 file may hold one) has no UTF-8
// form and would be stored as "?": as U+FFFD the words gathered are the words
// stored, and a group imported before is recognised.
QString storable(const QString &text)
{
    if (QStringView(text).isValidUtf16())
        return text;
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out[i].isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate())
            ++i;
        else if (out[i].isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

// A column's text as stored: QString::fromUtf8 would drop a leading U+FEFF,
// and a group starting with one would never be recognised.
QString storedText(sqlite3_stmt *statement, int column)
{
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8(QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                               sqlite3_column_bytes(statement, column)));
}
} // namespace

StudyWriter::StudyWriter() = default;

StudyWriter::~StudyWriter()
{
    rollback();
}

std::optional<QString> StudyWriter::openDataSource(const QString &name, bool makeTables, bool replace)
{
    ownConnection_ = std::make_unique<platform::OdbcConnection>();
    if (const auto error = connectDataSource(*ownConnection_, name)) {
        rollback();
        return QCoreApplication::translate("kelp::studydb", "cannot connect to the data source %1: %2")
            .arg(name, *error);
    }
    return useConnection(*ownConnection_, name, makeTables, replace);
}

std::optional<QString> StudyWriter::useConnection(platform::OdbcConnection &connection, const QString &name,
                                                  bool makeTables, bool replace)
{
    path_ = name;
    server_ = &connection;
    serverTransaction_ = std::make_unique<platform::OdbcTransaction>(connection);
    if (auto failure = startOnServer(name, makeTables, replace)) {
        rollback();
        return failure;
    }
    inTransaction_ = true;
    return std::nullopt;
}

std::optional<QString> StudyWriter::startOnServer(const QString &name, bool makeTables, bool replace)
{
    if (makeTables) {
        if (auto error = createServerStudyTables(*server_, replace))
            return error;
        return std::nullopt;
    }
    if (auto newer = refuseNewerSchema(*server_))
        return newer;
    // The queries end before a failure closes the connection under them.
    platform::OdbcQuery q(*server_);
    // A second import (or a trainer's plan) waits for this one: the group
    // numbers after the last one are ours until the commit.
    const auto noTables = [&name](const QString &why) {
        return QCoreApplication::translate("kelp::studydb",
                                           "%1 holds no study tables (make them with kelpword-mkdb --dsn): %2")
            .arg(name, why);
    };
    if (server_->dialect() == platform::OdbcConnection::Dialect::PostgreSQL &&
        q.open("lock table zb in share row exclusive mode", {}) < 0) {
        if (q.errorText().startsWith(QLatin1String("42P01"))) // undefined table
            return noTables(q.errorText());
        return QCoreApplication::translate("kelp::studydb", "the data source %1 cannot be written: %2")
            .arg(name, q.errorText());
    }
    if (q.open("select coalesce(max(xh), 0) from zb", {}) < 0 || q.fetch() != 0)
        return noTables(q.errorText());
    lastGroup_ = static_cast<int>(q.integer(1).value_or(0));
    q.close();
    // A plan's rows of groups removed since would pass to the new groups that take their numbers.
    if (plan::tableExists(*server_, QStringLiteral("kelp_plan"))) {
        if (auto e =
                platform::execute(*server_, "delete from kelp_plan where xh > ?", {platform::SqlParam::of(lastGroup_)}))
            return *e;
    }
    if (!readExistingTitles())
        return noTables(error_);
    return std::nullopt;
}

bool StudyWriter::insertGroup(int number, const QString &title, const QDate &referenceDate, int stage)
{
    if (inMemory_) {
        kept_.push_back({number, title, referenceDate, stage, {}});
        return true;
    }
    if (server_) {
        const bool scheduled = referenceDate.isValid();
        std::vector<platform::SqlParam> params{platform::SqlParam::of(number), platform::SqlParam::of(title)};
        if (scheduled)
            params.push_back(platform::SqlParam::of(referenceDate));
        params.push_back(platform::SqlParam::of(stage));
        if (auto e = platform::execute(*server_,
                                       scheduled ? "insert into zb (xh, bt, sj, cs) values (?, ?, ?, ?)"
                                                 : "insert into zb (xh, bt, sj, cs) values (?, ?, null, ?)",
                                       params)) {
            error_ = *e;
            return false;
        }
        return true;
    }
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

bool StudyWriter::insertWord(int group, int place, const QString &word, const QString &meaning)
{
    if (inMemory_) {
        kept_.back().words.emplace_back(word, meaning); // a group's words follow it
        return true;
    }
    if (server_) {
        if (auto e = platform::execute(*server_, "insert into fb (xh, da, lx2, xh1) values (?, ?, ?, ?)",
                                       {platform::SqlParam::of(group), platform::SqlParam::of(word),
                                        platform::SqlParam::of(meaning), platform::SqlParam::of(place)})) {
            error_ = *e;
            return false;
        }
        return true;
    }
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

bool StudyWriter::readExistingTitles()
{
    if (server_) {
        platform::OdbcQuery q(*server_);
        if (q.open("select xh, bt from zb", {}) < 0) {
            error_ = q.errorText();
            return false;
        }
        int rc;
        while ((rc = q.fetch()) == 0)
            existingTitles_.emplace(q.text(2).value_or(QString()), static_cast<int>(q.integer(1).value_or(0)));
        if (rc < 0)
            error_ = q.errorText();
        return rc >= 0;
    }
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db_, "select xh, bt from zb", -1, &st, nullptr) != SQLITE_OK) {
        error_ = sqliteError();
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        existingTitles_.emplace(storedText(st, 1), sqlite3_column_int(st, 0));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        error_ = sqliteError();
    return rc == SQLITE_DONE;
}

std::optional<StudyWriter::WordRows> StudyWriter::storedWords(int group)
{
    WordRows rows;
    if (server_) {
        platform::OdbcQuery q(*server_);
        if (q.open("select da, lx2 from fb where xh = ? order by xh1", {platform::SqlParam::of(group)}) < 0)
            return std::nullopt;
        int rc;
        while ((rc = q.fetch()) == 0)
            rows.emplace_back(q.text(1).value_or(QString()), q.text(2).value_or(QString()));
        return rc < 0 ? std::nullopt : std::optional(rows);
    }
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

bool StudyWriter::alreadyThere(const QString &title, const WordRows &words)
{
    const auto [from, to] = existingTitles_.equal_range(title);
    for (auto it = from; it != to; ++it) {
        if (storedWords(it->second) == words)
            return true;
    }
    return false;
}

QString StudyWriter::sqliteError() const
{
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QCoreApplication::translate("kelp::studydb", "no database");
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

namespace {
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

std::optional<QString> StudyWriter::open(const QString &databasePath)
{
    const QFileInfo info(databasePath);
    if (info.exists() && !info.isFile())
        return QCoreApplication::translate("kelp::studydb", "the study database %1 is not a regular file")
            .arg(databasePath);
    return openFile(databasePath, !info.exists(), false);
}

std::optional<QString> StudyWriter::create(const QString &databasePath, bool replace)
{
    if (QFileInfo::exists(databasePath) && !replace)
        return QCoreApplication::translate("kelp::studydb", "%1 exists already").arg(databasePath);
    return openFile(databasePath, true, replace);
}

std::optional<QString> StudyWriter::openFile(const QString &databasePath, bool create, bool replace)
{
    path_ = databasePath;
    replace_ = replace;
    const QFileInfo info(databasePath);
    // A new database is built under another name and renamed into place on
    // commit: an import killed half-way leaves no database that is no database.
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
    if (sqlite3_open_v2(QFile::encodeName(target).constData(), &db_, flags, nullptr) != SQLITE_OK) {
        const QString why = sqliteError();
        rollback();
        return QCoreApplication::translate("kelp::studydb", "cannot open the study database %1: %2")
            .arg(databasePath, why);
    }
    sqlite3_busy_timeout(db_, kLockWaitMs);
    if (!create) {
        // A database of a newer program is left as it is.
        sqlite3_stmt *version = nullptr;
        int found = 0;
        if (sqlite3_prepare_v2(db_, "select max(version) from kelp_schema", -1, &version, nullptr) == SQLITE_OK &&
            sqlite3_step(version) == SQLITE_ROW)
            found = sqlite3_column_int(version, 0);
        sqlite3_finalize(version);
        if (found > kSchemaVersion) {
            rollback();
            return newerSchemaMessage(found);
        }
    }
    // Immediate: a trainer's plan or a second import waits for us, never half-sees us.
    if (!exec("begin immediate")) {
        const QString why = error_;
        rollback();
        return QCoreApplication::translate("kelp::studydb", "the study database %1 cannot be written: %2")
            .arg(databasePath, why);
    }
    inTransaction_ = true;
    if (create && !exec(kLocalStudyTables)) {
        const QString why = error_;
        rollback();
        return QCoreApplication::translate("kelp::studydb", "cannot make the study database %1: %2")
            .arg(databasePath, why);
    }
    sqlite3_stmt *last = nullptr;
    if (sqlite3_prepare_v2(db_, "select coalesce(max(xh), 0) from zb", -1, &last, nullptr) != SQLITE_OK ||
        sqlite3_step(last) != SQLITE_ROW) {
        const QString why = sqliteError();
        sqlite3_finalize(last);
        rollback();
        return QCoreApplication::translate("kelp::studydb", "%1 is not a study database: %2").arg(databasePath, why);
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
        !readExistingTitles()) {
        const QString why = sqliteError();
        rollback();
        return QCoreApplication::translate("kelp::studydb", "%1 is not a study database: %2").arg(databasePath, why);
    }
    return std::nullopt;
}

void StudyWriter::setAutoGroups(const QString &baseTitle, int groupSize, bool splitTitled)
{
    autoTitle_ = baseTitle;
    if (groupSize > 0)
        groupSize_ = groupSize;
    splitTitled_ = splitTitled;
}

void StudyWriter::setAutoTitle(const QString &baseTitle)
{
    autoTitle_ = baseTitle;
    autoCount_ = 0;
}

void StudyWriter::beginGroup(const QString &title, bool keepEmpty)
{
    if (!flushGroup())
        return;
    title_ = title;
    titled_ = true;
    part_ = 1;
    keepEmpty_ = keepEmpty && !codec::trimmed(title).isEmpty();
}

void StudyWriter::endGroup()
{
    flushGroup();
    titled_ = false;
}

bool StudyWriter::flushGroup()
{
    if (!error_.isEmpty())
        return false;
    const bool keepEmpty = std::exchange(keepEmpty_, false);
    if (pending_.empty() && !keepEmpty)
        return true;
    title_ = storable(title_);
    for (auto &[word, meaning] : pending_) {
        word = storable(word);
        meaning = storable(meaning);
    }
    if (!again_ && alreadyThere(title_, pending_)) {
        ++repeats_;
        pending_.clear();
        return true;
    }
    if (lastGroup_ >= kMaxGroupNumber) {
        error_ = QCoreApplication::translate("kelp::studydb", "group numbers end at %1, and words are left over; "
                                                              "larger groups (--group-size N) make fewer of them")
                     .arg(kMaxGroupNumber);
        return false;
    }
    const int group = ++lastGroup_;
    if (!insertGroup(group, title_))
        return false;
    if (markSamples_ && db_) {
        const QByteArray sql = "create table if not exists kelp_sample (xh integer primary key); "
                               "insert into kelp_sample (xh) values (" +
                               QByteArray::number(group) + ")";
        if (!exec(sql.constData()))
            return false;
    }
    int place = 0;
    for (const auto &[word, meaning] : pending_) {
        if (!insertWord(group, ++place, word, meaning))
            return false;
    }
    ++groups_;
    words_ += static_cast<int>(pending_.size());
    pending_.clear();
    return true;
}

bool StudyWriter::addWord(const StudyWord &word)
{
    if (!error_.isEmpty())
        return false;
    const QString da = codec::trimmed(word.word).toString();
    if (da.isEmpty()) {
        skip(QCoreApplication::translate("kelp::studydb", "without a word"));
        return true;
    }
    const bool full = static_cast<int>(pending_.size()) >= groupSize_;
    if (titled_) {
        if (full && splitTitled_) {
            if (!flushGroup())
                return false;
            const QString base = part_ == 1 ? title_ : title_.left(title_.lastIndexOf(QStringLiteral(" (")));
            title_ = QStringLiteral("%1 (%2)").arg(base).arg(++part_);
        }
    } else if (full || autoCount_ == 0) {
        if (!flushGroup())
            return false;
        title_ = autoTitle_ + QLatin1Char(' ') + QString::number(++autoCount_);
    }
    pending_.emplace_back(da, storedMeaning(word.meaning, word.transcription));
    keepEmpty_ = false;
    return true;
}

bool StudyWriter::writeGroup(const StudyGroup &group)
{
    if (!flushGroup())
        return false;
    if (group.number < 1 || group.number > kMaxGroupNumber) {
        error_ = QCoreApplication::translate("kelp::studydb", "group numbers run from 1 to %1, not %2")
                     .arg(kMaxGroupNumber)
                     .arg(group.number);
        return false;
    }
    if (!insertGroup(group.number, group.title, group.referenceDate, group.stage))
        return false;
    int place = 0;
    for (const auto &[word, meaning] : group.words) {
        if (!insertWord(group.number, ++place, word, meaning))
            return false;
    }
    lastGroup_ = std::max(lastGroup_, group.number);
    ++groups_;
    words_ += static_cast<int>(group.words.size());
    return true;
}

std::optional<QString> StudyWriter::commit()
{
    if (!flushGroup()) {
        const QString why = error_;
        rollback();
        return why;
    }
    if (inMemory_)
        return std::nullopt;
    if (server_) {
        const bool ok = serverTransaction_ && serverTransaction_->commit();
        rollback();
        if (!ok)
            return QCoreApplication::translate("kelp::studydb", "the words could not be committed to %1").arg(path_);
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
            rollback();
            return QCoreApplication::translate("kelp::studydb", "the study database %1 could not be put in place: %2")
                .arg(path_, why);
        }
        buildPath_.clear();
    }
    return std::nullopt;
}

void StudyWriter::rollback()
{
    // Ended without a commit, the server's transaction rolls back.
    serverTransaction_.reset();
    server_ = nullptr;
    ownConnection_.reset();
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
    kept_.clear();
    // A database this import was building and could not fill is no database at all.
    if (!buildPath_.isEmpty()) {
        QFile::remove(buildPath_);
        QFile::remove(buildPath_ + QStringLiteral("-journal"));
        buildPath_.clear();
    }
}

std::optional<QString> writeStudyTables(platform::OdbcConnection &connection, const std::vector<StudyGroup> &groups,
                                        bool replace)
{
    StudyWriter writer;
    if (auto error = writer.useConnection(connection, QString(), true, replace))
        return error;
    for (const StudyGroup &g : groups) {
        if (!writer.writeGroup(g))
            return writer.error();
    }
    return writer.commit();
}

} // namespace kelp
