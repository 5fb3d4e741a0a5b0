// Imports of files that other programs wrote, each ending where the trainer
// reads the words back in group-range mode.
//   KVTML: Debian's kdeedu-kvtml-data and KWordQuiz's examples (scripts/setup installs them).
//   data/words-sheet.csv, data/words-sheet-gb18030.csv: LibreOffice 7.4 from data/words-sheet.fods,
//     soffice --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' (UTF-8, comma)
//     and ':59,34,85,1' (GB18030, semicolon).
//   data/anki-deck.apkg: the npm package anki-apkg-export 4, data/make-apkg.js.
//   data/anki-notes.txt: Anki's "Notes in Plain Text" layout (guid, note type, deck and tags columns).
#include "config/codec.h"
#include "import/line_reader.h"
#include "import/word_import.h"
#include "platform/odbc.h"
#include "studydb/data_source.h"
#include "studydb/study_database.h"
#include "support/database_fixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

using namespace kelp;

namespace {

const QString kData = QStringLiteral(KELP_IMPORT_DATA);

struct ImportFixture : ::testing::Test {
    QTemporaryDir dir;
    QString dbPath;

    void SetUp() override
    {
        test::odbcIniPath();
        dbPath = dir.filePath("kelp.mdb");
    }

    import::ImportReport add(const QString &file, int groupSize = 10) {
        return import::importWordFile(file, dbPath, groupSize);
} import::ImportReport add(const QString &file, const import::ImportOptions &options)
{
    return import::importWordFile(file, dbPath, options);
}

// What the trainer loads in group-range mode: per word "word|transcription|meaning",
// per group "#title".
QStringList trainerReads(const QString &range = QStringLiteral("1-32767"))
{
    platform::OdbcConnection c;
    const QString text = QStringLiteral("Driver={") + platform::registeredDriverPath(kDriverName) +
                         QStringLiteral("};Database=") + dbPath + QStringLiteral(";NoCreat=1;JDConv=1");
    EXPECT_EQ(c.connect(text, true), 0) << qPrintable(c.errorText);
    WordBuffer buffer;
    std::vector<int> groups;
    const auto error = loadGroupRange(c, range, buffer, groups);
    EXPECT_FALSE(error.has_value());
    QStringList out;
    for (long r = 1; r <= buffer.rowCount(); ++r) {
        const WordRow &row = buffer.row(r);
        if (buffer.isHeader(r))
            out << QLatin1Char('#') + row.meaning.value_or(QString());
        else
            out << row.word.value_or(QString()) + QLatin1Char('|') + row.phonetic.value_or(QString()) +
                       QLatin1Char('|') + row.meaning.value_or(QString());
    }
    return out;
}

QByteArray dbBytes()
{
    QFile f(dbPath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}; // namespace

QStringList kvtmlFiles()
{
    QStringList files;
    for (const QString &root :
         {QStringLiteral("/usr/share/apps/kvtml"), QStringLiteral("/usr/share/kwordquiz/examples")}) {
        QDirIterator it(root, {QStringLiteral("*.kvtml")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    }
    files.sort();
    return files;
}

int skippedCount(const QString &line)
{
    static const QRegularExpression skipped(QStringLiteral("skipped (\\d+) without a word"));
    const auto m = skipped.match(line);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

} // namespace

TEST_F(ImportFixture, KvtmlOfDebianAndKWordQuiz)
{
    const QStringList files = kvtmlFiles();
    ASSERT_GT(files.size(), 300) << "kdeedu-kvtml-data and kwordquiz are missing: run scripts/setup";
    static const QRegularExpression entry(QStringLiteral("<e>|<e |<entry id="));
    int total = 0;
    for (const QString &file : files) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        const int entriesBefore = static_cast<int>(text.left(text.indexOf(QLatin1String("<lessons>"))).count(entry));
        import::ImportOptions again; // files of several languages share lessons word for word
        again.again = true;
        const import::ImportReport r = add(file, again);
        // One file of the package declares UTF-8 but is Latin-1: refused, named, nothing added.
        if (file.endsWith(QLatin1String("sv/animals.kvtml"))) {
            EXPECT_FALSE(r.ok);
            EXPECT_TRUE(r.line.contains(file) && r.line.contains(QLatin1String("not valid UTF-8 at line")))
                << qPrintable(r.line);
            continue;
        }
        ASSERT_TRUE(r.ok) << qPrintable(r.line);
        EXPECT_EQ(r.words + skippedCount(r.line), entriesBefore) << qPrintable(file);
        total += r.words;
    }
    EXPECT_GT(total, 10000);
    // The KWordQuiz example, read back: its lesson, first translation with second as meaning.
    const int before = static_cast<int>(trainerReads().filter(QRegularExpression(QStringLiteral("^#"))).size());
    import::ImportOptions again;
    again.again = true;
    ASSERT_TRUE(add(QStringLiteral("/usr/share/kwordquiz/examples/example.kvtml"), again).ok);
    const QStringList example = trainerReads(QStringLiteral("%1-32767").arg(before + 1));
    ASSERT_GE(example.size(), 3);
    EXPECT_EQ(example[0], QStringLiteral("#Default Lesson"));
    EXPECT_EQ(example[1], QStringLiteral("one||ein"));
    // Comments stand in for a missing second translation; pronunciations become transcriptions.
    const QStringList animals = [&] {
        QTemporaryDir other;
        dbPath = other.filePath("kelp.mdb");
        EXPECT_TRUE(add(QStringLiteral("/usr/share/apps/kvtml/en/animals.kvtml")).ok);
        return trainerReads();
    }();
    EXPECT_EQ(animals.value(0), QStringLiteral("#Animals 1"));
    EXPECT_EQ(animals.value(1), QStringLiteral("bear||Large heavy animal with thick fur"));
}

TEST_F(ImportFixture, SpreadsheetCsvFromLibreOffice)
{
    ASSERT_TRUE(add(dir.filePath("missing.csv")).line.contains(dir.filePath("missing.csv")));
    ASSERT_FALSE(QFile::exists(dbPath)) << "a failed first import leaves no database behind";
    // The trainer keeps the blank after a transcription, as for any database word.
    QStringList expected{
        QStringLiteral("#words-sheet 1"),
        QStringLiteral("apple|/ˈæpl/| n. 苹果, 苹果树"),
        QStringLiteral("say \"cheese\"||拍照时说的话"),
        QStringLiteral("line|/laɪn/| n. 线\nv. 排队"),
        QStringLiteral("either/or||二者择一; 和／或"), // the trainer reads a "/" as the end of a transcription
        QStringLiteral("#words-sheet 2"),
        QStringLiteral("water|/ˈwɔːtə/| n. 水"),
    };
    for (const char *name : {"words-sheet.csv", "words-sheet-gb18030.csv"}) {
        QFile::remove(dbPath);
        const import::ImportReport r = add(kData + QLatin1Char('/') + QLatin1String(name), 4);
        ASSERT_TRUE(r.ok) << qPrintable(r.line);
        EXPECT_EQ(r.words, 5);
        EXPECT_EQ(skippedCount(r.line), 1) << qPrintable(r.line);
        const QString base = QFileInfo(QLatin1String(name)).completeBaseName();
        EXPECT_EQ(trainerReads().join(QLatin1Char('\n')),
                  expected.join(QLatin1Char('\n'))
                      .replace(QStringLiteral("#words-sheet "), QLatin1Char('#') + base + QLatin1Char(' ')))
            << name;
    }
    // A second file comes after the groups already there.
    ASSERT_TRUE(add(kData + QStringLiteral("/words-sheet.csv"), 10).ok);
    EXPECT_EQ(trainerReads(QStringLiteral("3-3")).value(0), QStringLiteral("#words-sheet 1"));
}

namespace {
QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}
} // namespace

TEST_F(ImportFixture, AnkiNotesAndPackage)
{
    const import::ImportReport notes = add(kData + QStringLiteral("/anki-notes.txt"));
    ASSERT_TRUE(notes.ok) << qPrintable(notes.line);
    EXPECT_EQ(trainerReads().join(QLatin1Char('\n')),
              (QStringList{
                  QStringLiteral("#Kelp::Fruit"), QStringLiteral("apple||n. 苹果 (水果)"),
                  QStringLiteral("pear||n. 梨"), QStringLiteral("#Kelp::Places"),
                  QStringLiteral("river||n. 河流\n\"长江\""), // a line break, as Anki shows it
              }
                   .join(QLatin1Char('\n'))));
    QFile::remove(dbPath);
    const import::ImportReport package = add(kData + QStringLiteral("/anki-deck.apkg"));
    ASSERT_TRUE(package.ok) << qPrintable(package.line);
    EXPECT_EQ(trainerReads().join(QLatin1Char('\n')), (QStringList{
                                                          QStringLiteral("#Kelp test deck"),
                                                          QStringLiteral("apple||n. 苹果"),
                                                          QStringLiteral("river||n. 河流\n江"),
                                                          QStringLiteral("AT&T||美国电话电报公司 <公司>"),
                                                          QStringLiteral("say \"cheese\"||拍照时说的话"),
                                                      }
                                                           .join(QLatin1Char('\n'))));
    // Two exports joined into one: the second one's header lines, after its
    // byte order mark, are comments as Anki reads them, not notes.
    QFile::remove(dbPath);
    const import::ImportReport joined = add(writeFile(
        dir, "joined.txt",
        "\xEF\xBB\xBF#separator:tab\n#html:false\napple\t苹果\n\xEF\xBB\xBF#separator:tab\n#html:false\npear\t梨\n"));
    ASSERT_TRUE(joined.ok) << qPrintable(joined.line);
    EXPECT_EQ(trainerReads().mid(1), (QStringList{QStringLiteral("apple||苹果"), QStringLiteral("pear||梨")}));
}

TEST_F(ImportFixture, WhatIsNotAWordListAddsNothing)
{
    ASSERT_TRUE(add(kData + QStringLiteral("/words-sheet.csv")).ok);
    const QByteArray before = dbBytes();
    const auto write = [&](const char *name, const QByteArray &bytes) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };
    const std::pair<QString, const char *> cases[] = {
        {write("picture.csv", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), "binary"},
        {write("feed.xml", "<?xml version=\"1.0\"?><rss><channel/></rss>"), "not KVTML"},
        {write("empty.txt", ""), "empty"},
        {write("prose.txt", "Just a sentence.\nAnd another one.\n"), "neither"},
        {write("open.csv", "word,meaning\nfoo,\"never closed\nbar,baz\n"), "never closed"},
        {write("cut.kvtml", "<?xml version=\"1.0\"?><kvtml version=\"2.0\"><entries><entry id=\"0\">"), "broken KVTML"},
        {kData + QStringLiteral("/not-anki.zip"), "without an Anki collection"},
        {dir.path(), "folder"},
    };
    for (const auto &[path, reason] : cases) {
        const import::ImportReport r = add(path);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.line.startsWith(path) && r.line.contains(QLatin1String(reason))) << qPrintable(r.line);
    }
    // A database another program holds: a clear line after the wait, nothing half-written.
    {
        sqlite3 *holder = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(dbPath).constData(), &holder), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(holder, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
        const import::ImportReport r = add(kData + QStringLiteral("/words-sheet.csv"));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.line.contains(QLatin1String("locked"))) << qPrintable(r.line);
        sqlite3_close(holder);
    }
    EXPECT_EQ(dbBytes(), before);
}

TEST_F(ImportFixture, FormatComesFromTheContentNotTheName)
{
    const auto write = [&](const char *name, const QByteArray &bytes) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };
    QByteArray utf16("\xFF\xFE", 2);
    const QString tsv16 = QStringLiteral("pear\t梨\r\n");
    utf16.append(reinterpret_cast<const char *>(tsv16.utf16()), tsv16.size() * 2);
    const std::pair<QString, QStringList> cases[] = {
        {write("tabs.csv", "apple\t苹果\nbanana\t\"香蕉, 芭蕉\"\n"),
         {QStringLiteral("#tabs 1"), QStringLiteral("apple||苹果"), QStringLiteral("banana||香蕉, 芭蕉")}},
        {write("gbk.tsv", codec::toGb18030(QStringLiteral("第一课\r\napple#苹果#ˈæpl\r\n"))),
         {QStringLiteral("#第一课"), QStringLiteral("apple|/ˈæpl/| 苹果")}},
        {write("words.dat", "river,河流\nsea,海\n"),
         {QStringLiteral("#words 1"), QStringLiteral("river||河流"), QStringLiteral("sea||海")}},
        {write("wide.txt", utf16), {QStringLiteral("#wide 1"), QStringLiteral("pear||梨")}},
        // KVTML as Parley writes it: a pronunciation, a lesson within a lesson, an entry in none.
        {write("lessons.xml",
               "<?xml version=\"1.0\"?><kvtml version=\"2.0\"><information><title>Doc</title></information>"
               "<entries><entry id=\"0\"><translation id=\"0\"><text>cat</text>"
               "<pronunciation>kæt</pronunciation></translation><translation id=\"1\"><text>猫</text>"
               "</translation></entry><entry id=\"1\"><translation id=\"0\"><text>dog</text>"
               "<comment>a pet</comment></translation></entry><entry id=\"2\"><translation id=\"1\">"
               "<text>鱼</text></translation><translation id=\"0\"><text>fish</text></translation></entry>"
               "</entries><lessons><container><name>Pets</name><entry id=\"0\"/><container><name>Dogs</name>"
               "<entry id=\"1\"/></container></container></lessons></kvtml>"),
         {QStringLiteral("#Pets"), QStringLiteral("cat|/kæt/| 猫"), QStringLiteral("#Dogs"),
          QStringLiteral("dog||a pet"), QStringLiteral("#Doc 1"), QStringLiteral("fish||鱼")}},
    };
    for (const auto &[path, expected] : cases) {
        QFile::remove(dbPath);
        const import::ImportReport r = add(path);
        ASSERT_TRUE(r.ok) << qPrintable(r.line);
        EXPECT_EQ(trainerReads().join(QLatin1Char('\n')), expected.join(QLatin1Char('\n'))) << qPrintable(r.line);
    }
}

TEST_F(ImportFixture, ColumnsByTheirNamesOrValuesElseRefused)
{
    const std::pair<QByteArray, QStringList> cases[] = {
        // A numbering column is never the meaning; a part of speech goes before it; "Unit 2,,,," is a title.
        {"序号,单词,音标,词性,中文释义\n1,apple,/ˈæpl/,n.,苹果\nUnit 2,,,,\n2,pear,/peə/,n.,梨\n",
         {"#cols 1", "apple|/ˈæpl/| n. 苹果", "#Unit 2", "pear|/peə/| n. 梨"}},
        {"英文单词,中文意思\nriver,河流\n", {"#cols 1", "river||河流"}},
        {"English Word,Chinese Meaning\nsea,海\n", {"#cols 1", "sea||海"}},
        // No header: the transcriptions are told by their look, the English word by its letters.
        {"ship,/ʃɪp/,船\nboat,/bəʊt/,小船\n", {"#cols 1", "ship|/ʃɪp/| 船", "boat|/bəʊt/| 小船"}},
        {"猫,cat\n狗,dog\n", {"#cols 1", "cat||猫", "dog||狗"}},
    };
    for (const auto &[bytes, expected] : cases) {
        QFile::remove(dbPath);
        const import::ImportReport r = add(writeFile(dir, "cols.csv", bytes));
        ASSERT_TRUE(r.ok) << qPrintable(r.line);
        EXPECT_TRUE(r.line.endsWith(QStringLiteral("into ") + dbPath)) << qPrintable(r.line);
        EXPECT_EQ(trainerReads(), expected) << bytes.constData();
    }
    // Three columns of English: which is the meaning? Refused, the columns named; then said.
    const QByteArray before = dbBytes();
    const QString unclear = writeFile(dir, "unclear.csv", "alpha,beta,gamma\ndelta,epsilon,zeta\n");
    const import::ImportReport refused = add(unclear);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.line.contains(QLatin1String("3 \"gamma\"")) &&
                refused.line.contains(QLatin1String("--columns")))
        << qPrintable(refused.line);
    EXPECT_EQ(dbBytes(), before);
    import::ImportOptions said;
    said.columns = QStringLiteral("word,-,meaning");
    ASSERT_TRUE(add(unclear, said).ok);
    EXPECT_EQ(trainerReads(QStringLiteral("2-2")), (QStringList{"#unclear 1", "alpha||gamma", "delta||zeta"}));
}

TEST_F(ImportFixture, EncodingIsDecidedOverTheWholeFile)
{
    const QByteArray ascii = QByteArray("word#meaning\n").repeated(6000); // 78 KB before any Chinese
    // GB18030 whose Chinese comes late, and UTF-8 with one stray Latin-1 byte at 78 KB.
    ASSERT_TRUE(add(writeFile(dir, "late.txt", ascii + codec::toGb18030(QStringLiteral("cat#猫\n")))).ok);
    EXPECT_EQ(trainerReads().last(), QStringLiteral("cat||猫"));
    const import::ImportReport stray = add(writeFile(dir, "stray.txt",
                                                     QStringLiteral("apple#苹果\n").toUtf8().repeated(20) + ascii +
                                                         "caf\xE9#咖啡馆\n" + QStringLiteral("pear#梨\n").toUtf8()));
    ASSERT_TRUE(stray.ok) << qPrintable(stray.line);
    EXPECT_TRUE(stray.line.contains(QLatin1String("1 stray bytes replaced (line 6021)"))) << qPrintable(stray.line);
    EXPECT_EQ(trainerReads().last(), QStringLiteral("pear||梨"));
    EXPECT_EQ(trainerReads().filter(QStringLiteral("apple")).value(0), QStringLiteral("apple||苹果"));
    // Bytes that are no text in either: refused, naming the first line.
    const QByteArray before = dbBytes();
    const import::ImportReport broken =
        add(writeFile(dir, "broken.txt", "fine#ok\n" + QByteArray("bad#\x80\xFF\x80\xFF\n").repeated(40)));
    EXPECT_FALSE(broken.ok);
    EXPECT_TRUE(broken.line.contains(QLatin1String("from line 2 on"))) << qPrintable(broken.line);
    EXPECT_EQ(dbBytes(), before);
}

TEST_F(ImportFixture, OversizedOrDeepInputChangesNothing)
{
    // Into a new folder first: a refused first import leaves no database and no half-built one.
    QByteArray deep = "<?xml version=\"1.0\"?><kvtml version=\"2.0\"><lessons>";
    deep += QByteArray("<container>").repeated(50000);
    const QString nested = writeFile(dir, "nested.kvtml", deep);
    const import::ImportReport r = add(nested);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.line.contains(QLatin1String("nested"))) << qPrintable(r.line);
    EXPECT_EQ(QDir(dir.path()).entryList({"*mdb*"}, QDir::Files | QDir::Hidden), QStringList());
    // Markup nested deep inside a word's text: refused, not followed down the stack.
    const import::ImportReport markup = add(writeFile(
        dir, "markup.kvtml",
        "<?xml version=\"1.0\"?><kvtml version=\"2.0\"><entries><entry id=\"0\"><translation id=\"0\"><text>" +
            QByteArray("<b>").repeated(100000)));
    EXPECT_FALSE(markup.ok);
    EXPECT_TRUE(markup.line.contains(QLatin1String("markup nested more than 100 deep"))) << qPrintable(markup.line);
    // A build that a killed import left behind blocks nothing and goes.
    writeFile(dir, ".kelp.mdb.import-999999999", "half a database");
    ASSERT_TRUE(add(writeFile(dir, "ok.txt", "one#一\n")).ok);
    EXPECT_FALSE(QFile::exists(dir.filePath(".kelp.mdb.import-999999999")));
    const QByteArray before = dbBytes();
    const std::pair<QByteArray, const char *> cases[] = {
        {"a#b\n" + QByteArray(import::kMaxLineBytes + 10, 'x') + "#y\n", "line 2 is over 1 MB"},
        {"word,meaning\nw,\"" + QByteArray(import::kMaxFieldChars + 10, 'm') + "\"\n", "line 2 has a field over 64 KB"},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kvtml version=\"2.0\">\n<entries>\xE9</entries></kvtml>",
         "not valid UTF-8 at line 3"},
    };
    for (const auto &[bytes, why] : cases) {
        const import::ImportReport refused = add(writeFile(dir, "big.txt", bytes));
        EXPECT_FALSE(refused.ok);
        EXPECT_TRUE(refused.line.contains(QLatin1String(why))) << qPrintable(refused.line.left(300));
    }
    EXPECT_EQ(dbBytes(), before);
    // A file cut short (or grown) while it is read: an error that names the line, not a shorter list.
    for (const qint64 size : {qint64(1000), qint64(200000)}) {
        const QString path = writeFile(dir, "moving.txt", QByteArray("word#meaning\n").repeated(10000));
        import::LineReader lines;
        ASSERT_FALSE(lines.open(path).has_value());
        QString line;
        ASSERT_TRUE(lines.next(line));
        ASSERT_TRUE(QFile::resize(path, size));
        while (lines.next(line)) {
        }
        ASSERT_TRUE(lines.error().has_value()) << size;
        EXPECT_TRUE(lines.error()->contains(QLatin1String("changed while it was read"))) << qPrintable(*lines.error());
    }
}

TEST_F(ImportFixture, BigGroupsAreCutAndRepeatsSkipped)
{
    QByteArray lesson = "Animals\n";
    for (int i = 1; i <= 25; ++i)
        lesson += "animal" + QByteArray::number(i) + "#动物\n";
    const QString file = writeFile(dir, "lesson.txt", lesson);
    import::ImportOptions tens;
    tens.groupSize = 10;
    ASSERT_TRUE(add(file, tens).ok);
    const QStringList groups = trainerReads().filter(QRegularExpression(QStringLiteral("^#")));
    EXPECT_EQ(groups, (QStringList{"#Animals", "#Animals (2)", "#Animals (3)"}));
    EXPECT_EQ(trainerReads(QStringLiteral("3-3")).size(), 6);
    // The same file again adds nothing and says so; --again adds it all the same.
    const QByteArray before = dbBytes();
    const import::ImportReport repeat = add(file, tens);
    ASSERT_TRUE(repeat.ok) << qPrintable(repeat.line);
    EXPECT_EQ(repeat.words, 0);
    EXPECT_TRUE(repeat.line.contains(QLatin1String("3 groups already there"))) << qPrintable(repeat.line);
    EXPECT_EQ(dbBytes(), before);
    tens.again = true;
    EXPECT_EQ(add(file, tens).words, 25);
    // Group numbers run out: the message names the way out.
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(dbPath).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "insert into zb (xh, bt, cs) values (32767, 'last', 0)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const import::ImportReport full = add(writeFile(dir, "more.txt", "x#y\n"));
    EXPECT_FALSE(full.ok);
    EXPECT_TRUE(full.line.contains(QLatin1String("--group-size"))) << qPrintable(full.line);
}

TEST_F(ImportFixture, WordsReadBackAsStoredSoAFileIsRecognisedAgain)
{
    // Half of a UTF-16 pair has no UTF-8 form: from an HTML entity in Anki's
    // notes, and from a UTF-16 file. Two UTF-16 files put together repeat
    // the header after the second byte-order mark: names, not a word.
    const auto utf16 = [](const std::u16string &text) {
        QByteArray bytes;
        for (const char16_t c : text)
            bytes += QByteArray(reinterpret_cast<const char *>(&c), 2);
        return bytes;
    };
    const std::u16string bom(1, char16_t(0xFEFF));
    const struct {
        QString file;
        QString word; // the last word as the trainer reads it
        int words;
    } cases[] = {
        {writeFile(dir, "notes.txt", "#separator:tab\n#html:true\nab&#xD800;c\t苹果\n"),
         QStringLiteral("ab\uFFFDc||苹果"), 1},
        {writeFile(dir, "pears.csv", utf16(bom + u"word|meaning\npe" + char16_t(0xDD00) + u"ar|梨\n")),
         QStringLiteral("pe\uFFFDar||梨"), 1},
        {writeFile(dir, "joined.csv", utf16(bom + u"word|meaning\ncat|猫\n" + bom + u"word|meaning\ndog|狗\n")),
         QStringLiteral("dog||狗"), 2},
    };
    for (const auto &c : cases) {
        QFile::remove(dbPath);
        const import::ImportReport first = add(c.file);
        ASSERT_TRUE(first.ok) << qPrintable(first.line);
        EXPECT_EQ(first.words, c.words) << qPrintable(first.line);
        EXPECT_EQ(trainerReads().last(), c.word);
        const QByteArray before = dbBytes();
        const import::ImportReport repeat = add(c.file);
        ASSERT_TRUE(repeat.ok) << qPrintable(repeat.line);
        EXPECT_EQ(repeat.words, 0) << qPrintable(repeat.line);
        EXPECT_EQ(dbBytes(), before);
    }
}
