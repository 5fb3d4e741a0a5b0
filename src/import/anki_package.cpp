#include "import/columns.h"
#include "import/readers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
#include <QUrl>

#include <sqlite3.h>
#include <zip.h>
#include <zstd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <map>
#include <memory>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace kelp::import {

namespace {
constexpr quint64 kMaxCollectionBytes = 512ull * 1024 * 1024;
// Current packages put a collection holding only this note beside the real
// one, for older versions of Anki to show.
const QLatin1String kStubNote("Please update to the latest Anki version");

struct ZipCloser {
    void operator()(zip_t *z) const { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};
struct ZstdCloser {
    void operator()(ZSTD_DStream *s) const { ZSTD_freeDStream(s); }
};
struct SqliteCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};

QString overLimit()
{
    return QCoreApplication::translate("kelp::import", "an Anki collection over 512 MB");
}

// The collection entry into `out`, unpacked from zstd when `compressed`.
std::optional<QString> unpack(zip_t *archive, zip_uint64_t index, bool compressed, QFile &out)
{
    const auto unpackError = [](const QString &why) {
        return QCoreApplication::translate("kelp::import", "the collection cannot be unpacked: %1").arg(why);
    };
    std::unique_ptr<zip_file_t, ZipFileCloser> entry(zip_fopen_index(archive, index, 0));
    if (!entry)
        return unpackError(QString::fromUtf8(zip_strerror(archive)));
    std::unique_ptr<ZSTD_DStream, ZstdCloser> stream;
    if (compressed) {
        stream.reset(ZSTD_createDStream());
        if (!stream)
            return unpackError(QCoreApplication::translate("kelp::import", "out of memory"));
    }
    std::vector<char> in(compressed ? ZSTD_DStreamInSize() : 65536);
    std::vector<char> unpacked(compressed ? ZSTD_DStreamOutSize() : 0);
    quint64 written = 0;
    const auto write = [&](const char *data, size_t size) -> std::optional<QString> {
        written += size;
        if (written > kMaxCollectionBytes)
            return overLimit();
        if (out.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size))
            return unpackError(out.errorString());
        return std::nullopt;
    };
    size_t frameLeft = 0; // zstd: nonzero while a frame is unfinished
    zip_int64_t n;
    while ((n = zip_fread(entry.get(), in.data(), in.size())) > 0) {
        if (!compressed) {
            if (auto error = write(in.data(), static_cast<size_t>(n)))
                return error;
            continue;
        }
        ZSTD_inBuffer source{in.data(), static_cast<size_t>(n), 0};
        while (source.pos < source.size) {
            ZSTD_outBuffer target{unpacked.data(), unpacked.size(), 0};
            frameLeft = ZSTD_decompressStream(stream.get(), &target, &source);
            if (ZSTD_isError(frameLeft))
                return QCoreApplication::translate("kelp::import", "a damaged compressed collection (%1)")
                    .arg(QString::fromUtf8(ZSTD_getErrorName(frameLeft)));
            if (auto error = write(unpacked.data(), target.pos))
                return error;
        }
    }
    if (n < 0)
        return unpackError(QString::fromUtf8(zip_file_strerror(entry.get())));
    if (frameLeft != 0)
        return QCoreApplication::translate("kelp::import", "a damaged compressed collection (it ends early)");
    if (!out.flush())
        return unpackError(out.errorString());
    return std::nullopt;
}

QString columnText(sqlite3_stmt *statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

// Runs `sql`, handing each row to `row`.
template <typename Row>
std::optional<QString> eachRow(sqlite3 *db, const char *sql, Row &&row)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return QCoreApplication::translate("kelp::import", "the collection is not an Anki collection: %1")
            .arg(QString::fromUtf8(sqlite3_errmsg(db)));
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        row(statement);
    std::optional<QString> error;
    if (rc != SQLITE_DONE)
        error = QCoreApplication::translate("kelp::import", "the collection cannot be read: %1")
                    .arg(QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_finalize(statement);
    return error;
}

struct Note {
    qint64 id = 0;
    qint64 type = 0;
    qint64 deck = 0;
    QStringList fields; // as plain text
};

struct Collection {
    std::map<qint64, QStringList> fieldNames; // by note type
    std::map<qint64, QString> decks;          // "Parent::Child"
    std::map<qint64, int> places;             // of decks our own export wrote
    std::vector<Note> notes;
    std::map<qint64, std::vector<LoggedAnswer>> answers; // by note, from the review log
};

// Note types and decks: tables in the current schema, JSON in `col` in the older one.
std::optional<QString> readTypesAndDecks(sqlite3 *db, Collection &c)
{
    bool tables = false;
    if (auto error = eachRow(db, "select 1 from sqlite_master where type = 'table' and name = 'notetypes'",
                             [&](sqlite3_stmt *) { tables = true; }))
        return error;
    if (tables) {
        if (auto error = eachRow(db, "select ntid, name from fields order by ntid, ord", [&](sqlite3_stmt *s) {
                c.fieldNames[sqlite3_column_int64(s, 0)] << columnText(s, 1);
            }))
            return error;
        // The levels of a deck name are kept apart by U+001F.
        return eachRow(db, "select id, name from decks", [&](sqlite3_stmt *s) {
            c.decks[sqlite3_column_int64(s, 0)] = columnText(s, 1).replace(QChar(0x1F), QStringLiteral("::"));
        });
    }
    QJsonObject models, decks;
    if (auto error = eachRow(db, "select models, decks from col", [&](sqlite3_stmt *s) {
            models = QJsonDocument::fromJson(columnText(s, 0).toUtf8()).object();
            decks = QJsonDocument::fromJson(columnText(s, 1).toUtf8()).object();
        }))
        return error;
    for (auto it = models.begin(); it != models.end(); ++it) {
        std::map<int, QString> byOrd;
        for (const QJsonValue field : it.value().toObject().value(QLatin1String("flds")).toArray()) {
            const QJsonObject f = field.toObject();
            byOrd[f.value(QLatin1String("ord")).toInt()] = f.value(QLatin1String("name")).toString();
        }
        QStringList &names = c.fieldNames[it.key().toLongLong()];
        for (const auto &[ord, name] : byOrd)
            names << name;
    }
    for (auto it = decks.begin(); it != decks.end(); ++it) {
        // Our own packages keep each group's title and place beside the deck
        // name, which Anki sorts by and which may carry a number for that.
        const QJsonObject deck = it.value().toObject();
        const QJsonValue title = deck.value(QLatin1String("kelpTitle"));
        const QJsonValue place = deck.value(QLatin1String("kelpOrder"));
        const qint64 id = it.key().toLongLong();
        c.decks[id] = title.isString() ? title.toString() : deck.value(QLatin1String("name")).toString();
        if (place.isDouble())
            c.places[id] = place.toInt();
    }
    return std::nullopt;
}

// Where each field of a note type goes: by the field names, and by what the
// notes hold for the roles the names leave open.
Columns columnsOfType(const QStringList &names, const QList<QStringList> &rows)
{
    Columns known;
    const auto filled = [&rows](int i) {
        return std::count_if(rows.begin(), rows.end(),
                             [i](const QStringList &r) { return i < r.size() && !r[i].isEmpty(); });
    };
    const auto transcriptions = [&rows](int i) {
        return std::count_if(rows.begin(), rows.end(),
                             [i](const QStringList &r) { return i < r.size() && looksLikeTranscription(r[i]); });
    };
    for (int i = 0; i < names.size(); ++i) {
        // A field no note fills (a "发音" field that held only [sound:…]) takes no role.
        if (!rows.isEmpty() && filled(i) == 0)
            continue;
        const Role role = roleOfName(names[i]);
        // Two fields named for the transcription: the one that holds transcriptions.
        if (role == Role::Transcription && known.transcription >= 0 &&
            transcriptions(i) > transcriptions(known.transcription)) {
            known.transcription = i;
            continue;
        }
        int *slot = nullptr;
        switch (role) {
        case Role::Word: slot = &known.word; break;
        case Role::Transcription: slot = &known.transcription; break;
        case Role::PartOfSpeech: slot = &known.partOfSpeech; break;
        case Role::Meaning: slot = &known.meaning; break;
        case Role::Number:
        case Role::Other: break;
        }
        if (slot && *slot < 0)
            *slot = i;
    }
    if (const auto byContent = columnsByContent(rows, known, false))
        return *byContent;
    // Nothing more to go by: the first open field asks, the next one answers.
    if (known.word < 0)
        known.word = known.meaning == 0 ? 1 : 0;
    for (int i = 0; known.meaning < 0; ++i) {
        if (i != known.word && i != known.transcription && i != known.partOfSpeech)
            known.meaning = i;
    }
    return known;
}

} // namespace

namespace {
void removeAbandonedCopies()
{
    const QDir temp = QDir::temp();
    for (const QString &name : temp.entryList({QStringLiteral("kelpword-anki-*")}, QDir::Files)) {
        bool ok = false;
        const qint64 pid = QStringView(name).mid(14).split(QLatin1Char('-')).front().toLongLong(&ok);
        if (ok && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            QFile::remove(temp.filePath(name));
    }
}
} // namespace

std::optional<QString> readAnkiPackage(const QString &path, StudyWriter &writer)
{
    int zipError = 0;
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &zipError));
    if (!archive) {
        zip_error_t e;
        zip_error_init_with_code(&e, zipError);
        const QString why = QString::fromUtf8(zip_error_strerror(&e));
        zip_error_fini(&e);
        return QCoreApplication::translate("kelp::import", "a broken zip: %1").arg(why);
    }
    // The newest collection first: the older ones beside it are for older
    // versions of Anki and may hold nothing but a note asking for an update.
    zip_int64_t index = -1;
    bool compressed = false;
    for (const char *name : {"collection.anki21b", "collection.anki21", "collection.anki2"}) {
        index = zip_name_locate(archive.get(), name, 0);
        if (index >= 0) {
            compressed = name == std::string_view("collection.anki21b");
            break;
        }
    }
    if (index < 0)
        return QCoreApplication::translate("kelp::import", "a zip without an Anki collection");
    zip_stat_t stat;
    if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &stat) != 0)
        return QCoreApplication::translate("kelp::import", "the collection cannot be unpacked: %1")
            .arg(QString::fromUtf8(zip_strerror(archive.get())));
    if (!compressed && (stat.valid & ZIP_STAT_SIZE) && stat.size > kMaxCollectionBytes)
        return overLimit();
    // Named after this process: a copy an import killed half-way left behind
    // goes with the next import (SQLite needs a name to open it by).
    removeAbandonedCopies();
    QTemporaryFile file(QDir::temp().filePath(QStringLiteral("kelpword-anki-%1-XXXXXX").arg(::getpid())));
    if (!file.open())
        return QCoreApplication::translate("kelp::import", "no temporary file for the collection: %1")
            .arg(file.errorString());
    if (auto error = unpack(archive.get(), static_cast<zip_uint64_t>(index), compressed, file))
        return error;
    archive.reset();

    // Nobody else writes the copy: no locks, no journal.
    const QByteArray uri = QUrl::fromLocalFile(file.fileName()).toEncoded() + "?immutable=1";
    sqlite3 *opened = nullptr;
    const int rc = sqlite3_open_v2(uri.constData(), &opened, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    std::unique_ptr<sqlite3, SqliteCloser> db(opened);
    if (rc != SQLITE_OK)
        return QCoreApplication::translate("kelp::import", "the collection cannot be opened: %1")
            .arg(QString::fromUtf8(sqlite3_errmsg(opened)));

    Collection c;
    if (auto error = readTypesAndDecks(db.get(), c))
        return error;
    // A note's deck is the one of its first card (its home deck while the card
    // is borrowed by a filtered deck).
    if (auto error = eachRow(db.get(),
                             "select n.id, n.mid, n.flds, (select case when c.odid != 0 then c.odid else c.did end "
                             "from cards c where c.nid = n.id order by c.ord, c.id limit 1) from notes n",
                             [&](sqlite3_stmt *s) {
                                 Note note;
                                 note.id = sqlite3_column_int64(s, 0);
                                 note.type = sqlite3_column_int64(s, 1);
                                 note.deck = sqlite3_column_type(s, 3) == SQLITE_NULL ? -1 : sqlite3_column_int64(s, 3);
                                 for (const QString &field : columnText(s, 2).split(QChar(0x1F)))
                                     note.fields << plainText(field);
                                 c.notes.push_back(std::move(note));
                             }))
        return error;
    // The answers: each review of a note's cards with a grade (not a card
    // rescheduled by hand), its moment taken as the showing's. A collection
    // made by hand may have no review log.
    bool hasLog = false;
    if (auto error = eachRow(db.get(), "select 1 from sqlite_master where type = 'table' and name = 'revlog'",
                             [&](sqlite3_stmt *) { hasLog = true; }))
        return error;
    if (auto error = !hasLog ? std::nullopt
                             : eachRow(db.get(),
                                       "select c.nid, r.id, r.ease from revlog r join cards c on c.id = r.cid "
                                       "where r.ease between 1 and 4 and r.type between 0 and 3 order by r.id",
                                       [&](sqlite3_stmt *s) {
                                           const QDateTime moment =
                                               QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(s, 1));
                                           c.answers[sqlite3_column_int64(s, 0)].push_back(
                                               {moment.date().toJulianDay(),
                                                static_cast<int>(moment.time().msecsSinceStartOfDay()),
                                                static_cast<memory::Grade>(sqlite3_column_int(s, 2))});
                                       }))
        return error;
    db.reset();

    std::erase_if(c.notes, [](const Note &n) {
        return std::any_of(n.fields.begin(), n.fields.end(), [](const QString &f) { return f.startsWith(kStubNote); });
    });

    std::map<qint64, QList<QStringList>> rowsOfType;
    for (const Note &n : c.notes)
        rowsOfType[n.type] << n.fields;
    std::map<qint64, Columns> columns;
    for (const auto &[type, rows] : rowsOfType)
        columns[type] = columnsOfType(c.fieldNames[type], rows);

    // Decks in the order Anki lists them, each one run of words; notes
    // without a deck last, in groups of their own.
    std::vector<qint64> deckIds;
    for (const auto &[id, name] : c.decks)
        deckIds.push_back(id);
    const auto levels = [&](qint64 id) { return c.decks[id].split(QStringLiteral("::")); };
    std::sort(deckIds.begin(), deckIds.end(), [&](qint64 a, qint64 b) {
        const auto pa = c.places.find(a), pb = c.places.find(b);
        if (pa != c.places.end() || pb != c.places.end())
            return pa == c.places.end() ? false : pb == c.places.end() || pa->second < pb->second;
        const QStringList la = levels(a), lb = levels(b);
        return std::lexicographical_compare(
            la.begin(), la.end(), lb.begin(), lb.end(),
            [](const QString &x, const QString &y) { return x.compare(y, Qt::CaseInsensitive) < 0; });
    });
    std::map<qint64, int> rank;
    for (size_t i = 0; i < deckIds.size(); ++i)
        rank[deckIds[i]] = static_cast<int>(i);
    const auto rankOf = [&](qint64 deck) {
        const auto it = rank.find(deck);
        return it == rank.end() ? INT_MAX : it->second;
    };
    std::sort(c.notes.begin(), c.notes.end(), [&](const Note &a, const Note &b) {
        const int ra = rankOf(a.deck), rb = rankOf(b.deck);
        return ra != rb ? ra < rb : a.id < b.id;
    });

    // Deck by deck; a deck of our own packages without notes is a group the
    // learner emptied, kept as such.
    auto note = c.notes.begin();
    for (size_t r = 0; r <= deckIds.size(); ++r) {
        const bool decked = r < deckIds.size();
        const auto inDeck = [&] { return note != c.notes.end() && rankOf(note->deck) == (decked ? int(r) : INT_MAX); };
        if (!decked)
            writer.endGroup();
        else if (inDeck() || c.places.count(deckIds[r]))
            writer.beginGroup(c.decks[deckIds[r]].trimmed(), c.places.count(deckIds[r]) > 0);
        for (; inDeck(); ++note) {
            Word word = wordFromFields(note->fields, columns[note->type]);
            if (const auto answers = c.answers.find(note->id); answers != c.answers.end())
                word.answers = answers->second;
            if (!writer.addWord(word))
                return writer.error().text;
        }
    }
    return std::nullopt;
}

} // namespace kelp::import
