// Text encodings of the files shared with Windows installations.
//
// Inside the program all text is Unicode (QString). Files written for the
// Windows world use GB18030, which is byte-identical to GBK (code page 936)
// for every GBK character and loses nothing else. Files are read as UTF-8
// when they are valid UTF-8, otherwise as GB18030.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringConverter>

#include <optional>

namespace kelp::codec {

enum class Encoding { Utf8, Gb18030 };

// True when the bytes form valid UTF-8 (an empty array is valid).
bool isValidUtf8(const QByteArray &bytes);

// What a file's bytes say about their encoding, gathered over the whole file
// a piece at a time (pieces in order, each any length).
//
// The rule: a UTF-8 mark decides; otherwise the reading without bad bytes.
// Where both are clean (short files whose only non-ASCII bytes form two-byte
// UTF-8 sequences), the reading that makes Chinese of the bytes wins over
// the one that makes odd letters of them: "cat#猫" in GBK is "cat#è" in
// UTF-8, while "ʃɪp" and "Mädchen" are letters inside words. A few stray
// bytes in a file that is clearly one of them are replaced and reported;
// a file unclear in both is no text we can read.
class EncodingSniffer {
public:
    void feed(const char *data, qsizetype size);
    void feed(const QByteArray &bytes) { feed(bytes.constData(), bytes.size()); }

    struct Verdict {
        Encoding encoding = Encoding::Utf8;
        bool clear = true;           // false: neither reading holds up
        qint64 badBytes = 0;         // in the chosen reading, replaced by U+FFFD
        QList<qint64> badLines;      // the first few lines (from 1) that hold them
        qint64 firstBadUtf8Line = 0; // read as UTF-8 whatever was chosen; 0: none
    };
    Verdict verdict() const;

private:
    struct Reading {
        qint64 bad = 0;
        qint64 multibyte = 0; // characters of more than one byte
        qint64 evidence = 0;  // characters that make sense for a word list
        QList<qint64> badLines;
        void fault(qint64 line);
    };
    void utf8Byte(unsigned char c);
    void utf8Character();
    void gbByte(unsigned char c);

    Reading utf8_, gb_;
    qint64 line_ = 1;
    qint64 offset_ = 0;
    int markBytes_ = 0;     // of a UTF-8 mark at the start
    bool longUtf8_ = false; // a sequence of three or four bytes
    // UTF-8 state: continuation bytes still due, the code point so far, and
    // whether the last character was a Latin letter that counts once an
    // ASCII letter follows.
    int due_ = 0;
    char32_t code_ = 0;
    int seqLength_ = 0;
    bool prevAsciiLetter_ = false;
    bool letterBefore_ = false; // an ASCII letter before the sequence under way
    bool latinPending_ = false;
    // GB18030 state: 0 start, 1 after a lead byte, 2 after lead + digit,
    // 3 after lead + digit + lead.
    int gbState_ = 0;
    unsigned char gbLead_ = 0;
};

// The same encoding as EncodingSniffer's verdict, for a caller that splits the
// bytes into lines anyway, mostly without its byte-at-a-time work: a mark
// decides; UTF-8 without a bad byte and with a character of three or four
// bytes (or none above ASCII) is UTF-8; more than 16 bad bytes as UTF-8 and
// none as GB18030 is GB18030, the GB18030 reading checked a line at a time,
// a machine word at a time where it can. Whatever these cannot tell,
// EncodingSniffer decides after all.
class LineSniffer {
public:
    explicit LineSniffer(const QByteArray &bytes); // shared, not copied
    // True while the lines decide: give line() every line, in order.
    bool wantsLines() const { return gbPending_ && gbClean_; }
    // The bytes [begin, next): a line with its '\n' (the last one may lack it).
    void line(qsizetype begin, qsizetype next);
    Encoding encoding() const;

private:
    QByteArray bytes_;
    std::optional<Encoding> decided_;
    bool gbPending_ = false; // the GB18030 reading decides
    bool gbClean_ = true;    // ... and has no bad byte so far
    qsizetype checked_ = 0;  // bytes of lines checked
};

// The encoding of a whole file's bytes, by the rule above.
Encoding detect(const QByteArray &bytes);

// The bytes of U+FEFF, the byte-order mark.
QByteArrayView byteOrderMark(Encoding encoding);

// The UTF-16 byte order a file's byte-order mark names, if it has one.
std::optional<QStringConverter::Encoding> utf16Of(const QByteArray &bytes);

// Decodes GB18030; bytes that are not valid GB18030 become U+FFFD.
QString fromGb18030(const QByteArray &bytes);
QByteArray toGb18030(const QString &text);

QString decode(const QByteArray &bytes, Encoding encoding);
QByteArray encode(const QString &text, Encoding encoding);

// Decodes file contents by the rule above; a file with a UTF-16 byte-order
// mark as UTF-16. Byte-order marks are dropped.
QString decodeFile(const QByteArray &bytes);

// Length of the text in GBK bytes (a Chinese character counts 2), the unit in
// which the word window measures its texts.
int gbkLength(const QString &text);

// `text` without white space or U+FEFF at either end: a byte order mark left
// inside a file (two lists joined into one) is invisible, and a cell starting
// with one would look like one with a leading blank and never match its twin.
QStringView trimmed(QStringView text);

} // namespace kelp::codec

namespace kelp {
// `text` without the space characters (only those) at its ends.
QString trimSpaces(const QString &text);
} // namespace kelp
