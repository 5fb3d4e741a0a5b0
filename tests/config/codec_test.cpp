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
