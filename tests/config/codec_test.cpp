#include "config/codec.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

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
    // Counted without the converter where the length is known: it must agree
    // with the converter for every character of the plane, and for text
    // mixing them with phonetic symbols and characters beyond it.
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const QString one = QString::fromUcs4(&c, 1);
        ASSERT_EQ(codec::gbkLength(one), codec::toGb18030(one).size()) << std::hex << unsigned(c);
    }
    for (const QString &mixed : {QStringLiteral("/ˈæpl/ n. 苹果"), QStringLiteral("“海”…，😀"), QStringLiteral("〇·、")})
        EXPECT_EQ(codec::gbkLength(mixed), codec::toGb18030(mixed).size()) << qPrintable(mixed);
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

TEST(Codec, LineSnifferFindsEveryBadGb18030Line)
{
    // Forty lines of Chinese make the UTF-8 reading hopeless, so that the
    // last line alone decides; it is checked a machine word at a time
    // (bytes readable after it), and must agree with the byte-by-byte
    // reading on every kind of character and fault.
    QByteArray head;
    for (int i = 0; i < 40; ++i)
        head += codec::toGb18030(QStringLiteral("单词#词语\n"));
    // Whether the line is clean GB18030, as both readings agree.
    const auto check = [&head](const QByteArray &line) {
        const QByteArray bytes = head + line + '\n' + QByteArray(70, 'x');
        codec::LineSniffer quick(bytes);
        EXPECT_TRUE(quick.wantsLines());
        for (qsizetype pos = 0; pos < bytes.size() && quick.wantsLines();) {
            const qsizetype lf = bytes.indexOf('\n', pos);
            const qsizetype next = lf < 0 ? bytes.size() : lf + 1;
            quick.line(pos, next);
            pos = next;
        }
        codec::EncodingSniffer exact;
        exact.feed(bytes);
        const codec::EncodingSniffer::Verdict verdict = exact.verdict();
        EXPECT_EQ(verdict.encoding, codec::Encoding::Gb18030);
        EXPECT_EQ(quick.wantsLines(), verdict.badBytes == 0) << line.toHex(' ').constData();
        EXPECT_EQ(codec::detect(bytes), verdict.encoding) << line.toHex(' ').constData();
        return verdict.badBytes == 0;
    };
    // Clean: two-byte characters (an ASCII or 80 second byte too), four-byte
    // ones alone, in a row and after a run of odd length.
    for (const char *clean : {"\xB5\xA5\xB4\xCA",
                              "w\x81\x30\x81\x30\x81\x30\x81\x30"
                              "d",
                              "\x81\x40#\xFE\x7E",
                              "\xB5\xA5\x81\x30\x81\x30"
                              "1",
                              "\x81\x80", "\x81\x39\xFE\x39\x81\x30\x81\x30 9"})
        EXPECT_TRUE(check(clean)) << clean;
    // Bad: a lead byte before the line end or "#", 80 or FF as a lead, a
    // four-byte character cut after two or three bytes, or with a third byte
    // that is no lead, FF as a second byte.
    for (const char *bad : {"ab\x81", "\x81#", "\x80\x40", "\xFF", "\x81\x30\x81\x30\x81\x30", "\x81\x30\x81",
                            "\x81\x30\x81\x81\x30", "\x81\x30\x20\x30", "\xB5\xFF", "\xB5\xA5\x81\x30\x81\x40"})
        EXPECT_FALSE(check(bad)) << bad;
    // And lines of any make-up, from those pieces.
    const char *pieces[] = {
        "\xB5\xA5", "\x81\x30\x81\x30", "\x81\x40", "\x81\x80", "\x81", "\x30", "a", "#", " ", "\x80",
        "\xFF",     "\x81\x30",         "\x39"};
    std::mt19937 random(1);
    for (int i = 0; i < 3000; ++i) {
        QByteArray line;
        while (line.size() < static_cast<qsizetype>(random() % 60))
            line += pieces[random() % (i % 2 ? 4 : std::size(pieces))];
        check(line);
    }
}

TEST(Codec, QuickVerdictIsTheByteByByteOne)
{
    // Each way the quick checks decide, or leave it to EncodingSniffer.
    const QByteArray gbk = codec::toGb18030(QStringLiteral("单词#词语\r\n").repeated(30));
    const QByteArray utf8 = QStringLiteral("单词#词语#ʃɪp\r\n").repeated(30).toUtf8();
    QByteArray strayInUtf8 = utf8;
    strayInUtf8[5] = '\xFF';
    QByteArray strayInGbk = gbk;
    strayInGbk[3] = '\xFF';
    for (const QByteArray &bytes :
         {gbk, utf8, strayInUtf8, strayInGbk, "\xEF\xBB\xBF" + gbk, QByteArray("plain"), QByteArray(),
          codec::toGb18030(QStringLiteral("cat#猫")), QStringLiteral("café").toUtf8(), gbk + utf8, utf8 + gbk,
          gbk.left(gbk.size() - 3), QByteArray("\x81\x30\x81")}) {
        codec::EncodingSniffer exact;
        exact.feed(bytes);
        EXPECT_EQ(codec::detect(bytes), exact.verdict().encoding) << bytes.left(40).toHex(' ').constData();
    }
}
