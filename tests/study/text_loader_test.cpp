#include "config/codec.h"
#include "study/text_loader.h"
#include "support/files.h"
#include "support/words.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kelp;

namespace {

void expectRow(const WordBuffer &b, long row, const Cell &da, const Cell &meaning, const Cell &yb)
{
    SCOPED_TRACE(row);
    EXPECT_EQ(b.item(row, 1), da);
    EXPECT_EQ(b.item(row, 2), meaning);
    EXPECT_EQ(b.item(row, 3), yb);
}

QString wordLines(int n)
{
    QString s;
    for (int i = 1; i <= n; ++i)
        s += QStringLiteral("w%1#m%1\r\n").arg(i);
    return s;
}

} // namespace

TEST(TextLoader, TitlesWordsAndTranscriptions)
{
    const WordBuffer b = test::wordsFrom(QStringLiteral("Unit 1\r\napple#苹果\r\nbook#书#buk\r\n"));
    ASSERT_EQ(b.rowCount(), 3);
    expectRow(b, 1, QString("1"), QString("Unit 1"), std::nullopt);
    expectRow(b, 2, QString("apple"), QStringLiteral("苹果"), std::nullopt);
    expectRow(b, 3, QString("book"), QStringLiteral("书"), QString("/ buk/"));
}

TEST(TextLoader, FieldRules)
{
    const WordBuffer b =
        test::wordsFrom(QStringLiteral(" apple  #苹果 \nword##x\nword#meaning#\na#b#c#d\n#x\n2#二\n\tw\t#m\n"));
    ASSERT_EQ(b.rowCount(), 7);
    expectRow(b, 1, QString("apple"), QStringLiteral("苹果 "), std::nullopt);
    expectRow(b, 2, QString("word"), QString("#x"), std::nullopt);
    expectRow(b, 3, QString("word"), QString("meaning"), std::nullopt);
    expectRow(b, 4, QString("a"), QString("b"), QString("/ c#d/"));
    expectRow(b, 5, QString(""), QString("x"), std::nullopt);
    expectRow(b, 6, QString("2"), QStringLiteral("二"), std::nullopt);
    EXPECT_TRUE(b.isHeader(6));                                    // a numeric word reads as a header
    expectRow(b, 7, QString("\tw\t"), QString("m"), std::nullopt); // only spaces are trimmed
}

TEST(TextLoader, EmptyLinesStartGroupsWithEmptyTitles)
{
    const WordBuffer b = test::wordsFrom(QStringLiteral("a#1\r\n\r\nb#2\r\n\r\n"));
    ASSERT_EQ(b.rowCount(), 4);
    expectRow(b, 2, QString("1"), QString(""), std::nullopt);
    expectRow(b, 4, QString("2"), QString(""), std::nullopt);
    // The title row keeps leading and trailing blanks.
    EXPECT_EQ(test::wordsFrom(QStringLiteral("  Unit 2  \n")).item(1, 2), QString("  Unit 2  "));
}

TEST(TextLoader, NumberedHeadersForFilesWithoutTitles)
{
    const WordBuffer b = test::wordsFrom(wordLines(25));
    ASSERT_EQ(b.rowCount(), 28);
    expectRow(b, 1, QString("1"), QStringLiteral("无组标题"), std::nullopt);
    expectRow(b, 12, QString("2"), QStringLiteral("无组标题"), std::nullopt);
    expectRow(b, 23, QString("3"), QStringLiteral("无组标题"), std::nullopt);
    expectRow(b, 2, QString("w1"), QString("m1"), std::nullopt);
    expectRow(b, 28, QString("w25"), QString("m25"), std::nullopt);

    const WordBuffer ten = test::wordsFrom(wordLines(10));
    ASSERT_EQ(ten.rowCount(), 10);
    for (long r = 1; r <= 10; ++r)
        EXPECT_FALSE(ten.isHeader(r));

    // Exactly eleven lines: two groups, the second with one word.
    const WordBuffer eleven = test::wordsFrom(wordLines(11));
    ASSERT_EQ(eleven.rowCount(), 13);
    expectRow(eleven, 12, QString("2"), QStringLiteral("无组标题"), std::nullopt);
}

TEST(TextLoader, LineEnds)
{
    // LF and CR LF end lines; a lone CR stays inside the line.
    const WordBuffer b = test::wordsFrom(QStringLiteral("a#x\ny\nb#p\rq\r\nc#z"));
    ASSERT_EQ(b.rowCount(), 4);
    expectRow(b, 1, QString("a"), QString("x"), std::nullopt);
    expectRow(b, 2, QString("1"), QString("y"), std::nullopt);
    expectRow(b, 3, QString("b"), QString("p\rq"), std::nullopt);
    expectRow(b, 4, QString("c"), QString("z"), std::nullopt);
    EXPECT_EQ(test::wordsFrom(QString()).rowCount(), 0);
}

TEST(TextLoader, ReadsGbkAndUtf8Files)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("第一课\r\nsea#n. 海洋#si:\r\n");
    for (const QByteArray &bytes : {codec::toGb18030(text), text.toUtf8()}) {
        const QString path = dir.filePath("words.txt");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        WordBuffer b;
        ASSERT_TRUE(loadWordFile(path, b).ok);
        ASSERT_EQ(b.rowCount(), 2);
        expectRow(b, 1, QString("1"), QStringLiteral("第一课"), std::nullopt);
        expectRow(b, 2, QString("sea"), QStringLiteral("n. 海洋"), QString("/ si:/"));
    }
}

TEST(TextLoader, ShortFilesValidInBothEncodingsReadAsTheyMeanChinese)
{
    // 猫 in GBK is C3 A8, "è" in UTF-8; ʃɪ and ä are letters of words in UTF-8.
    const std::pair<QByteArray, QStringList> cases[] = {
        {codec::toGb18030(QStringLiteral("Unit two\r\ncat#猫\r\n")), {"cat", "猫", ""}},
        {QStringLiteral("ship#n. 船#ʃɪp\r\n").toUtf8(), {"ship", "n. 船", "/ ʃɪp/"}},
        {QStringLiteral("Mädchen#女孩\r\n").toUtf8(), {"Mädchen", "女孩", ""}},
        {QStringLiteral("sh#/ʃ/\r\n").toUtf8(), {"sh", "/ʃ/", ""}},
    };
    for (const auto &[bytes, expected] : cases) {
        WordBuffer b;
        loadWordBytes(bytes, b);
        const WordRow &row = b.row(b.rowCount());
        EXPECT_EQ((QStringList{row.word.value_or(QString()), row.meaning.value_or(QString()),
                               row.phonetic.value_or(QString())}),
                  expected);
    }
}

TEST(TextLoader, ALargeFileReadInPiecesLoadsAsAWhole)
{
    // Several pieces' worth of lines, without titles, in both encodings: every
    // line whole, wherever a piece ends, and the numbered headers in place.
    QString text;
    for (int i = 0; i < 60000; ++i)
        text += QStringLiteral("word%1#释义%1 的意思#wɜːd\r\n").arg(i);
    WordBuffer whole;
    loadWordText(text, whole);
    for (const QByteArray &bytes : {codec::toGb18030(text), QByteArray("\xEF\xBB\xBF") + text.toUtf8()}) {
        ASSERT_GT(bytes.size(), 2 << 20);
        WordBuffer pieces;
        loadWordBytes(bytes, pieces);
        ASSERT_EQ(pieces.rowCount(), whole.rowCount());
        long differ = 0;
        for (long r = 1; r <= pieces.rowCount(); ++r)
            for (int c = 1; c <= 3; ++c)
                differ += pieces.item(r, c) != whole.item(r, c);
        EXPECT_EQ(differ, 0);
        expectRow(pieces, 12, QString("2"), QStringLiteral("无组标题"), std::nullopt);
    }
}

TEST(TextLoader, AWordFileOverSixtyFourMegabytesLoads)
{
    // A long list is no reason to refuse it: over 64 MiB of lines, the last one read whole.
    QTemporaryDir dir;
    const QString path = dir.filePath("big.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArray line = "Unit\r\n" + QByteArray("word#") + QByteArray(100, 'm') + "#t\r\n";
        const QByteArray block = line.repeated(8192);
        for (qint64 written = 0; written <= (qint64(65) << 20); written += block.size())
            ASSERT_EQ(f.write(block), block.size());
        ASSERT_TRUE(f.write("last#end\r\n") > 0);
    }
    ASSERT_GE(maxWordFileBytes(), qint64(1) << 30);
    WordBuffer buffer;
    const TextLoadResult r = loadWordFile(path, buffer);
    ASSERT_TRUE(r.ok) << qPrintable(r.error);
    EXPECT_EQ(buffer.item(buffer.rowCount(), 1), QStringLiteral("last"));
}

TEST(TextLoader, AByteOrderMarkOnlyStartsTheText)
{
    // GB18030's mark (U+FEFF) before the first title is no part of it; a
    // U+FEFF within the file is kept, in either encoding.
    const QString text = QStringLiteral("Unit\r\nsea#\uFEFF海洋#\uFEFFsiː\r\n\uFEFF");
    WordBuffer gb;
    loadWordBytes(codec::toGb18030(QChar(0xFEFF) + text), gb);
    WordBuffer utf8;
    loadWordBytes("\xEF\xBB\xBF" + text.toUtf8(), utf8);
    for (const WordBuffer *b : {&gb, &utf8}) {
        ASSERT_EQ(b->rowCount(), 3);
        expectRow(*b, 1, QString("1"), QString("Unit"), std::nullopt);
        expectRow(*b, 2, QString("sea"), QStringLiteral("\uFEFF海洋"), QStringLiteral("/ \uFEFFsiː/"));
        expectRow(*b, 3, QString("2"), QStringLiteral("\uFEFF"), std::nullopt);
    }
}

TEST(WordBufferCells, LoadedRowsEditAndFindAsSetOnes)
{
    WordBuffer b = test::wordsFrom(QStringLiteral("Unit\n  12 #x\nsea#海#siː\n\u3000#y\n"));
    ASSERT_EQ(b.rowCount(), 4);
    EXPECT_TRUE(b.isHeader(1));
    EXPECT_TRUE(b.isHeader(2)); // a numeric word, blanks around it
    EXPECT_FALSE(b.isHeader(3));
    EXPECT_FALSE(b.isHeader(4));
    EXPECT_EQ(b.find("12"), 2);
    EXPECT_EQ(b.find("1"), 1);
    EXPECT_EQ(b.find(QStringLiteral("\u3000")), 4);
    const WordRow row = b.row(3);
    EXPECT_EQ(row.word, QString("sea"));
    EXPECT_EQ(row.meaning, QStringLiteral("海"));
    EXPECT_EQ(row.phonetic, QStringLiteral("/ siː/"));
    // A changed cell leaves the row's others as they were.
    b.setItem(3, kMeaningColumn, QStringLiteral("大海"));
    expectRow(b, 3, QString("sea"), QStringLiteral("大海"), QStringLiteral("/ siː/"));
    EXPECT_EQ(b.insertRow(2), 2);
    b.setItem(2, kWordColumn, "12");
    EXPECT_EQ(b.find("12"), 2);
    EXPECT_EQ(b.find("sea"), 4);
    expectRow(b, 3, QString("12"), QString("x"), std::nullopt);
    expectRow(b, 5, QStringLiteral("\u3000"), QString("y"), std::nullopt);
}

TEST(TextLoader, UnreadableFileAddsNoRows)
{
    QTemporaryDir dir;
    WordBuffer b;
    // A folder exists but is not a readable file.
    const TextLoadResult r = loadWordFile(dir.path(), b);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(b.rowCount(), 0);
    EXPECT_FALSE(loadWordFile(dir.filePath("missing.txt"), b).ok);
    EXPECT_EQ(b.rowCount(), 0);
}

TEST(WordBufferCells, NullDiffersFromEmpty)
{
    WordBuffer b;
    const long r = b.appendRow();
    EXPECT_EQ(b.item(r, 3), std::nullopt);
    b.setItem(r, 3, QString());
    EXPECT_EQ(b.item(r, 3), QString(""));
    EXPECT_EQ(b.item(5, 1), std::nullopt);
    b.setItem(1, 1, "12");
    EXPECT_EQ(b.find("12"), 1);
    EXPECT_EQ(b.find("1"), 0);
    EXPECT_EQ(b.insertRow(1), 1);
    EXPECT_EQ(b.find("12"), 2);
}

TEST(WordBufferCells, NumericTest)
{
    for (const char *yes : {"12", " 7 ", "-3", "1.5", "2e3", "+4"})
        EXPECT_TRUE(isNumber(QString(yes))) << yes;
    for (const char *no : {"", " ", "abc", "1a", "e5", "1.2.3", "--1", "."})
        EXPECT_FALSE(isNumber(QString(no))) << no;
    EXPECT_EQ(numberValue(" 12 "), 12);
    EXPECT_EQ(numberValue("x"), 0);
}

TEST(TextLoader, FifoOrLockedFileIsRefusedAtOnce)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("words.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    WordBuffer b;
    const TextLoadResult special = loadWordFile(fifo, b);
    EXPECT_FALSE(special.ok);
    EXPECT_TRUE(special.error.contains(fifo));
    EXPECT_EQ(b.rowCount(), 0);

    const QString locked = dir.filePath("locked.txt");
    ASSERT_TRUE(test::writeAll(locked, "a#b\n"));
    const int other = ::open(QFile::encodeName(locked).constData(), O_RDONLY);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    EXPECT_EQ(loadWordFile(locked, b).error, QStringLiteral("文件正被其他程序使用:%1").arg(locked));
    ::close(other);
    EXPECT_TRUE(loadWordFile(locked, b).ok);
    EXPECT_EQ(b.rowCount(), 1);
}
