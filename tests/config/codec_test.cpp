#include "config/codec.h"

#include <gtest/gtest.h>

using namespace kelp;

TEST(Codec, Gb18030RoundTripsChineseWithGbkBytes)
{
    const QString text = QStringLiteral("苹果 apple");
    const QByteArray bytes = codec::toGb18030(text);
    // 苹 = C6 BB, 果 = B9 FB in code page 936.
    EXPECT_EQ(bytes, QByteArray("\xC6\xBB\xB9\xFB apple"));
    EXPECT_EQ(codec::fromGb18030(bytes), text);
}

TEST(Codec, DecodeFilePrefersUtf8AndFallsBackToGb18030)
{
    EXPECT_EQ(codec::decodeFile(QStringLiteral("书").toUtf8()), QStringLiteral("书"));
    EXPECT_EQ(codec::decodeFile(codec::toGb18030(QStringLiteral("书"))), QStringLiteral("书"));
    EXPECT_EQ(codec::decodeFile(QByteArray("\xEF\xBB\xBF"
                                           "abc")),
              QStringLiteral("abc"));
}

TEST(Codec, BrokenGb18030BytesBecomeReplacementCharacters)
{
    // 0xFF is never valid; decoding must go on after it.
    const QString s = codec::fromGb18030(QByteArray("a\xFF"
                                                    "b"));
    EXPECT_EQ(s, QString::fromUtf8("a\xEF\xBF\xBD"
                                   "b"));
}

TEST(Codec, GbkLengthCountsChineseAsTwoBytes)
{
    EXPECT_EQ(codec::gbkLength(QStringLiteral("apple")), 5);
    EXPECT_EQ(codec::gbkLength(QStringLiteral("n. 海洋")), 7);
    EXPECT_EQ(codec::gbkLength(QString()), 0);
}

TEST(Codec, WholeFileDecidesAndGbkThatLooksLikeUtf8StaysGbk)
{
    // 学习 in GBK is valid UTF-8 too ("ѧϰ"); as a word list it is Chinese.
    const QByteArray gbk = codec::toGb18030(QStringLiteral("study#学习"));
    ASSERT_TRUE(codec::isValidUtf8(gbk));
    EXPECT_EQ(codec::detect(gbk), codec::Encoding::Gb18030);
    EXPECT_EQ(codec::decodeFile(gbk), QStringLiteral("study#学习"));
    // Real UTF-8 with Chinese (three-byte sequences) stays UTF-8, and so does
    // UTF-8 whose two-byte letters are no Chinese in GBK, or that is marked.
    EXPECT_EQ(codec::detect(QStringLiteral("学习").toUtf8()), codec::Encoding::Utf8);
    EXPECT_EQ(codec::detect(QStringLiteral("café").toUtf8()), codec::Encoding::Utf8);
    EXPECT_EQ(codec::detect(QStringLiteral("sea#siː").toUtf8()), codec::Encoding::Utf8);
    EXPECT_EQ(codec::detect("\xEF\xBB\xBF" + gbk), codec::Encoding::Utf8);
    EXPECT_EQ(codec::detect("plain ascii"), codec::Encoding::Utf8);
}

TEST(Codec, Utf16FilesAreReadByTheirByteOrderMark)
{
    const QString text = QStringLiteral("sea#海#siː\r\n");
    QByteArray le("\xFF\xFE");
    QByteArray be("\xFE\xFF");
    for (QChar c : text) {
        le.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
        be.append(static_cast<char>(c.unicode() >> 8)).append(static_cast<char>(c.unicode() & 0xFF));
    }
    EXPECT_EQ(codec::decodeFile(le), text);
    EXPECT_EQ(codec::decodeFile(be), text);
    EXPECT_EQ(codec::utf16Of(le), QStringConverter::Utf16LE);
    EXPECT_FALSE(codec::utf16Of("ab").has_value());
}
