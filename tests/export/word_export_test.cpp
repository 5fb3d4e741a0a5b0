// Exports read back by the import: the same groups, titles, words,
// transcriptions and meanings, in the same order, for each format; the Anki
// package against the collection layout Anki reads.
#include "config/codec.h"
#include "export/word_export.h"
#include "import/word_import.h"
#include "study/phonetic.h"
#include "study/text_loader.h"
#include "studydb/grade_store.h"
#include "studydb/word_store.h"
#include "support/database_fixture.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <zip.h>

#include <gtest/gtest.h>

#include <set>

using namespace kelp;

namespace {

// Titles out of alphabetical order, one twice, one with the CSV delimiter and
// quotes; words and meanings with commas, quotes, markup characters, both
// kinds of transcription, none, and an empty meaning.
void fill(test::StudyDb &db)
{
    const QDate day(2026, 3, 1);
    for (int g = 1; g <= 12; ++g) {
        db.group(g, QStringLiteral("Unit %1").arg(g), day, g % 8);
        db.word(g, QStringLiteral("word%1").arg(g), QStringLiteral("/wɜːd%1/ n. 单词%1").arg(g), 1);
        db.word(g, QStringLiteral("next%1").arg(g), QStringLiteral("[nekst] adj. 下一个"), 2);
    }
    db.group(13, QStringLiteral("Unit 1"), day, 1);
    db.word(13, QStringLiteral("apple"), QStringLiteral("/ˈæpl/ n. 苹果"), 1);
    db.group(14, QStringLiteral("第三课, \"引号\" <b>"), day, 2);
    db.word(14, QStringLiteral("rock 'n' roll"), QStringLiteral("n. 摇滚乐, \"摇滚\""), 1);
    db.word(14, QStringLiteral("less"), QStringLiteral("/les/ adj. <少的> & 更少"), 2);
    db.word(14, QStringLiteral("café"), QString(), 3);
    db.word(14, QStringLiteral("ʃ"), QStringLiteral("/ʃ/"), 5); // a gap in the places
    db.group(15, QStringLiteral("emptied"), day, 1);            // every word deleted: still a group
}

struct ExportFixture : ::testing::Test {
    QTemporaryDir dir;

    void SetUp() override { test::odbcIniPath(); }

    std::vector<exporting::ExportGroup> readBack(const QString &database)
    {
        platform::OdbcConnection connection;
        EXPECT_FALSE(connectDatabaseFile(connection, database).has_value());
        std::vector<StoredGroup> groups;
        EXPECT_FALSE(WordStore(connection).read(groups).has_value());
        return exporting::exportGroups(groups);
    }

    std::vector<exporting::ExportGroup> source()
    {
        {
            test::StudyDb db(dir.filePath("source.mdb"));
            fill(db);
        }
        return readBack(dir.filePath("source.mdb"));
    }

    // Exports to `name`, imports it into a new database and reads that.
    std::vector<exporting::ExportGroup> roundTrip(const std::vector<exporting::ExportGroup> &groups,
                                                  const QString &name)
    {
        const QString file = dir.filePath(name);
        const auto error = exporting::writeFile(file, groups);
        EXPECT_FALSE(error.has_value()) << qPrintable(error.value_or(QString()));
        const QString database = dir.filePath(name + QStringLiteral(".mdb"));
        const import::ImportReport report = import::importWordFile(file, database, 0);
        EXPECT_TRUE(report.ok) << qPrintable(report.line);
        return readBack(database);
    }
};

void expectSame(const std::vector<exporting::ExportGroup> &a, const std::vector<exporting::ExportGroup> &b)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].title, b[i].title) << i;
        ASSERT_EQ(a[i].words.size(), b[i].words.size()) << qPrintable(a[i].title);
        for (size_t k = 0; k < a[i].words.size(); ++k) {
            EXPECT_EQ(a[i].words[k].word, b[i].words[k].word);
            EXPECT_EQ(a[i].words[k].transcription, b[i].words[k].transcription) << qPrintable(a[i].words[k].word);
            EXPECT_EQ(a[i].words[k].meaning, b[i].words[k].meaning) << qPrintable(a[i].words[k].word);
        }
    }
}

TEST_F(ExportFixture, CsvReadsBackTheSame)
{
    const auto groups = source();
    ASSERT_EQ(groups.size(), 15u);
    EXPECT_EQ(groups[13].words[1].transcription, QStringLiteral("les"));
    expectSame(groups, roundTrip(groups, QStringLiteral("words.csv")));
    const QByteArray bytes = test::readAll(dir.filePath("words.csv"));
    EXPECT_TRUE(
        bytes.startsWith("\xEF\xBB\xBFgroup,title,word,phonetic,meaning,stability,difficulty,next_review,reviews\r\n"));
}

// Read a range at a time, the file is the same as written whole; a read that
// fails half-way leaves the file that was there as it was.
TEST_F(ExportFixture, GroupsReadInRangesWriteTheSameFileOrNone)
{
    const auto groups = source();
    for (const char *name : {"whole.csv", "whole.txt"})
        ASSERT_FALSE(exporting::writeFile(dir.filePath(name), groups).has_value());
    for (const char *name : {"ranges.csv", "ranges.txt"}) {
        size_t at = 0;
        const auto error = exporting::writeFile(dir.filePath(name), [&](std::vector<exporting::ExportGroup> &next) {
            next.assign(groups.begin() + static_cast<long>(at),
                        groups.begin() + static_cast<long>(std::min(at + 4, groups.size())));
            at += next.size();
            return std::optional<QString>();
        });
        ASSERT_FALSE(error.has_value()) << qPrintable(*error);
    }
    EXPECT_EQ(test::readAll(dir.filePath("ranges.csv")), test::readAll(dir.filePath("whole.csv")));
    EXPECT_EQ(test::readAll(dir.filePath("ranges.txt")), test::readAll(dir.filePath("whole.txt")));

    int calls = 0;
    const auto error = exporting::writeFile(dir.filePath("whole.csv"), [&](std::vector<exporting::ExportGroup> &next) {
        next.assign(groups.begin(), groups.begin() + 2);
        return ++calls < 3 ? std::optional<QString>() : std::optional<QString>(QStringLiteral("the server stopped"));
    });
    EXPECT_EQ(error, QStringLiteral("the server stopped"));
    EXPECT_EQ(test::readAll(dir.filePath("whole.csv")), test::readAll(dir.filePath("ranges.csv")));
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("whole.csv?*")}, QDir::Files | QDir::Hidden).size(), 0);
}

// The learner's answers go out with their words (in a CSV file's columns,
// in an Anki package's review log) and come back as they were (the log, so
// the memories too) into a new database, and merge into one
// that holds some of them already; a reviews field that cannot be read
// refuses the file, naming its line.
TEST_F(ExportFixture, AnswersComeBackThroughCsvAndAnkiPackage)
{
    const auto groups = source();
    const QString sourceDb = dir.filePath("source.mdb");
    const auto history = [](const QString &database) {
        platform::OdbcConnection connection;
        EXPECT_FALSE(connectDatabaseFile(connection, database).has_value());
        exporting::AnswerHistory h;
        EXPECT_FALSE(WordStore(connection).readAnswers(h.answers).has_value());
        EXPECT_FALSE(WordStore(connection).readMemories(h.memories).has_value());
        return h;
    };
    {
        platform::OdbcConnection connection;
        ASSERT_FALSE(connectDatabaseFile(connection, sourceDb).has_value());
        const memory::Model model;
        const QDate day(2026, 3, 2);
        const std::vector<Answer> answers{{QStringLiteral("apple"), day, 1000, memory::Grade::Good},
                                          {QStringLiteral("apple"), day.addDays(3), 500, memory::Grade::Again},
                                          {QStringLiteral("apple"), day.addDays(4), 700, memory::Grade::Good},
                                          {QStringLiteral("rock 'n' roll"), day, 2000, memory::Grade::Again}};
        for (const Answer &a : answers)
            ASSERT_FALSE(recordAnswer(connection, a, model, {}).has_value());
    }
    const exporting::AnswerHistory before = history(sourceDb);
    ASSERT_EQ(before.answers.size(), 2u);
    for (const char *name : {"answers.csv", "answers.apkg"}) {
        const QString file = dir.filePath(name);
        ASSERT_FALSE(exporting::writeFile(file, groups, before).has_value());
        const QString fresh = file + QStringLiteral(".mdb");
        const import::ImportReport report = import::importWordFile(file, fresh, 0);
        ASSERT_TRUE(report.ok) << qPrintable(report.line);
        const exporting::AnswerHistory after = history(fresh);
        EXPECT_EQ(after.answers, before.answers) << name;
        ASSERT_EQ(after.memories.size(), before.memories.size()) << name;
        for (auto it = before.memories.cbegin(); it != before.memories.cend(); ++it) {
            const WordMemory &m = after.memories.value(it.key());
            EXPECT_DOUBLE_EQ(m.state.stability, it->state.stability) << name << qPrintable(it.key());
            EXPECT_DOUBLE_EQ(m.state.difficulty, it->state.difficulty) << name << qPrintable(it.key());
            EXPECT_EQ(m.due, it->due) << name;
            EXPECT_EQ(m.lapses, it->lapses) << name;
        }
    }
    const QString file = dir.filePath("answers.csv");
    // Into the database they came from, with its groups there already: nothing twice.
    ASSERT_TRUE(import::importWordFile(file, sourceDb, 0).ok);
    EXPECT_EQ(history(sourceDb).answers, before.answers);

    QByteArray broken = test::readAll(file);
    const qsizetype at = broken.indexOf(":3:1000");
    ASSERT_GT(at, 0);
    broken.replace(at, 7, ":9:1000");
    const QString brokenFile = dir.filePath("broken.csv");
    test::writeAll(brokenFile, broken);
    const QString untouched = dir.filePath("untouched.mdb");
    const import::ImportReport refused = import::importWordFile(brokenFile, untouched, 0);
    EXPECT_FALSE(refused.ok);
    const int line = static_cast<int>(broken.left(at).count('\n')) + 1;
    EXPECT_TRUE(refused.line.contains(QStringLiteral("line %1: the reviews").arg(line))) << qPrintable(refused.line);
    EXPECT_FALSE(QFile::exists(untouched));
}

TEST_F(ExportFixture, WordFileReadsBackTheSameInGb18030)
{
    const auto groups = source();
    expectSame(groups, roundTrip(groups, QStringLiteral("words.txt")));
    const QByteArray bytes = test::readAll(dir.filePath("words.txt"));
    EXPECT_FALSE(codec::isValidUtf8(bytes));
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n'));
    EXPECT_TRUE(codec::fromGb18030(bytes).contains(QStringLiteral("\r\nword1#n. 单词1#wɜːd1\r\n")));

    // The trainer's own text mode reads the same.
    WordBuffer buffer;
    ASSERT_TRUE(loadWordFile(dir.filePath("words.txt"), buffer).ok);
    std::vector<exporting::ExportGroup> shown;
    for (long row = 1; row <= buffer.rowCount(); ++row) {
        const WordRow &r = buffer.row(row);
        if (buffer.isHeader(row))
            shown.push_back({0, r.meaning.value_or(QString()), {}});
        else
            shown.back().words.push_back({r.word.value_or(QString()), bareTranscription(r.phonetic.value_or(QString())),
                                          r.meaning.value_or(QString()).trimmed()});
    }
    expectSame(groups, shown);
}

TEST_F(ExportFixture, AnkiPackageReadsBackTheSame)
{
    auto groups = source();
    // Spaces and breaks that markup would fold: kept as written.
    groups.push_back({16,
                      QStringLiteral("Spaces"),
                      {{QStringLiteral("space"), QString(), QStringLiteral("n. 空间\u3000太空  空白\n（两行）")},
                       {QStringLiteral("gap"), QString(), QStringLiteral("n.  间隙 \n 缺口")}}});
    expectSame(groups, roundTrip(groups, QStringLiteral("words.apkg")));
}

// The package opened as Anki opens it: the collection's tables, the note type
// and a deck for each group in col, three fields a note, a card a note in its
// group's deck, and no media.
TEST_F(ExportFixture, AnkiPackageHasTheCollectionLayout)
{
    const auto groups = source();
    const QString file = dir.filePath(QStringLiteral("words.apkg"));
    ASSERT_FALSE(exporting::writeFile(file, groups).has_value());

    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(file).constData(), ZIP_RDONLY, &error);
    ASSERT_NE(zip, nullptr);
    const auto entry = [zip](const char *name) {
        QByteArray bytes;
        zip_stat_t stat;
        if (zip_stat(zip, name, 0, &stat) != 0)
            return bytes;
        bytes.resize(static_cast<qsizetype>(stat.size));
        zip_file_t *f = zip_fopen(zip, name, 0);
        zip_fread(f, bytes.data(), stat.size);
        zip_fclose(f);
        return bytes;
    };
    EXPECT_EQ(entry("media"), QByteArray("{}"));
    const QString collection = dir.filePath(QStringLiteral("collection.anki2"));
    ASSERT_TRUE(test::writeAll(collection, entry("collection.anki2")));
    zip_close(zip);

    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(collection).constData(), &db), SQLITE_OK);
    const auto rows = [db](const char *sql) {
        std::vector<QStringList> out;
        sqlite3_stmt *s = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &s, nullptr), SQLITE_OK) << sql;
        while (sqlite3_step(s) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(s); ++i)
                row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, i)));
            out.push_back(row);
        }
        sqlite3_finalize(s);
        return out;
    };
    std::set<QString> tables;
    for (const QStringList &r : rows("select name from sqlite_master where type = 'table'"))
        tables.insert(r[0]);
    EXPECT_EQ(tables, (std::set<QString>{"col", "notes", "cards", "revlog", "graves"}));

    const auto col = rows("select ver, models, decks, dconf from col");
    ASSERT_EQ(col.size(), 1u);
    EXPECT_EQ(col[0][0], QStringLiteral("11"));
    const QJsonObject models = QJsonDocument::fromJson(col[0][1].toUtf8()).object();
    ASSERT_EQ(models.size(), 1);
    const QJsonObject model = models.begin()->toObject();
    EXPECT_EQ(QString::number(model.value("id").toInteger()), models.begin().key());
    QStringList fields;
    for (const QJsonValue f : model.value("flds").toArray())
        fields << f.toObject().value("name").toString();
    EXPECT_EQ(fields, (QStringList{"Word", "Phonetic", "Meaning"}));
    EXPECT_EQ(model.value("tmpls").toArray().size(), 1);
    EXPECT_TRUE(QJsonDocument::fromJson(col[0][3].toUtf8()).object().contains(QStringLiteral("1")));

    // Anki lists decks by name: that order is the groups' order.
    const QJsonObject decks = QJsonDocument::fromJson(col[0][2].toUtf8()).object();
    ASSERT_EQ(decks.size(), static_cast<qsizetype>(groups.size()) + 1); // and Default
    std::map<QString, QString> deckNames;                               // by id
    for (auto it = decks.begin(); it != decks.end(); ++it) {
        EXPECT_EQ(QString::number(it->toObject().value("id").toInteger()), it.key());
        deckNames[it.key()] = it->toObject().value("name").toString();
    }
    EXPECT_EQ(deckNames["1"], QStringLiteral("Default"));

    std::vector<std::pair<QString, QStringList>> byDeck; // deck name, fields
    for (const QStringList &r : rows("select n.flds, c.did, n.mid, n.guid from notes n join cards c on c.nid = n.id "
                                     "order by n.id")) {
        EXPECT_EQ(r[2], models.begin().key());
        byDeck.emplace_back(deckNames.at(r[1]), r[0].split(QChar(0x1F)));
    }
    std::stable_sort(byDeck.begin(), byDeck.end(),
                     [](const auto &a, const auto &b) { return a.first.compare(b.first, Qt::CaseInsensitive) < 0; });
    std::vector<QStringList> expected;
    for (const auto &g : groups)
        for (const auto &w : g.words)
            expected.push_back(
                {w.word.toHtmlEscaped(),
                 w.transcription.isEmpty() ? QString() : QLatin1Char('/') + w.transcription + QLatin1Char('/'),
                 w.meaning.toHtmlEscaped()});
    ASSERT_EQ(byDeck.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(byDeck[i].second, expected[i]) << i;
    EXPECT_EQ(rows("select count(distinct guid) from notes")[0][0], QString::number(expected.size()));
    sqlite3_close(db);
}

// The notebook: what Alt+D appended (GB18030, CR LF, a word noted twice, the
// transcription as the word window showed it), once each, back the same.
TEST_F(ExportFixture, NotebookExportsItsWordsOnce)
{
    const QString notebook = dir.filePath(QStringLiteral("生词本.txt"));
    ASSERT_TRUE(test::writeAll(notebook, codec::toGb18030(QStringLiteral("apple# n. 苹果#/ˈæpl/\r\n"
                                                                         "rock#n. 岩石#\r\n"
                                                                         "apple# n. 苹果#/ˈæpl/\r\n"
                                                                         "cat#n. 猫#kæt\r\n"))));
    exporting::ExportGroup group;
    ASSERT_FALSE(exporting::readNotebook(notebook, QStringLiteral("生词本"), group).has_value());
    const std::vector<exporting::PlainWord> expected{
        {QStringLiteral("apple"), QStringLiteral("ˈæpl"), QStringLiteral("n. 苹果")},
        {QStringLiteral("rock"), QString(), QStringLiteral("n. 岩石")},
        {QStringLiteral("cat"), QStringLiteral("kæt"), QStringLiteral("n. 猫")}};
    EXPECT_EQ(group.words, expected);
    const auto back = roundTrip({group}, QStringLiteral("notebook.apkg"));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].title, QStringLiteral("生词本"));
    EXPECT_EQ(back[0].words, expected);
}

} // namespace
