#include "config/codec.h"
#include "study/notebook.h"
#include "study/text_loader.h"

#include "support/files.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kelp;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(Notebook, LinesKeepTheBufferTextsExactly)
{
    WordBuffer b;
    loadWordText(QStringLiteral("Unit\nbook#书#buk\napple#苹果\n"), b);
    EXPECT_EQ(notebookLine(b, 1), std::nullopt); // a heading writes nothing
    EXPECT_EQ(notebookLine(b, 2), QStringLiteral("book#书#/ buk/"));
    EXPECT_EQ(notebookLine(b, 3), QStringLiteral("apple#苹果#"));
    EXPECT_EQ(notebookLine(b, 0), std::nullopt);
    EXPECT_EQ(notebookLine(b, 4), std::nullopt);

    // A database word whose meaning was never set writes the empty meaning.
    const long r = b.appendRow();
    b.setItem(r, 1, "sea");
    b.setItem(r, 3, "/si:/");
    EXPECT_EQ(notebookLine(b, r), QStringLiteral("sea##/si:/"));
}

TEST(Notebook, AppendsGbkLinesAndCreatesTheFolder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data/生词本.txt");
    for (int i = 0; i < 2; ++i) {
        const AppendResult r = appendNotebookLine(path, QStringLiteral("book#书#/ buk/"));
        EXPECT_TRUE(r.opened);
        EXPECT_TRUE(r.written);
    }
    const QByteArray line = codec::toGb18030(QStringLiteral("book#书#/ buk/")) + "\r\n";
    EXPECT_EQ(readAll(path), line + line);

    // The notebook reads back as a word file, the transcription wrapped once more.
    WordBuffer b;
    ASSERT_TRUE(loadWordFile(path, b).ok);
    EXPECT_EQ(b.item(1, 3), QStringLiteral("/ / buk//"));
}

TEST(Notebook, NeverGluesOntoAnUnfinishedLastLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nb.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old#line");
    }
    ASSERT_TRUE(appendNotebookLine(path, "new#x#").written);
    EXPECT_EQ(readAll(path), QByteArray("old#line\r\nnew#x#\r\n"));
}

TEST(Notebook, FailedOpenIsReported)
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath("data");
    {
        QFile f(blocker); // a file where the folder should be
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    const AppendResult r = appendNotebookLine(blocker + "/生词本.txt", "a#b#");
    EXPECT_FALSE(r.opened);
    EXPECT_FALSE(r.written);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(readAll(blocker), QByteArray("x"));
}

TEST(Notebook, LockedOrSpecialNotebookFailsInsteadOfHanging)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nb.txt");
    ASSERT_TRUE(test::writeAll(path, "old#line#\r\n"));
    // Another program holds the notebook locked (a lock of its own file description).
    const int other = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    const AppendResult locked = appendNotebookLine(path, "a#b#"); // gives up after its wait
    EXPECT_FALSE(locked.opened);
    EXPECT_FALSE(locked.written);
    ::close(other);
    EXPECT_EQ(test::readAll(path), QByteArray("old#line#\r\n"));
    EXPECT_TRUE(appendNotebookLine(path, "a#b#").written); // free again

    const QString fifo = dir.filePath("fifo.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const AppendResult special = appendNotebookLine(fifo, "a#b#");
    EXPECT_FALSE(special.opened);
    EXPECT_FALSE(special.written);
}

TEST(Notebook, KeepsTheEncodingTheNotebookHas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nb.txt");
    ASSERT_TRUE(test::writeAll(path, QStringLiteral("海#sea#\r\n").toUtf8()));
    ASSERT_TRUE(appendNotebookLine(path, QStringLiteral("书#book#")).written);
    EXPECT_EQ(test::readAll(path), QStringLiteral("海#sea#\r\n书#book#\r\n").toUtf8());

    const QString fresh = dir.filePath("new.txt");
    ASSERT_TRUE(appendNotebookLine(fresh, QStringLiteral("书#book#")).written);
    ASSERT_TRUE(appendNotebookLine(fresh, QStringLiteral("书#book#")).written);
    EXPECT_EQ(test::readAll(fresh), codec::toGb18030(QStringLiteral("书#book#\r\n书#book#\r\n")));
}
