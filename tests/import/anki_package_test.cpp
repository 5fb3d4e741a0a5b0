// Anki packages as current versions of Anki write them: the notes in a
// zstd-compressed collection.anki21b, a collection.anki2 beside it holding
// only a note that asks older versions for an update. Built here, so the test
// needs no program that writes them.
#include "import/word_import.h"
#include "studydb/grade_store.h"
#include "studydb/word_store.h"
#include "support/files.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <zip.h>
#include <zstd.h>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

// Anki's tables name things "collate unicase"; its own collation is a
// case-insensitive one, and sqlite will not make the tables without one.
int unicase(void *, int an, const void *a, int bn, const void *b)
{
    return QString::fromUtf8(static_cast<const char *>(a), an)
        .compare(QString::fromUtf8(static_cast<const char *>(b), bn), Qt::CaseInsensitive);
}

// The tables of the older collections that current ones still have.
const char *const kCollectionTables =
    "create table col (id integer primary key, crt integer not null, mod integer not null, scm integer not null,"
    " ver integer not null, dty integer not null, usn integer not null, ls integer not null, conf text not null,"
    " models text not null, decks text not null, dconf text not null, tags text not null);"
    "create table notes (id integer primary key, guid text not null, mid integer not null, mod integer not null,"
    " usn integer not null, tags text not null, flds text not null, sfld integer not null, csum integer not null,"
    " flags integer not null, data text not null);"
    "create table cards (id integer primary key, nid integer not null, did integer not null, ord integer not null,"
    " mod integer not null, usn integer not null, type integer not null, queue integer not null, due integer not null,"
    " ivl integer not null, factor integer not null, reps integer not null, lapses integer not null,"
    " left integer not null, odue integer not null, odid integer not null, flags integer not null,"
    " data text not null);";

struct AnkiPackageFixture : ::testing::Test {
    QTemporaryDir dir;

    QByteArray collection(const QString &name, const QByteArray &sql)
    {
        const QString path = dir.filePath(name);
        sqlite3 *db = nullptr;
        EXPECT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        sqlite3_create_collation(db, "unicase", SQLITE_UTF8, nullptr, unicase);
        char *error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, (QByteArray(kCollectionTables) + sql).constData(), nullptr, nullptr, &error),
                  SQLITE_OK)
            << error;
        sqlite3_free(error);
        sqlite3_close(db);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }

    QString package(const QString &name, const std::vector<std::pair<const char *, QByteArray>> &entries)
    {
        const QString path = dir.filePath(name);
        int error = 0;
        zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        EXPECT_NE(zip, nullptr);
        for (const auto &[entry, bytes] : entries) {
            zip_source_t *source = zip_source_buffer(zip, bytes.constData(), bytes.size(), 0);
            EXPECT_GE(zip_file_add(zip, entry, source, 0), 0);
        }
        EXPECT_EQ(zip_close(zip), 0);
        return path;
    }

    static QByteArray zstd(const QByteArray &bytes)
    {
        QByteArray packed(static_cast<qsizetype>(ZSTD_compressBound(bytes.size())), '\0');
        const size_t n = ZSTD_compress(packed.data(), packed.size(), bytes.constData(), bytes.size(), 3);
        EXPECT_FALSE(ZSTD_isError(n));
        packed.resize(static_cast<qsizetype>(n));
        return packed;
    }

    // The stub current versions of Anki write as collection.anki2.
    QByteArray stub()
    {
        return collection(
            QStringLiteral("stub.anki2"),
            "insert into col values (1, 0, 0, 0, 11, 0, 0, 0, '{}',"
            " '{\"1\": {\"id\": 1, \"name\": \"Basic\", \"flds\": [{\"name\": \"Front\", \"ord\": 0},"
            " {\"name\": \"Back\", \"ord\": 1}]}}', '{\"1\": {\"id\": 1, \"name\": \"Default\"}}', '{}', '{}');"
            "insert into notes values (1, 'g', 1, 0, 0, '', 'Please update to the latest Anki version,"
            " then import the .colpkg/.apkg file again.\x1f', 0, 0, 0, '');"
            "insert into cards values (1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '');");
    }

    // Group title, word and stored meaning of each word, in the order the trainer shows them.
    QStringList studyRows()
    {
        sqlite3 *db = nullptr;
        EXPECT_EQ(sqlite3_open(QFile::encodeName(dir.filePath("kelp.mdb")).constData(), &db), SQLITE_OK);
        sqlite3_stmt *rows = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db,
                                     "select z.bt, f.da, f.lx2 from fb f join zb z on z.xh = f.xh order by f.xh, f.xh1",
                                     -1, &rows, nullptr),
                  SQLITE_OK);
        QStringList out;
        while (sqlite3_step(rows) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < 3; ++i)
                row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(rows, i)));
            out << row.join(QLatin1Char('|'));
        }
        sqlite3_finalize(rows);
        sqlite3_close(db);
        return out;
    }
};

TEST_F(AnkiPackageFixture, AnkiCurrentPackageByDeckAndFieldNames)
{
    // Note types whose fields map differently (the last one's names say
    // nothing, its notes do); "Fruit" made before
    // "Animals", its notes older; one note whose first card (by ordinal, not
    // by card id) is in "Animals", its other one in "Fruit".
    const QByteArray notes = collection(
        QStringLiteral("collection.anki21b"),
        "create table notetypes (id integer not null primary key, name text not null collate unicase,"
        " mtime_secs integer not null, usn integer not null, config blob not null);"
        "create table fields (ntid integer not null, ord integer not null, name text not null collate unicase,"
        " config blob not null, primary key (ntid, ord)) without rowid;"
        "create table decks (name text not null primary key collate unicase, id integer not null,"
        " mtime_secs integer not null, usn integer not null, common blob not null, kind blob not null);"
        "insert into col values (1, 0, 0, 0, 18, 0, 0, 0, '', '', '', '', '');"
        "insert into notetypes values (100, 'Vocabulary', 0, 0, x''), (200, 'Basic', 0, 0, x''),"
        " (300, 'Plain', 0, 0, x'');"
        "insert into fields values (100, 0, 'Word', x''), (100, 1, 'Phonetic', x''), (100, 2, 'Meaning', x''),"
        " (200, 0, 'Front', x''), (200, 1, 'Back', x''), (300, 0, 'Text', x''), (300, 1, 'Extra', x''),"
        " (300, 2, 'Notes', x'');"
        "insert into decks values ('Default', 1, 0, 0, x'', x''), ('Kelp', 10, 0, 0, x'', x''),"
        " ('Kelp\037Fruit', 11, 0, 0, x'', x''), ('Kelp\037Animals', 12, 0, 0, x'', x'');"
        "insert into notes values"
        " (1, 'a', 100, 0, 0, '', 'apple\x1f/ˈæp<b>&#601;</b>l/\x1fn. 苹果', 0, 0, 0, ''),"
        " (2, 'b', 100, 0, 0, '', '<div>cat</div>\x1f[k&aelig;t]\x1f<div>n. 猫</div>', 0, 0, 0, ''),"
        " (3, 'c', 200, 0, 0, '', 'dog\x1fn. 狗&nbsp;&nbsp;<br>犬', 0, 0, 0, ''),"
        " (4, 'd', 200, 0, 0, '', 'caf&eacute; [sound:cafe.mp3]\x1fn. 咖啡馆 &mdash; 小餐馆', 0, 0, 0, ''),"
        " (5, 'e', 300, 0, 0, '', 'pear\x1f/pe&#601;/\x1fn. 梨', 0, 0, 0, '');"
        "insert into cards (id, nid, did, ord, mod, usn, type, queue, due, ivl, factor, reps, lapses, left, odue,"
        " odid, flags, data) values"
        " (10, 1, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ''),"
        " (20, 2, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ''),"
        " (30, 3, 11, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ''),"
        " (31, 3, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ''),"
        " (40, 4, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ''),"
        " (50, 5, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '');");
    const QString apkg =
        package(QStringLiteral("words.apkg"), {{"collection.anki2", stub()}, {"collection.anki21b", zstd(notes)}});

    const import::ImportReport report = import::importWordFile(apkg, dir.filePath("kelp.mdb"), 10);
    ASSERT_TRUE(report.ok) << qPrintable(report.line);
    EXPECT_EQ(studyRows(), (QStringList{
                               QStringLiteral("Kelp::Animals|cat|/kæt/ n. 猫"),
                               QStringLiteral("Kelp::Animals|dog|n. 狗  \n犬"), // as Anki shows it
                               QStringLiteral("Kelp::Fruit|apple|/ˈæpəl/ n. 苹果"),
                               QStringLiteral("Kelp::Fruit|café|n. 咖啡馆 — 小餐馆"),
                               QStringLiteral("Kelp::Fruit|pear|/peə/ n. 梨"),
                           }));
    EXPECT_EQ(report.groups, 2);
}

TEST_F(AnkiPackageFixture, AnkiSoundOnlyFieldTakesNoRoleAndClozeShowsItsAnswer)
{
    // 单词/发音/音标/释义: the field named for pronunciation holds only sound.
    const QByteArray notes = collection(
        QStringLiteral("collection.anki2"),
        "insert into col values (1, 0, 0, 0, 11, 0, 0, 0, '{}',"
        " '{\"1\": {\"id\": 1, \"name\": \"词汇\", \"flds\": [{\"name\": \"单词\", \"ord\": 0},"
        " {\"name\": \"发音\", \"ord\": 1}, {\"name\": \"音标\", \"ord\": 2}, {\"name\": \"释义\", \"ord\": 3}]},"
        " \"2\": {\"id\": 2, \"name\": \"Cloze\", \"flds\": [{\"name\": \"Text\", \"ord\": 0},"
        " {\"name\": \"Back Extra\", \"ord\": 1}]}}', '{\"1\": {\"id\": 1, \"name\": \"Default\"}}', '{}', '{}');"
        "insert into notes values (1, 'a', 1, 0, 0, '', 'sea\x1f[sound:sea.mp3]\x1f/siː/\x1fn. 海', 0, 0, 0, ''),"
        " (2, 'b', 1, 0, 0, '', 'tree\x1f[sound:tree.mp3]\x1f/triː/\x1fn. 树', 0, 0, 0, ''),"
        " (3, 'c', 2, 0, 0, '', '{{c1::sparrow::a bird}}\x1fn. 麻雀', 0, 0, 0, '');"
        "insert into cards values (1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ''),"
        " (2, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ''), (3, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
        "'');");
    const QString apkg = package(QStringLiteral("sound.apkg"), {{"collection.anki2", notes}});
    const import::ImportReport report = import::importWordFile(apkg, dir.filePath("kelp.mdb"), 10);
    ASSERT_TRUE(report.ok) << qPrintable(report.line);
    EXPECT_EQ(studyRows(),
              (QStringList{QStringLiteral("Default|sea|/siː/ n. 海"), QStringLiteral("Default|tree|/triː/ n. 树"),
                           QStringLiteral("Default|sparrow|n. 麻雀")}));
}

// The review log of a collection Anki kept: each graded review of a note's
// cards is an answer of its word on the day and at the moment it was made;
// a card rescheduled by hand is none.
TEST_F(AnkiPackageFixture, AnkiReviewLogBecomesTheWordsAnswers)
{
    const QDateTime first(QDate(2026, 3, 2), QTime(9, 30));
    const QByteArray moments = QByteArray::number(first.toMSecsSinceEpoch()) + ", " +
                               QByteArray::number(first.addDays(3).toMSecsSinceEpoch()) + ", " +
                               QByteArray::number(first.addDays(4).toMSecsSinceEpoch());
    const QList<QByteArray> at = moments.split(',');
    const QByteArray notes = collection(
        QStringLiteral("collection.anki2"),
        "create table revlog (id integer primary key, cid integer not null, usn integer not null, ease integer not "
        "null, ivl integer not null, lastIvl integer not null, factor integer not null, time integer not null, "
        "type integer not null);"
        "insert into col values (1, 0, 0, 0, 11, 0, 0, 0, '{}',"
        " '{\"1\": {\"id\": 1, \"name\": \"Basic\", \"flds\": [{\"name\": \"Front\", \"ord\": 0},"
        " {\"name\": \"Back\", \"ord\": 1}]}}', '{\"1\": {\"id\": 1, \"name\": \"Default\"}}', '{}', '{}');"
        "insert into notes values (1, 'a', 1, 0, 0, '', 'sea\x1fn. 海', 0, 0, 0, ''),"
        " (2, 'b', 1, 0, 0, '', 'tree\x1fn. 树', 0, 0, 0, '');"
        "insert into cards values (10, 1, 1, 0, 0, 0, 2, 2, 0, 3, 2500, 2, 1, 0, 0, 0, 0, ''),"
        " (20, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '');"
        "insert into revlog values (" +
            at[0] + ", 10, 0, 3, 1, 0, 2500, 5000, 0), (" + at[1] + ", 10, 0, 1, 1, 1, 2300, 7000, 1), (" + at[2] +
            ", 10, 0, 0, 5, 1, 0, 0, 4);");
    const QString apkg = package(QStringLiteral("log.apkg"), {{"collection.anki2", notes}});
    const import::ImportReport report = import::importWordFile(apkg, dir.filePath("kelp.mdb"), 10);
    ASSERT_TRUE(report.ok) << qPrintable(report.line);
    platform::OdbcConnection connection;
    ASSERT_FALSE(connectDatabaseFile(connection, dir.filePath("kelp.mdb")).has_value());
    AnswerLog log;
    ASSERT_FALSE(readAnswerLog(connection, log).has_value());
    const int shownAt = QTime(9, 30).msecsSinceStartOfDay();
    EXPECT_EQ(log, (AnswerLog{{QStringLiteral("sea"),
                               {{first.date().toJulianDay(), shownAt, memory::Grade::Good},
                                {first.date().addDays(3).toJulianDay(), shownAt, memory::Grade::Again}}}}));
}

TEST_F(AnkiPackageFixture, AnkiDamagedCompressedCollectionAddsNothing)
{
    const QString apkg = package(QStringLiteral("broken.apkg"),
                                 {{"collection.anki2", stub()}, {"collection.anki21b", zstd("SQLite").left(6)}});
    const import::ImportReport report = import::importWordFile(apkg, dir.filePath("kelp.mdb"), 10);
    EXPECT_FALSE(report.ok);
    EXPECT_TRUE(report.line.contains(QLatin1String("damaged compressed collection"))) << qPrintable(report.line);
    EXPECT_FALSE(QFile::exists(dir.filePath("kelp.mdb")));
}

} // namespace
