#include "config/codec.h"
#include "config/ini_file.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelp;
using test::readAll;
using test::writeAll;

namespace {

const QByteArray kSample = "; settings of the trainer\r\n"
                           "[Timer]\r\n"
                           "  JG = 5  \r\n"
                           "reci3=7\r\n"
                           "jg=9\r\n"
                           "unknown=keep me\r\n"
                           "\r\n"
                           "[sjly]\r\n"
                           "wbwj = \"my words.txt\"\r\n"
                           "[timer]\r\n"
                           "reci1=99\r\n";

} // namespace

TEST(IniRead, NamesAreCaseInsensitiveAndFirstMatchWins)
{
    EXPECT_EQ(IniFile::lookup(kSample, "timer", "jg"), QString("5"));
    EXPECT_EQ(IniFile::lookup(kSample, "TIMER", "Reci3"), QString("7"));
    // The second [timer] section is never consulted.
    EXPECT_EQ(IniFile::lookup(kSample, "timer", "reci1"), std::nullopt);
    EXPECT_EQ(IniFile::lookup(kSample, "sjly", "wbwj"), QString("my words.txt"));
    EXPECT_EQ(IniFile::lookup(kSample, "missing", "jg"), std::nullopt);
    EXPECT_EQ(IniFile::lookup("", "timer", "jg"), std::nullopt);
}

TEST(IniRead, EmptyValueIsEmptyNotMissing)
{
    const auto v = IniFile::lookup("[a]\nkey=\n", "a", "key");
    ASSERT_TRUE(v.has_value());
    EXPECT_TRUE(v->isEmpty());
}

TEST(IniRead, IntegersFallBackToTheDefault)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wkcfg.ini");
    writeAll(path, "[other]\nwinx=-120\nwiny=abc\nsftm= 0 \nc1=12px\nc2=\n");
    IniFile ini(path);
    EXPECT_EQ(ini.readInt("other", "winx", 0), -120);
    EXPECT_EQ(ini.readInt("other", "winy", 7), 7);
    EXPECT_EQ(ini.readInt("other", "sftm", 1), 0);
    EXPECT_EQ(ini.readInt("other", "c1", 3), 12);
    EXPECT_EQ(ini.readInt("other", "c2", 21), 21);
    EXPECT_EQ(ini.readInt("other", "absent", 4), 4);
    EXPECT_EQ(ini.readInt("other", "winx", 0), -120);
    EXPECT_EQ(IniFile(dir.filePath("none.ini")).readInt("other", "winx", 33), 33);
}

TEST(IniWrite, ReplacesOnlyTheValueBytes)
{
    const QByteArray out = IniFile::withValue(kSample, "TIMER", "reci3", "12");
    QByteArray expected = kSample;
    expected.replace("reci3=7\r\n", "reci3=12\r\n");
    EXPECT_EQ(out, expected);
}

TEST(IniWrite, AppendsMissingKeyAtEndOfItsSection)
{
    const QByteArray out = IniFile::withValue(kSample, "timer", "reci2", "4");
    QByteArray expected = kSample;
    expected.replace("unknown=keep me\r\n", "unknown=keep me\r\nreci2=4\r\n");
    EXPECT_EQ(out, expected);
}

TEST(IniWrite, AppendsMissingSectionAtEndOfFile)
{
    EXPECT_EQ(IniFile::withValue("[a]\r\nx=1", "b", "y", "2"), QByteArray("[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"));
    EXPECT_EQ(IniFile::withValue("", "b", "y", "2"), QByteArray("[b]\r\ny=2\r\n"));
    // A section that ends the file without a final line break.
    EXPECT_EQ(IniFile::withValue("[a]\r\nx=1", "a", "z", "3"), QByteArray("[a]\r\nx=1\r\nz=3\r\n"));
}

TEST(IniWrite, ChineseValuesAreWrittenInGbkAndReadBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wkcfg.ini");
    IniFile ini(path);
    ASSERT_EQ(ini.writeString("sjly", "wbwj", QStringLiteral("生词本.txt")), 1);
    EXPECT_EQ(readAll(path), QByteArray("[sjly]\r\nwbwj=") + codec::toGb18030(QStringLiteral("生词本.txt")) + "\r\n");
    EXPECT_EQ(ini.readString("sjly", "wbwj", ""), QStringLiteral("生词本.txt"));
}

TEST(IniWrite, Utf8FileStaysUtf8)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wkcfg.ini");
    writeAll(path, QStringLiteral("[MTLJ]\nwav=/home/学生/wav\n").toUtf8());
    IniFile ini(path);
    ASSERT_EQ(ini.writeString("sjly", "wbwj", QStringLiteral("单词.txt")), 1);
    EXPECT_TRUE(codec::isValidUtf8(readAll(path)));
    EXPECT_EQ(ini.readString("MTLJ", "wav", ""), QStringLiteral("/home/学生/wav"));
    EXPECT_EQ(ini.readString("sjly", "wbwj", ""), QStringLiteral("单词.txt"));
}

TEST(IniWrite, LineBreaksInValuesCannotSplitTheFile)
{
    const QByteArray out = IniFile::withValue("[a]\r\nx=1\r\n", "a", "x", "1\r\n[b]\r\ny=2");
    EXPECT_EQ(IniFile::lookup(out, "b", "y"), std::nullopt);
}

TEST(IniWrite, FailureIsReportedNotSwallowed)
{
    QTemporaryDir dir;
    // The "folder" is a plain file, so nothing can be created in it, whoever runs the test.
    const QString notADir = dir.filePath("plain");
    writeAll(notADir, "x");
    IniFile ini(notADir + "/wkcfg.ini");
    EXPECT_EQ(ini.writeString("timer", "reci3", "8"), -1);
    EXPECT_FALSE(ini.errorString().isEmpty());
    EXPECT_EQ(readAll(notADir), QByteArray("x"));
}

TEST(IniEncoding, OneEncodingForTheWholeFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wkcfg.ini");
    // A plain-ASCII file gets GBK; 学习 in GBK is also valid UTF-8, and must
    // read back as written, and a second write must give the same bytes.
    ASSERT_TRUE(writeAll(path, "[sjly]\r\nwbwj=x\r\n"));
    IniFile ini(path);
    ASSERT_EQ(ini.writeString("sjly", "wbwj", QStringLiteral("学习.txt")), 1);
    const QByteArray once = readAll(path);
    EXPECT_EQ(once, "[sjly]\r\nwbwj=" + codec::toGb18030(QStringLiteral("学习.txt")) + "\r\n");
    EXPECT_EQ(IniFile(path).readString("sjly", "wbwj", ""), QStringLiteral("学习.txt"));
    ASSERT_EQ(ini.writeString("sjly", "wbwj", QStringLiteral("学习.txt")), 1);
    EXPECT_EQ(readAll(path), once);

    // A UTF-8 file stays UTF-8 for every value written into it.
    ASSERT_TRUE(writeAll(path, QStringLiteral("[sjly]\r\nwbwj=词表.txt\r\n").toUtf8()));
    IniFile utf8(path);
    ASSERT_EQ(utf8.writeString("MTLJ", "wav", QStringLiteral("/home/学/wav")), 1);
    EXPECT_EQ(readAll(path), QStringLiteral("[sjly]\r\nwbwj=词表.txt\r\n\r\n[MTLJ]\r\nwav=/home/学/wav\r\n").toUtf8());
}

TEST(IniEncoding, ByteOrderMarksAndABareFinalCarriageReturn)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wkcfg.ini");
    ASSERT_TRUE(writeAll(path, QByteArray("\xEF\xBB\xBF[sjly]\r\nsjms=3\r\nwbwj=a.txt\r")));
    IniFile ini(path);
    EXPECT_EQ(ini.readString("sjly", "sjms", ""), "3"); // the mark does not hide the section
    EXPECT_EQ(ini.readString("sjly", "wbwj", ""), "a.txt");
    ASSERT_EQ(ini.writeString("sjly", "sjms", "2"), 1);
    EXPECT_EQ(readAll(path), QByteArray("\xEF\xBB\xBF[sjly]\r\nsjms=2\r\nwbwj=a.txt\r")); // no second section

    // A key or a section added after such a line keeps it a line of its own.
    EXPECT_EQ(IniFile::withValue("[a]\r\nx=1\r", "a", "y", "2"), QByteArray("[a]\r\nx=1\r\ny=2\r\n"));
    EXPECT_EQ(IniFile::withValue("[a]\r\nx=1\r", "b", "y", "2"), QByteArray("[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"));
    EXPECT_EQ(IniFile::lookup(IniFile::withValue("[a]\r\nx=1\r", "b", "y", "2"), "a", "x"), QString("1"));

    // UTF-16 with its mark: read, and written back as UTF-16.
    const auto utf16 = [](const QString &text) {
        QByteArray out("\xFF\xFE");
        for (QChar c : text)
            out.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
        return out;
    };
    ASSERT_TRUE(writeAll(path, utf16(QStringLiteral("[sjly]\r\nwbwj=词表.txt\r\n"))));
    IniFile wide(path);
    EXPECT_EQ(wide.readString("sjly", "wbwj", ""), QStringLiteral("词表.txt"));
    ASSERT_EQ(wide.writeString("sjly", "sjms", "3"), 1);
    EXPECT_EQ(readAll(path), utf16(QStringLiteral("[sjly]\r\nwbwj=词表.txt\r\nsjms=3\r\n")));
}
