// An Anki package in the older collection layout (collection.anki2, schema
// version 11), which current versions of Anki import as well as old ones:
// a deck a group, one note type "Kelp Words" with the fields Word, Phonetic
// and Meaning, one new card a note.
#include "config/safe_file.h"
#include "export/word_export.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <zip.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <utility>

namespace kelp::exporting {

namespace {

// Fixed, so that the cards of a later export find the note type an earlier
// one brought into Anki.
constexpr qint64 kNoteTypeId = 1718000000001;
constexpr qint64 kDefaultDeck = 1;

const char *const kCollectionTables =
    "create table col (id integer primary key, crt integer not null, mod integer not null,"
    " scm integer not null, ver integer not null, dty integer not null, usn integer not null,"
    " ls integer not null, conf text not null, models text not null, decks text not null,"
    " dconf text not null, tags text not null);"
    "create table notes (id integer primary key, guid text not null, mid integer not null,"
    " mod integer not null, usn integer not null, tags text not null, flds text not null,"
    " sfld integer not null, csum integer not null, flags integer not null, data text not null);"
    "create table cards (id integer primary key, nid integer not null, did integer not null,"
    " ord integer not null, mod integer not null, usn integer not null, type integer not null,"
    " queue integer not null, due integer not null, ivl integer not null, factor integer not null,"
    " reps integer not null, lapses integer not null, left integer not null, odue integer not null,"
    " odid integer not null, flags integer not null, data text not null);"
    "create table revlog (id integer primary key, cid integer not null, usn integer not null,"
    " ease integer not null, ivl integer not null, lastIvl integer not null, factor integer not null,"
    " time integer not null, type integer not null);"
    "create table graves (usn integer not null, oid integer not null, type integer not null);"
    "create index ix_notes_usn on notes (usn);"
    "create index ix_cards_usn on cards (usn);"
    "create index ix_revlog_usn on revlog (usn);"
    "create index ix_cards_nid on cards (nid);"
    "create index ix_cards_sched on cards (did, queue, due);"
    "create index ix_revlog_cid on revlog (cid);"
    "create index ix_notes_csum on notes (csum);";

struct SqliteCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct StatementCloser {
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

// Markup that Anki shows as `text`: line breaks as "<br>", and a space that
// markup would fold (after another, at a line's edge) as "&nbsp;".
QString fieldText(const QString &text)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QString html;
    html.reserve(escaped.size());
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const QChar c = escaped[i];
        if (c == QLatin1Char('\n')) {
            html += QLatin1String("<br>");
        } else if (c == QLatin1Char(' ') &&
                   (i == 0 || i + 1 == escaped.size() || escaped[i - 1] == QLatin1Char(' ') ||
                    escaped[i - 1] == QLatin1Char('\n') || escaped[i + 1] == QLatin1Char('\n'))) {
            html += QLatin1String("&nbsp;");
        } else {
            html += c;
        }
    }
    return html;
}

QJsonObject noteType(qint64 now)
{
    QJsonArray fields;
    int ord = 0;
    for (const char *name : {"Word", "Phonetic", "Meaning"})
        fields.append(QJsonObject{{"name", QLatin1String(name)},
                                  {"ord", ord++},
                                  {"sticky", false},
                                  {"rtl", false},
                                  {"font", "Arial"},
                                  {"size", 20},
                                  {"media", QJsonArray()}});
    const QJsonObject card{{"name", "Card 1"},
                           {"ord", 0},
                           {"qfmt", "{{Word}}<br><span class=phonetic>{{Phonetic}}</span>"},
                           {"afmt", "{{FrontSide}}<hr id=answer>{{Meaning}}"},
                           {"did", QJsonValue::Null},
                           {"bqfmt", ""},
                           {"bafmt", ""}};
    return QJsonObject{
        {"id", kNoteTypeId},
        {"name", "Kelp Words"},
        {"type", 0},
        {"mod", now / 1000},
        {"usn", -1},
        {"sortf", 0},
        {"did", kDefaultDeck},
        {"tmpls", QJsonArray{card}},
        {"flds", fields},
        {"css", ".card { font-family: arial; font-size: 24px; text-align: center; }\n"
                ".phonetic { font-size: 18px; color: #555; }\n"},
        {"latexPre", "\\documentclass[12pt]{article}\n\\special{papersize=3in,5in}\n\\usepackage[utf8]{inputenc}\n"
                     "\\usepackage{amssymb,amsmath}\n\\pagestyle{empty}\n\\setlength{\\parindent}{0in}\n"
                     "\\begin{document}\n"},
        {"latexPost", "\\end{document}"},
        {"latexsvg", false},
        {"req", QJsonArray{QJsonArray{0, "any", QJsonArray{0}}}},
        {"tags", QJsonArray()},
        {"vers", QJsonArray()},
    };
}

QJsonObject deck(qint64 id, const QString &name, qint64 now)
{
    return QJsonObject{{"id", id},
                       {"name", name},
                       {"mod", now / 1000},
                       {"usn", -1},
                       {"lrnToday", QJsonArray{0, 0}},
                       {"revToday", QJsonArray{0, 0}},
                       {"newToday", QJsonArray{0, 0}},
                       {"timeToday", QJsonArray{0, 0}},
                       {"collapsed", false},
                       {"browserCollapsed", false},
                       {"desc", ""},
                       {"dyn", 0},
                       {"conf", 1},
                       {"extendNew", 0},
                       {"extendRev", 0}};
}

QJsonObject deckOptions()
{
    return QJsonObject{
        {"id", 1},
        {"name", "Default"},
        {"mod", 0},
        {"usn", 0},
        {"maxTaken", 60},
        {"autoplay", true},
        {"timer", 0},
        {"replayq", true},
        {"dyn", false},
        {"new", QJsonObject{{"delays", QJsonArray{1, 10}},
                            {"ints", QJsonArray{1, 4, 0}},
                            {"initialFactor", 2500},
                            {"order", 1},
                            {"perDay", 20},
                            {"bury", false},
                            {"separate", true}}},
        {"lapse",
         QJsonObject{{"delays", QJsonArray{10}}, {"mult", 0}, {"minInt", 1}, {"leechFails", 8}, {"leechAction", 1}}},
        {"rev", QJsonObject{{"perDay", 200},
                            {"ease4", 1.3},
                            {"fuzz", 0.05},
                            {"minSpace", 1},
                            {"ivlFct", 1},
                            {"maxIvl", 36500},
                            {"bury", false},
                            {"hardFactor", 1.2}}},
    };
}

// Anki lists decks by name: the titles as they are when that keeps the
// groups' order (and each name once), else each after its place, zero-padded.
// "::" would nest a deck in another.
QStringList deckNames(const QStringList &titles)
{
    QStringList names;
    for (const QString &title : titles)
        names << QString(title).replace(QStringLiteral("::"), QStringLiteral(":")).simplified();
    bool inOrder = true;
    for (qsizetype i = 1; i < names.size() && inOrder; ++i)
        inOrder = names[i - 1].compare(names[i], Qt::CaseInsensitive) < 0;
    if (inOrder)
        return names;
    const int width = static_cast<int>(QString::number(names.size()).size());
    for (qsizetype i = 0; i < names.size(); ++i)
        names[i] = QStringLiteral("%1 %2").arg(i + 1, width, 10, QLatin1Char('0')).arg(names[i]);
    return names;
}

// Stable over exports of the same word in the same group, so that Anki takes
// a later export's note for the same note.
QString guidOf(const QString &title, const PlainWord &w, int occurrence)
{
    const QByteArray hash = QCryptographicHash::hash(
        (QStringLiteral("kelpword\x1f") + title + QChar(0x1F) + w.word + QChar(0x1F) + QString::number(occurrence))
            .toUtf8(),
        QCryptographicHash::Sha1);
    return QString::fromLatin1(hash.left(9).toBase64(QByteArray::Base64UrlEncoding));
}

qint64 checksumOf(const QString &sortField)
{
    const QByteArray hex = QCryptographicHash::hash(sortField.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    return hex.toLongLong(nullptr, 16);
}

class Collection {
public:
    // A new file: a large book's collection is never held in memory whole.
    // It is a scratch file, so no journal and no syncs.
    std::optional<QString> open(const QString &path)
    {
        sqlite3 *db = nullptr;
        const int rc = sqlite3_open(QFile::encodeName(path).constData(), &db);
        db_.reset(db);
        if (rc != SQLITE_OK)
            return error();
        if (auto e = exec("pragma journal_mode = off; pragma synchronous = off"))
            return e;
        return exec(kCollectionTables);
    }
    std::optional<QString> exec(const char *sql)
    {
        char *message = nullptr;
        if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, &message) == SQLITE_OK)
            return std::nullopt;
        const QString why = QString::fromUtf8(message ? message : sqlite3_errmsg(db_.get()));
        sqlite3_free(message);
        return why;
    }
    Statement prepare(const char *sql)
    {
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(db_.get(), sql, -1, &s, nullptr);
        return Statement(s);
    }
    // Binds the values in order, runs the statement and resets it.
    template <typename... Values>
    bool run(sqlite3_stmt *s, const Values &...values)
    {
        if (!s)
            return false;
        int i = 0;
        (bind(s, ++i, values), ...);
        const bool ok = sqlite3_step(s) == SQLITE_DONE;
        sqlite3_reset(s);
        return ok;
    }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(db_.get())); }

private:
    static void bind(sqlite3_stmt *s, int i, qint64 v) { sqlite3_bind_int64(s, i, v); }
    static void bind(sqlite3_stmt *s, int i, int v) { sqlite3_bind_int(s, i, v); }
    static void bind(sqlite3_stmt *s, int i, const QString &v)
    {
        const QByteArray b = v.toUtf8();
        sqlite3_bind_text(s, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    }
    std::unique_ptr<sqlite3, SqliteCloser> db_;
};

// A showing's moment, as Anki's review log keys it: milliseconds since the epoch.
qint64 momentOf(const LoggedAnswer &a)
{
    return QDateTime(QDate::fromJulianDay(a.day), QTime(0, 0)).toMSecsSinceEpoch() + a.shownAt;
}

// The collection of the groups `next` reads, written to the file `path`.
std::optional<QString> writeCollection(const GroupReader &next, const AnswerHistory &history, const QString &path)
{
    Collection c;
    if (auto e = c.open(path))
        return QStringLiteral("cannot make the Anki collection: %1").arg(*e);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const QJsonObject models{{QString::number(kNoteTypeId), noteType(now)}};
    const QJsonObject conf{{"nextPos", 1},
                           {"estTimes", true},
                           {"activeDecks", QJsonArray{kDefaultDeck}},
                           {"sortType", "noteFld"},
                           {"timeLim", 0},
                           {"sortBackwards", false},
                           {"addToCur", true},
                           {"curDeck", kDefaultDeck},
                           {"newSpread", 0},
                           {"dueCounts", true},
                           {"curModel", QString::number(kNoteTypeId)},
                           {"collapseTime", 1200}};
    const auto json = [](const QJsonObject &o) {
        return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
    };
    if (auto e = c.exec("begin"))
        return e;
    const Statement col = c.prepare("insert into col values (1, ?, ?, ?, 11, 0, 0, 0, ?, ?, ?, ?, '{}')");
    // Anki counts a review card's due day from the collection's first day:
    // one before every answer and due day, so that none is negative.
    QDate first = QDate::currentDate();
    for (const auto &[word, answers] : history.answers) {
        for (const LoggedAnswer &a : answers)
            first = std::min(first, QDate::fromJulianDay(a.day));
    }
    for (const WordMemory &m : history.memories)
        first = std::min(first, QDate::fromJulianDay(m.due));
    const qint64 dayStart = QDateTime(first, QTime(4, 0)).toSecsSinceEpoch();
    const Statement note = c.prepare("insert into notes values (?, ?, ?, ?, -1, '', ?, ?, ?, 0, '')");
    const Statement card =
        c.prepare("insert into cards values (?, ?, ?, 0, ?, -1, 0, 0, ?, 0, 0, 0, 0, 0, 0, 0, 0, '')");
    // An answered word's card is a review card, due on its memory's day, with
    // the memory where Anki's own model keeps it; its answers go to the
    // review log (on the word's first card only: once each).
    const Statement reviewCard =
        c.prepare("insert into cards values (?, ?, ?, 0, ?, -1, 2, 2, ?, ?, 2500, ?, ?, 0, 0, 0, 0, ?)");
    const Statement logged = c.prepare("insert into revlog values (?, ?, -1, ?, 0, 0, 0, 0, ?)");
    std::set<QString> answered;
    std::set<qint64> moments;
    qint64 id = now;
    int position = 0;
    // A deck a group, in the order read; their names once all are known.
    QStringList titles;
    std::vector<ExportGroup> groups;
    for (;;) {
        if (auto e = next(groups))
            return e;
        if (groups.empty())
            break;
        for (const ExportGroup &group : groups) {
            const qint64 deckId = now + titles.size();
            const QString title = titleOrNumber(group);
            titles << title;
            std::map<QString, int> occurrences;
            for (const PlainWord &w : group.words) {
                ++id;
                ++position;
                const QString transcription =
                    w.transcription.isEmpty() ? QString() : QLatin1Char('/') + w.transcription + QLatin1Char('/');
                const QString fields =
                    fieldText(w.word) + QChar(0x1F) + fieldText(transcription) + QChar(0x1F) + fieldText(w.meaning);
                if (!c.run(note.get(), id, guidOf(title, w, occurrences[w.word]++), kNoteTypeId, now / 1000, fields,
                           w.word, checksumOf(w.word)))
                    return c.error();
                const auto answers = history.answers.find(w.word);
                const auto memory = history.memories.constFind(w.word);
                if (answers == history.answers.end() || memory == history.memories.constEnd() ||
                    !answered.insert(w.word).second) {
                    if (!c.run(card.get(), id, id, deckId, now / 1000, position))
                        return c.error();
                    continue;
                }
                const int ivl = static_cast<int>(std::max<long long>(1, memory->due - memory->lastDay));
                const QString data = json(QJsonObject{{"s", memory->state.stability}, {"d", memory->state.difficulty}});
                if (!c.run(reviewCard.get(), id, id, deckId, now / 1000,
                           static_cast<int>(memory->due - first.toJulianDay()), ivl,
                           static_cast<int>(answers->second.size()), memory->lapses, data))
                    return c.error();
                bool later = false;
                for (const LoggedAnswer &a : answers->second) {
                    qint64 moment = momentOf(a);
                    while (!moments.insert(moment).second)
                        ++moment; // the log's key is the moment: two answers never share one
                    // Learning the first time, a review after that.
                    if (!c.run(logged.get(), moment, id, static_cast<int>(a.grade), later ? 1 : 0))
                        return c.error();
                    later = true;
                }
            }
        }
    }
    const QStringList names = deckNames(titles);
    QJsonObject decks{{QString::number(kDefaultDeck), deck(kDefaultDeck, QStringLiteral("Default"), now)}};
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const qint64 deckId = now + i;
        QJsonObject d = deck(deckId, names[i], now);
        // For "kelpword import": the title and place the deck name may not keep.
        d.insert(QStringLiteral("kelpTitle"), titles[i]);
        d.insert(QStringLiteral("kelpOrder"), static_cast<int>(i));
        decks.insert(QString::number(deckId), d);
    }
    if (!c.run(col.get(), dayStart, now, now, json(conf), json(models), json(decks),
               json(QJsonObject{{"1", deckOptions()}})))
        return c.error();
    // Committed, the file is whole: it is closed as this ends, its statements first.
    return c.exec("commit");
}

// The package beside it in `folder`: the collection deflated from its file at
// a moderate level (the highest takes four times as long for a few percent),
// and no media.
std::optional<QString> writePackage(const QString &collection, const QString &package)
{
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(package).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString why = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        return QStringLiteral("cannot pack the Anki package: %1").arg(why);
    }
    static const char media[] = "{}";
    zip_source_t *file = zip_source_file(archive, QFile::encodeName(collection).constData(), 0, -1);
    const zip_int64_t added = file ? zip_file_add(archive, "collection.anki2", file, ZIP_FL_ENC_UTF_8) : -1;
    if (added < 0 && file)
        zip_source_free(file);
    zip_source_t *list = added < 0 ? nullptr : zip_source_buffer(archive, media, 2, 0);
    const bool ok = list &&
                    zip_set_file_compression(archive, static_cast<zip_uint64_t>(added), ZIP_CM_DEFLATE, 6) == 0 &&
                    zip_file_add(archive, "media", list, ZIP_FL_ENC_UTF_8) >= 0 && zip_close(archive) == 0;
    if (!ok) {
        const QString why = QString::fromUtf8(zip_error_strerror(zip_get_error(archive)));
        zip_discard(archive);
        return QStringLiteral("cannot pack the Anki package: %1").arg(why);
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> writeAnkiPackage(const QString &path, const GroupReader &next, const AnswerHistory &history)
{
    // Built in a folder of its own, then copied into the file being replaced
    // a piece at a time: never whole in memory.
    QTemporaryDir work(QDir::temp().filePath(QStringLiteral("kelpword-apkg-XXXXXX")));
    if (!work.isValid())
        return QStringLiteral("cannot make the Anki package: %1").arg(work.errorString());
    const QString collection = work.filePath(QStringLiteral("collection.anki2"));
    const QString package = work.filePath(QStringLiteral("package.zip"));
    if (auto e = writeCollection(next, history, collection))
        return e;
    if (auto e = writePackage(collection, package))
        return e;
    QFile::remove(collection);
    QFile packed(package);
    if (!packed.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read the Anki package: %1").arg(packed.errorString());
    QString error;
    const bool written = replaceFileStreamed(
        path,
        [&packed, &error](const ContentSink &write) {
            QByteArray piece(1 << 20, Qt::Uninitialized);
            for (;;) {
                const qint64 n = packed.read(piece.data(), piece.size());
                if (n < 0) {
                    error = packed.errorString();
                    return false;
                }
                if (n == 0)
                    return true;
                if (!write(QByteArrayView(piece.constData(), n)))
                    return false;
            }
        },
        &error);
    if (!written)
        return QStringLiteral("cannot write %1: %2").arg(path, error);
    return std::nullopt;
}

std::optional<QString> writeAnkiPackage(const QString &path, const std::vector<ExportGroup> &groups,
                                        const AnswerHistory &history)
{
    return writeAnkiPackage(path, readOnce(groups), history);
}

} // namespace kelp::exporting
